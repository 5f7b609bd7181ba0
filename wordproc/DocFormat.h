// What the .doc reader knows of the Word 97-2003 binary format, by the names
// the format's reference gives: the special characters of the text, the
// File Information Block's tables, the property modifiers (sprms) it reads,
// and a bounds-checked little-endian view of a stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tessaly::wordproc::doc {

// Special characters of the text stream.
inline constexpr char16_t kPicture = 0x01;            // an inline picture
inline constexpr char16_t kNoteReference = 0x02;      // an auto-numbered footnote or endnote reference
inline constexpr char16_t kAnnotationReference = 0x05;
inline constexpr char16_t kCellMark = 0x07;           // the end of a table cell, or of a row
inline constexpr char16_t kDrawnObject = 0x08;
inline constexpr char16_t kTab = 0x09;
inline constexpr char16_t kLineBreak = 0x0B;          // a manual line break
inline constexpr char16_t kPageBreak = 0x0C;          // a page break or a section mark
inline constexpr char16_t kParagraphMark = 0x0D;
inline constexpr char16_t kColumnBreak = 0x0E;
inline constexpr char16_t kFieldBegin = 0x13;
inline constexpr char16_t kFieldSeparator = 0x14;
inline constexpr char16_t kFieldEnd = 0x15;
inline constexpr char16_t kNonBreakingHyphen = 0x1E;
inline constexpr char16_t kOptionalHyphen = 0x1F;

// The pairs (fc, lcb) of FibRgFcLcb97 the reader uses, by their index.
enum FibTable : int {
    kFcStshf = 1,          // the style sheet
    kFcPlcffndRef = 2,     // footnote reference positions
    kFcPlcffndTxt = 3,     // footnote texts
    kFcPlcfBteChpx = 12,   // the bin table of character property pages
    kFcPlcfBtePapx = 13,   // the bin table of paragraph property pages
    kFcSttbfFfn = 15,      // the font table
    kFcClx = 33,           // the piece table
    kFcPlcfendRef = 46,    // endnote reference positions
    kFcPlcfendTxt = 47,    // endnote texts
    kFcPlfLst = 73,        // list definitions
    kFcPlfLfo = 74,        // list overrides
};
// The FIB's counts of characters (FibRgLw97), by their index.
enum FibCount : int {
    kCcpText = 3,  // the main story; the other stories follow it in this order:
    kCcpFtn = 4,   // footnotes
    kCcpHdd = 5,   // headers and footers
    kCcpMcr = 6,   // (unused)
    kCcpAtn = 7,   // comments
    kCcpEdn = 8,   // endnotes
    kCcpTxbx = 9,  // text boxes
    kCcpHdrTxbx = 10,
};

// Property modifiers (sprms) the reader applies.
inline constexpr uint16_t kSprmCKcd = 0x2A34;     // emphasis mark
inline constexpr uint16_t kSprmCIstd = 0x4A30;    // character style
inline constexpr uint16_t kSprmCSymbol = 0x6A09;  // a symbol character: font and code
inline constexpr uint16_t kSprmCRgFtc0 = 0x4A4F;  // font of ASCII text
inline constexpr uint16_t kSprmCRgFtc1 = 0x4A50;  // font of East Asian text
inline constexpr uint16_t kSprmCRgFtc2 = 0x4A51;  // font of other text
inline constexpr uint16_t kSprmCFELayout = 0xCA78;  // East Asian layout: two lines in one, 縦中横
inline constexpr uint16_t kSprmPIlfo = 0x460B;    // list of the paragraph
inline constexpr uint16_t kSprmPIlvl = 0x260A;    // its level in the list
inline constexpr uint16_t kSprmTDefTable = 0xD608;  // the one sprm with a two-byte length
// The style index that names no style.
inline constexpr uint16_t kNoStyle = 0x0FFF;

// A structure of the file that points outside its stream.
struct OutOfBounds : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Little-endian reads with bounds checks.
class Bytes {
public:
    Bytes() = default;
    Bytes(std::string_view data, const char* name) : m_data(data), m_name(name) {}
    size_t size() const { return m_data.size(); }
    void need(size_t offset, size_t length) const {
        if (offset > m_data.size() || length > m_data.size() - offset)
            throw OutOfBounds(std::string(m_name) + " の範囲外を指しています");
    }
    uint8_t u8(size_t o) const {
        need(o, 1);
        return static_cast<uint8_t>(m_data[o]);
    }
    uint16_t u16(size_t o) const {
        need(o, 2);
        return static_cast<uint16_t>(u8(o) | u8(o + 1) << 8);
    }
    uint32_t u32(size_t o) const {
        need(o, 4);
        return u16(o) | static_cast<uint32_t>(u16(o + 2)) << 16;
    }
    std::string_view slice(size_t o, size_t length) const {
        need(o, length);
        return m_data.substr(o, length);
    }
    const char* name() const { return m_name; }

private:
    std::string_view m_data;
    const char* m_name = "";
};

inline uint16_t U16(std::string_view b) {
    return static_cast<uint16_t>(static_cast<uint8_t>(b[0]) | static_cast<uint8_t>(b[1]) << 8);
}

// Calls f(sprm, operand) for each sprm of a grpprl; a malformed sprm ends
// the walk (what came before stays). The operand's size is in the sprm's
// top three bits (spra), or in a length byte for the variable ones.
template <class F>
void ForEachSprm(std::string_view grpprl, F&& f) {
    size_t i = 0;
    while (i + 2 <= grpprl.size()) {
        const uint16_t sprm = U16(grpprl.substr(i));
        i += 2;
        size_t operand;
        switch (sprm >> 13) {
        case 0: case 1: operand = 1; break;
        case 2: case 4: case 5: operand = 2; break;
        case 3: operand = 4; break;
        case 7: operand = 3; break;
        default:  // variable: a length byte first (two bytes for sprmTDefTable)
            if (sprm == kSprmTDefTable) {
                if (i + 2 > grpprl.size()) return;
                operand = 2 + U16(grpprl.substr(i));
            } else {
                if (i + 1 > grpprl.size()) return;
                operand = 1 + static_cast<uint8_t>(grpprl[i]);
            }
        }
        if (i + operand > grpprl.size()) return;
        f(sprm, grpprl.substr(i, operand));
        i += operand;
    }
}

}  // namespace tessaly::wordproc::doc
