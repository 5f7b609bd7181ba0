#include <gtest/gtest.h>

#include "settings/SettingsTable.h"
#include "engine/Text.h"

#include "engine/Escaping.h"
#include "support/EngineHarness.h"

using namespace tessaly;
using namespace tessaly::testing;
using tessaly::wordproc::ModelFromMarkup;
using tessaly::wordproc::ToMarkup;

TEST(TextSearch, Utf8IsDecodedUnitByUnitAndDamageReplaced) {
    EXPECT_EQ(FromUtf8(""), u"");
    EXPECT_EQ(FromUtf8("a\xC3\xA9\xE6\xBC\xA2\xF0\xA0\xAE\xB7z"), u"a\u00E9\u6F22\U00020BB7z");
    // A bad lead or continuation byte: one replacement, then on from the next byte.
    EXPECT_EQ(FromUtf8("\x80\xE6\x41\xBC\xFFk"), u"\uFFFD\uFFFDA\uFFFD\uFFFDk");
    // Cut short at the end: one replacement for what is left.
    EXPECT_EQ(FromUtf8("\xE6\xBC"), u"\uFFFD");
    EXPECT_EQ(FromUtf8("\xE6\xBC\xA2\xF0\xA0\xAE"), u"\u6F22\uFFFD");
    // Past the last character: one replacement, not a unit cut from it.
    EXPECT_EQ(FromUtf8("\xF4\x90\x80\x80x"), u"\uFFFDx");
    EXPECT_EQ(FromUtf8("\xF4\x8F\xBF\xBF"), u"\U0010FFFF");
    std::u16string out = u"前";
    AppendUtf8(out, "\xE3\x81\x82");
    EXPECT_EQ(out, u"前あ");
    // The last character of a text, kana or kanji, alone or after others.
    EXPECT_EQ(FromUtf8("\xE3\x82\xA2"), u"ア");
    EXPECT_EQ(FromUtf8("a\xE6\xBC\xA2"), u"a漢");
    EXPECT_EQ(FromUtf8("\xE3\x81\x82\xE6\xBC\xA2"), u"あ漢");
    EXPECT_EQ(FromUtf8("\xE3\x82\x41"), u"\uFFFD\uFFFDA");
    // Long texts, decoded in several buffers: runs of kana and kanji, with
    // plain characters and damage between them, at every alignment.
    for (size_t lead = 0; lead < 4; ++lead) {
        std::string utf8(lead, 'a');
        std::u16string expected(lead, u'a');
        for (int i = 0; i < 300; ++i) {
            utf8 += "\xE6\xBC\xA2\xE3\x81\x82";  // 漢あ
            expected += u"漢あ";
            if (i % 7 == 0) {
                // a character cut short: its lead and the continuation left over
                utf8 += i % 2 ? "x" : "\xE3\x81";
                expected += i % 2 ? u"x" : u"\uFFFD\uFFFD";
            }
        }
        EXPECT_TRUE(FromUtf8(utf8) == expected) << lead;
    }
}

TEST(Escaping, ReservedCharactersAreEscapedInTheDocument) {
    auto m = ModelFromMarkup(u"a\\b<c>d ＼＜＞﹤ {x<y}");
    EscapeReservedCharacters(*m);
    EXPECT_EQ(ToMarkup(*m), u"a¥b\\<c\\>d ＼＜＞﹤ {x<y}\r");
}

namespace {

struct KentenFixture : ::testing::Test {
    ConversionOptions options = settings::DefaultOptions();
    RunState state;
    RecordingHost host;
    std::u16string mark(std::u16string_view markup, std::u16string* scale = nullptr) {
        auto m = ModelFromMarkup(markup);
        const std::u16string s = MarkKenten(*m, options, state, host);
        if (scale) *scale = s;
        return ToMarkup(*m);
    }
};

}  // namespace

TEST_F(KentenFixture, BothKindsAreWrappedAndCounted) {
    EXPECT_EQ(mark(u"あ[1いう]え[2お][1か]\r[2き]"),
              u"あ[1<CharStyle:圏点5>いう<CharStyle:>]え[2<CharStyle:圏点1>お<CharStyle:>]"
              u"[1<CharStyle:圏点5>か<CharStyle:>]\r[2<CharStyle:圏点1>き<CharStyle:>]\r");
    EXPECT_EQ(state.ConvertedCount, 4);
    EXPECT_EQ(host.counts, (std::vector<int32_t>{1, 2, 3, 4}));
}

TEST_F(KentenFixture, KindSelectsThePasses) {
    options.KentenKind = 1;
    EXPECT_EQ(mark(u"[1a][2b]"), u"[1<CharStyle:圏点5>a<CharStyle:>][2b]\r");
    options.KentenKind = 2;
    EXPECT_EQ(mark(u"[1a][2b]"), u"[1a][2<CharStyle:圏点1>b<CharStyle:>]\r");
    options.KentenKind = 3;
    EXPECT_EQ(mark(u"[1a][2b]"), u"[1a][2b]\r");
}

TEST_F(KentenFixture, StretchWithAFieldIsLeftAlone) {
    EXPECT_EQ(mark(u"[1a{かん漢}b]c[1d]"), u"[1a{かん漢}b]c[1<CharStyle:圏点5>d<CharStyle:>]\r");
    EXPECT_EQ(state.ConvertedCount, 1);
}

TEST_F(KentenFixture, OtherMarksAndSwitchOff) {
    EXPECT_EQ(mark(u"[3a][4b]"), u"[3a][4b]\r");
    options.ConvertBouten = 0;
    std::u16string scale = u"x";
    EXPECT_EQ(mark(u"[1a]", &scale), u"[1a]\r");
    EXPECT_EQ(scale, u"");
    EXPECT_EQ(state.ConvertedCount, 0);
}
