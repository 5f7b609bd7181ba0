// DocumentBuilder: how readers and tests fill a DocumentModel's main story.
//
// Markup, a compact way to write a whole story in a test:
//   {かん漢}        a field whose plain text is かん漢 (where its reading ends is
//                  not known, as with a document that cannot tell)
//   {かん|漢}       a ruby: reading かん over base 漢, the boundary known
//   {%2注記}        a stretch in East Asian layout, by its value: 1-5 two lines
//                  in one (no brackets, ( ), [ ], < >, { }), 6 縦中横, 7 a warichu
//                  in the chosen surround
//   «注の本文»      a footnote or endnote at its reference mark
//   [1強調]         the stretch 強調 with emphasis mark 1 (digit 0-4; may hold fields)
//   \r              a paragraph mark (the story's final one is added when missing)
//   `x              the character x itself (for ` { } [ ] « », and | in a field)
// Every other character is an ordinary character.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "wordproc/DocumentModel.h"

namespace tessaly::wordproc {

// The most positions a story may have: far beyond any book (a long novel
// has about a million characters), and it bounds the memory a file can make
// the reader take.
inline constexpr size_t kMaxStoryPositions = 20'000'000;

// A story that would grow beyond kMaxStoryPositions; what() is the reason in
// words for the user.
class StoryTooLong : public std::length_error {
public:
    StoryTooLong() : std::length_error("本文が上限（2,000 万文字）を超えるため読み込めません。") {}
};

// Whether a code point is a control character the model never holds: C0
// but TAB, LF and CR, DEL, and C1.
bool IsUnwantedControl(char32_t cp);

class DocumentBuilder {
public:
    // Starts the model's main story afresh (empty). Every append throws
    // StoryTooLong rather than grow the story beyond kMaxStoryPositions.
    // What is appended is cleaned as the model's cleaned() says, and counted
    // there: no reader puts a stray field mark or a broken character into it.
    explicit DocumentBuilder(DocumentModel& model);

    void appendText(std::u16string_view text, int emphasis = 0);
    // A variation selector takes the emphasis of the character it belongs
    // to, so that no emphasis stretch ends between the two.
    void appendCodePoint(char32_t cp, int emphasis = 0);
    // A field whose reading's end is readingLength code points into its
    // text (-1: not known).
    void appendField(std::u16string_view text, int emphasis = 0, int32_t readingLength = -1);
    // A ruby: a field whose text is reading + base, the boundary known.
    void appendRuby(std::u16string_view reading, std::u16string_view base, int emphasis);
    // A stretch of text in East Asian layout: one field without emphasis
    // (nothing when the text is empty).
    void appendLayout(std::u16string_view text, EastAsianLayout layout);
    void endParagraph();
    // The mark that starts or ends a note at its reference (U+0002, U+0003).
    void appendNoteMark(bool start);

    // Ends the story with a paragraph mark if it has none; the insertion
    // point goes to the start.
    void finish();

    // The last characters (at most n) of the paragraph being built; fields
    // give their plain text.
    std::u16string paragraphTail(size_t n) const;

    // Whether the last position so far is a paragraph mark.
    bool endsWithParagraphMark() const;

private:
    // Throws StoryTooLong when n more positions would pass the limit.
    void makeRoom(size_t n);
    // A field's text cleaned, its reading's length (code points, -1: not
    // known) kept to what remains of the reading.
    std::u16string cleanField(std::u16string_view text, int32_t& readingLength);

    DocumentModel& m_model;
    Story& m_story;
};

class MarkupError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// A model whose main document has that name and the story the markup writes.
std::unique_ptr<DocumentModel> ModelFromMarkup(std::u16string_view markup, std::u16string documentName = u"test.doc");

// The markup of a model's main story (fields as {text}, emphasis as [n…]),
// final paragraph mark included.
std::u16string ToMarkup(const DocumentModel& model);

}  // namespace tessaly::wordproc
