#include "wordproc/XmlTree.h"

#include <array>
#include <cstring>

namespace tessaly::wordproc {
namespace {

enum CharClass : uint8_t {
    kNameStart = 1,  // ASCII letters, '_' and ':'
    kName = 2,       // those, digits, '-' and '.'
    kSpace = 4,      // between a tag's parts
    kTextStop = 8,   // ends a stretch of plain text: '<', '&', '\r', '\0'
    kValueStop = 16, // ends a stretch of an attribute value: quotes, '&', '<', tab, newlines, '\0'
};

constexpr std::array<uint8_t, 256> MakeClasses() {
    std::array<uint8_t, 256> classes{};
    for (int c = 0; c < 256; ++c) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (letter || c == '_' || c == ':') classes[c] |= kNameStart | kName;
        if ((c >= '0' && c <= '9') || c == '-' || c == '.') classes[c] |= kName;
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') classes[c] |= kSpace;
        if (c == '<' || c == '&' || c == '\r' || c == '\0') classes[c] |= kTextStop;
        if (c == '"' || c == '\'' || c == '&' || c == '<' || c == '\t' || c == '\n' || c == '\r' || c == '\0')
            classes[c] |= kValueStop;
    }
    return classes;
}
constexpr std::array<uint8_t, 256> kClasses = MakeClasses();

inline bool Is(char c, CharClass cls) { return (kClasses[static_cast<unsigned char>(c)] & cls) != 0; }

// Decodes the entity at p ('&'), writing its UTF-8 at w. Returns the
// position after the entity and moves w past what it wrote, or nullptr for
// an entity this reader leaves to the full parser.
char* DecodeEntity(char* p, char*& w) {
    static constexpr struct {
        const char* name;
        char c;
    } kNamed[] = {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&apos;", '\''}, {"&quot;", '"'}};
    for (const auto& named : kNamed) {
        const size_t n = std::strlen(named.name);
        if (std::strncmp(p, named.name, n) == 0) {
            *w++ = named.c;
            return p + n;
        }
    }
    if (p[1] != '#') return nullptr;
    const bool hex = p[2] == 'x';
    char* q = p + (hex ? 3 : 2);
    uint32_t code = 0;
    int digits = 0;
    for (; digits <= 7; ++q, ++digits) {
        const char c = *q;
        if (c >= '0' && c <= '9') code = code * (hex ? 16 : 10) + static_cast<uint32_t>(c - '0');
        else if (hex && (c | 0x20) >= 'a' && (c | 0x20) <= 'f') code = code * 16 + static_cast<uint32_t>((c | 0x20) - 'a' + 10);
        else break;
    }
    if (*q != ';' || digits == 0 || digits > 7 || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return nullptr;
    if (code < 0x80) {
        *w++ = static_cast<char>(code);
    } else if (code < 0x800) {
        *w++ = static_cast<char>(0xC0 | (code >> 6));
        *w++ = static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        *w++ = static_cast<char>(0xE0 | (code >> 12));
        *w++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        *w++ = static_cast<char>(0x80 | (code & 0x3F));
    } else {
        *w++ = static_cast<char>(0xF0 | (code >> 18));
        *w++ = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        *w++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        *w++ = static_cast<char>(0x80 | (code & 0x3F));
    }
    return q + 1;
}

// Reads text (stop '<') or an attribute value (stop its quote) from p,
// decoding entities in place. Returns the stop's position and puts the
// decoded value's end in *end; nullptr when it declines.
char* ReadValue(char* p, char stop, char** end) {
    const CharClass stops = stop == '<' ? kTextStop : kValueStop;
    char* w = p;
    for (;;) {
        char* q = p;
        while (!Is(*q, stops)) ++q;
        if (w != p) std::memmove(w, p, static_cast<size_t>(q - p));
        w += q - p;
        p = q;
        const char c = *p;
        if (c == stop) {
            *end = w;
            return p;
        }
        if (c == '&') {
            p = DecodeEntity(p, w);
            if (!p) return nullptr;
        } else if (c == '"' || c == '\'') {  // the other quote, inside a value
            *w++ = c;
            ++p;
        } else {
            return nullptr;
        }
    }
}

}  // namespace

const char* XmlTree::Node::attribute(const char* name) const {
    if (!m_data) return nullptr;
    for (uint32_t i = m_data->attrBegin; i < m_data->attrEnd; ++i) {
        const AttrData& a = m_tree->m_attrs[i];
        if (std::strcmp(a.name, name) == 0) return a.value;
    }
    return nullptr;
}

const char* XmlTree::Node::text() const {
    for (Node c = firstChild(); c; c = c.nextSibling())
        if (c.m_data->value) return c.m_data->value;
    return "";
}

bool XmlTree::parse(std::string_view source) {
    const size_t size = source.size();
    if (m_capacity < size + 1) {
        m_chars.reset(new char[size + 1]);
        m_capacity = size + 1;
    }
    char* const text = m_chars.get();
    std::memcpy(text, source.data(), size);
    text[size] = '\0';  // every scanning loop stops at it
    m_nodes.clear();
    m_attrs.clear();
    m_open.clear();
    char* const end = text + size;
    auto add = [&](const char* name, const char* value) {
        const auto index = static_cast<uint32_t>(m_nodes.size());
        const auto attrs = static_cast<uint32_t>(m_attrs.size());
        m_nodes.push_back({name, value, 0, 0, attrs, attrs});
        if (!m_open.empty()) {
            Open& parent = m_open.back();
            if (parent.lastChild) m_nodes[parent.lastChild].nextSibling = index;
            else m_nodes[parent.node].firstChild = index;
            parent.lastChild = index;
        }
        return index;
    };

    if (size == 0 || text[0] != '<') return false;
    char* p = text + 1;  // just past a '<'
    for (;;) {
        if (*p == '/') {  // an end tag: the open element's name, then '>'
            if (m_open.empty()) return false;
            const char* name = m_nodes[m_open.back().node].name;
            ++p;
            while (*name != '\0' && *p == *name) {
                ++p;
                ++name;
            }
            if (*name != '\0' || *p != '>') return false;
            ++p;
            m_open.pop_back();
            if (m_open.empty()) return p == end;
        } else {  // a start tag: name, attributes, then '>' or "/>"
            if (!Is(*p, kNameStart)) return false;  // also comments, CDATA, instructions
            char* name = p;
            while (Is(*p, kName)) ++p;
            if (m_open.empty() && !m_nodes.empty()) return false;
            const uint32_t index = add(name, nullptr);
            char c = *p;
            *p = '\0';
            for (;;) {
                if (Is(c, kSpace)) {
                    do ++p;
                    while (Is(*p, kSpace));
                    c = *p;
                    if (!Is(c, kNameStart)) continue;
                    char* attrName = p;
                    while (Is(*p, kName)) ++p;
                    char* attrNameEnd = p;
                    if (*p != '=' || (p[1] != '"' && p[1] != '\'')) return false;
                    char* value = p + 2;
                    char* valueEnd = nullptr;
                    char* close = ReadValue(value, p[1], &valueEnd);
                    if (!close) return false;
                    *attrNameEnd = '\0';
                    *valueEnd = '\0';
                    m_attrs.push_back({attrName, value});
                    m_nodes[index].attrEnd = static_cast<uint32_t>(m_attrs.size());
                    p = close + 1;
                    c = *p;
                    if (!Is(c, kSpace) && c != '>' && c != '/') return false;
                } else if (c == '>') {
                    ++p;
                    m_open.push_back({index, 0});
                    break;
                } else if (c == '/' && p[1] == '>') {
                    p += 2;
                    if (m_open.empty()) return p == end;
                    break;
                } else {
                    return false;
                }
            }
        }
        // Text up to the next tag. Whitespace alone is kept only as an
        // element's single child: right before its end tag, with no child yet.
        char* q = p;
        while (*q == ' ' || *q == '\t' || *q == '\n') ++q;
        if (*q == '<') {
            if (q != p && q[1] == '/' && m_open.back().lastChild == 0) {
                add("", p);
                *q = '\0';
            }
            p = q + 1;
            continue;
        }
        char* valueEnd = nullptr;
        char* close = ReadValue(p, '<', &valueEnd);
        if (!close) return false;
        add("", p);
        *valueEnd = '\0';
        p = close + 1;
    }
}

}  // namespace tessaly::wordproc
