#include "wordproc/XmlTree.h"

#include <array>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "engine/Text.h"

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

// Names and values are short but of every length, so a loop that tests a
// byte at a time mostly ends in a mispredicted branch. Where the processor
// allows, sixteen bytes are classified at once; the last few before the end
// of the text are tested one by one (the '\0' after the text stops them).
#if defined(__SSE2__)
inline unsigned Matches(__m128i v, char c) {
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(c))));
}
// Bytes from lo to lo + span - 1 (both ASCII), as a mask.
inline unsigned InRange(__m128i v, char lo, char span) {
    const __m128i t = _mm_sub_epi8(v, _mm_set1_epi8(lo));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(t, _mm_set1_epi8(static_cast<char>(span - 1))), t)));
}
#endif

// The first byte at or after p that is not a name character.
inline const char* SkipName(const char* p, const char* end) {
#if defined(__SSE2__)
    while (end - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const unsigned name = InRange(_mm_or_si128(v, _mm_set1_epi8(0x20)), 'a', 26) | InRange(v, '0', 10) |
                              Matches(v, '_') | Matches(v, ':') | Matches(v, '-') | Matches(v, '.');
        if (name != 0xFFFF) return p + __builtin_ctz(~name);
        p += 16;
    }
#endif
    while (Is(*p, kName)) ++p;
    return p;
}

// The first byte at or after p of the class stops (kTextStop or kValueStop).
inline const char* FindStop(const char* p, const char* end, CharClass stops) {
#if defined(__SSE2__)
    while (end - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        unsigned hits = Matches(v, '<') | Matches(v, '&') | Matches(v, '\r') | Matches(v, '\0');
        if (stops == kValueStop) hits |= Matches(v, '"') | Matches(v, '\'') | Matches(v, '\t') | Matches(v, '\n');
        if (hits != 0) return p + __builtin_ctz(hits);
        p += 16;
    }
#endif
    while (!Is(*p, stops)) ++p;
    return p;
}

}  // namespace

// Decodes the entity at p ('&') onto m_decoded. Returns the position after
// it, or nullptr for an entity this reader leaves to the full parser.
const char* XmlTree::decodeEntity(const char* p) {
    static constexpr struct {
        const char* name;
        char c;
    } kNamed[] = {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&apos;", '\''}, {"&quot;", '"'}};
    for (const auto& named : kNamed) {
        const size_t n = std::strlen(named.name);
        if (std::strncmp(p, named.name, n) == 0) {  // stops at the '\0' after the text
            m_decoded.push_back(named.c);
            return p + n;
        }
    }
    if (p[1] != '#') return nullptr;
    const bool hex = p[2] == 'x';
    const char* q = p + (hex ? 3 : 2);
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
    AppendUtf8CodePoint(m_decoded, code);
    return q + 1;
}

const char* XmlTree::readValue(const char* base, const char* p, const char* end, char stop, Span* value) {
    const CharClass stops = stop == '<' ? kTextStop : kValueStop;
    const char* const start = p;
    bool decoded = false;  // an entity was met: the value is built in m_decoded
    size_t decodedStart = 0;
    for (;;) {
        const char* q = FindStop(p, end, stops);
        if (decoded) m_decoded.append(p, static_cast<size_t>(q - p));
        p = q;
        const char c = *p;
        if (c == stop) {
            if (decoded) *value = {static_cast<uint32_t>(decodedStart) | kDecoded, static_cast<uint32_t>(m_decoded.size() - decodedStart)};
            else *value = {static_cast<uint32_t>(start - base), static_cast<uint32_t>(p - start)};
            return p;
        }
        if (c == '&') {
            if (!decoded) {
                decoded = true;
                decodedStart = m_decoded.size();
                m_decoded.append(start, static_cast<size_t>(p - start));
            }
            const char* after = decodeEntity(p);
            if (!after) {
                m_failedAt = p;
                return nullptr;
            }
            p = after;
        } else if (c == '"' || c == '\'') {  // the other quote, inside a value
            if (decoded) m_decoded.push_back(c);
            ++p;
        } else {
            m_failedAt = p;
            return nullptr;
        }
    }
}

// Whether [p, end) holds more than whitespace.
static bool HasNonSpace(const char* p, const char* end) {
    for (; p < end; ++p)
        if (*p != ' ' && *p != '\t' && *p != '\n') return true;
    return false;
}

struct XmlTree::Memo::Entry {
    static constexpr size_t kMaxContent = 2048;
    static constexpr size_t kMaxNodes = 64;
    static constexpr size_t kMaxHoles = 16;

    std::string name;
    std::string content;  // end tag included
    uint64_t used = 0;    // the memo's clock when last remembered or recalled
    uint64_t serial = 0;  // names this content: new each time an entry is filled
    // The texts of the content that are holes: each a text node's text, at
    // this offset from the content's start, and the node (counted from the
    // content's first). Between them lie segments, the markup that must
    // come again byte for byte.
    struct Hole {
        uint32_t offset;
        uint32_t length;
        uint32_t node;
    };
    std::vector<Hole> holes;
    uint32_t firstChild = 0;
    // Nodes and attributes as read from the content: attribute indices from
    // the first of the content's, offsets from the content's start. (Links
    // between nodes are relative, and so hold wherever the nodes are copied.)
    std::vector<NodeData> nodes;
    std::vector<AttrData> attrs;
    // They fall into groups, one per segment: the nodes up to a hole's own
    // begin before the hole, the ones after it after it, and attributes lie
    // in their element's start tag. So all the offsets of a group move by
    // the same amount. Each group ends before these (the last at the end).
    uint32_t nodeGroupEnd[kMaxHoles + 1];
    uint32_t attrGroupEnd[kMaxHoles + 1];
};

XmlTree::Memo::Memo() : m_entries(kSets * kWays) {}
XmlTree::Memo::~Memo() = default;

// Copies remembered nodes [i, nodeEnd) and attributes [a, attrEnd), their
// offsets moved by `by` and attribute indices by attrBase. A node is two
// halves of four numbers: offset, length, offset, length, then two links
// and the attribute range; an attribute is the first half alone.
void XmlTree::MoveCopies(const NodeData* __restrict from, NodeData* __restrict to, size_t& i, size_t nodeEnd,
                         const AttrData* __restrict fromAttrs, AttrData* __restrict toAttrs, size_t& a,
                         size_t attrEnd, uint32_t by, uint32_t attrBase) {
#if defined(__SSE2__)
    static_assert(sizeof(NodeData) == 32 && offsetof(NodeData, value) == 8 && offsetof(NodeData, attrBegin) == 24);
    static_assert(sizeof(AttrData) == 16 && offsetof(AttrData, value) == 8);
    const __m128i spans = _mm_setr_epi32(static_cast<int>(by), 0, static_cast<int>(by), 0);
    const __m128i links = _mm_setr_epi32(0, 0, static_cast<int>(attrBase), static_cast<int>(attrBase));
    for (; i < nodeEnd; ++i) {
        const auto* in = reinterpret_cast<const __m128i*>(from + i);
        auto* out = reinterpret_cast<__m128i*>(to + i);
        _mm_storeu_si128(out, _mm_add_epi32(_mm_loadu_si128(in), spans));
        _mm_storeu_si128(out + 1, _mm_add_epi32(_mm_loadu_si128(in + 1), links));
    }
    for (; a < attrEnd; ++a)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(toAttrs + a),
                         _mm_add_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(fromAttrs + a)), spans));
#else
    for (; i < nodeEnd; ++i) {
        NodeData node = from[i];
        node.name.offset += by;
        node.value.offset += by;
        node.attrBegin += attrBase;
        node.attrEnd += attrBase;
        to[i] = node;
    }
    for (; a < attrEnd; ++a) {
        AttrData attr = fromAttrs[a];
        attr.name.offset += by;
        attr.value.offset += by;
        toAttrs[a] = attr;
    }
#endif
}

XmlTree::Node::Recalled XmlTree::Node::recalled() const {
    if (!m_data) return {};
    const auto index = static_cast<uint32_t>(m_data - m_tree->m_nodes.data());
    // Asked in the order of the nodes, as a walk asks: the search goes on
    // from where the last one ended.
    const PodArray<Recall>& recalls = m_tree->m_recalls;
    size_t& at = m_tree->m_recallAsked;
    if (at > recalls.size() || (at > 0 && recalls[at - 1].node >= index)) at = 0;
    while (at < recalls.size() && recalls[at].node < index) ++at;
    if (at == recalls.size() || recalls[at].node != index) return {};
    const Recall& r = recalls[at];
    Recalled found;
    found.content = r.serial;
    found.withNodes = r.withNodes;
    found.holes = r.holes;
    found.m_tree = m_tree;
    found.m_firstHole = r.firstHole;
    return found;
}

size_t XmlTree::recall(uint32_t index, const char* begin, const char* p, const char* end) {
    using Entry = Memo::Entry;
    const Span nameSpan = m_nodes[index].name;
    const std::string_view name(begin + nameSpan.offset, nameSpan.length);
    Memo& memo = *m_memo;
    Entry* const set = memo.m_entries.data() + Memo::SetOf(name) * Memo::kWays;
    for (Entry* e = set; e != set + Memo::kWays; ++e) {
        if (e->content.empty() || e->name != name) continue;
        // The segments must come again as they were, each hole must hold
        // plain text (no entity, not whitespace alone) up to the next tag.
        uint32_t shift[Entry::kMaxHoles + 1];  // for offsets in each segment
        uint32_t holeAt[Entry::kMaxHoles];
        uint32_t holeLength[Entry::kMaxHoles];
        const char* at = p;
        uint32_t from = 0;
        bool same = true;
        for (size_t k = 0;; ++k) {
            const uint32_t to = k < e->holes.size() ? e->holes[k].offset : static_cast<uint32_t>(e->content.size());
            const size_t n = to - from;
            if (static_cast<size_t>(end - at) < n || std::memcmp(at, e->content.data() + from, n) != 0) {
                same = false;
                break;
            }
            shift[k] = static_cast<uint32_t>(at - begin) - from;  // modulo 2^32, as the offsets are
            at += n;
            if (k == e->holes.size()) break;
            const char* const stop = FindStop(at, end, kTextStop);
            if (*stop != '<' || !HasNonSpace(at, stop)) {
                same = false;
                break;
            }
            holeAt[k] = static_cast<uint32_t>(at - begin);
            holeLength[k] = static_cast<uint32_t>(stop - at);
            from = e->holes[k].offset + e->holes[k].length;
            at = stop;
        }
        if (!same) continue;

        const size_t holeCount = e->holes.size();
        const bool withNodes = !memo.withoutNodes(e->serial);
        m_recalls.push_back({index, static_cast<uint32_t>(m_recallHoles.size()), static_cast<uint32_t>(holeCount), withNodes, e->serial});
        for (size_t k = 0; k < holeCount; ++k) m_recallHoles.push_back({holeAt[k], holeLength[k]});
        e->used = ++memo.m_clock;
        if (withNodes) {
            // The remembered nodes are copied and placed: offsets moved with
            // their segment, attribute indices after the tree's.
            const auto attrBase = static_cast<uint32_t>(m_attrs.size());
            m_nodes[index].firstChild = e->firstChild;
            NodeData* __restrict const nodes = m_nodes.extend(e->nodes.size());
            const NodeData* __restrict const fromNodes = e->nodes.data();
            AttrData* __restrict const attrs = m_attrs.extend(e->attrs.size());
            const AttrData* __restrict const fromAttrs = e->attrs.data();
            for (size_t g = 0, i = 0, a = 0; g <= holeCount; ++g)
                MoveCopies(fromNodes, nodes, i, e->nodeGroupEnd[g], fromAttrs, attrs, a, e->attrGroupEnd[g], shift[g], attrBase);
            for (size_t k = 0; k < holeCount; ++k) nodes[e->holes[k].node].value = {holeAt[k], holeLength[k]};
        }
        return static_cast<size_t>(at - p);
    }
    return 0;
}

void XmlTree::remember(const MemoStart& start, const char* begin, const char* contentEnd) {
    using Entry = Memo::Entry;
    const char* const content = begin + start.content;
    const auto length = static_cast<size_t>(contentEnd - content);
    const NodeData& element = m_nodes[start.node];
    const size_t firstNode = start.node + 1;
    if (m_decoded.size() != start.decoded || length > Entry::kMaxContent || m_nodes.size() - firstNode > Entry::kMaxNodes)
        return;
    // The holes: texts with more than whitespace, in the order of the content.
    Entry::Hole holes[Entry::kMaxHoles];
    size_t holeCount = 0;
    for (size_t i = firstNode; i < m_nodes.size(); ++i) {
        const NodeData& n = m_nodes[i];
        if (n.name.length != 0 || n.value.length == 0) continue;
        const char* const text = begin + n.value.offset;
        if (!HasNonSpace(text, text + n.value.length)) continue;
        if (holeCount == Entry::kMaxHoles) return;
        holes[holeCount++] = {n.value.offset - start.content, n.value.length, static_cast<uint32_t>(i - firstNode)};
    }
    // The groups, and the segment each starts at in the content.
    const auto nodeCount = static_cast<uint32_t>(m_nodes.size() - firstNode);
    const uint32_t attrBase = element.attrEnd;
    const auto attrCount = static_cast<uint32_t>(m_attrs.size() - attrBase);
    uint32_t nodeGroupEnd[Entry::kMaxHoles + 1];
    uint32_t attrGroupEnd[Entry::kMaxHoles + 1];
    uint32_t segmentStart[Entry::kMaxHoles + 1];
    for (size_t g = 0; g <= holeCount; ++g) {
        nodeGroupEnd[g] = g < holeCount ? holes[g].node + 1 : nodeCount;
        attrGroupEnd[g] = nodeGroupEnd[g] < nodeCount ? m_nodes[firstNode + nodeGroupEnd[g]].attrBegin - attrBase : attrCount;
        segmentStart[g] = g == 0 ? 0 : holes[g - 1].offset + holes[g - 1].length;
    }
    // Offsets from the content's start. Each span must lie in its group's
    // segment (else nothing is remembered); an empty one is put at the
    // segment's start, so that moved with it, it still points into the text.
    bool placed = true;
    auto place = [&](Span s, size_t g) {
        if (s.length == 0) return Span{segmentStart[g], 0};
        const uint32_t at = s.offset - start.content;
        const uint32_t segmentEnd = g < holeCount ? holes[g].offset : static_cast<uint32_t>(length);
        if (at < segmentStart[g] || at + s.length > segmentEnd) placed = false;
        return Span{at, s.length};
    };
    std::vector<NodeData>& nodes = m_memo->m_nodes;
    std::vector<AttrData>& attrs = m_memo->m_attrs;
    nodes.clear();
    attrs.clear();
    for (size_t g = 0, i = 0, a = 0; g <= holeCount; ++g) {
        for (; i < nodeGroupEnd[g]; ++i) {
            NodeData node = m_nodes[firstNode + i];
            node.name = place(node.name, g);
            // A hole's text is filled in when recalled.
            node.value = g < holeCount && i == holes[g].node ? Span{segmentStart[g], 0} : place(node.value, g);
            node.attrBegin -= attrBase;
            node.attrEnd -= attrBase;
            nodes.push_back(node);
        }
        for (; a < attrGroupEnd[g]; ++a)
            attrs.push_back({place(m_attrs[attrBase + a].name, g), place(m_attrs[attrBase + a].value, g)});
    }
    if (!placed) return;

    const std::string_view name(begin + element.name.offset, element.name.length);
    Entry* const set = m_memo->m_entries.data() + Memo::SetOf(name) * Memo::kWays;
    Entry* e = set;
    for (Entry* w = set + 1; w != set + Memo::kWays; ++w)
        if (w->used < e->used) e = w;
    e->name.assign(name);
    e->content.assign(content, length);
    e->used = ++m_memo->m_clock;
    e->serial = ++m_memo->m_serials;
    e->holes.assign(holes, holes + holeCount);
    e->firstChild = element.firstChild;
    e->nodes.swap(nodes);
    e->attrs.swap(attrs);
    std::copy(nodeGroupEnd, nodeGroupEnd + holeCount + 1, e->nodeGroupEnd);
    std::copy(attrGroupEnd, attrGroupEnd + holeCount + 1, e->attrGroupEnd);
}

XmlTree::Result XmlTree::read(std::string_view text, bool complete, size_t* length, Memo* memo,
                              const std::shared_ptr<char[]>& store) {
    m_memo = memo;
    m_store.reset();
    m_base = nullptr;
    m_size = 0;
    m_nodes.clear();
    m_attrs.clear();
    m_recalls.clear();
    m_recallHoles.clear();
    m_open.clear();
    m_memoStarts.clear();
    m_decoded.clear();
    m_failedAt = nullptr;
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    if (readElement(begin, end, length) == Result::Read) {
        if (store) {
            m_store = store;
            m_base = begin;
        } else {
            m_text.assign(begin, *length);
            m_base = m_text.data();
        }
        m_size = *length;
        return Result::Read;
    }
    // Stopped close to the end: a tag, name or entity may have been cut short.
    if (!complete && m_failedAt && end - m_failedAt <= 16) return Result::NeedMore;
    return Result::Declined;
}

XmlTree::Result XmlTree::readElement(const char* const begin, const char* const end, size_t* length) {
    auto decline = [&](const char* at) {
        m_failedAt = at;
        return Result::Declined;
    };
    auto span = [&](const char* from, const char* to) {
        return Span{static_cast<uint32_t>(from - begin), static_cast<uint32_t>(to - from)};
    };
    auto add = [&](Span name, Span value) {
        const auto index = static_cast<uint32_t>(m_nodes.size());
        const auto attrs = static_cast<uint32_t>(m_attrs.size());
        m_nodes.push_back({name, value, 0, 0, attrs, attrs});
        if (!m_open.empty()) {
            Open& parent = m_open.back();
            if (parent.lastChild) m_nodes[parent.lastChild].nextSibling = index - parent.lastChild;
            else m_nodes[parent.node].firstChild = index - parent.node;
            parent.lastChild = index;
        }
        return index;
    };

    if (begin == end || *begin != '<') return decline(begin);
    const char* p = begin + 1;  // just past a '<'
    for (;;) {
        if (*p == '/') {  // an end tag: the open element's name, then '>'
            if (m_open.empty()) return decline(p);
            const Span name = m_nodes[m_open.back().node].name;
            const char* const expected = begin + name.offset;
            const char* q = p + 1;
            if (static_cast<size_t>(end - q) <= name.length || std::memcmp(q, expected, name.length) != 0 || q[name.length] != '>') {
                // Where it differs (names hold no '\0', so this stops at the end of the text).
                uint32_t i = 0;
                while (i < name.length && q[i] == expected[i]) ++i;
                return decline(q + i);
            }
            p = q + name.length + 1;
            // The element closing is the last that may be remembered: the
            // start tag decided which may.
            if (!m_memoStarts.empty() && m_memoStarts.back().node == m_open.back().node) {
                remember(m_memoStarts.back(), begin, p);
                m_memoStarts.pop_back();
            }
            m_open.pop_back();
            if (m_open.empty()) {
                *length = static_cast<size_t>(p - begin);
                return Result::Read;
            }
        } else {  // a start tag: name, attributes, then '>' or "/>"
            if (!Is(*p, kNameStart)) return decline(p);  // also comments, CDATA, instructions
            const char* const name = p;
            p = SkipName(p, end);
            const std::string_view tagName(name, static_cast<size_t>(p - name));
            const uint32_t index = add(span(name, p), {});
            char c = *p;
            for (;;) {
                if (Is(c, kSpace)) {
                    do ++p;
                    while (Is(*p, kSpace));
                    c = *p;
                    if (!Is(c, kNameStart)) continue;
                    const char* const attrName = p;
                    p = SkipName(p, end);
                    const Span attr = span(attrName, p);
                    if (*p != '=' || (p[1] != '"' && p[1] != '\'')) return decline(p);
                    Span value;
                    const char* close = readValue(begin, p + 2, end, p[1], &value);
                    if (!close) return Result::Declined;
                    m_attrs.push_back({attr, value});
                    m_nodes[index].attrEnd = static_cast<uint32_t>(m_attrs.size());
                    p = close + 1;
                    c = *p;
                    if (!Is(c, kSpace) && c != '>' && c != '/') return decline(p);
                } else if (c == '>') {
                    ++p;
                    // The root's children and properties may be remembered.
                    if (m_memo && (m_open.size() == 1 || IsProperty(tagName))) {
                        if (const size_t recalled = recall(index, begin, p, end)) {
                            p += recalled;
                            if (m_open.empty()) {
                                *length = static_cast<size_t>(p - begin);
                                return Result::Read;
                            }
                            break;
                        }
                        m_memoStarts.push_back({index, static_cast<uint32_t>(p - begin), m_decoded.size()});
                    }
                    m_open.push_back({index, 0});
                    break;
                } else if (c == '/') {
                    if (p[1] != '>') return decline(p + 1);
                    p += 2;
                    if (m_open.empty()) {
                        *length = static_cast<size_t>(p - begin);
                        return Result::Read;
                    }
                    break;
                } else {
                    return decline(p);
                }
            }
        }
        // Text up to the next tag. Whitespace alone is kept only as an
        // element's single child: right before its end tag, with no child yet.
        const char* q = p;
        while (*q == ' ' || *q == '\t' || *q == '\n') ++q;
        if (*q == '<') {
            if (q != p && q[1] == '/' && m_open.back().lastChild == 0) add({}, span(p, q));
            p = q + 1;
            continue;
        }
        Span value;
        const char* close = readValue(begin, p, end, '<', &value);
        if (!close) return Result::Declined;
        add({}, value);
        p = close + 1;
    }
}

}  // namespace tessaly::wordproc
