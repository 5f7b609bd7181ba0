// StoryAssembler: what both readers feed with the main story's characters
// and field marks. It keeps the stack of open fields (begin, separator, end;
// nested) and decides at each field's end what the model receives: an EQ
// ruby becomes one field whose plain text is reading + base, another EQ its
// arguments' text, any other field its result text. A stretch in East
// Asian layout (two lines in one, 縦中横) becomes one layout field of its
// plain text: rubies in it give their base text and emphasis marks are not
// kept (both counted for the report).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "wordproc/DocumentBuilder.h"
#include "wordproc/EqField.h"
#include "wordproc/LeftOut.h"

namespace tessaly::wordproc {

class StoryAssembler {
public:
    // leftOut, when given, records the EQ fields that are not ruby.
    explicit StoryAssembler(DocumentBuilder& builder, LeftOut* leftOut = nullptr) : m_builder(builder), m_leftOut(leftOut) {}

    // An ordinary character; CR is a paragraph mark.
    void character(char32_t cp, int emphasis);
    void text(std::u16string_view text, int emphasis);
    // The same for text known to hold no paragraph mark (CR).
    void textWithoutMarks(std::u16string_view text, int emphasis);
    void paragraphEnd() { character(U'\r', 0); }
    // A page, column or section break ends the paragraph it stands in; at
    // the start of a paragraph it ends nothing, and a paragraph mark right
    // after it does not make an empty paragraph.
    void breakParagraph();
    // A ruby given directly (not through a field code).
    void ruby(std::u16string_view reading, std::u16string_view base, int emphasis);

    // The East Asian layout of what follows, until it is set again. id tells
    // apart adjacent stretches of one layout (0 where the document does not
    // number them); a paragraph mark always ends a stretch.
    void setLayout(EastAsianLayout layout, uint32_t id = 0) {
        m_layout = layout;
        m_layoutId = id;
    }

    // A footnote or endnote at its reference: what comes between begin and
    // end is the note's text, its paragraph ends forced line breaks (the last
    // one dropped). A note inside a note, or inside a field's instruction,
    // is not taken (false: its text is to be passed over).
    bool beginNote();
    void endNote();
    bool inNote() const { return m_inNote; }
    // The note's own reference mark (its number, which InDesign sets): the
    // space or tab the word processor puts after it goes with it.
    void noteReferenceMark() { m_skipSeparator = m_inNote; }

    void fieldBegin();
    void fieldSeparate();
    void fieldEnd();
    bool inFieldInstruction() const { return m_depth > 0 && !m_fields[m_depth - 1].inResult; }
    bool inFieldResult() const { return m_depth > 0 && m_fields[m_depth - 1].inResult; }

    // Closes fields left open (as if they ended here) and finishes the story.
    void finish();

private:
    struct Position {
        char32_t code = 0;
        uint8_t emphasis = 0;
        bool isField = false;
        std::u16string fieldText;
        int32_t readingLength = -1;  // a ruby's reading, in code points
        EastAsianLayout layout = EastAsianLayout::None;
        uint32_t layoutId = 0;
    };
    // The stretch in East Asian layout being collected.
    struct LayoutStretch {
        EastAsianLayout layout = EastAsianLayout::None;
        uint32_t id = 0;
        std::u16string text;
        bool marked = false;
    };
    struct OpenField {
        std::u16string instruction;
        // Where the emphasis mark changes in the instruction: (offset, mark).
        std::vector<std::pair<size_t, uint8_t>> instructionMarks;
        void appendMark(size_t offset, uint8_t mark) {
            if (instructionMarks.empty() || instructionMarks.back().second != mark) instructionMarks.emplace_back(offset, mark);
        }
        // The mark of the instruction's character at offset.
        int markAt(size_t offset) const;
        std::vector<Position> result;
        bool inResult = false;
        // The East Asian layout of the instruction's text, where it has one:
        // a ruby's base lies in it.
        EastAsianLayout layout = EastAsianLayout::None;
        uint32_t layoutId = 0;
    };

    void emit(Position p);
    Position position(char32_t code, int emphasis) const {
        const bool mark = code == U'\r';
        return Position{code, static_cast<uint8_t>(mark ? 0 : emphasis), false, {}, -1,
                        mark ? EastAsianLayout::None : m_layout, m_layoutId};
    }
    void addToStretch(const Position& p);
    void endStretch();
    // A note's paragraph break waits until more of the note follows.
    void flushNoteBreak();
    // Ordinary text (no paragraph mark) goes straight to the builder outside
    // fields, or to the instruction being collected; false inside a result.
    bool appendDirect(std::u16string_view text, int emphasis);

    OpenField& innermost() { return m_fields[m_depth - 1]; }

    DocumentBuilder& m_builder;
    LeftOut* m_leftOut;
    size_t m_paragraphs = 0;  // paragraph marks of the main story so far
    // The open fields are the first m_depth; those after them are kept
    // for their storage, so that a field does not cost new allocations.
    std::vector<OpenField> m_fields;
    size_t m_depth = 0;
    bool m_atParagraphStart = true;
    bool m_afterBreak = false;
    EastAsianLayout m_layout = EastAsianLayout::None;
    uint32_t m_layoutId = 0;
    LayoutStretch m_stretch;
    bool m_inNote = false;
    int m_noteBreaks = 0;  // a note's paragraph ends not yet written
    bool m_skipSeparator = false;
};

}  // namespace tessaly::wordproc
