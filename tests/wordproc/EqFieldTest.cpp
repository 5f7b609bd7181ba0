#include <gtest/gtest.h>

#include "wordproc/EqField.h"

using namespace tessaly::wordproc;

namespace {

void ExpectRuby(std::u16string_view instruction, std::u16string_view reading, std::u16string_view base) {
    auto f = ParseEqField(instruction);
    ASSERT_TRUE(f.has_value());
    EXPECT_TRUE(f->isRuby);
    EXPECT_EQ(f->reading, reading);
    EXPECT_EQ(f->base, base);
}

void ExpectText(std::u16string_view instruction, std::u16string_view text) {
    auto f = ParseEqField(instruction);
    ASSERT_TRUE(f.has_value());
    EXPECT_FALSE(f->isRuby);
    EXPECT_EQ(f->text, text);
}

}  // namespace

TEST(EqField, RubyFormsThatWritersUse) {
    ExpectRuby(u"EQ \\* jc2 \\* \"Font:ＭＳ 明朝\" \\* hps10 \\o\\ad(\\s\\up 9(かん),漢)", u"かん", u"漢");
    ExpectRuby(u" EQ \\* jc2 \\* \"Font:MS Mincho\" \\* hps11 \\o\\ad(\\s\\up 10(とうきょう),東京)", u"とうきょう", u"東京");
    ExpectRuby(u" eq \\o\\ad(\\s\\up 9(せい),青)", u"せい", u"青");
    ExpectRuby(u"EQ \\o\\al(\\s\\up 9(かん);漢)", u"かん", u"漢");
    ExpectRuby(u"EQ \\o\\ac(\\s\\up9(よみ),読)", u"よみ", u"読");
    ExpectRuby(u"EQ \\o\\aco2(\\s \\up 9(よみ),読)", u"よみ", u"読");
    ExpectRuby(u"EQ \\o(\\s\\up 9(ちゅうき★),本文)", u"ちゅうき★", u"本文");
    // Escaped separators and parentheses stand for themselves.
    ExpectRuby(u"EQ \\o\\ad(\\s\\up 9(a\\,b\\)),x\\(y)", u"a,b)", u"x(y");
    ExpectRuby(u"EQ \\o\\ad(\\s\\up 9(よ),𠮷)", u"よ", u"𠮷");
    ExpectRuby(u"EQ \\O\\AD(\\S\\UP 9(),)", u"", u"");
    ExpectRuby(u"  eq\\o(\\s\\up9(か；),下)  ", u"か；", u"下");
}

TEST(EqField, OtherEqFormsGiveTheirArgumentsText) {
    ExpectText(u"eq \\o\\ac(○,印)", u"○印");
    ExpectText(u"eq V\\d\\ba8()\\s\\up9(re)\\d\\ba1()isionary Manuals", u"Vreisionary Manuals");
    ExpectText(u"EQ \\a \\al (Milk,Eggs,Detergent,Veggies)", u"MilkEggsDetergentVeggies");
    ExpectText(u"eq x = \\f(1,2)", u"x = 12");
    ExpectText(u"EQ \\s\\up 9(かん)", u"かん");  // \s\up without \o
    ExpectText(u"EQ \\o\\ad(\\s\\up 9(かん)\\s\\up 9(x),漢)", u"かんx漢");  // first argument is not \s\up alone
    ExpectText(u"EQ", u"");
}

TEST(EqField, NotEqAndFieldTypes) {
    EXPECT_FALSE(ParseEqField(u" AUTHOR ").has_value());
    EXPECT_FALSE(ParseEqField(u"EQUATION").has_value());
    EXPECT_FALSE(ParseEqField(u"").has_value());
    EXPECT_FALSE(ParseEqField(u"E").has_value());
    EXPECT_FALSE(ParseEqField(u"  hyperlink \"x\"").has_value());
    // The type ends at a space or a backslash, in any case and after any spaces.
    EXPECT_TRUE(ParseEqField(u"eq\\o\\ad(\\s\\up 9(か),下)")->isRuby);
    EXPECT_TRUE(ParseEqField(u"\u3000Eq \\o\\ad(\\s\\up 9(か),下)")->isRuby);
    EXPECT_EQ(ParseEqField(u"EQ")->text, u"");
}

TEST(EqField, FirstCharacterOffsetPointsIntoTheInstruction) {
    const std::u16string instr = u" EQ \\o\\ad(\\s\\up 9(かん),漢)";
    auto f = ParseEqField(instr);
    ASSERT_TRUE(f && f->isRuby);
    EXPECT_EQ(instr[f->firstCharOffset], u'漢');
    const std::u16string other = u"EQ  \\o\\ac(○,印)";
    EXPECT_EQ(other[ParseEqField(other)->firstCharOffset], u'○');
}

TEST(EqField, DamagedInstructionsNeverFail) {
    ExpectText(u"EQ \\o\\ad(\\s\\up 9(かん", u"かん");
    ExpectText(u"EQ \\o((((((", u"(((((");  // a bare parenthesis inside arguments is text
    ExpectText(u"EQ )),\\", u")),\\");
    std::u16string deep = u"EQ ";
    for (int i = 0; i < 10000; ++i) deep += u"\\o(";
    EXPECT_TRUE(ParseEqField(deep).has_value());
}

