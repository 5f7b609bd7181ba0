// List and heading numbers: each format as the word processor writes it,
// the counters' restarts and overrides, and the numbers both readers write
// at the start of their paragraphs.
#include <gtest/gtest.h>

#include "support/Corpus.h"
#include "support/MiniDocx.h"
#include "support/TestFiles.h"
#include "wordproc/DocumentBuilder.h"
#include "wordproc/ListNumbers.h"
#include "wordproc/Readers.h"

using namespace tessaly::wordproc;
using namespace tessaly::testing;

namespace {

std::u16string Formatted(NumberFormat format, std::initializer_list<int32_t> numbers) {
    std::u16string out;
    for (int32_t n : numbers) out += FormatNumber(format, n) + u" ";
    return out;
}

ListDefinition Levels(std::initializer_list<ListLevel> levels) {
    ListDefinition d;
    size_t i = 0;
    for (const ListLevel& l : levels) d[i++] = l;
    return d;
}

ListLevel Level(std::u16string_view lvlText, NumberFormat format = NumberFormat::Decimal, int32_t start = 1) {
    ListLevel l;
    l.text = LevelTextFromPercents(lvlText);
    l.format = format;
    l.start = start;
    l.follow = u"";
    return l;
}

struct Read {
    std::u16string markup;
    ReadReport report;
};

Read ReadNumbered(const std::string& paragraphs, const std::string& numbering, const std::string& styles = "") {
    TempFolder folder;
    const auto file = folder.path() / "numbered.docx";
    WriteDocx(file, paragraphs, DocxParts{styles, numbering, {}, {}});
    Read r;
    r.markup = ToMarkup(*ReadDocument(file, {}, &r.report));
    return r;
}

std::string Numbered(int numId, int level, const std::string& text) {
    return "<w:p><w:pPr><w:numPr><w:ilvl w:val=\"" + std::to_string(level) + "\"/><w:numId w:val=\"" + std::to_string(numId) +
           "\"/></w:numPr></w:pPr>" + TextRun(text) + "</w:p>";
}

std::string Lvl(int level, const std::string& format, const std::string& text, const std::string& more = "") {
    return "<w:lvl w:ilvl=\"" + std::to_string(level) + "\"><w:start w:val=\"1\"/><w:numFmt w:val=\"" + format + "\"/><w:lvlText w:val=\"" +
           text + "\"/>" + more + "</w:lvl>";
}

}  // namespace

TEST(NumberFormat, TheFormatsJapaneseManuscriptsUse) {
    using F = NumberFormat;
    EXPECT_EQ(Formatted(F::Decimal, {1, 10, 0}), u"1 10 0 ");
    EXPECT_EQ(Formatted(F::DecimalZero, {1, 9, 10}), u"01 09 10 ");
    EXPECT_EQ(Formatted(F::DecimalFullWidth, {1, 12}), u"１ １２ ");
    EXPECT_EQ(Formatted(F::DecimalHalfWidth, {3}), u"3 ");
    EXPECT_EQ(Formatted(F::DecimalEnclosedCircle, {1, 20, 21, 35, 36, 50, 51}), u"① ⑳ ㉑ ㉟ ㊱ ㊿ 51 ");
    EXPECT_EQ(Formatted(F::DecimalEnclosedParen, {1, 20, 21}), u"⑴ ⒇ 21 ");
    EXPECT_EQ(Formatted(F::DecimalEnclosedFullstop, {2}), u"⒉ ");
    EXPECT_EQ(Formatted(F::IdeographEnclosedCircle, {1, 10, 11}), u"㊀ ㊉ 11 ");
    EXPECT_EQ(Formatted(F::JapaneseCounting, {1, 10, 11, 20, 100, 101, 120, 1000, 1999, 10000, 23000}),
              u"一 十 十一 二十 百 百一 百二十 千 千九百九十九 一万 二万三千 ");
    EXPECT_EQ(Formatted(F::JapaneseDigitalTenThousand, {1, 10, 105, 12345, 10005, 20000}), u"一 一〇 一〇五 一万二三四五 一万〇〇〇五 二万 ");
    EXPECT_EQ(Formatted(F::IdeographDigital, {10}), u"一〇 ");
    EXPECT_EQ(Formatted(F::ChineseCounting, {10, 11, 101, 110, 1010, 10001}), u"十 十一 一百零一 一百一十 一千零一十 一万零一 ");
    EXPECT_EQ(Formatted(F::IdeographTraditional, {1, 10, 11}), u"甲 癸 11 ");
    EXPECT_EQ(Formatted(F::IdeographZodiac, {1, 12, 13}), u"子 亥 13 ");
    EXPECT_EQ(Formatted(F::Aiueo, {1, 45, 46, 47}), u"ｱ ｦ ﾝ ｱ ");
    EXPECT_EQ(Formatted(F::AiueoFullWidth, {1, 46}), u"ア ン ");
    EXPECT_EQ(Formatted(F::Iroha, {1, 25, 43, 48, 49}), u"ｲ ヰ ヱ ﾝ ｲ ");
    EXPECT_EQ(Formatted(F::IrohaFullWidth, {1, 48}), u"イ ン ");
    EXPECT_EQ(Formatted(F::LowerLetter, {1, 26, 27, 53}), u"a z aa aaa ");
    EXPECT_EQ(Formatted(F::UpperLetter, {2}), u"B ");
    EXPECT_EQ(Formatted(F::LowerRoman, {4, 9, 14, 40, 1994}), u"iv ix xiv xl mcmxciv ");
    EXPECT_EQ(Formatted(F::UpperRoman, {3999, 0}), u"MMMCMXCIX 0 ");
    EXPECT_EQ(Formatted(F::Bullet, {1}), u" ");
    EXPECT_EQ(Formatted(F::None, {1}), u" ");
    // By their names and .doc codes; a name it does not know counts in decimal.
    EXPECT_EQ(NumberFormatNamed("irohaFullWidth"), F::IrohaFullWidth);
    EXPECT_EQ(NumberFormatNamed("taiwaneseCountingThousand"), F::ChineseCounting);
    EXPECT_EQ(NumberFormatNamed("hebrew1"), F::Decimal);
    EXPECT_EQ(NumberFormatOfCode(0x0B), F::JapaneseCounting);
    EXPECT_EQ(NumberFormatOfCode(0x12), F::DecimalEnclosedCircle);
    EXPECT_EQ(NumberFormatOfCode(0x23), F::ChineseCounting);
    EXPECT_EQ(NumberFormatOfCode(0xFF), F::None);
}

TEST(ListCounters, LevelsRestartAsTheySay) {
    ListDefinition d = Levels({Level(u"第%1章"), Level(u"%1.%2"), Level(u"(%3)", NumberFormat::LowerLetter)});
    d[2].restartBelow = 1;  // restarted by level 0 only, not by level 1
    ListCounters c;
    std::u16string shown;
    for (int level : {0, 1, 2, 1, 2, 0, 2, 1}) shown += c.next(1, d, level) + u" ";
    EXPECT_EQ(shown, u"第1章 1.1 (a) 1.2 (b) 第2章 (a) 2.1 ");
    // A level that never restarts, a legal level, another list apart.
    d[1].restartBelow = 0;
    d[2].legal = true;
    d[2].text = LevelTextFromPercents(u"%1.%2.%3");
    ListCounters other;
    shown.clear();
    for (int level : {1, 0, 1, 2}) shown += other.next(7, d, level) + u" ";
    shown += other.next(8, d, 0);
    EXPECT_EQ(shown, u"1.1 第1章 1.2 1.2.1 第1章");
}

TEST(ListCounters, AStartOverrideSetsTheCounterOnceForItsKey) {
    const ListDefinition d = Levels({Level(u"%1)")});
    ListCounters c;
    std::u16string shown;
    for (const auto& [override, key] : {std::pair<std::optional<int32_t>, uint64_t>{std::nullopt, 1}, {std::nullopt, 1}, {10, 2}, {10, 2}, {std::nullopt, 1}})
        shown += c.next(1, d, 0, override, key);
    EXPECT_EQ(shown, u"1)2)10)11)12)");
    // A level's number text shows the start of a level not used yet.
    ListCounters fresh;
    EXPECT_EQ(fresh.next(1, Levels({Level(u"%1"), Level(u"%1-%2", NumberFormat::Decimal, 5)}), 1), u"1-5");
    EXPECT_EQ(LevelTextFromPercents(u"%1.%9%x%"), std::u16string(u"\x00.\x08%x%", 6));
}

TEST(ListNumbersRead, SavedByAWordProcessorInBothFormats) {
    // Headings numbered 第1部 / 第1章 with the chapters restarting in a new
    // part, nested decimal lists, a bullet, the Japanese formats, a
    // numbered paragraph in a table cell. The second word processor wrote
    // the half-width and full-width iroha of its .docx each under the
    // other's name, and continued the cell's list only in its .doc.
    const std::u16string head = u"第1部前編\r第1章出会い\r本文。\r第2章別れ\r第2部後編\r第1章再会\r"
                                u"1.項目\r1.1.細目\r1.2.細目二\r2.項目二\r•点\r"
                                u"1.\tDecimalの1\r2.\tDecimalの2\r3.\tDecimalの3\r①.\tCircledの1\r②.\tCircledの2\r③.\tCircledの3\r"
                                u"一.\tCountingの1\r二.\tCountingの2\r三.\tCountingの3\r四.\tCountingの4\r五.\tCountingの5\r"
                                u"六.\tCountingの6\r七.\tCountingの7\r八.\tCountingの8\r九.\tCountingの9\r十.\tCountingの10\r"
                                u"十一.\tCountingの11\r十二.\tCountingの12\r甲.\tStemsの1\r乙.\tStemsの2\r丙.\tStemsの3\r"
                                u"子.\tZodiacの1\r丑.\tZodiacの2\r寅.\tZodiacの3\rｱ.\tAiueoHalfの1\rｲ.\tAiueoHalfの2\rｳ.\tAiueoHalfの3\r"
                                u"ア.\tAiueoの1\rイ.\tAiueoの2\rウ.\tAiueoの3\r";
    const std::u16string tail = u"a.\tLowerの1\rb.\tLowerの2\rc.\tLowerの3\rA.\tUpperの1\rB.\tUpperの2\rC.\tUpperの3\r"
                                u"i.\tLowerRomanの1\rii.\tLowerRomanの2\riii.\tLowerRomanの3\r"
                                u"I.\tUpperRomanの1\rII.\tUpperRomanの2\rIII.\tUpperRomanの3\r";
    ReadReport doc;
    EXPECT_EQ(ToMarkup(*ReadDocument(TestData("ListNumbers.doc"), {}, &doc)),
              head + u"ｲ.\tIrohaHalfの1\rﾛ.\tIrohaHalfの2\rﾊ.\tIrohaHalfの3\rイ.\tIrohaの1\rロ.\tIrohaの2\rハ.\tIrohaの3\r" + tail +
                  u"4.\tセルの番号\r普通のセル\r\r終わり\r");
    EXPECT_EQ(doc.leftOut.writtenNumbers, 59u);
    EXPECT_EQ(doc.leftOut.unnumberedParagraphs, 0u);
    EXPECT_EQ(ToMarkup(*ReadDocument(TestData("ListNumbers.docx"))),
              head + u"イ.\tIrohaHalfの1\rロ.\tIrohaHalfの2\rハ.\tIrohaHalfの3\rｲ.\tIrohaの1\rﾛ.\tIrohaの2\rﾊ.\tIrohaの3\r" + tail +
                  u"1.\tセルの番号\r普通のセル\r\r終わり\r");
    // Without numbers as text, as before: the paragraphs are counted.
    for (const char* name : {"ListNumbers.doc", "ListNumbers.docx"}) {
        ReadReport off;
        const std::u16string markup = ToMarkup(*ReadDocument(TestData(name), ReadOptions{false, true, false}, &off));
        EXPECT_TRUE(markup.starts_with(u"前編\r出会い\r本文。\r")) << name;
        EXPECT_EQ(off.leftOut.unnumberedParagraphs, 59u) << name;
        EXPECT_EQ(off.leftOut.writtenNumbers, 0u) << name;
    }
}

TEST(ListNumbersRead, DocxLevelsOverridesAndLinks) {
    const std::string numbering =
        "<w:abstractNum w:abstractNumId=\"0\">" + Lvl(0, "decimalFullWidth", "%1．", "<w:suff w:val=\"space\"/>") +
        Lvl(1, "lowerRoman", "%1.%2", "<w:isLgl/><w:suff w:val=\"nothing\"/>") + "</w:abstractNum>"
        "<w:abstractNum w:abstractNumId=\"1\">" + Lvl(0, "japaneseDigitalTenThousand", "%1", "<w:pStyle w:val=\"H1\"/>") +
        Lvl(1, "decimalEnclosedParen", "%2", "<w:pStyle w:val=\"H2\"/>") + "</w:abstractNum>"
        "<w:abstractNum w:abstractNumId=\"2\"><w:numStyleLink w:val=\"LinkedList\"/></w:abstractNum>"
        "<w:abstractNum w:abstractNumId=\"3\">" + Lvl(0, "bullet", "\xEF\x82\xB7", "<w:rPr><w:rFonts w:ascii=\"Symbol\"/></w:rPr>") +
        Lvl(1, "bullet", "\xEF\x83\x98", "<w:rPr><w:rFonts w:ascii=\"Wingdings\"/></w:rPr>") + "</w:abstractNum>"
        "<w:num w:numId=\"1\"><w:abstractNumId w:val=\"0\"/></w:num>"
        "<w:num w:numId=\"2\"><w:abstractNumId w:val=\"0\"/><w:lvlOverride w:ilvl=\"0\"><w:startOverride w:val=\"7\"/></w:lvlOverride></w:num>"
        "<w:num w:numId=\"3\"><w:abstractNumId w:val=\"1\"/></w:num>"
        "<w:num w:numId=\"4\"><w:abstractNumId w:val=\"2\"/></w:num>"
        "<w:num w:numId=\"5\"><w:abstractNumId w:val=\"3\"/></w:num>"
        "<w:num w:numId=\"6\"><w:abstractNumId w:val=\"0\"/><w:lvlOverride w:ilvl=\"0\">" + Lvl(0, "upperLetter", "[%1]") +
        "</w:lvlOverride></w:num>";
    const std::string styles =
        "<w:style w:type=\"paragraph\" w:styleId=\"H1\"><w:pPr><w:numPr><w:numId w:val=\"3\"/></w:numPr></w:pPr></w:style>"
        "<w:style w:type=\"paragraph\" w:styleId=\"H2\"><w:basedOn w:val=\"H1\"/></w:style>"
        "<w:style w:type=\"numbering\" w:styleId=\"LinkedList\"><w:pPr><w:numPr><w:numId w:val=\"1\"/></w:numPr></w:pPr></w:style>";
    auto styled = [](const std::string& style, const std::string& text) {
        return "<w:p><w:pPr><w:pStyle w:val=\"" + style + "\"/></w:pPr>" + TextRun(text) + "</w:p>";
    };
    const Read r = ReadNumbered(Numbered(1, 0, "一") + Numbered(1, 1, "二") + Numbered(2, 0, "三") + Numbered(1, 0, "四") +
                                    styled("H1", "章") + styled("H2", "節") + styled("H2", "節") + styled("H1", "章") +
                                    Numbered(4, 0, "五") + Numbered(5, 0, "点") + Numbered(5, 1, "矢") + Numbered(6, 0, "英") +
                                    "<w:p><w:pPr><w:pStyle w:val=\"H1\"/><w:numPr><w:numId w:val=\"0\"/></w:numPr></w:pPr>" +
                                    TextRun("番号なし") + "</w:p>" + Numbered(9, 0, "定義なし"),
                                numbering, styles);
    // Lists of one definition count together; the override starts its own
    // list's level once; a level linked to a style is that style's; a list
    // through a numbering style counts with the list it names; symbol-font
    // bullets as their fonts show them; a list the part lacks shows nothing.
    EXPECT_EQ(r.markup, u"１． 一\r1.1二\r７． 三\r８． 四\r"
                        u"一\t章\r⑴\t節\r⑵\t節\r二\t章\r"
                        u"９． 五\r•\t点\r\uF0D8\t矢\r`[J`]\t英\r番号なし\r定義なし\r");
    EXPECT_EQ(r.report.leftOut.writtenNumbers, 12u);
    EXPECT_EQ(r.report.leftOut.symbolFonts.size(), 1u);
    EXPECT_EQ(r.report.leftOut.symbolFonts.at(0).font, "Wingdings");
}
