#include "wordproc/DocumentBuilder.h"

#include <algorithm>

#include "engine/Text.h"

namespace tessaly::wordproc {

bool IsUnwantedControl(char32_t cp) {
    return (cp < 0x20 && cp != u'\t' && cp != u'\n' && cp != u'\r') || (cp >= 0x7F && cp <= 0x9F);
}

namespace {

bool IsSurrogate(char32_t cp) { return cp >= 0xD800 && cp <= 0xDFFF; }

// Whether a text needs cleaning at all: most never do.
bool IsClean(std::u16string_view text, bool inField) {
    for (char16_t c : text)
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || IsSurrogate(c)) {
            if (c == u'\t' || c == u'\n' || (c == u'\r' && !inField)) continue;
            return false;
        }
    return true;
}

}  // namespace

DocumentBuilder::DocumentBuilder(DocumentModel& model)
    : m_model(model), m_story(model.mainDocument().story()) {
    m_story.assign({});
}

void DocumentBuilder::makeRoom(size_t n) {
    if (n > kMaxStoryPositions - std::min(m_story.size(), kMaxStoryPositions)) throw StoryTooLong();
}

void DocumentBuilder::appendCodePoint(char32_t cp, int emphasis) {
    if (IsUnwantedControl(cp)) {
        ++m_model.cleaned().controls;
        return;
    }
    if (IsSurrogate(cp)) {
        ++m_model.cleaned().surrogates;
        cp = 0xFFFD;
    }
    makeRoom(1);
    if (IsVariationSelector(cp) && m_story.size() > 0) {
        const Cell& before = m_story[m_story.size() - 1];
        if (before.code != u'\r') emphasis = before.emphasis;
    }
    m_story.append(Cell{cp, cp == u'\r' ? uint8_t(0) : uint8_t(emphasis)});
}

void DocumentBuilder::appendText(std::u16string_view text, int emphasis) {
    makeRoom(text.size());
    m_story.reserveAtEnd(text.size());
    ForEachCodePoint(text, [&](char32_t cp) { appendCodePoint(cp, emphasis); });
}

std::u16string DocumentBuilder::cleanField(std::u16string_view text, int32_t& readingLength) {
    std::u16string clean;
    int32_t seen = 0, kept = 0;  // code points of the text, and of what is kept
    int32_t keptReading = readingLength;
    ForEachCodePoint(text, [&](char32_t cp) {
        if (seen++ == readingLength) keptReading = kept;
        if (IsUnwantedControl(cp) || cp == U'\r') {
            ++m_model.cleaned().controls;
            return;
        }
        if (IsSurrogate(cp)) {
            ++m_model.cleaned().surrogates;
            cp = 0xFFFD;
        }
        AppendCodePoint(clean, cp);
        ++kept;
    });
    if (readingLength >= seen) keptReading = kept;
    readingLength = keptReading;
    return clean;
}

void DocumentBuilder::appendField(std::u16string_view text, int emphasis, int32_t readingLength) {
    makeRoom(1);
    if (!IsClean(text, true)) {
        const std::u16string clean = cleanField(text, readingLength);
        m_story.append(Cell{m_story.addField(clean, {}, readingLength), uint8_t(emphasis)});
        return;
    }
    m_story.append(Cell{m_story.addField(text, {}, readingLength), uint8_t(emphasis)});
}

void DocumentBuilder::appendRuby(std::u16string_view reading, std::u16string_view base, int emphasis) {
    if (!IsClean(reading, true) || !IsClean(base, true)) {
        appendField(std::u16string(reading) + std::u16string(base), emphasis, static_cast<int32_t>(CodePointCount(reading)));
        return;
    }
    makeRoom(1);
    m_story.append(Cell{m_story.addRuby(reading, base), uint8_t(emphasis)});
}

void DocumentBuilder::appendLayout(std::u16string_view text, EastAsianLayout layout) {
    int32_t readingLength = -1;
    const std::u16string clean = IsClean(text, true) ? std::u16string(text) : cleanField(text, readingLength);
    if (clean.empty()) return;
    makeRoom(1);
    m_story.append(Cell{m_story.addLayout(clean, layout), 0});
}

void DocumentBuilder::appendNoteMark(bool start) {
    makeRoom(1);
    m_story.append(Cell{start ? uint32_t(kNoteStart) : uint32_t(kNoteEnd), 0});
}

void DocumentBuilder::endParagraph() {
    makeRoom(1);
    m_story.append(Cell{u'\r', 0});
}

std::u16string DocumentBuilder::paragraphTail(size_t n) const {
    size_t from = m_story.size();
    while (from > 0 && m_story.size() - from < n && !(m_story[from - 1].code == u'\r')) --from;
    std::u16string text;
    for (size_t i = from; i < m_story.size(); ++i) {
        if (IsField(m_story[i])) text += m_story.fieldText(m_story[i]);
        else AppendCodePoint(text, m_story[i].code);
    }
    return text;
}

bool DocumentBuilder::endsWithParagraphMark() const {
    return m_story.size() > 0 && m_story[m_story.size() - 1].code == u'\r';
}

void DocumentBuilder::finish() {
    if (!endsWithParagraphMark()) endParagraph();
    m_model.mainDocument().selection() = TextRange{0, 0};
}

namespace {

class MarkupParser {
public:
    MarkupParser(std::u16string_view text, DocumentBuilder& builder) : m_text(text), m_builder(builder) {}

    void parse() {
        parseSequence(0, false);
        if (m_pos != m_text.size()) fail("unexpected ]");
    }

private:
    [[noreturn]] void fail(const char* what) const {
        throw MarkupError(std::string("document markup: ") + what + " at " + std::to_string(m_pos));
    }

    void parseSequence(int emphasis, bool nested) {
        while (m_pos < m_text.size()) {
            const char16_t c = m_text[m_pos];
            if (c == u']') {
                if (!nested) fail("unexpected ]");
                return;
            }
            if (c == u'[') {
                ++m_pos;
                if (m_pos >= m_text.size() || m_text[m_pos] < u'0' || m_text[m_pos] > u'4')
                    fail("[ must be followed by an emphasis mark 0-4");
                const int mark = m_text[m_pos++] - u'0';
                parseSequence(mark, true);
                if (m_pos >= m_text.size()) fail("missing ]");
                ++m_pos;
            } else if (c == u'«' || c == u'»') {
                ++m_pos;
                m_builder.appendNoteMark(c == u'«');
            } else if (c == u'{' && m_text.substr(m_pos).starts_with(u"{%")) {
                layout();
            } else if (c == u'{') {
                ++m_pos;
                std::u16string field;
                int32_t readingLength = -1;
                while (m_pos < m_text.size() && m_text[m_pos] != u'}') {
                    if (m_text[m_pos] == u'|' && readingLength < 0) {
                        readingLength = static_cast<int32_t>(CodePointCount(field));
                        ++m_pos;
                        continue;
                    }
                    field += literal();
                }
                if (m_pos >= m_text.size()) fail("missing }");
                ++m_pos;
                m_builder.appendField(field, emphasis, readingLength);
            } else {
                m_builder.appendText(literal(), emphasis);
            }
        }
    }

    // {%N…}: a stretch in East Asian layout N (1-5 two lines in one, 6 縦中横, 7 warichu).
    void layout() {
        m_pos += 2;
        if (m_pos >= m_text.size() || m_text[m_pos] < u'1' || m_text[m_pos] > u'7') fail("{% must be followed by a layout 1-7");
        const auto kind = static_cast<EastAsianLayout>(m_text[m_pos++] - u'0');
        std::u16string text;
        while (m_pos < m_text.size() && m_text[m_pos] != u'}') text += literal();
        if (m_pos >= m_text.size()) fail("missing }");
        ++m_pos;
        m_builder.appendLayout(text, kind);
    }

    std::u16string literal() {
        if (m_text[m_pos] == u'`') {
            ++m_pos;
            if (m_pos >= m_text.size()) fail("` at the end");
        }
        size_t units;
        CodePointAt(m_text, m_pos, &units);
        std::u16string out(m_text.substr(m_pos, units));
        m_pos += units;
        return out;
    }

    std::u16string_view m_text;
    DocumentBuilder& m_builder;
    size_t m_pos = 0;
};

void AppendMarkupLiteral(std::u16string& out, std::u16string_view text, bool inField = false) {
    for (char16_t c : text) {
        if (c == u'`' || c == u'{' || c == u'}' || c == u'[' || c == u']' || c == u'«' || c == u'»' || (inField && c == u'|'))
            out.push_back(u'`');
        out.push_back(c);
    }
}

}  // namespace

std::unique_ptr<DocumentModel> ModelFromMarkup(std::u16string_view markup, std::u16string documentName) {
    auto model = std::make_unique<DocumentModel>(std::move(documentName));
    DocumentBuilder builder(*model);
    MarkupParser(markup, builder).parse();
    builder.finish();
    return model;
}

std::u16string ToMarkup(const DocumentModel& model) {
    std::u16string out;
    int open = 0;
    for (size_t i = 0; i < model.size(); ++i) {
        const PositionView p = model.at(i);
        const int mark = p.emphasis;
        if (mark != open) {
            if (open != 0) out.push_back(u']');
            if (mark != 0) {
                out.push_back(u'[');
                out.push_back(char16_t(u'0' + mark));
            }
            open = mark;
        }
        if (p.isField && p.layout != EastAsianLayout::None) {
            out += u"{%";
            out.push_back(char16_t(u'0' + static_cast<int>(p.layout)));
            AppendMarkupLiteral(out, p.fieldText, true);
            out.push_back(u'}');
        } else if (p.isField) {
            out.push_back(u'{');
            if (!p.fieldText.empty() && p.fieldText[0] == u'%') out.push_back(u'`');
            if (p.readingLength) {
                size_t units = 0;
                for (int32_t n = 0; n < *p.readingLength && units < p.fieldText.size(); ++n)
                    units += CodePointAt(p.fieldText, units) >= 0x10000 ? 2 : 1;
                AppendMarkupLiteral(out, p.fieldText.substr(0, units), true);
                out.push_back(u'|');
                AppendMarkupLiteral(out, p.fieldText.substr(units), true);
            } else {
                AppendMarkupLiteral(out, p.fieldText, true);
            }
            out.push_back(u'}');
        } else if (p.code == kNoteStart || p.code == kNoteEnd) {
            out.push_back(p.code == kNoteStart ? u'«' : u'»');
        } else {
            std::u16string ch;
            AppendCodePoint(ch, p.code);
            AppendMarkupLiteral(out, ch);
        }
    }
    if (open != 0) out.push_back(u']');
    return out;
}

}  // namespace tessaly::wordproc
