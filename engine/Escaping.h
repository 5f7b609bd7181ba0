// Escaping of the characters that tagged text reserves, done in the document
// itself with three replace-all passes, and the wrapping of emphasis-marked
// stretches in kenten character-style tags.
#pragma once

#include <string>

#include "engine/ConversionOptions.h"
#include "engine/EngineHost.h"
#include "engine/RunState.h"
#include "engine/SourceDocument.h"

namespace tessaly {

// Backslash becomes the yen sign, then '<' and '>' get a backslash in front.
// Only the plain characters are touched: their full-width forms stay.
void EscapeReservedCharacters(SourceDocument& word);

// "0.5" … "0.95" for the ratio list's indexes 0 to 9, "1.0" for any other.
std::u16string KentenScaleText(int16_t kentenRatio);

// With ConvertBouten 1: wraps every stretch with emphasis mark 1 in
// <CharStyle:圏点5>…<CharStyle:> and every stretch with mark 2 in
// <CharStyle:圏点1>…<CharStyle:> (as KentenKind selects), counting each in
// state.ConvertedCount. A stretch that takes in a field is left alone.
// Returns the kenten scale text, empty when bouten conversion is off.
std::u16string MarkKenten(SourceDocument& word, const ConversionOptions& options, RunState& state,
                          EngineHost& host);

}  // namespace tessaly
