// List and heading numbers as the word processor shows them: the number
// formats Japanese manuscripts use, the levels of a list definition, and the
// counters that number a story's paragraphs in document order. Both readers
// describe their lists with these; what differs between .doc and .docx is
// only how a definition is read.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>

namespace tessaly::wordproc {

enum class NumberFormat : uint8_t {
    Decimal,
    DecimalZero,                 // 01, 02 … 10
    DecimalFullWidth,            // １, ２
    DecimalHalfWidth,
    DecimalEnclosedCircle,       // ① … ㊿, then decimal
    DecimalEnclosedFullstop,     // ⒈ … ⒛
    DecimalEnclosedParen,        // ⑴ … ⒇
    IdeographEnclosedCircle,     // ㊀ … ㊉
    IdeographDigital,            // 一〇, 一一 (digit by digit)
    JapaneseCounting,            // 一, 十一, 百二十
    JapaneseDigitalTenThousand,  // 一〇, 一万二三四五
    ChineseCounting,             // 一, 十一, 一百零一 (as the Chinese and Taiwanese counting formats write)
    IdeographTraditional,        // 甲乙丙 … 癸, then decimal
    IdeographZodiac,             // 子丑寅 … 亥, then decimal
    Aiueo,                       // ｱｲｳ (half-width), round again after ﾝ
    AiueoFullWidth,              // アイウ
    Iroha,                       // ｲﾛﾊ
    IrohaFullWidth,              // イロハ
    LowerLetter,                 // a … z, aa … zz
    UpperLetter,
    LowerRoman,
    UpperRoman,
    Bullet,                      // the level's text alone
    None,                        // no number
};

// A format by its WordprocessingML name (ST_NumberFormat); a name it does
// not know counts in decimal, as a number still says where it stands.
NumberFormat NumberFormatNamed(std::string_view name);
// A format by its .doc code (MSONFC).
NumberFormat NumberFormatOfCode(uint8_t nfc);

// A number in a format.
std::u16string FormatNumber(NumberFormat format, int32_t n);

// The most levels a list has.
inline constexpr int kListLevels = 9;

// One level of a list.
struct ListLevel {
    int32_t start = 1;
    NumberFormat format = NumberFormat::Decimal;
    // The number text; the number of level k (0-8) stands in it as the
    // placeholder character k (U+0000 to U+0008).
    std::u16string text;
    // The levels above restart it when one of index below this is used; -1
    // (the default): any level above it, 0: it never restarts.
    int restartBelow = -1;
    bool legal = false;          // every level's number in decimal
    std::u16string follow = u"\t";  // what follows the number: tab, space or nothing
    std::u16string font;         // the number's font, for a symbol-font bullet
};

using ListDefinition = std::array<ListLevel, kListLevels>;

// The number text of placeholders written as %1 … %9 (WordprocessingML).
std::u16string LevelTextFromPercents(std::u16string_view lvlText);

// The counters of the lists of one story. Paragraphs are given in document
// order; each list (by its key) counts on its own, and every numbered
// paragraph of it, in a table cell or not, counts.
class ListCounters {
public:
    // The text a paragraph of the list at that level shows: its number text
    // with its placeholders filled in, then what follows the number; empty
    // for a level that shows nothing. startOverride, given with its own key,
    // sets the level's counter the first time that key is met at that level.
    std::u16string next(uint64_t list, const ListDefinition& definition, int level,
                        std::optional<int32_t> startOverride = std::nullopt, uint64_t overrideKey = 0);

private:
    struct Counters {
        std::array<int32_t, kListLevels> value{};
        std::array<bool, kListLevels> started{};
    };
    std::map<uint64_t, Counters> m_lists;
    std::set<std::pair<uint64_t, int>> m_overridesApplied;
};

}  // namespace tessaly::wordproc
