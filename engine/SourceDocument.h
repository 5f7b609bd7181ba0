// The seam between the conversion engine and a word-processor document.
//
// The engine sees a document only through these operations, which are named
// after the word processor's automation object model (Application, Documents,
// Document, Selection, Find). An implementation must give exactly the
// behaviour documented on each operation; the engine relies on nothing else.
//
// Positions: the main story is a sequence of positions counted from 0. A
// position is an ordinary character (one Unicode code point) or a field; a
// paragraph ends in a paragraph mark that reads as CR (U+000D), and the story
// always ends with one. A field counts as one position for every move and
// reads as the field mark U+0015. A stretch that Word lays out in its East
// Asian layout (two lines in one, horizontal in vertical) is one field too,
// whose plain text is the stretch's characters. A footnote or endnote stands
// at its reference mark: the ordinary position U+0002, the note's text (its
// paragraphs joined by forced line breaks, LF), the ordinary position
// U+0003; no other position holds either character.
//
// Errors: an operation that cannot be carried out throws
// tessaly::DocumentError; the engine does not catch it.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

namespace tessaly {

class DocumentError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr char16_t kFieldMark = u'\x15';
inline constexpr char16_t kParagraphMark = u'\r';
inline constexpr char16_t kNoteStart = u'\x02';
inline constexpr char16_t kNoteEnd = u'\x03';

// Emphasis mark values, in the word processor's own numbering.
enum EmphasisMark : int {
    EmphasisNone = 0,
    EmphasisOverSolidCircle = 1,
    EmphasisOverComma = 2,
    EmphasisOverWhiteCircle = 3,
    EmphasisUnderSolidCircle = 4,
};

// The East Asian layout a field stands for: two lines in one with its
// brackets (numbered as Word's TwoLinesInOne values), or horizontal in
// vertical (縦中横).
enum class EastAsianLayout : uint8_t {
    None = 0,
    TwoLinesNoBrackets = 1,
    TwoLinesParentheses = 2,
    TwoLinesSquareBrackets = 3,
    TwoLinesAngleBrackets = 4,
    TwoLinesCurlyBrackets = 5,
    HorizontalInVertical = 6,
    // A note in two lines within the chosen surround, as a ruby's reading
    // after the warichu separator is (a notation's 割り注).
    Warichu = 7,
};

inline bool IsTwoLinesInOne(EastAsianLayout layout) {
    return layout >= EastAsianLayout::TwoLinesNoBrackets && layout <= EastAsianLayout::TwoLinesCurlyBrackets;
}

// Automation enumeration values passed by the engine.
enum class Unit : int32_t { Character = 1, Story = 6 };
enum class MoveMode : int32_t { Move = 0, Extend = 1 };
enum class FindWrap : int32_t { Stop = 0, Continue = 1, Ask = 2 };
enum class SaveChanges : int32_t { DoNotSave = 0, Omitted = -1 };
enum class PasteDataType : int32_t { Text = 2 };

// A range of the story, end exclusive (Selection.Range).
struct TextRange {
    int32_t Start = 0;
    int32_t End = 0;
    bool operator==(const TextRange&) const = default;
};

// One document of the set the application holds.
class Document {
public:
    virtual ~Document() = default;
    // Document.Name: the key for Documents.Item.
    virtual std::u16string Name() const = 0;
    // Document.Characters.Count: number of positions, final paragraph mark included.
    virtual int32_t CharactersCount() const = 0;
    // Document.Activate: the selection operations act on this document from now on.
    virtual void Activate() = 0;
    // Document.Close: with DoNotSave the changes are dropped. The reference
    // is invalid afterwards.
    virtual void Close(SaveChanges save = SaveChanges::Omitted) = 0;
};

// Application.Documents.
class Documents {
public:
    virtual ~Documents() = default;
    // Documents.Add(wdNewBlankDocument): a new empty document, made active.
    virtual Document& Add() = 0;
    // Documents.Item(name); throws DocumentError when no document has that name.
    virtual Document& Item(const std::u16string& name) = 0;
};

// Selection.Find with its Replacement. Settings persist from one use to the
// next until they are set again or cleared.
class Find {
public:
    virtual ~Find() = default;
    virtual void ClearFormatting() = 0;             // Find.ClearFormatting
    virtual void ReplacementClearFormatting() = 0;  // Find.Replacement.ClearFormatting
    virtual void SetText(const std::u16string& text) = 0;
    virtual void SetReplacementText(const std::u16string& text) = 0;
    virtual void SetForward(bool on) = 0;
    virtual void SetWrap(FindWrap wrap) = 0;
    virtual void SetFormat(bool on) = 0;
    virtual void SetMatchCase(bool on) = 0;
    virtual void SetMatchWholeWord(bool on) = 0;
    // True: full-width and half-width forms of a character do not match.
    virtual void SetMatchByte(bool on) = 0;
    virtual void SetMatchAllWordForms(bool on) = 0;
    virtual void SetMatchSoundsLike(bool on) = 0;
    virtual void SetMatchWildcards(bool on) = 0;
    virtual void SetMatchFuzzy(bool on) = 0;
    // Find.Font.EmphasisMark: the format searched for when Format is on.
    virtual void SetFontEmphasisMark(int mark) = 0;
    // Find.Execute(Replace:=wdReplaceAll): every occurrence of the search
    // text among the story's ordinary characters is replaced. Field texts are
    // never touched.
    virtual void ExecuteReplaceAll() = 0;
    // Find.Execute(FindText:="", Forward:=True, Wrap:=wdFindStop, Format:=True):
    // selects the next maximal stretch after the selection that carries the
    // emphasis mark set on the find object and returns true; returns false and
    // leaves the selection when the end of the story is reached.
    virtual bool ExecuteFormatSearch() = 0;
};

// Application.Selection: an insertion point or an extended range of the
// active document.
class Selection {
public:
    virtual ~Selection() = default;
    // Selection.Text: for an insertion point the one character after it
    // (U+0015 before a field); for an extended selection its characters.
    virtual std::u16string Text() const = 0;
    virtual TextRange Range() const = 0;           // Selection.Range
    virtual void Select(const TextRange& range) = 0;  // Range.Select
    virtual void SetFontEmphasisMark(int mark) = 0;   // Selection.Font.EmphasisMark
    virtual void HomeKey(Unit unit, MoveMode mode = MoveMode::Move) = 0;
    // EndKey(wdStory): insertion point before the final paragraph mark.
    virtual void EndKey(Unit unit) = 0;
    // An insertion point moves right (over a whole field); an extended
    // selection collapses to its end, which counts as one move. At the end
    // of the story nothing moves.
    virtual void MoveRight(Unit unit, int32_t count = 1, MoveMode mode = MoveMode::Move) = 0;
    virtual void MoveLeft(Unit unit, int32_t count = 1, MoveMode mode = MoveMode::Move) = 0;
    // The text replaces the selection; the insertion point stands after it.
    virtual void TypeText(const std::u16string& text) = 0;
    // The selection's plain text (a field gives its own plain text) goes to
    // the clipboard.
    virtual void Copy() = 0;
    // When the selection is exactly one field: where that field's reading
    // ends in its plain text, in code points (a ruby's reading, before its
    // base). Nothing when the selection is not one field, or when the
    // document cannot tell.
    virtual std::optional<int32_t> FieldReadingLength() const = 0;
    // When the selection is exactly one field that stands for a stretch in
    // East Asian layout: that layout (Range.TwoLinesInOne and
    // Range.HorizontalInVertical in one answer). None otherwise.
    virtual EastAsianLayout FieldLayout() const = 0;
    virtual void WholeStory() = 0;
    virtual void Delete() = 0;
    // The clipboard's text is inserted as unformatted text.
    virtual void PasteSpecial(PasteDataType type) = 0;
    virtual class Find& Find() = 0;
};

// Application: the running word processor with its documents.
class SourceDocument {
public:
    virtual ~SourceDocument() = default;
    virtual class Documents& Documents() = 0;     // Application.Documents
    virtual Document& ActiveDocument() = 0;       // Application.ActiveDocument
    virtual class Selection& Selection() = 0;     // Application.Selection
};

}  // namespace tessaly
