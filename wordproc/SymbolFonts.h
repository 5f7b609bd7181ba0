// Characters of symbol fonts. Word's Insert Symbol puts a font and a code in
// that font into a document (U+F020 to U+F0FF, or U+0020 to U+00FF), not a
// Unicode character. The font Symbol has a standard encoding, with a Unicode
// character for nearly every code; other symbol fonts (Wingdings, Webdings…)
// draw pictures that only they have.
#pragma once

#include <string>
#include <string_view>

#include "wordproc/LeftOut.h"

namespace tessaly::wordproc {

// Whether a code point lies where symbol fonts put their characters:
// U+F020 to U+F0FF.
inline bool IsSymbolFontCode(char32_t cp) { return cp >= 0xF020 && cp <= 0xF0FF; }

struct SymbolCharacter {
    char32_t code = 0;
    bool privateUse = false;  // a private-use character, shown only in its font
};

// The character the document shows for a code in a font. In Symbol (the
// name in any case) a code of either range is the Unicode character of the
// Symbol encoding. In another font, and for the few Symbol codes with no
// Unicode character, it is the private-use character U+F000 + the code's
// low byte. A code outside both ranges is an ordinary character already.
SymbolCharacter ResolveSymbol(std::u16string_view font, char32_t code);

// A text in a font, its symbol-font codes (U+F020 to U+F0FF) as the font
// shows them; the private-use characters kept are counted in leftOut. A
// text without a font is as it is.
std::u16string ShowSymbols(std::u16string_view text, std::u16string_view font, LeftOut* leftOut);

}  // namespace tessaly::wordproc
