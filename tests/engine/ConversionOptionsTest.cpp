#include <gtest/gtest.h>

#include "engine/ConversionOptions.h"

using namespace tessaly;

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
