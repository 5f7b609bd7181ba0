// Splitting a ruby field's text into reading and base, collecting adjacent
// single-character rubies into one run, and writing the run's tags: mono
// ruby, group ruby or warichu.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/ConversionOptions.h"
#include "engine/EngineHost.h"
#include "engine/RunState.h"
#include "engine/SourceDocument.h"
#include "engine/TaggedTextHeader.h"

namespace tessaly {

// Hiragana ぁ to ん, katakana ァ to ヴ and the prolonged sound mark ー: the
// characters a reading without separator is made of.
bool IsKanaForSplit(char32_t c);
// The same set plus ヵ and ヶ: the characters of a warichu that get ruby glyphs.
bool IsKanaForGlyphs(char32_t c);

enum class FieldVerdict {
    Accept,     // the field joined the run
    CutBefore,  // the run ends before this field, which is walked again
    Alone,      // the field is converted by itself; the run ends after it
};

// The ruby run of one field run.
class RubyRun {
public:
    RubyRun(const ConversionOptions& options, const SeparatorTexts& separators, RunState& state, EngineHost& host);

    // Starts a new run.
    void Reset();

    // Examines the text of the next field (after RewriteKnownReading). Counts
    // the field in ConvertedCount unless it cuts the run. readingLength is
    // where the document says the field's reading ends, in code points of
    // the text, when it can tell: without a separator in the text that
    // decides the split; only a document that cannot tell leaves the split
    // to the scan for the first character that is not kana. A field that
    // stands for a stretch in East Asian layout is converted by itself, its
    // whole text the warichu (two lines in one, with the document's
    // brackets) or the 縦中横 text (not a converted place: it is counted
    // apart).
    FieldVerdict Examine(const std::u16string& fieldText, std::optional<int32_t> readingLength = std::nullopt,
                         EastAsianLayout layout = EastAsianLayout::None);

    // Appends the run's tags to body.
    void Emit(std::u16string& body);

    // How many 縦中横 stretches were written.
    int32_t horizontalInVertical() const { return m_horizontalInVertical; }

private:
    void countConversion();
    void emitWarichu(std::u16string& body, std::u16string_view warichuText) const;
    FieldVerdict examineLayout(const std::u16string& fieldText, EastAsianLayout layout);

    const ConversionOptions& m_options;
    const SeparatorTexts& m_separators;
    RunState& m_state;
    EngineHost& m_host;

    int m_pieces = 0;
    std::u16string m_readingText;  // readings, each followed by U+3000
    std::u16string m_baseText;     // bases without separator
    std::u16string m_normalised;   // Emit's normalised reading
    bool m_long = false;
    bool m_cut = false;
    bool m_warichu = false;
    EastAsianLayout m_layout = EastAsianLayout::None;  // of a layout field converted alone
    int32_t m_horizontalInVertical = 0;
};

}  // namespace tessaly
