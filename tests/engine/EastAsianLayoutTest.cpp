// Word's East Asian layout through a whole conversion: two lines in one
// written as warichu with the document's own brackets, and 縦中横 as its
// character style, which the built-in header then defines.
#include <gtest/gtest.h>

#include "ExpectedHeader.h"
#include "settings/SettingsTable.h"
#include "support/EngineHarness.h"
#include "support/ExpectedTags.h"

using namespace tessaly;
using namespace tessaly::testing;

namespace {

const std::u16string kHorizontalInVerticalLine =
    u"<DefineCharStyle:縦中横=<Nextstyle:縦中横><cTypeface:R><cSize:11.338583><cFont:小塚明朝 Pro><cTCY:1>>\r\n";

// The default header with the 縦中横 style after the kenten styles.
std::u16string HeaderWithHorizontalInVertical() {
    std::u16string header = kDefaultWindowsHeader;
    const size_t at = header.find(u"<DefineParaStyle:");
    header.insert(at, kHorizontalInVerticalLine);
    return header;
}

struct LayoutFixture : ::testing::Test {
    ConversionOptions options = settings::DefaultOptions();
    Conversion conversion;

    std::u16string body(std::u16string_view markup) {
        conversion.run(markup, options);
        const std::u16string text = conversion.windowsText();
        const size_t start = text.find(u"<ParaStyle:段落標準>") + std::u16string_view(u"<ParaStyle:段落標準>").size();
        return text.substr(start, text.size() - start - std::u16string_view(u"\r\n<ParaStyle:>").size());
    }
};

}  // namespace

TEST_F(LayoutFixture, TwoLinesInOneTakeTheDocumentsBracketsNotTheChosenSurround) {
    for (int16_t surround : {kSurroundNone, kSurroundQuarterSpace, kSurroundBraces}) {
        options.WarichuSurround = surround;
        EXPECT_EQ(body(u"本文{%1なし}と{%2丸}と{%3角}と{%4山}と{%5波}。"),
                  u"本文" + Warichu(u"なし") + u"と（" + Warichu(u"丸") + u"）と［" + Warichu(u"角") + u"］と〈" + Warichu(u"山") +
                      u"〉と｛" + Warichu(u"波") + u"｝。")
            << surround;
        EXPECT_EQ(conversion.state.ConvertedCount, 5);
    }
}

TEST_F(LayoutFixture, HalfWidthParensSetTheDocumentsBracketsSolid) {
    options.HalfWidthWarichuParens = kOn;
    EXPECT_EQ(body(u"{%3角}{%1なし}"), u"<CharStyle:文字前ベタ>［<CharStyle:>" + Warichu(u"角") +
                                           u"<CharStyle:文字後ベタ>］<CharStyle:>" + Warichu(u"なし"));
}

TEST_F(LayoutFixture, TheNoteIsTextAsItStands) {
    // Separator marks and counter words that a ruby field's text would
    // split or rewrite stay where the author wrote them.
    EXPECT_EQ(body(u"{%2ちゅう★き▼かげつケ月}"), std::u16string(u"（") + Warichu(u"ちゅう★き▼かげつケ月") + u"）");
    EXPECT_EQ(body(u"{%2a<b>\\}"), std::u16string(u"（") + Warichu(u"a\\<b\\>¥") + u"）");
    // Ruby glyphs are the option of every warichu.
    options.WarichuRubyGlyphs = kOn;
    EXPECT_EQ(body(u"{%1注か}"),
              Warichu(u"注<cOTFContAlt:0><cOTFeatureList:ruby\\,1><rUseOTProGlyph:1>か<cOTFContAlt:><cOTFeatureList:><rUseOTProGlyph:>"));
}

TEST_F(LayoutFixture, BesideRubiesAndKentenEachStandsAlone) {
    // Adjacent to a run of rubies, the note ends the run and is converted by
    // itself; the rubies after it start a new run.
    EXPECT_EQ(body(u"{かん|漢}{じ|字}{%2注}{ご|語}"),
              Mono(u"かん\u3000じ", u"漢字") + u"（" + Warichu(u"注") + u"）" + Mono(u"ご", u"語"));
    EXPECT_EQ(conversion.state.ConvertedCount, 4);
    EXPECT_EQ(conversion.host.counts, (std::vector<int32_t>{1, 2, 3, 4}));
    EXPECT_EQ(body(u"[1強調]{%2注}[1強調]"), Kenten(5, u"強調") + u"（" + Warichu(u"注") + u"）" + Kenten(5, u"強調"));
    EXPECT_EQ(conversion.state.ConvertedCount, 3);
}

TEST_F(LayoutFixture, HorizontalInVerticalIsItsCharacterStyleAndTheHeaderDefinesIt) {
    conversion.run(u"縦中横{%612}月{%6!?}", options);
    EXPECT_EQ(conversion.windowsText(), HeaderWithHorizontalInVertical() +
                                            u"縦中横<CharStyle:縦中横>12<CharStyle:>月<CharStyle:縦中横>!?<CharStyle:>\r\n<ParaStyle:>");
    EXPECT_EQ(conversion.state.ConvertedCount, 0);  // not a ruby, kenten or warichu
    // Beside a ruby it cuts the run as a warichu does.
    EXPECT_EQ(body(u"{に|二}{%610}{じ|字}"),
              Mono(u"に", u"二") + u"<CharStyle:縦中横>10<CharStyle:>" + Mono(u"じ", u"字"));
    EXPECT_EQ(conversion.state.ConvertedCount, 2);
}

TEST_F(LayoutFixture, OnlyAHeaderWhoseBodyUsesTheStyleDefinesIt) {
    options.MacText = kOn;
    conversion.run(u"{%2注}", options);
    EXPECT_EQ(conversion.windowsText().find(u"縦中横"), std::u16string::npos);
    conversion.run(u"{%612}", options);
    const std::string mac = ReadBytes(conversion.macFile());
    std::u16string expected = HeaderWithHorizontalInVertical() + u"<CharStyle:縦中横>12<CharStyle:>\r\n<ParaStyle:>";
    expected.replace(0, 13, u"<UNICODE-MAC>");
    for (size_t p; (p = expected.find(u"\r\n")) != std::u16string::npos;) expected.erase(p + 1, 1);
    EXPECT_EQ(mac, Utf16Bytes(expected, true));
}

TEST_F(LayoutFixture, TheTypesettersOwnHeaderIsLeftAsItIs) {
    options.TagHeader = kCustomHeader;
    std::filesystem::create_directories(conversion.folder.path() / "temp");
    WriteBytes(conversion.folder.path() / "temp" / "header.txt", "\xFF\xFE" + Utf16Bytes(u"<UNICODE-WIN>\r\n<X-WIN>", false));
    conversion.run(u"{%612}", options);
    EXPECT_EQ(conversion.windowsText(), u"<UNICODE-WIN>\r\n<X-WIN><CharStyle:縦中横>12<CharStyle:>\r\n<ParaStyle:>");
}
