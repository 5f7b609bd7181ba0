#include "wordproc/XmlBlockScanner.h"

#include <algorithm>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <stdexcept>

namespace tessaly::wordproc {
namespace {

// The local name of the element whose start tag begins at tag ("<w:body ...>").
std::string_view LocalName(std::string_view tag) {
    size_t end = 1;
    while (end < tag.size() && tag[end] != ' ' && tag[end] != '>' && tag[end] != '/' && tag[end] != '\t' &&
           tag[end] != '\r' && tag[end] != '\n')
        ++end;
    std::string_view name = tag.substr(1, end - 1);
    const size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// The first '>', '"' or '\'' in [p, end), or end. Tags make up most of a
// document's XML, so this is where the scanner spends its time: sixteen
// bytes are tested at once where the processor allows.
const char* FindTagStop(const char* p, const char* end) {
#if defined(__SSE2__)
    const __m128i gt = _mm_set1_epi8('>');
    const __m128i dq = _mm_set1_epi8('"');
    const __m128i sq = _mm_set1_epi8('\'');
    while (end - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i hits = _mm_or_si128(_mm_cmpeq_epi8(v, gt), _mm_or_si128(_mm_cmpeq_epi8(v, dq), _mm_cmpeq_epi8(v, sq)));
        const int mask = _mm_movemask_epi8(hits);
        if (mask != 0) return p + __builtin_ctz(static_cast<unsigned>(mask));
        p += 16;
    }
#endif
    while (p < end && *p != '>' && *p != '"' && *p != '\'') ++p;
    return p;
}

}  // namespace

size_t XmlBlockScanner::markupEnd(size_t i) const {
    const std::string_view s(buffer(), m_length);
    auto after = [&](std::string_view terminator) {
        const size_t at = s.find(terminator, i);
        return at == std::string_view::npos ? std::string_view::npos : at + terminator.size();
    };
    if (i + 1 < s.size() && (s[i + 1] == '!' || s[i + 1] == '?')) {
        const std::string_view rest = s.substr(i);
        // The start of a comment or CDATA section that has not all arrived yet.
        if (rest.size() < 9 && (std::string_view("<![CDATA[").starts_with(rest) || std::string_view("<!--").starts_with(rest)))
            return std::string_view::npos;
        if (rest.starts_with("<!--")) return after("-->");
        if (rest.starts_with("<![CDATA[")) return after("]]>");
        if (rest.starts_with("<?")) return after("?>");
    }
    // A tag: '>' outside quoted attribute values.
    const char* p = s.data() + i + 1;
    const char* const end = s.data() + s.size();
    for (;;) {
        p = FindTagStop(p, end);
        if (p == end) return std::string_view::npos;
        const char c = *p;
        if (c == '>') return static_cast<size_t>(p - s.data()) + 1;
        // An attribute value: short, so a plain loop finds its end.
        ++p;
        while (p < end && *p != c) ++p;
        if (p == end) return std::string_view::npos;
        ++p;
    }
}

void XmlBlockScanner::feed(std::string_view data) {
    std::memcpy(room(data.size()), data.data(), data.size());
    filled(data.size());
}

char* XmlBlockScanner::room(size_t n) {
    if (m_start + m_length + n + 1 > m_capacity) {
        // A new store for what is pending and the piece; the old one stays
        // with the trees that read from it.
        constexpr size_t kMinCapacity = size_t(1) << 20;
        const size_t capacity = std::max(2 * (m_length + n + 1), kMinCapacity);
        auto store = std::make_shared_for_overwrite<char[]>(capacity);
        if (m_length) std::memcpy(store.get(), buffer(), m_length);
        m_store = std::move(store);
        m_capacity = capacity;
        m_start = 0;
    }
    return buffer() + m_length;
}

void XmlBlockScanner::filled(size_t n) {
    m_length += n;
    buffer()[m_length] = '\0';  // the tree reads up to it
    scan();
    // Drop what is done with: everything before the pending block.
    const size_t keep = m_blockStart == std::string::npos ? m_pos : m_blockStart;
    if (keep > 0) {
        m_start += keep;
        m_length -= keep;
        m_consumed += keep;
        m_pos -= keep;
        if (m_blockStart != std::string::npos) m_blockStart -= keep;
    }
}

XmlBlockScanner::TreeOutcome XmlBlockScanner::readTree(size_t i) {
    // A child cut short is read again once the text after its start has
    // doubled, so a long one costs a few readings, not one per piece.
    const size_t available = m_length - i;
    if (!m_finished && available < m_treeWait) return TreeOutcome::Wait;
    if (!m_tree) m_tree = std::make_unique<XmlTree>();
    size_t length = 0;
    switch (m_tree->read(std::string_view(buffer() + i, m_length - i), m_finished, &length, m_memo, m_store)) {
    case XmlTree::Result::Read:
        m_treeWait = 0;
        m_pos = i + length;
        m_onTree(m_tree, m_consumed + i);
        return TreeOutcome::Read;
    case XmlTree::Result::NeedMore:
        m_treeWait = available * 2;
        return TreeOutcome::Wait;
    case XmlTree::Result::Declined:
        break;
    }
    m_treeWait = 0;
    return TreeOutcome::Declined;
}

void XmlBlockScanner::scan() {
    for (;;) {
        // Markup mostly follows markup: look at the next byte before searching.
        size_t lt = m_pos;
        if (lt >= m_length || buffer()[lt] != '<') {
            lt = std::string_view(buffer(), m_length).find('<', m_pos);
            if (lt == std::string::npos) {
                m_pos = m_length;
                return;
            }
        }
        if (m_onTree && m_depth == 2 && m_inBody && m_blockStart == std::string::npos && lt + 1 < m_length &&
            buffer()[lt + 1] != '/' && buffer()[lt + 1] != '!' && buffer()[lt + 1] != '?') {
            const TreeOutcome outcome = readTree(lt);
            if (outcome == TreeOutcome::Read) continue;
            if (outcome == TreeOutcome::Wait) {
                m_pos = lt;
                return;
            }
        }
        const size_t end = markupEnd(lt);
        if (end == std::string::npos) {
            m_pos = lt;
            return;
        }
        m_pos = end;
        const std::string_view tag(buffer() + lt, end - lt);
        if (tag.starts_with("<!") || tag.starts_with("<?")) continue;  // comment, CDATA, declaration
        if (tag.starts_with("</")) {
            if (--m_depth < 0) throw std::runtime_error("閉じタグが多すぎます");
            if (m_depth == 2 && m_blockStart != std::string::npos) {
                m_onBlock(std::string_view(buffer() + m_blockStart, end - m_blockStart), m_consumed + m_blockStart);
                m_blockStart = std::string::npos;
            } else if (m_depth == 1) {
                m_inBody = false;
            }
            continue;
        }
        const bool empty = tag.size() >= 2 && tag[tag.size() - 2] == '/';
        if (m_depth == 0) {
            if (m_sawRoot) throw std::runtime_error("ルート要素が複数あります");
            m_sawRoot = true;
            m_onRoot(tag);
        } else if (m_depth == 1 && LocalName(tag) == "body") {
            m_sawBody = true;
            m_inBody = !empty;
        } else if (m_depth == 2 && m_inBody) {
            if (empty) {
                m_onBlock(tag, m_consumed + lt);
                continue;
            }
            m_blockStart = lt;
        }
        if (!empty) ++m_depth;
    }
}

void XmlBlockScanner::finish() {
    m_finished = true;
    scan();
    if (!m_sawRoot) throw std::runtime_error("XML の要素がありません");
    if (m_depth != 0) throw std::runtime_error("XML が途中で終わっています");
}

}  // namespace tessaly::wordproc
