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
// with inline calls.
//
// A manuscript repeats the same markup run after run: a ruby's run differs
// from the next only in its reading and base, and properties recur whole.
// Given a Memo, the tree remembers the content of a few such elements (the
// element's own children, and property elements anywhere) and, meeting the
// same markup again with other text in the same places, copies their nodes
// instead of reading them.
#pragma once

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <type_traits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly::wordproc {

// A growing array of plain data: the tree appends millions of nodes per
// book, so appending is a store and a test, and room for a run of nodes is
// made at once, without clearing it.
template <class T>
class PodArray {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    void clear() { m_size = 0; }
    T* data() { return m_data.get(); }
    const T* data() const { return m_data.get(); }
    T& operator[](size_t i) { return m_data[i]; }
    const T& operator[](size_t i) const { return m_data[i]; }
    T& back() { return m_data[m_size - 1]; }
    void pop_back() { --m_size; }
    void push_back(const T& value) {
        if (m_size == m_capacity) reserve(m_size + 1);
        m_data[m_size++] = value;
    }
    // Appends n elements for the caller to fill, and returns the first.
    T* extend(size_t n) {
        if (m_size + n > m_capacity) reserve(m_size + n);
        T* const first = m_data.get() + m_size;
        m_size += n;
        return first;
    }

private:
    void reserve(size_t n) {
        const size_t capacity = std::max({n, m_capacity * 2, size_t(64)});
        auto data = std::make_unique_for_overwrite<T[]>(capacity);
        if (m_size) std::memcpy(data.get(), m_data.get(), m_size * sizeof(T));
        m_data = std::move(data);
        m_capacity = capacity;
    }
    std::unique_ptr<T[]> m_data;
    size_t m_size = 0;
    size_t m_capacity = 0;
};

class XmlTree {
    // A stretch of the block's text, or of the decoded values. (Spans,
    // nodes and attributes are plain data, kept in PodArrays.)
    struct Span {
        uint32_t offset;  // kDecoded set: in m_decoded
        uint32_t length;
    };
    static constexpr uint32_t kDecoded = 0x80000000u;
    struct NodeData {
        Span name;              // empty for text, and only for text
        Span value;             // the text of a text node
        // Counted from the node itself, so that a run of nodes copied
        // elsewhere keeps its links; 0: none (children and siblings come after).
        uint32_t firstChild;
        uint32_t nextSibling;
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
        // (Names are never decoded: they lie in the element's text.)
        std::string_view name() const {
            return m_data ? std::string_view(m_tree->m_base + m_data->name.offset, m_data->name.length) : std::string_view();
        }
        bool isText() const { return m_data && m_data->name.length == 0; }
        // A text node's text.
        std::string_view value() const { return m_data ? m_tree->view(m_data->value) : std::string_view(); }
        Node firstChild() const { return m_data && m_data->firstChild ? Node(m_tree, m_data + m_data->firstChild) : Node(); }
        Node nextSibling() const { return m_data && m_data->nextSibling ? Node(m_tree, m_data + m_data->nextSibling) : Node(); }
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
                if (c.m_data->name.length == 0) return c.value();
            return {};
        }
        // f(name, value) for each attribute, in order.
        template <class F>
        void forEachAttribute(F&& f) const {
            if (!m_data) return;
            for (uint32_t i = m_data->attrBegin; i < m_data->attrEnd; ++i)
                f(m_tree->view(m_tree->m_attrs[i].name), m_tree->view(m_tree->m_attrs[i].value));
        }
        // For an element whose content was copied from what a memo
        // remembered: a number naming that content (every copy of it has
        // its nodes laid out alike and differs only in its holes' texts),
        // and the holes' texts. A copy made without nodes (see
        // Memo::copyWithoutNodes) has no children. content 0: no copy.
        struct Recalled {
            uint64_t content = 0;
            bool withNodes = true;
            size_t holes = 0;
            std::string_view hole(size_t k) const { return m_tree->view(m_tree->m_recallHoles[m_firstHole + k]); }

        private:
            friend class Node;
            const XmlTree* m_tree = nullptr;
            uint32_t m_firstHole = 0;
        };
        Recalled recalled() const;
        // Where a node of this one's content lies from it, and the node that
        // lies there: the same place in another copy of the same content.
        uint32_t offsetOf(const Node& inside) const { return static_cast<uint32_t>(inside.m_data - m_data); }
        Node at(uint32_t offset) const { return Node(m_tree, m_data + offset); }

    private:
        friend class XmlTree;
        Node(const XmlTree* tree, const NodeData* data) : m_tree(tree), m_data(data) {}
        const XmlTree* m_tree = nullptr;
        const NodeData* m_data = nullptr;
    };

    // Content remembered from the elements read, for the ones read after
    // them (by any tree, one at a time): for each of a few element names,
    // the content (end tag included) of the last few met, with the nodes
    // read from it. A text in it is a hole that other text may fill.
    class Memo {
    public:
        Memo();
        ~Memo();
        Memo(const Memo&) = delete;
        Memo& operator=(const Memo&) = delete;

        // A reader that has learnt all it needs from the copies of a content
        // asks for its later copies without their nodes: the element is
        // there with the texts of its holes only (Node::recalled), and the
        // copying costs nothing. Another thread than the reading one may ask.
        void copyWithoutNodes(uint64_t content) {
            m_withoutNodes[content % m_withoutNodes.size()].store(content, std::memory_order_relaxed);
        }

    private:
        friend class XmlTree;
        struct Entry;
        static constexpr size_t kSets = 8;
        static constexpr size_t kWays = 4;
        static size_t SetOf(std::string_view name) {
            return (name.size() * 31 + static_cast<unsigned char>(name.back()) +
                    static_cast<unsigned char>(name[name.size() / 2]) * 7) % kSets;
        }
        std::vector<Entry> m_entries;  // kSets sets of kWays
        uint64_t m_clock = 0;          // for the least recently used of a set
        uint64_t m_serials = 0;        // the last content's number
        bool withoutNodes(uint64_t content) const {
            return m_withoutNodes[content % m_withoutNodes.size()].load(std::memory_order_relaxed) == content;
        }
        std::array<std::atomic<uint64_t>, 64> m_withoutNodes{};  // by content number
        // Where content is placed before it replaces an entry's.
        std::vector<NodeData> m_nodes;
        std::vector<AttrData> m_attrs;
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
    // With a memo, content it remembers is copied, and content read is
    // remembered. Given the store the text lies in, the tree keeps the store
    // and reads the element's text there until release(); else it copies it.
    Result read(std::string_view text, bool complete, size_t* length, Memo* memo = nullptr,
                const std::shared_ptr<char[]>& store = nullptr);
    // Lets go of the store the element's text lies in; the tree is empty.
    void release() {
        m_store.reset();
        m_nodes.clear();
        m_recalls.clear();
        m_recallHoles.clear();
        m_base = nullptr;
        m_size = 0;
    }

    // The whole of text as one element.
    bool parse(const std::string& text) {
        size_t length = 0;
        return read(text, true, &length) == Result::Read && length == text.size();
    }

    Node root() const { return m_nodes.empty() ? Node() : Node(this, m_nodes.data()); }
    // The length of the element's text.
    size_t size() const { return m_size; }

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
                                     : std::string_view(m_base + s.offset, s.length);
    }
    Result readElement(const char* begin, const char* end, size_t* length);
    // Reads text or an attribute value from p up to its stop ('<' or the
    // quote), decoding entities. Returns the stop's position, or nullptr
    // when it declines.
    const char* readValue(const char* base, const char* p, const char* end, char stop, Span* value);
    const char* decodeEntity(const char* p);

    // The element's text: in the store it was read from, or copied here.
    const char* m_base = nullptr;
    size_t m_size = 0;
    std::shared_ptr<char[]> m_store;
    std::string m_text;
    std::string m_decoded;  // values that held entities, decoded
    PodArray<NodeData> m_nodes;
    PodArray<AttrData> m_attrs;
    struct Open {
        uint32_t node;
        uint32_t lastChild;
    };
    PodArray<Open> m_open;
    const char* m_failedAt = nullptr;

    struct MemoStart {
        uint32_t node;
        uint32_t content;  // offset of the content's start
        size_t decoded;    // m_decoded's size there: a decoded value inside is not remembered
    };
    std::vector<MemoStart> m_memoStarts;  // the open elements that may be remembered
    Memo* m_memo = nullptr;
    struct Recall {
        uint32_t node;       // an element whose content was recalled
        uint32_t firstHole;  // its holes' texts in m_recallHoles
        uint32_t holes;
        bool withNodes;
        uint64_t serial;     // the content's number
    };
    PodArray<Recall> m_recalls;  // in the order of the nodes
    PodArray<Span> m_recallHoles;
    mutable size_t m_recallAsked = 0;  // where Node::recalledContent's last search ended
    static bool IsProperty(std::string_view name) {
        return name.size() >= 2 && name[name.size() - 2] == 'P' && name[name.size() - 1] == 'r';
    }
    // Copies the nodes of remembered content under the element at index,
    // when the text from p on is such content; returns its length, or 0.
    size_t recall(uint32_t index, const char* begin, const char* p, const char* end);
    static void MoveCopies(const NodeData* from, NodeData* to, size_t& i, size_t nodeEnd, const AttrData* fromAttrs,
                           AttrData* toAttrs, size_t& a, size_t attrEnd, uint32_t by, uint32_t attrBase);
    void remember(const MemoStart& start, const char* begin, const char* contentEnd);
};

}  // namespace tessaly::wordproc
