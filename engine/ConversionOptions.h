// ConversionOptions: every user choice that shapes a conversion, as the
// utility dialog edits it and the settings store keeps it. Each field is a
// 16-bit integer: a list field holds the 0-based index of the chosen item (-1
// for none), a switch field 0 or 1, ResultAction 1, 2 or 3 (0 until set).
// The defaults and the keys are the settings table's (settings/).
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace tessaly {

struct ConversionOptions {
    int16_t RubyStyle = 0;               // Combo1: 0 mono ruby, 1 group ruby
    int16_t KanaKind = 0;                // Combo2: 0 hiragana, 1 katakana
    int16_t SmallKanaToFullSize = 0;     // Check1
    int16_t OpenTypeRubyGlyphs = 0;      // Check6
    int16_t RubySeparator = 0;           // Combo4: △ ▲ ▽ ▼
    int16_t WarichuSeparator = 0;        // Combo5: ☆ ★ ◇ ◆
    int16_t WarichuSurround = 0;         // Combo6: ten items
    int16_t HalfWidthWarichuParens = 0;  // Check3
    int16_t WarichuRubyGlyphs = 0;       // Check4
    int16_t ConvertBouten = 0;           // Check5
    int16_t KentenKind = 0;              // Combo7
    int16_t KentenRatio = 0;             // Combo8: 50 % to 100 % in steps of 5
    int16_t ResultAction = 0;            // Option1..Option3: 1, 2, 3
    int16_t TagHeader = 0;               // Combo3: 0 built-in, 1 custom
    int16_t MacText = 0;                 // Check2

    // Displayed item texts of the chosen entries; empty for -1 or an index
    // outside the list.
    std::u16string RubySeparatorText() const;
    std::u16string WarichuSeparatorText() const;
    std::u16string WarichuSurroundText() const;

    bool operator==(const ConversionOptions&) const = default;
};

// The values the fields take, by name.
inline constexpr int16_t kOff = 0, kOn = 1;                                   // switches
enum RubyStyleValue : int16_t { kMonoRuby = 0, kGroupRuby = 1 };              // RubyStyle
enum KanaKindValue : int16_t { kHiragana = 0, kKatakana = 1 };                // KanaKind
enum TagHeaderValue : int16_t { kBuiltInHeader = 0, kCustomHeader = 1 };      // TagHeader
enum KentenKindValue : int16_t { kKentenBoth = 0, kKentenDot = 1, kKentenSesame = 2 };  // KentenKind
enum ResultActionValue : int16_t { kConvertOnly = 1, kOpenTextFile = 2, kPlaceIntoInDesign = 3 };  // ResultAction
// WarichuSurround: nothing, a quarter-em or half-em space after, or a
// bracket pair (the items from kSurroundParens on).
enum WarichuSurroundValue : int16_t {
    kSurroundNone = 0,
    kSurroundQuarterSpace = 1,
    kSurroundHalfSpace = 2,
    kSurroundParens = 3,
    kSurroundTortoiseShells = 4,
    kSurroundSquareBrackets = 5,
    kSurroundLenticular = 6,
    kSurroundAngle = 7,
    kSurroundDoubleAngle = 8,
    kSurroundBraces = 9,
};

// The list controls of the utility dialog, by their control names.
enum class OptionList { Combo1, Combo2, Combo3, Combo4, Combo5, Combo6, Combo7, Combo8 };

// The items of a list exactly as shown, in list order.
std::span<const std::u16string_view> ListItems(OptionList list);

// The item text at index, or empty when index is not a valid index.
std::u16string ListItemText(OptionList list, int index);

}  // namespace tessaly
