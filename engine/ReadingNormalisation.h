// Normalisation of ruby readings: the known counter words whose base begins
// with kana, and the user's ruby style, kana script and small-kana choices.
#pragma once

#include <string>
#include <string_view>

#include "engine/ConversionOptions.h"

namespace tessaly {

// A whole field text that is one of the known counter words (かげつケ月 and
// the like) gets the ruby separator between its reading and its base; any
// other text is left unchanged.
void RewriteKnownReading(std::u16string& fieldText, std::u16string_view rubySeparator);

// Group ruby removes the ideographic spaces between the readings of a run;
// katakana turns hiragana into katakana; full size enlarges small kana.
std::u16string NormaliseReading(std::u16string_view reading, const ConversionOptions& options);
void AppendNormalisedReading(std::u16string& out, std::u16string_view reading, const ConversionOptions& options);
// False when the options leave every reading as it is (the defaults do).
inline bool ReadingNeedsNormalising(const ConversionOptions& options) {
    return options.RubyStyle == kGroupRuby || options.KanaKind == kKatakana || options.SmallKanaToFullSize == kOn;
}

// The full-size form of a small kana, or the character itself.
char16_t ToLargeKana(char16_t c);

}  // namespace tessaly
