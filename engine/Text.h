// Small UTF-16 text helpers shared by the engine: code-point iteration,
// UTF-8 conversion and the tagged-text escape.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

// The code point starting at index i, and the number of UTF-16 units it takes.
// An unpaired surrogate is returned as itself.
char32_t CodePointAt(std::u16string_view text, size_t i, size_t* units = nullptr);

// Number of code points (a surrogate pair counts once).
size_t CodePointCount(std::u16string_view text);

// Index of the first unit of the last code point; 0 for an empty text.
size_t LastCodePointStart(std::u16string_view text);

void AppendCodePoint(std::u16string& out, char32_t cp);

// Characters as a reader sees them: a code point together with the variation
// selectors that follow it (U+FE00-U+FE0F, U+E0100-U+E01EF), so that an
// ideographic variation sequence such as U+845B U+E0100 is one character and
// nothing is ever put between a character and its selectors.
bool IsVariationSelector(char32_t cp);
// The number of UTF-16 units of the character starting at index i.
size_t CharacterUnitsAt(std::u16string_view text, size_t i);
size_t CharacterCount(std::u16string_view text);
// The characters of a text, each with its variation selectors.
std::vector<std::u16string_view> Characters(std::u16string_view text);
// Index of the first unit of the last character; 0 for an empty text.
size_t LastCharacterStart(std::u16string_view text);

// Calls f with each code point of text, in order.
template <class F>
void ForEachCodePoint(std::u16string_view text, F&& f) {
    for (size_t i = 0; i < text.size();) {
        const char16_t unit = text[i];
        if (unit < 0xD800 || unit > 0xDFFF) {  // the common case: not half of a pair
            ++i;
            f(char32_t(unit));
            continue;
        }
        size_t units;
        const char32_t cp = CodePointAt(text, i, &units);
        i += units;
        f(cp);
    }
}

std::string ToUtf8(std::u16string_view text);
// Appends the UTF-8 form of one code point.
void AppendUtf8CodePoint(std::string& out, char32_t cp);
std::u16string FromUtf8(std::string_view text);
// The text of UTF-16 bytes (no byte-order mark), little- or big-endian; an
// odd last byte is dropped.
std::u16string FromUtf16Bytes(std::string_view bytes, bool bigEndian);

// Whether the bytes are well-formed UTF-8 (no overlong forms, surrogates or
// code points past U+10FFFF).
bool IsValidUtf8(std::string_view bytes);
// How many of the bytes, from the start, are well-formed UTF-8: the place
// of the first fault, or the length when there is none.
size_t ValidUtf8Length(std::string_view bytes);
// Appends the UTF-16 form of UTF-8 text; a malformed sequence becomes U+FFFD.
void AppendUtf8(std::u16string& out, std::string_view text);

// Tagged text reserves backslash, '<' and '>': a backslash becomes the yen
// sign, '<' and '>' get a backslash in front.
void AppendEscaped(std::u16string& out, std::u16string_view text);

}  // namespace tessaly
