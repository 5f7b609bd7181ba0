#include <gtest/gtest.h>

#include "engine/ConversionOptions.h"

using namespace tessaly;

TEST(ConversionOptions, StartsAllZeroAndHasTheStoredDefaults) {
    const ConversionOptions zero{};
    EXPECT_EQ(zero.ResultAction, 0);
    EXPECT_EQ(zero.MacText, 0);
    const auto d = ConversionOptions::Defaults();
    const int16_t lists[] = {d.RubyStyle, d.KanaKind, d.TagHeader, d.RubySeparator,
                             d.WarichuSeparator, d.WarichuSurround, d.KentenKind, d.KentenRatio};
    const int16_t expectedLists[] = {0, 0, 0, 3, 1, 3, 0, 4};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(lists[i], expectedLists[i]) << "Combo" << i + 1;
    const int16_t checks[] = {d.SmallKanaToFullSize, d.MacText, d.HalfWidthWarichuParens,
                              d.WarichuRubyGlyphs, d.ConvertBouten, d.OpenTypeRubyGlyphs};
    const int16_t expectedChecks[] = {0, 1, 0, 0, 1, 1};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(checks[i], expectedChecks[i]) << "Check" << i + 1;
    EXPECT_EQ(d.ResultAction, 3);
}

TEST(ConversionOptions, ItemTextsByIndex) {
    EXPECT_EQ(ListItems(OptionList::Combo6).size(), 10u);
    EXPECT_EQ(ListItems(OptionList::Combo8).size(), 11u);
    EXPECT_EQ(ListItemText(OptionList::Combo8, 10), u"100％");
    EXPECT_EQ(ListItemText(OptionList::Combo7, 0), u" ・ 、（両方）");
    EXPECT_EQ(ListItemText(OptionList::Combo6, 9), u"｛　｝");
    ConversionOptions o;
    o.RubySeparator = 2;
    o.WarichuSeparator = 3;
    o.WarichuSurround = 1;
    EXPECT_EQ(o.RubySeparatorText(), u"▽");
    EXPECT_EQ(o.WarichuSeparatorText(), u"◆");
    EXPECT_EQ(o.WarichuSurroundText(), u"4分アキ");
    o.RubySeparator = -1;
    o.WarichuSeparator = 4;
    EXPECT_EQ(o.RubySeparatorText(), u"");
    EXPECT_EQ(o.WarichuSeparatorText(), u"");
}
