// The EQ field parser shared by the .doc and .docx readers.
//
// Word writes ruby (its phonetic guide) as an EQ field such as
//   EQ \* jc2 \* "Font:ＭＳ 明朝" \* hps10 \o\ad(\s\up 9(かん),漢)
// Only an \o whose first argument is \s\up n(reading) is ruby; every other
// EQ form (an enclosed character \o\ac(○,印), fractions, arrays, \s\up
// without \o) stands for the text of its arguments.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tessaly::wordproc {

struct EqField {
    bool isRuby = false;
    std::u16string reading;  // ruby only
    std::u16string base;     // ruby only
    std::u16string text;     // the arguments' text (for ruby: the base)
    // Index in the instruction of the base's first character (ruby), or of
    // the text's first character; npos when there is none.
    size_t firstCharOffset = std::u16string::npos;
};

// Parses an EQ instruction (case-insensitive, with or without leading
// spaces). Returns nothing when the instruction is not an EQ field.
std::optional<EqField> ParseEqField(std::u16string_view instruction);

}  // namespace tessaly::wordproc
