#include "wordproc/XmlBlockScanner.h"

#include <string>

namespace tessaly::wordproc {
namespace {

// The local name of the element whose start tag begins at tag ("<w:body ...>").
std::string_view LocalName(std::string_view tag) {
    size_t end = 1;
    while (end < tag.size() && tag[end] != ' ' && tag[end] != '>' && tag[end] != '/' && tag[end] != '\t' &&
           tag[end] != '\r' && tag[end] != '\n')
        ++end;
    const std::string_view name = tag.substr(1, end - 1);
    const size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

}  // namespace

size_t XmlBlockScanner::markupEnd(size_t i) const {
    const std::string_view s = m_xml;
    auto after = [&](std::string_view terminator) {
        const size_t at = s.find(terminator, i);
        if (at == std::string_view::npos) throw XmlScanError("XML が途中で終わっています");
        return at + terminator.size();
    };
    const std::string_view rest = s.substr(i);
    if (rest.starts_with("<!--")) return after("-->");
    if (rest.starts_with("<![CDATA[")) return after("]]>");
    if (rest.starts_with("<?")) return after("?>");
    // A tag: '>' outside quoted attribute values.
    for (size_t p = i + 1; p < s.size(); ++p) {
        const char c = s[p];
        if (c == '>') return p + 1;
        if (c == '"' || c == '\'') {
            p = s.find(c, p + 1);
            if (p == std::string_view::npos) break;
        }
    }
    throw XmlScanError("XML が途中で終わっています");
}

XmlBlockScanner::Piece XmlBlockScanner::next(std::string_view& text, size_t& offset) {
    for (;;) {
        const size_t lt = m_xml.find('<', m_pos);
        if (lt == std::string_view::npos) {
            m_pos = m_xml.size();
            if (!m_sawRoot) throw XmlScanError("XML の要素がありません");
            if (m_depth != 0) throw XmlScanError("XML が途中で終わっています");
            return Piece::End;
        }
        const size_t end = markupEnd(lt);
        m_pos = end;
        const std::string_view tag = m_xml.substr(lt, end - lt);
        if (tag.starts_with("<!") || tag.starts_with("<?")) continue;  // comment, CDATA, declaration
        if (tag.starts_with("</")) {
            if (--m_depth < 0) throw XmlScanError("閉じタグが多すぎます");
            if (m_depth == 2 && m_blockStart != std::string_view::npos) {
                text = m_xml.substr(m_blockStart, end - m_blockStart);
                offset = m_blockStart;
                m_blockStart = std::string_view::npos;
                return Piece::Block;
            }
            if (m_depth == 1) m_inBody = false;
            continue;
        }
        const bool empty = tag.size() >= 2 && tag[tag.size() - 2] == '/';
        if (m_depth == 0) {
            if (m_sawRoot) throw XmlScanError("ルート要素が複数あります");
            m_sawRoot = true;
            if (!empty) ++m_depth;
            text = tag;
            offset = lt;
            return Piece::Root;
        }
        if (m_depth == 1 && LocalName(tag) == "body") {
            m_sawBody = true;
            m_inBody = !empty;
        } else if (m_depth == 2 && m_inBody) {
            if (empty) {
                text = tag;
                offset = lt;
                return Piece::Block;
            }
            m_blockStart = lt;
        }
        if (!empty && ++m_depth > kMaxXmlDepth)
            throw XmlTooDeep("要素の入れ子が " + std::to_string(kMaxXmlDepth) + " 段を超えています");
    }
}

}  // namespace tessaly::wordproc
