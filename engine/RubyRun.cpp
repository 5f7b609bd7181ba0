#include "engine/RubyRun.h"

#include "engine/ReadingNormalisation.h"
#include "engine/Text.h"

namespace tessaly {

using namespace std::string_view_literals;

bool IsKanaForSplit(char32_t c) {
    return (c >= 0x3041 && c <= 0x3093) || (c >= 0x30A1 && c <= 0x30F4) || c == 0x30FC;
}

bool IsKanaForGlyphs(char32_t c) {
    return IsKanaForSplit(c) || c == 0x30F5 || c == 0x30F6;
}

RubyRun::RubyRun(const ConversionOptions& options, const SeparatorTexts& separators, RunState& state,
                 EngineHost& host)
    : m_options(options), m_separators(separators), m_state(state), m_host(host) {}

void RubyRun::Reset() {
    m_pieces = 0;
    m_readingText.clear();
    m_baseText.clear();
    m_long = m_cut = m_warichu = false;
    m_layout = EastAsianLayout::None;
}

namespace {

// Where the separator first stands in a field text (npos when it is empty):
// separators are one character, and field texts a few, so a plain loop.
size_t FindSeparator(std::u16string_view text, std::u16string_view separator) {
    if (separator.size() != 1) return separator.empty() ? std::u16string_view::npos : text.find(separator);
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == separator[0]) return i;
    return std::u16string_view::npos;
}

}  // namespace

void RubyRun::countConversion() {
    ++m_state.ConvertedCount;
    m_host.ShowConvertedCount(m_state.ConvertedCount);
}

FieldVerdict RubyRun::examineLayout(const std::u16string& fieldText, EastAsianLayout layout) {
    m_long = true;
    if (m_pieces > 0) {
        m_cut = true;
        return FieldVerdict::CutBefore;
    }
    m_layout = layout;
    if (layout == EastAsianLayout::Warichu) {
        // Written as the separator's warichu is: no base, the chosen surround.
        m_layout = EastAsianLayout::None;
        m_warichu = true;
        countConversion();
        m_readingText = fieldText + u'\u3000';
    } else if (IsTwoLinesInOne(layout)) {
        m_warichu = true;
        countConversion();
        m_readingText = fieldText;
    } else {
        m_baseText = fieldText;
    }
    return FieldVerdict::Alone;
}

FieldVerdict RubyRun::Examine(const std::u16string& fieldText, std::optional<int32_t> readingLength, EastAsianLayout layout) {
    m_long = m_cut = m_warichu = false;
    m_layout = EastAsianLayout::None;
    if (layout != EastAsianLayout::None) return examineLayout(fieldText, layout);
    const std::u16string_view text(fieldText);
    std::u16string_view reading;
    std::u16string_view base;

    const size_t rubyAt = FindSeparator(text, m_separators.ruby);
    const size_t warichuAt =
        rubyAt == std::u16string::npos ? FindSeparator(text, m_separators.warichu) : std::u16string::npos;
    if (rubyAt != std::u16string::npos) {
        reading = text.substr(0, rubyAt);
        base = text.substr(rubyAt + m_separators.ruby.size());
        m_long = CharacterCount(base) > 1;
    } else if (warichuAt != std::u16string::npos) {
        reading = text.substr(0, warichuAt);
        base = text.substr(warichuAt + m_separators.warichu.size());
        m_long = m_warichu = true;
    } else if (readingLength) {
        // The document's own boundary: whatever the reading is made of.
        size_t p = 0;
        for (int32_t n = 0; n < *readingLength && p < text.size(); ++n) {
            size_t units;
            CodePointAt(text, p, &units);
            p += units;
        }
        reading = text.substr(0, p);
        base = text.substr(p);
        m_long = CharacterCount(base) > 1;
    } else {
        // Kana are all single units: half of a surrogate pair never is one.
        size_t p = 0;
        while (p < text.size() && IsKanaForSplit(text[p])) ++p;
        // A selector after the last kana belongs to that kana, and so to the base.
        if (p > 0 && p < text.size() && IsVariationSelector(CodePointAt(text, p))) --p;
        if (p == text.size()) {
            // Kana only (or empty): no split point. The whole text is the
            // base of a single piece, so nothing of it is lost.
            base = text;
        } else {
            reading = text.substr(0, p);
            base = text.substr(p);
            m_long = CharacterCount(base) != 1;
        }
    }

    if (m_long && m_pieces > 0) {
        m_cut = true;
        return FieldVerdict::CutBefore;
    }
    countConversion();
    m_readingText += reading;
    m_readingText += u'\u3000';
    m_baseText += base;
    if (m_long) return FieldVerdict::Alone;
    ++m_pieces;
    return FieldVerdict::Accept;
}

void RubyRun::Emit(std::u16string& body) {
    std::u16string_view reading = m_readingText;
    if (!reading.empty() && reading.back() == u'\u3000') reading.remove_suffix(1);

    if (m_layout == EastAsianLayout::HorizontalInVertical) {
        body += u"<CharStyle:縦中横>"sv;
        AppendEscaped(body, m_baseText);
        body += u"<CharStyle:>"sv;
        ++m_horizontalInVertical;
        return;
    }
    if (IsTwoLinesInOne(m_layout)) {
        emitWarichu(body, m_readingText);
        return;
    }
    if (m_warichu && !m_cut) {
        emitWarichu(body, reading);
        return;
    }
    const bool group = m_options.RubyStyle == kGroupRuby || (m_long && !m_cut);
    // Views: the tags' lengths are known when compiling, not counted per ruby.
    body += group ? u"<CharStyle:グループルビ><cRuby:1><cRubyString:"sv : u"<CharStyle:モノルビ><cRuby:1><cRubyString:"sv;
    if (ReadingNeedsNormalising(m_options)) {
        m_normalised.clear();
        AppendNormalisedReading(m_normalised, reading, m_options);
        reading = m_normalised;
    }
    AppendEscaped(body, reading);
    body += u'>';
    AppendEscaped(body, m_baseText);
    body += u"<cRuby:><cRubyString:><CharStyle:>"sv;
}

void RubyRun::emitWarichu(std::u16string& body, std::u16string_view reading) const {
    std::u16string v;
    if (m_options.WarichuRubyGlyphs == kOn) {
        // A kana keeps its variation selectors inside the glyph tags.
        for (size_t i = 0; i < reading.size();) {
            const size_t units = CharacterUnitsAt(reading, i);
            const char32_t c = CodePointAt(reading, i);
            const std::u16string_view ch(reading.data() + i, units);
            i += units;
            if (IsKanaForGlyphs(c)) {
                v += u"<cOTFContAlt:0><cOTFeatureList:ruby\\,1><rUseOTProGlyph:1>";
                v += ch;
                v += u"<cOTFContAlt:><cOTFeatureList:><rUseOTProGlyph:>";
            } else {
                AppendEscaped(v, ch);
            }
        }
    } else {
        AppendEscaped(v, reading);
    }

    if (IsTwoLinesInOne(m_layout)) {
        // The document's own brackets, and no spacing before the note.
        static constexpr std::u16string_view kBrackets[] = {u"", u"（）", u"［］", u"〈〉", u"｛｝"};
        const std::u16string_view pair = kBrackets[static_cast<int>(m_layout) - 1];
        if (pair.empty()) {
            body += u"<CharStyle:割注>" + v + u"<CharStyle:>";
        } else if (m_options.HalfWidthWarichuParens == kOn) {
            body += u"<CharStyle:文字前ベタ>" + std::u16string(pair.substr(0, 1)) + u"<CharStyle:>";
            body += u"<CharStyle:割注>" + v + u"<CharStyle:>";
            body += u"<CharStyle:文字後ベタ>" + std::u16string(pair.substr(1)) + u"<CharStyle:>";
        } else {
            body += pair.substr(0, 1);
            body += u"<CharStyle:割注>" + v + u"<CharStyle:>";
            body += pair.substr(1);
        }
        return;
    }
    const std::u16string& base = m_baseText;
    const std::u16string& opening = m_separators.warichuOpening;
    const std::u16string& closing = m_separators.warichuClosing;
    const int surround = m_options.WarichuSurround;
    if (m_options.HalfWidthWarichuParens == kOn && surround >= kSurroundParens) {
        AppendEscaped(body, base);
        body += u"<CharStyle:文字前ベタ>" + opening + u"<CharStyle:>";
        body += u"<CharStyle:割注>" + v + u"<CharStyle:>";
        body += u"<CharStyle:文字後ベタ>" + closing + u"<CharStyle:>";
    } else if ((surround == kSurroundQuarterSpace || surround == kSurroundHalfSpace) && !base.empty()) {
        const size_t last = LastCharacterStart(base);
        AppendEscaped(body, std::u16string_view(base).substr(0, last));
        body += surround == kSurroundQuarterSpace ? u"<CharStyle:文字後4分アキ>" : u"<CharStyle:文字後半角アキ>";
        AppendEscaped(body, std::u16string_view(base).substr(last));
        body += u"<CharStyle:>";
        body += u"<CharStyle:割注>" + v + u"<CharStyle:>" + closing;
    } else {
        AppendEscaped(body, base);
        body += opening + u"<CharStyle:割注>" + v + u"<CharStyle:>" + closing;
    }
}

}  // namespace tessaly
