// StoryAssembler: what both readers feed with the main story's characters
// and field marks. It keeps the stack of open fields (begin, separator, end;
// nested) and decides at each field's end what the model receives: an EQ
// ruby becomes one field whose plain text is reading + base, another EQ its
// arguments' text, any other field its result text.
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

    void fieldBegin();
    void fieldSeparate();
    void fieldEnd();
    bool inFieldInstruction() const { return m_depth > 0 && !m_fields[m_depth - 1].inResult; }

    // Closes fields left open (as if they ended here) and finishes the story.
    void finish();

private:
    struct Position {
        char32_t code = 0;
        uint8_t emphasis = 0;
        bool isField = false;
        std::u16string fieldText;
        int32_t readingLength = -1;  // a ruby's reading, in code points
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
    };

    void emit(Position p);
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
};

}  // namespace tessaly::wordproc
