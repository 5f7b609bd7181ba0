// The EQ field parser shared by the .doc and .docx readers.
//
// Word writes ruby (its phonetic guide) as an EQ field such as
//   EQ \* jc2 \* "Font:ＭＳ 明朝" \* hps10 \o\ad(\s\up 9(かん),漢)
// Only an \o whose first argument is \s\up n(reading) is ruby; every other
// EQ form (an enclosed character \o\ac(○,印), fractions, arrays, \s\up
// without \o) stands for the text of its arguments.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// ParseEqField with the results for recent instructions kept. A book
// repeats its rubies (the same reading over the same word, in the same
// instruction), and an instruction met before is looked up instead of
// parsed again. A fixed number of results is kept, each in the place its
// instruction's hash gives, so memory stays small whatever the book holds.
class EqFieldCache {
public:
    // What ParseEqField gives for instruction; valid until the next call.
    const std::optional<EqField>& parse(std::u16string_view instruction);

private:
    struct Entry {
        bool filled = false;
        uint64_t hash = 0;
        std::u16string instruction;
        std::optional<EqField> field;
    };
    static constexpr size_t kEntries = 512;
    std::vector<Entry> m_entries;
};

// The same, always through the full parser (the common ruby form is read by
// a shortcut otherwise); for checking that the two agree.
std::optional<EqField> ParseEqFieldWithoutShortcut(std::u16string_view instruction);

}  // namespace tessaly::wordproc
