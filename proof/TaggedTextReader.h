// Reading back the tagged text Tessaly writes: the one place that knows how
// it reads. The header (style definitions) is passed over; the body gives
// its paragraphs with their text, rubies, warichu, kenten stretches, forced
// line breaks and footnotes (which hold all of those but paragraphs). Anything Tessaly does not write is refused with a
// clear error, so that the proof shows exactly what InDesign receives.
#pragma once

#include <cstddef>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly::proof {

enum class Kenten { None, Sesame, Dot };  // 圏点1, 圏点5

struct Inline {
    enum class Kind { Text, Ruby, Warichu, LineBreak, Footnote } kind = Kind::Text;
    std::u16string text;     // Text: its characters; Ruby: the base; Warichu: the note
    std::u16string reading;  // Ruby: the ruby string (mono: one reading a base character, U+3000 between)
    bool group = false;      // Ruby: group ruby, else mono
    Kenten kenten = Kenten::None;  // Text
    std::u16string style;    // Text: the spacing style it stands in (文字後4分アキ …) or 縦中横, or empty
    std::vector<Inline> note;  // Footnote: what the note holds (no footnote among it)
};

struct Paragraph {
    std::vector<Inline> items;
};

struct TaggedText {
    std::vector<Paragraph> paragraphs;
};

// A tag or character sequence that Tessaly does not write; what() says
// what and where (the character offset in the file's text).
class TaggedTextError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads an output file's bytes: the Windows file (UTF-16 LE with its mark,
// CR LF) or the Mac file (UTF-16 BE, CR).
TaggedText ReadTaggedText(std::string_view fileBytes);
// The same for a file; an unreadable file reads as an empty one, which is refused.
TaggedText ReadTaggedTextFile(const std::filesystem::path& file);
// The same for the file's text.
TaggedText ReadTaggedTextBody(std::u16string_view text);
// The same for the text after its header (whose length the writer knows).
TaggedText ReadTaggedTextAfterHeader(std::u16string_view body);

// What the text holds, as a typesetter counts it.
struct Counts {
    size_t monoRuns = 0;         // mono-ruby tags
    size_t monoBases = 0;        // base characters under them (one ruby field each)
    size_t groupRubies = 0;
    size_t warichu = 0;
    size_t kentenStretches = 0;
    size_t horizontalInVertical = 0;  // 縦中横 stretches
    size_t footnotes = 0;
    bool operator==(const Counts&) const = default;
};
Counts CountConverted(const TaggedText& text);

}  // namespace tessaly::proof
