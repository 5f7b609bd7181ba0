// The tables of a .doc that the reader resolves before it reads the text:
// the File Information Block, the piece table, the style sheet and the runs
// of character and paragraph properties. Each is read from its stream with
// every offset and length checked; a structure that points outside its
// stream throws doc::OutOfBounds, one that is otherwise inconsistent
// doc::Inconsistent (both std::runtime_error, their what() the reason).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/SourceDocument.h"
#include "wordproc/DocFormat.h"

namespace tessaly::wordproc::doc {

struct Inconsistent : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A stretch's East Asian layout (sprmCFELayout) and the number that tells
// apart adjacent stretches.
struct FarEastLayout {
    EastAsianLayout layout = EastAsianLayout::None;
    uint32_t id = 0;
};

// A symbol character (sprmCSymbol): its font and its code in that font.
struct SymbolCode {
    uint16_t font = 0;
    uint16_t code = 0;
};

// Character properties the reader needs from a grpprl.
struct CharProps {
    std::optional<int> emphasis;
    std::optional<uint16_t> charStyle;
    std::optional<FarEastLayout> layout;
    std::optional<SymbolCode> symbol;
    std::optional<uint16_t> font;  // of ASCII text, else of East Asian or other text
};
void ApplyCharSprms(std::string_view grpprl, CharProps& props);

// A paragraph's list (sprmPIlfo: an index into the list overrides from 1,
// 0 for none) and its level in it (sprmPIlvl), where a grpprl says them.
struct ListProps {
    std::optional<uint16_t> list;
    std::optional<uint8_t> level;
};
void ApplyListSprms(std::string_view grpprl, ListProps& props);

// A paragraph's properties: its style, and its own list.
struct ParaProps {
    uint16_t istd = 0;
    ListProps list;
};

// A run of file offsets [fcStart, fcEnd) with one set of properties.
template <class T>
struct FcRun {
    uint32_t fcStart;
    uint32_t fcEnd;
    T value;
};

struct Fib {
    uint16_t flags = 0;                // fEncrypted, fWhichTblStm, …
    std::vector<uint32_t> counts;      // FibRgLw97
    std::vector<uint64_t> tables;      // FibRgFcLcb97: fc and lcb of each pair, fc in the low half
    uint32_t count(FibCount c) const { return static_cast<size_t>(c) < counts.size() ? counts[c] : 0; }
    uint32_t fc(FibTable t) const { return static_cast<size_t>(t) < tables.size() ? uint32_t(tables[t]) : 0; }
    uint32_t lcb(FibTable t) const { return static_cast<size_t>(t) < tables.size() ? uint32_t(tables[t] >> 32) : 0; }
    bool tableStreamIs1() const { return flags & 0x0200; }
};
// The FIB at the start of the WordDocument stream. Throws ReadError for a
// file of an older Word, no Word document, or an encrypted one.
Fib ReadFib(const Bytes& word, const std::filesystem::path& file);

struct Piece {
    uint32_t cpStart;
    uint32_t cpEnd;
    uint32_t fc;  // byte offset of the first character in WordDocument
    bool compressed;
    CharProps props;  // from the piece's property modifier
};
std::vector<Piece> ReadPieces(const Bytes& table, const Fib& fib);

struct Style {
    uint16_t base = kNoStyle;
    CharProps props;
    ListProps list;  // a paragraph style's list
};
// The style sheet. An entry that runs past the sheet's stated length (as some
// writers leave the last one) is taken as absent, and so is every one after it.
std::vector<Style> ReadStyles(const Bytes& table, const Fib& fib);



// A footnote or endnote: the main story's position of its reference, and
// its text in the stories.
struct DocNote {
    uint32_t reference = 0;
    uint32_t textStart = 0;
    uint32_t textEnd = 0;
    bool footnote = true;
};
// The notes of one kind (the reference and text tables ref and txt) whose
// story starts at storyStart and holds storyLength characters, added to
// notes. Tables that cannot be read add none: the notes then stay out of the
// text, as with the option off.
void ReadNotes(const Bytes& table, const Fib& fib, FibTable ref, FibTable txt, uint32_t storyStart, uint32_t storyLength,
               bool footnote, std::vector<DocNote>& notes);

// The names of the font table's fonts, by their index. A table that cannot
// be read gives the names before the fault: the names only label report lines.
std::vector<std::u16string> ReadFontNames(const Bytes& table, const Fib& fib);

// The runs of character and paragraph properties, sorted by file offset.
std::vector<FcRun<CharProps>> ReadCharRuns(const Bytes& table, const Bytes& word, const Fib& fib);
std::vector<FcRun<ParaProps>> ReadParagraphRuns(const Bytes& table, const Bytes& word, const Fib& fib);

}  // namespace tessaly::wordproc::doc
