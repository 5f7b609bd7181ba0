#include "wordproc/StoryAssembler.h"

#include <utility>

#include "engine/Text.h"
#include "wordproc/EqField.h"

namespace tessaly::wordproc {

// Fields nested deeper than this are kept as plain text: no real document
// comes near it, and it bounds the work a damaged file can cause.
constexpr size_t kMaxFieldDepth = 64;

void StoryAssembler::addToStretch(const Position& p) {
    if (p.layout != m_stretch.layout || p.layoutId != m_stretch.id) endStretch();
    m_stretch.layout = p.layout;
    m_stretch.id = p.layoutId;
    if (!p.isField) {
        AppendCodePoint(m_stretch.text, p.code);
    } else if (p.readingLength >= 0) {
        // A ruby: its base text, after the reading.
        size_t units = 0;
        for (int32_t n = 0; n < p.readingLength && units < p.fieldText.size(); ++n)
            units += CodePointAt(p.fieldText, units) >= 0x10000 ? 2 : 1;
        m_stretch.text += std::u16string_view(p.fieldText).substr(units);
        if (m_leftOut && units > 0) ++m_leftOut->layoutRubies;
    } else {
        m_stretch.text += p.fieldText;
    }
    if (p.emphasis != 0) m_stretch.marked = true;
    m_atParagraphStart = false;
    m_afterBreak = false;
}

void StoryAssembler::endStretch() {
    if (m_stretch.layout == EastAsianLayout::None) return;
    m_builder.appendLayout(m_stretch.text, m_stretch.layout);
    if (m_leftOut && m_stretch.marked) ++m_leftOut->layoutMarks;
    m_stretch.layout = EastAsianLayout::None;
    m_stretch.text.clear();
    m_stretch.marked = false;
}

bool StoryAssembler::beginNote() {
    if (m_inNote || inFieldInstruction()) return false;
    if (m_depth == 0) endStretch();
    // At the top level the mark goes straight in; in a field's result it
    // waits there with the rest of the result.
    if (m_depth == 0) m_builder.appendNoteMark(true);
    else innermost().result.push_back(Position{kNoteStart, 0, false, {}, -1, EastAsianLayout::None, 0});
    m_atParagraphStart = false;
    m_inNote = true;
    m_noteBreaks = 0;
    return true;
}

void StoryAssembler::endNote() {
    if (!m_inNote) return;
    if (m_depth == 0) endStretch();
    // The note's last paragraph end is no break; empty paragraphs before it are.
    if (m_noteBreaks > 0) --m_noteBreaks;
    flushNoteBreak();
    m_inNote = false;
    if (m_depth == 0) m_builder.appendNoteMark(false);
    else innermost().result.push_back(Position{kNoteEnd, 0, false, {}, -1, EastAsianLayout::None, 0});
}

void StoryAssembler::flushNoteBreak() {
    for (; m_noteBreaks > 0; --m_noteBreaks) m_builder.appendCodePoint(U'\n', 0);
}

void StoryAssembler::emit(Position p) {
    if (m_depth == 0) {
        const bool mark = !p.isField && p.code == U'\r';
        if (mark && m_inNote) {
            endStretch();
            ++m_noteBreaks;
            return;
        }
        if (!p.isField && (p.code == kNoteStart || p.code == kNoteEnd)) {  // a note from a field's result
            endStretch();
            m_builder.appendNoteMark(p.code == kNoteStart);
            return;
        }
        if (std::exchange(m_skipSeparator, false) && !p.isField && (p.code == U' ' || p.code == U'\t')) return;
        flushNoteBreak();
        if (p.layout != EastAsianLayout::None && !mark) {
            addToStretch(p);
            return;
        }
        endStretch();
        if (mark && m_afterBreak) {
            m_afterBreak = false;
            return;
        }
        m_atParagraphStart = mark;
        m_afterBreak = false;
        if (mark) ++m_paragraphs;
        if (p.isField) m_builder.appendField(p.fieldText, p.emphasis, p.readingLength);
        else m_builder.appendCodePoint(p.code, p.emphasis);
        return;
    }
    OpenField& top = innermost();
    if (top.inResult || p.code == U'\r') {
        top.result.push_back(std::move(p));
        return;
    }
    // Inside an instruction a field contributes its text.
    top.appendMark(top.instruction.size(), p.emphasis);
    if (top.layout == EastAsianLayout::None) top.layout = p.layout, top.layoutId = p.layoutId;
    if (p.isField) top.instruction += p.fieldText;
    else AppendCodePoint(top.instruction, p.code);
}

int StoryAssembler::OpenField::markAt(size_t offset) const {
    if (offset >= instruction.size()) return 0;
    int mark = 0;
    for (const auto& [from, m] : instructionMarks) {
        if (from > offset) break;
        mark = m;
    }
    return mark;
}

void StoryAssembler::breakParagraph() {
    if (m_depth > 0 || !m_atParagraphStart) {
        paragraphEnd();
        m_afterBreak = m_depth == 0;
    }
}

bool StoryAssembler::appendDirect(std::u16string_view text, int emphasis) {
    if (m_layout != EastAsianLayout::None) return false;  // collected position by position
    if (m_depth == 0) {
        if (std::exchange(m_skipSeparator, false) && !text.empty() && (text[0] == u' ' || text[0] == u'\t')) text.remove_prefix(1);
        endStretch();
        flushNoteBreak();
        m_builder.appendText(text, emphasis);
        m_atParagraphStart = false;
        m_afterBreak = false;
        return true;
    }
    OpenField& top = innermost();
    if (top.inResult) return false;
    top.appendMark(top.instruction.size(), static_cast<uint8_t>(emphasis));
    top.instruction += text;
    return true;
}

void StoryAssembler::character(char32_t cp, int emphasis) {
    if (cp != U'\r') {
        std::u16string units;
        AppendCodePoint(units, cp);
        if (appendDirect(units, emphasis)) return;
    }
    emit(position(cp, emphasis));
}

void StoryAssembler::text(std::u16string_view text, int emphasis) {
    if (text.find(u'\r') == std::u16string_view::npos) {
        textWithoutMarks(text, emphasis);
        return;
    }
    ForEachCodePoint(text, [&](char32_t cp) { character(cp, emphasis); });
}

void StoryAssembler::textWithoutMarks(std::u16string_view text, int emphasis) {
    if (text.empty() || appendDirect(text, emphasis)) return;
    ForEachCodePoint(text, [&](char32_t cp) { character(cp, emphasis); });
}

void StoryAssembler::ruby(std::u16string_view reading, std::u16string_view base, int emphasis) {
    if (reading.empty() && base.empty()) return;  // nothing to show
    if (m_depth == 0 && m_layout == EastAsianLayout::None) {  // the common case, as emit() takes a field outside fields
        endStretch();
        flushNoteBreak();
        m_atParagraphStart = false;
        m_afterBreak = false;
        m_builder.appendRuby(reading, base, emphasis);
        return;
    }
    std::u16string plain(reading);
    plain += base;
    emit(Position{kFieldMark, static_cast<uint8_t>(emphasis), true, std::move(plain),
                  static_cast<int32_t>(CodePointCount(reading)), m_layout, m_layoutId});
}

void StoryAssembler::fieldBegin() {
    if (m_depth >= kMaxFieldDepth) return;
    if (m_depth == 0) flushNoteBreak();
    if (m_depth == m_fields.size()) {
        m_fields.emplace_back();
    } else {
        OpenField& reused = m_fields[m_depth];
        reused.instruction.clear();
        reused.instructionMarks.clear();
        reused.result.clear();
        reused.inResult = false;
        reused.layout = EastAsianLayout::None;
    }
    ++m_depth;
}

void StoryAssembler::fieldSeparate() {
    if (m_depth > 0) innermost().inResult = true;
}

void StoryAssembler::fieldEnd() {
    if (m_depth == 0) return;
    // Closed, but its storage stays in place until the next field begins,
    // and nothing below begins one.
    OpenField& field = innermost();
    --m_depth;

    if (const auto eq = ParseEqField(field.instruction)) {
        const int em = field.markAt(eq->firstCharOffset);
        if (eq->isRuby) {
            // Its base in a stretch in East Asian layout: the ruby is in it
            // too, whatever the field's own marks have.
            const EastAsianLayout outer = m_layout;
            const uint32_t outerId = m_layoutId;
            if (outer == EastAsianLayout::None) setLayout(field.layout, field.layoutId);
            ruby(eq->reading, eq->base, em);
            setLayout(outer, outerId);
        } else {
            if (m_leftOut && m_depth == 0 && !eq->text.empty())
                m_leftOut->formulas.push_back({eq->text, m_paragraphs + 1, m_builder.paragraphTail(8)});
            text(eq->text, em);
        }
        // Paragraph marks that stood inside the field are kept.
        for (auto& p : field.result)
            if (!p.isField && p.code == U'\r') emit(std::move(p));
        return;
    }
    for (auto& p : field.result) emit(std::move(p));
}

void StoryAssembler::finish() {
    while (m_depth > 0) {
        innermost().inResult = true;
        fieldEnd();
    }
    endNote();
    endStretch();
    m_builder.finish();
}

}  // namespace tessaly::wordproc
