// XmlBlockScanner: finds, in the XML text of a document part, the root
// element's start tag and each child element of the body (<w:p>, <w:tbl>, …),
// one after another. The reader parses and walks one block at a time, so the
// memory a manuscript's tree takes does not grow with its XML.
//
// It refuses elements nested deeper than kMaxXmlDepth, so that whatever walks
// a block may recurse into it: no document comes near that depth.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string_view>

namespace tessaly::wordproc {

inline constexpr int kMaxXmlDepth = 256;

// XML the scanner cannot take apart: its reason, in words for the user.
class XmlScanError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
// Elements nested deeper than kMaxXmlDepth.
class XmlTooDeep : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class XmlBlockScanner {
public:
    explicit XmlBlockScanner(std::string_view xml) : m_xml(xml) {}

    enum class Piece { Root, Block, End };
    // The next piece: the root element's start tag (first), a body child
    // element, or the end of the part. text is the piece's XML and offset
    // where it starts in the part. Throws XmlScanError when the XML is
    // malformed in a way the scanner sees, XmlTooDeep when it nests too deep.
    Piece next(std::string_view& text, size_t& offset);

    bool sawBody() const { return m_sawBody; }

private:
    // The end (one past '>') of the markup starting at i; throws when the
    // part ends inside it.
    size_t markupEnd(size_t i) const;

    std::string_view m_xml;
    size_t m_pos = 0;
    size_t m_blockStart = std::string_view::npos;
    int m_depth = 0;
    bool m_inBody = false;
    bool m_sawBody = false;
    bool m_sawRoot = false;
};

}  // namespace tessaly::wordproc
