// XmlTree: a compact element tree for one block of a .docx main part.
//
// Most of a manuscript's XML is plain: elements, attributes, text, the five
// named entities and character references. XmlTree reads exactly that and
// declines everything else (comments, CDATA, processing instructions,
// carriage returns, other entities, names outside ASCII, any malformation),
// so that the reader hands such a block to pugixml instead; pugixml then
// also words the error. What XmlTree accepts it reads as pugixml does with
// the reader's flags (parse_default | parse_ws_pcdata_single): text that is
// only whitespace is kept only as its element's single child, and text
// nodes have an empty name.
//
// It reads the element straight from the scanner's buffer, so that finding
// where a block ends and reading it are one pass, and its nodes are walked
// with inline calls. A manuscript repeats the same properties run after run
// (a ruby's <w:rubyPr>, a run's <w:rPr>), so the tree remembers the last
// content it read of a few property elements and, meeting the same bytes
// again, copies their nodes instead of reading them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly::wordproc {

class XmlTree {
    // A stretch of the block's text, or of the decoded values.
    struct Span {
        uint32_t offset = 0;  // kDecoded set: in m_decoded
        uint32_t length = 0;
    };
    static constexpr uint32_t kDecoded = 0x80000000u;
    struct NodeData {
        Span name;              // empty for text
        Span value;             // the text of a text node
        bool text;
        uint32_t firstChild;   // 0: none (the root is nobody's child)
        uint32_t nextSibling;  // 0: none
        uint32_t attrBegin;
        uint32_t attrEnd;
    };
    struct AttrData {
        Span name;
        Span value;
    };

public:
    // One node; a default-made Node is null, as are the children and
    // siblings that are not there.
    class Node {
    public:
        Node() = default;
        explicit operator bool() const { return m_data != nullptr; }
        std::string_view name() const { return m_data ? m_tree->view(m_data->name) : std::string_view(); }
        bool isText() const { return m_data && m_data->text; }
        // A text node's text.
        std::string_view value() const { return m_data ? m_tree->view(m_data->value) : std::string_view(); }
        Node firstChild() const { return m_data && m_data->firstChild ? Node(m_tree, m_data->firstChild) : Node(); }
        Node nextSibling() const { return m_data && m_data->nextSibling ? Node(m_tree, m_data->nextSibling) : Node(); }
        // The value of the first attribute named name.
        std::optional<std::string_view> attribute(std::string_view name) const {
            if (!m_data) return std::nullopt;
            for (uint32_t i = m_data->attrBegin; i < m_data->attrEnd; ++i) {
                const AttrData& a = m_tree->m_attrs[i];
                if (Same(m_tree->view(a.name), name)) return m_tree->view(a.value);
            }
            return std::nullopt;
        }
        // The value of the first text child, or "".
        std::string_view text() const {
            for (Node c = firstChild(); c; c = c.nextSibling())
                if (c.m_data->text) return c.value();
            return {};
        }
        // f(name, value) for each attribute, in order.
        template <class F>
        void forEachAttribute(F&& f) const {
            if (!m_data) return;
            for (uint32_t i = m_data->attrBegin; i < m_data->attrEnd; ++i)
                f(m_tree->view(m_tree->m_attrs[i].name), m_tree->view(m_tree->m_attrs[i].value));
        }

    private:
        friend class XmlTree;
        Node(const XmlTree* tree, uint32_t index) : m_tree(tree), m_data(&tree->m_nodes[index]) {}
        const XmlTree* m_tree = nullptr;
        const NodeData* m_data = nullptr;
    };

    enum class Result {
        Read,      // the element is in the tree
        NeedMore,  // the text ended inside the element: more may make it whole
        Declined,  // not the plain kind read here
    };

    // Reads the element that starts at text[0]. The character after the
    // text, text.data()[text.size()], must be readable and '\0' (as in a
    // std::string); the element may end before the text does, and
    // *length then tells where. complete says that no more text will come,
    // so that a text cut short is declined instead of waited for.
    Result read(std::string_view text, bool complete, size_t* length);

    // The whole of text as one element.
    bool parse(const std::string& text) {
        size_t length = 0;
        return read(text, true, &length) == Result::Read && length == text.size();
    }

    Node root() const { return m_nodes.empty() ? Node() : Node(this, 0); }
    // The length of the element's text.
    size_t size() const { return m_text.size(); }

private:
    // Equality of short names, compared here rather than by a library call.
    static bool Same(std::string_view a, std::string_view b) {
        if (a.size() != b.size()) return false;
        for (size_t i = 0; i < a.size(); ++i)
            if (a[i] != b[i]) return false;
        return true;
    }
    std::string_view view(Span s) const {
        return (s.offset & kDecoded) ? std::string_view(m_decoded.data() + (s.offset & ~kDecoded), s.length)
                                     : std::string_view(m_text.data() + s.offset, s.length);
    }
    Result readElement(const char* begin, const char* end, size_t* length);
    // Reads text or an attribute value from p up to its stop ('<' or the
    // quote), decoding entities. Returns the stop's position, or nullptr
    // when it declines.
    const char* readValue(const char* base, const char* p, const char* end, char stop, Span* value);
    const char* decodeEntity(const char* p);

    std::string m_text;     // the element's text, copied once it is read
    std::string m_decoded;  // values that held entities, decoded
    std::vector<NodeData> m_nodes;
    std::vector<AttrData> m_attrs;
    struct Open {
        uint32_t node;
        uint32_t lastChild;
    };
    std::vector<Open> m_open;
    const char* m_failedAt = nullptr;

    // The content of a property element (an element whose name ends in
    // "Pr"), end tag included, and the nodes read from it: node indices
    // count from the element's own, offsets from the content's start, and
    // attribute indices from the first of the content's attributes.
    struct Remembered {
        std::string name;
        std::string content;
        uint32_t firstChild = 0;
        std::vector<NodeData> nodes;
        std::vector<AttrData> attrs;
    };
    static constexpr size_t kMaxRememberedContent = 1024;
    static constexpr size_t kMaxRememberedNodes = 64;
    std::array<Remembered, 4> m_remembered;
    struct PropertyStart {
        uint32_t node;
        uint32_t content;  // offset of the content's start
        size_t decoded;     // m_decoded's size there: a decoded value inside is not remembered
    };
    std::vector<PropertyStart> m_properties;  // the open property elements
    static bool IsProperty(std::string_view name) {
        return name.size() >= 2 && name[name.size() - 2] == 'P' && name[name.size() - 1] == 'r';
    }
    Remembered& rememberedFor(std::string_view name) {
        return m_remembered[(name.size() + static_cast<unsigned char>(name[name.size() >= 3 ? name.size() - 3 : 0])) % m_remembered.size()];
    }
    // Copies the remembered content's nodes under the element at index,
    // whose content starts at offset content, when the text there is that
    // content; returns its length, or 0.
    size_t recall(uint32_t index, const char* begin, const char* p, const char* end);
    void remember(const PropertyStart& start, const char* begin, const char* contentEnd);
};

}  // namespace tessaly::wordproc
