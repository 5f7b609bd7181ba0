// XmlTree: a compact element tree for one block of a .docx main part.
//
// Most of a manuscript's XML is plain: elements, attributes, text, the five
// named entities and character references. XmlTree reads exactly that, about
// three times faster than the general parser, and declines everything else
// (comments, CDATA, processing instructions, carriage returns, other
// entities, names outside ASCII, any malformation) so that the reader hands
// such a block to pugixml instead; pugixml then also words the error. What
// XmlTree accepts it reads as pugixml does with the reader's flags
// (parse_default | parse_ws_pcdata_single): text that is only whitespace is
// kept only as its element's single child, and text nodes have an empty name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace tessaly::wordproc {

class XmlTree {
    struct NodeData {
        const char* name;   // "" for text
        const char* value;  // the text of a text node, else nullptr
        uint32_t firstChild;   // 0: none (the root is nobody's child)
        uint32_t nextSibling;  // 0: none
        uint32_t attrBegin;
        uint32_t attrEnd;
    };
    struct AttrData {
        const char* name;
        const char* value;
    };

public:
    // One node; a default-made Node is null, as are the children and
    // siblings that are not there.
    class Node {
    public:
        Node() = default;
        explicit operator bool() const { return m_data != nullptr; }
        const char* name() const { return m_data ? m_data->name : ""; }
        // A text node's text; nullptr for an element.
        const char* value() const { return m_data ? m_data->value : nullptr; }
        Node firstChild() const { return m_data && m_data->firstChild ? Node(m_tree, m_data->firstChild) : Node(); }
        Node nextSibling() const { return m_data && m_data->nextSibling ? Node(m_tree, m_data->nextSibling) : Node(); }
        // The value of the first attribute named name, or nullptr.
        const char* attribute(const char* name) const;
        // The value of the first text child, or "".
        const char* text() const;
        // f(name, value) for each attribute, in order.
        template <class F>
        void forEachAttribute(F&& f) const {
            if (!m_data) return;
            for (uint32_t i = m_data->attrBegin; i < m_data->attrEnd; ++i) f(m_tree->m_attrs[i].name, m_tree->m_attrs[i].value);
        }

    private:
        friend class XmlTree;
        Node(const XmlTree* tree, uint32_t index) : m_tree(tree), m_data(&tree->m_nodes[index]) {}
        const XmlTree* m_tree = nullptr;
        const NodeData* m_data = nullptr;
    };

    // Builds the tree from text, which it copies: names and values are
    // terminated and entities decoded in the copy. False when the text is
    // not exactly one element of the plain kind read here.
    bool parse(std::string_view text);

    Node root() const { return m_nodes.empty() ? Node() : Node(this, 0); }

private:
    std::unique_ptr<char[]> m_chars;  // the copy of the text the nodes point into
    size_t m_capacity = 0;
    std::vector<NodeData> m_nodes;
    std::vector<AttrData> m_attrs;
    struct Open {
        uint32_t node;
        uint32_t lastChild;
    };
    std::vector<Open> m_open;
};

}  // namespace tessaly::wordproc
