#include <gtest/gtest.h>

#include "wordproc/DocumentBuilder.h"

using namespace tessaly::wordproc;

TEST(DocumentMarkup, BuildsPositionsAndRoundTrips) {
    auto m = ModelFromMarkup(u"前[1強{かん漢}]\r`{x`}");
    ASSERT_EQ(m->size(), 8u);
    EXPECT_EQ(m->at(0).code, U'前');
    EXPECT_EQ(m->at(1).emphasis, 1);
    EXPECT_TRUE(m->at(2).isField);
    EXPECT_EQ(m->at(2).fieldText, u"かん漢");
    EXPECT_EQ(m->at(2).emphasis, 1);
    EXPECT_EQ(m->at(3).code, U'\r');
    EXPECT_EQ(m->at(3).emphasis, 0);
    EXPECT_EQ(m->at(4).code, U'{');
    EXPECT_EQ(m->at(7).code, U'\r');
    EXPECT_EQ(ToMarkup(*m), u"前[1強{かん漢}]\r`{x`}\r");
    EXPECT_EQ(m->plainText(), u"前強かん漢\r{x}\r");
}

TEST(DocumentMarkup, RejectsMalformedMarkup) {
    EXPECT_THROW(ModelFromMarkup(u"[5x]"), MarkupError);
    EXPECT_THROW(ModelFromMarkup(u"[1x"), MarkupError);
    EXPECT_THROW(ModelFromMarkup(u"x]"), MarkupError);
    EXPECT_THROW(ModelFromMarkup(u"{x"), MarkupError);
}
