#include <gtest/gtest.h>

#include "engine/ReadingNormalisation.h"

using namespace tessaly;

namespace {
std::u16string Rewritten(std::u16string text, std::u16string_view separator) {
    RewriteKnownReading(text, separator);
    return text;
}
}  // namespace

TEST(RewriteKnownReading, WholeKnownWordsOnly) {
    EXPECT_EQ(Rewritten(u"かげつケ月", u"△"), u"かげつ△ケ月");
    EXPECT_EQ(Rewritten(u"かげつケ月", u"▼"), u"かげつ▼ケ月");
    EXPECT_EQ(Rewritten(u"がケ", u"▼"), u"が▼ケ");
    EXPECT_EQ(Rewritten(u"っッ", u"▼"), u"っ▼ッ");
    EXPECT_EQ(Rewritten(u"かじょうカ条", u"▼"), u"かじょう▼カ条");
    EXPECT_EQ(Rewritten(u"かげつケ月だ", u"△"), u"かげつケ月だ");
    EXPECT_EQ(Rewritten(u"ケ月", u"△"), u"ケ月");
    EXPECT_EQ(Rewritten(u"かげつヶ月", u"△"), u"かげつヶ月");  // small ヶ needs no entry
    EXPECT_EQ(Rewritten(u"", u"△"), u"");
}

TEST(NormaliseReading, SettingsApplyInOrder) {
    ConversionOptions o;
    EXPECT_EQ(NormaliseReading(u"きょ\u3000う", o), u"きょ\u3000う");  // all off: unchanged
    o.RubyStyle = 1;
    o.KanaKind = 1;
    o.SmallKanaToFullSize = 1;
    EXPECT_EQ(NormaliseReading(u"きょ\u3000う", o), u"キヨウ");
    o.RubyStyle = 0;
    o.KanaKind = 0;
    EXPECT_EQ(NormaliseReading(u"きょ\u3000う", o), u"きよ\u3000う");
}

TEST(NormaliseReading, KatakanaConversionIsOneWay) {
    ConversionOptions o;
    EXPECT_EQ(NormaliseReading(u"カタカナ", o), u"カタカナ");
    o.KanaKind = 1;
    EXPECT_EQ(NormaliseReading(u"ぁあゔゕゖゝ漢", o), u"ァアヴヵヶゝ漢");
    o.SmallKanaToFullSize = 1;
    EXPECT_EQ(NormaliseReading(u"ゕゖ", o), u"カケ");
    o.KanaKind = 0;
    EXPECT_EQ(NormaliseReading(u"ゕゖ", o), u"ゕゖ");
}

TEST(ToLargeKana, MapsExactlyTheTwentyTwoSmallKana) {
    const std::u16string small = u"ぁぃぅぇぉゃゅょゎっァィゥェォャュョヮッヵヶ";
    const std::u16string large = u"あいうえおやゆよわつアイウエオヤユヨワツカケ";
    int mapped = 0;
    for (char16_t c = 0x3000; c < 0x3100; ++c) {
        const size_t at = small.find(c);
        if (at != std::u16string::npos) {
            EXPECT_EQ(ToLargeKana(c), large[at]);
            ++mapped;
        } else {
            EXPECT_EQ(ToLargeKana(c), c) << std::hex << int(c);
        }
    }
    EXPECT_EQ(mapped, 22);
}
