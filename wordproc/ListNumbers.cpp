#include "wordproc/ListNumbers.h"

#include "engine/Text.h"

namespace tessaly::wordproc {
namespace {

constexpr std::u16string_view kDigits = u"〇一二三四五六七八九";
constexpr std::u16string_view kAiueo = u"ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛﾜｦﾝ";
constexpr std::u16string_view kAiueoFull = u"アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワヲン";
// Half-width katakana have no ヰ and ヱ: those two stay full width.
constexpr std::u16string_view kIroha = u"ｲﾛﾊﾆﾎﾍﾄﾁﾘﾇﾙｦﾜｶﾖﾀﾚｿﾂﾈﾅﾗﾑｳヰﾉｵｸﾔﾏｹﾌｺｴﾃｱｻｷﾕﾒﾐｼヱﾋﾓｾｽﾝ";
constexpr std::u16string_view kIrohaFull = u"イロハニホヘトチリヌルヲワカヨタレソツネナラムウヰノオクヤマケフコエテアサキユメミシヱヒモセスン";
constexpr std::u16string_view kStems = u"甲乙丙丁戊己庚辛壬癸";
constexpr std::u16string_view kBranches = u"子丑寅卯辰巳午未申酉戌亥";

std::u16string Decimal(int32_t n) { return FromUtf8(std::to_string(n)); }

std::u16string FullWidth(int32_t n) {
    std::u16string s = Decimal(n);
    for (char16_t& c : s)
        if (c >= u'0' && c <= u'9') c = char16_t(0xFF10 + (c - u'0'));
    return s;
}

std::u16string IdeographDigits(int32_t n) {
    std::u16string s = Decimal(n);
    for (char16_t& c : s)
        if (c >= u'0' && c <= u'9') c = kDigits[c - u'0'];
    return s;
}

// Counting with 十, 百 and 千, a 1 before them not written; 万 and above
// with their count before them.
std::u16string Counting(int32_t n) {
    if (n == 0) return u"〇";
    std::u16string s;
    if (n >= 100000000) {
        s += Counting(n / 100000000) + u"億";
        n %= 100000000;
    }
    if (n >= 10000) {
        s += Counting(n / 10000) + u"万";
        n %= 10000;
    }
    static constexpr std::pair<int32_t, char16_t> kUnits[] = {{1000, u'千'}, {100, u'百'}, {10, u'十'}};
    for (const auto& [unit, sign] : kUnits) {
        const int32_t d = n / unit;
        n %= unit;
        if (d == 0) continue;
        if (d > 1) s += kDigits[d];
        s += sign;
    }
    if (n > 0) s += kDigits[n];
    return s;
}

// Counting as Chinese writes it: 十一, 一百一十, 一百零一.
std::u16string ChineseBelowTenThousand(int32_t n, bool leadingTen) {
    static constexpr char16_t kUnits[] = {u'千', u'百', u'十', 0};
    static constexpr int32_t kPlaces[] = {1000, 100, 10, 1};
    std::u16string s;
    bool started = false, gap = false;
    for (int p = 0; p < 4; ++p) {
        const int32_t d = n / kPlaces[p] % 10;
        if (d == 0) {
            gap = started;
            continue;
        }
        if (gap) s += u'零';
        gap = false;
        if (!(p == 2 && d == 1 && !started && leadingTen)) s += kDigits[d];
        if (kUnits[p]) s += kUnits[p];
        started = true;
    }
    return s;
}

std::u16string ChineseCounting(int32_t n) {
    if (n == 0) return u"〇";
    if (n < 10000) return ChineseBelowTenThousand(n, true);
    std::u16string s = ChineseCounting(n / 10000) + u"万";
    if (const int32_t rest = n % 10000) {
        if (rest < 1000) s += u'零';
        s += ChineseBelowTenThousand(rest, false);
    }
    return s;
}

std::u16string TenThousands(int32_t n) {
    if (n < 10000) return IdeographDigits(n);
    std::u16string s = IdeographDigits(n / 10000) + u"万";
    if (const int32_t rest = n % 10000) {
        std::u16string low = IdeographDigits(rest);
        s += std::u16string(4 - low.size(), u'〇') + low;
    }
    return s;
}

std::u16string Roman(int32_t n, bool upper) {
    static constexpr std::pair<int32_t, const char*> kValues[] = {{1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"},
                                                                  {90, "xc"},  {50, "l"},   {40, "xl"}, {10, "x"},   {9, "ix"},
                                                                  {5, "v"},    {4, "iv"},   {1, "i"}};
    std::string s;
    for (const auto& [value, letters] : kValues)
        for (; n >= value; n -= value) s += letters;
    if (upper)
        for (char& c : s) c = static_cast<char>(c - 'a' + 'A');
    return FromUtf8(s);
}

std::u16string Letters(int32_t n, char16_t first) {
    return std::u16string(size_t((n - 1) / 26 + 1), char16_t(first + (n - 1) % 26));
}

// A character of a sequence by the number, from 1: in turn, or up to its
// end and decimal after it.
std::u16string InTurn(std::u16string_view sequence, int32_t n) { return std::u16string(1, sequence[size_t(n - 1) % sequence.size()]); }
std::u16string UpToTheEnd(std::u16string_view sequence, int32_t n) {
    return size_t(n) <= sequence.size() ? std::u16string(1, sequence[size_t(n - 1)]) : Decimal(n);
}

// Enclosed numbers: the runs of Unicode characters from 1 up.
std::u16string Enclosed(int32_t n, std::initializer_list<std::pair<int32_t, char32_t>> runs, int32_t last) {
    if (n < 1 || n > last) return Decimal(n);
    char32_t cp = 0;
    for (const auto& [from, first] : runs)
        if (n >= from) cp = first + char32_t(n - from);
    std::u16string s;
    AppendCodePoint(s, cp);
    return s;
}

}  // namespace

NumberFormat NumberFormatNamed(std::string_view name) {
    static constexpr std::pair<std::string_view, NumberFormat> kNames[] = {
        {"decimal", NumberFormat::Decimal},
        {"decimalZero", NumberFormat::DecimalZero},
        {"decimalFullWidth", NumberFormat::DecimalFullWidth},
        {"decimalFullWidth2", NumberFormat::DecimalFullWidth},
        {"decimalHalfWidth", NumberFormat::DecimalHalfWidth},
        {"decimalEnclosedCircle", NumberFormat::DecimalEnclosedCircle},
        {"decimalEnclosedCircleChinese", NumberFormat::DecimalEnclosedCircle},
        {"decimalEnclosedFullstop", NumberFormat::DecimalEnclosedFullstop},
        {"decimalEnclosedParen", NumberFormat::DecimalEnclosedParen},
        {"ideographEnclosedCircle", NumberFormat::IdeographEnclosedCircle},
        {"ideographDigital", NumberFormat::IdeographDigital},
        {"japaneseCounting", NumberFormat::JapaneseCounting},
        {"japaneseDigitalTenThousand", NumberFormat::JapaneseDigitalTenThousand},
        {"taiwaneseCounting", NumberFormat::ChineseCounting},
        {"taiwaneseCountingThousand", NumberFormat::ChineseCounting},
        {"chineseCounting", NumberFormat::ChineseCounting},
        {"chineseCountingThousand", NumberFormat::ChineseCounting},
        {"ideographTraditional", NumberFormat::IdeographTraditional},
        {"ideographZodiac", NumberFormat::IdeographZodiac},
        {"aiueo", NumberFormat::Aiueo},
        {"aiueoFullWidth", NumberFormat::AiueoFullWidth},
        {"iroha", NumberFormat::Iroha},
        {"irohaFullWidth", NumberFormat::IrohaFullWidth},
        {"lowerLetter", NumberFormat::LowerLetter},
        {"upperLetter", NumberFormat::UpperLetter},
        {"lowerRoman", NumberFormat::LowerRoman},
        {"upperRoman", NumberFormat::UpperRoman},
        {"bullet", NumberFormat::Bullet},
        {"none", NumberFormat::None},
    };
    for (const auto& [n, format] : kNames)
        if (n == name) return format;
    return NumberFormat::Decimal;
}

NumberFormat NumberFormatOfCode(uint8_t nfc) {
    // MSONFC by its value, as WordprocessingML names it.
    static constexpr std::string_view kCodes[] = {
        "decimal",          "upperRoman",        "lowerRoman",
        "upperLetter",      "lowerLetter",       "ordinal",
        "cardinalText",     "ordinalText",       "hex",
        "chicago",          "ideographDigital",  "japaneseCounting",
        "aiueo",            "iroha",             "decimalFullWidth",
        "decimalHalfWidth", "japaneseLegal",     "japaneseDigitalTenThousand",
        "decimalEnclosedCircle", "decimalFullWidth2", "aiueoFullWidth",
        "irohaFullWidth",   "decimalZero",       "bullet",
        "ganada",           "chosung",           "decimalEnclosedFullstop",
        "decimalEnclosedParen", "decimalEnclosedCircleChinese", "ideographEnclosedCircle",
        "ideographTraditional", "ideographZodiac",   "ideographZodiacTraditional",
        "taiwaneseCounting", "ideographLegalTraditional", "taiwaneseCountingThousand",
        "taiwaneseDigital", "chineseCounting",   "chineseLegalSimplified",
        "chineseCountingThousand",
    };
    if (nfc == 0xFF) return NumberFormat::None;
    return nfc < std::size(kCodes) ? NumberFormatNamed(kCodes[nfc]) : NumberFormat::Decimal;
}

std::u16string FormatNumber(NumberFormat format, int32_t n) {
    using F = NumberFormat;
    if (format == F::None || format == F::Bullet) return {};
    // Formats that count from one write what comes before one in decimal.
    if (n < 1 && format != F::DecimalZero && format != F::DecimalFullWidth && format != F::IdeographDigital &&
        format != F::JapaneseCounting && format != F::JapaneseDigitalTenThousand && format != F::ChineseCounting)
        return Decimal(n);
    switch (format) {
    case F::DecimalZero: return n >= 0 && n < 10 ? u"0" + Decimal(n) : Decimal(n);
    case F::DecimalFullWidth: return FullWidth(n);
    case F::DecimalEnclosedCircle: return Enclosed(n, {{1, 0x2460}, {21, 0x3251}, {36, 0x32B1}}, 50);
    case F::DecimalEnclosedFullstop: return Enclosed(n, {{1, 0x2488}}, 20);
    case F::DecimalEnclosedParen: return Enclosed(n, {{1, 0x2474}}, 20);
    case F::IdeographEnclosedCircle: return Enclosed(n, {{1, 0x3280}}, 10);
    case F::IdeographDigital: return n < 0 ? Decimal(n) : IdeographDigits(n);
    case F::JapaneseCounting: return n < 0 ? Decimal(n) : Counting(n);
    case F::JapaneseDigitalTenThousand: return n < 0 ? Decimal(n) : TenThousands(n);
    case F::ChineseCounting: return n < 0 ? Decimal(n) : ChineseCounting(n);
    case F::IdeographTraditional: return UpToTheEnd(kStems, n);
    case F::IdeographZodiac: return UpToTheEnd(kBranches, n);
    case F::Aiueo: return InTurn(kAiueo, n);
    case F::AiueoFullWidth: return InTurn(kAiueoFull, n);
    case F::Iroha: return InTurn(kIroha, n);
    case F::IrohaFullWidth: return InTurn(kIrohaFull, n);
    case F::LowerLetter: return Letters(n, u'a');
    case F::UpperLetter: return Letters(n, u'A');
    case F::LowerRoman: return Roman(n, false);
    case F::UpperRoman: return Roman(n, true);
    default: return Decimal(n);
    }
}

std::u16string LevelTextFromPercents(std::u16string_view lvlText) {
    std::u16string text;
    for (size_t i = 0; i < lvlText.size(); ++i) {
        if (lvlText[i] == u'%' && i + 1 < lvlText.size() && lvlText[i + 1] >= u'1' && lvlText[i + 1] <= u'9') {
            text += char16_t(lvlText[++i] - u'1');
            continue;
        }
        text += lvlText[i];
    }
    return text;
}

std::u16string ListCounters::next(uint64_t list, const ListDefinition& definition, int level,
                                  std::optional<int32_t> startOverride, uint64_t overrideKey) {
    if (level < 0 || level >= kListLevels) level = 0;
    Counters& c = m_lists[list];
    const ListLevel& own = definition[size_t(level)];
    if (startOverride && m_overridesApplied.emplace(overrideKey, level).second) {
        c.value[size_t(level)] = *startOverride;
    } else if (c.started[size_t(level)]) {
        ++c.value[size_t(level)];
    } else {
        c.value[size_t(level)] = own.start;
    }
    c.started[size_t(level)] = true;
    // The levels below restart when this one is used, as each says.
    for (int below = level + 1; below < kListLevels; ++below) {
        const int limit = definition[size_t(below)].restartBelow;
        if (limit < 0 || level < limit) c.started[size_t(below)] = false;
    }
    std::u16string shown;
    for (char16_t ch : own.text) {
        if (ch >= kListLevels) {
            shown += ch;
            continue;
        }
        const ListLevel& other = definition[ch];
        const int32_t value = c.started[ch] ? c.value[ch] : other.start;
        shown += FormatNumber(own.legal ? NumberFormat::Decimal : other.format, value);
    }
    if (shown.empty()) return shown;
    return shown + own.follow;
}

}  // namespace tessaly::wordproc
