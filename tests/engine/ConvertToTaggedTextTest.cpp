// Whole conversions of documents built in the test, compared byte for byte
// with the files the engine must write.
#include <gtest/gtest.h>

#include "settings/SettingsTable.h"
#include "ExpectedHeader.h"
#include "support/EngineHarness.h"
#include "support/ExpectedTags.h"

using namespace tessaly;
using namespace tessaly::testing;

namespace {

struct ConvertFixture : ::testing::Test {
    ConversionOptions options = settings::DefaultOptions();
    Conversion conversion;

    // Converts and checks the Windows file's bytes: BOM, header, body, ending.
    void expectBody(std::u16string_view markup, std::u16string_view body) {
        conversion.run(markup, options);
        const std::u16string text = kDefaultWindowsHeader + std::u16string(body) + u"\r\n<ParaStyle:>";
        EXPECT_EQ(ReadBytes(conversion.outputFile()), "\xFF\xFE" + Utf16Bytes(text, false));
    }
};

}  // namespace

TEST_F(ConvertFixture, MonoRubyRunOfThreeInsideText) {
    expectBody(u"漢字の{かん漢}{じ字}{ご語}を読む\r次の段落",
               u"漢字の" + Mono(u"かん\u3000じ\u3000ご", u"漢字語") + u"を読む\r次の段落");
    EXPECT_EQ(conversion.state.ConvertedCount, 3);
    EXPECT_EQ(conversion.host.counts, (std::vector<int32_t>{1, 2, 3}));  // shown after each field
    EXPECT_EQ(conversion.state.OutputFileName, u"作品A_ruby.txt");
    ASSERT_EQ(conversion.host.progress.size(), 2u);
    EXPECT_EQ(conversion.host.progress[0].value, 10);
    EXPECT_EQ(conversion.host.progress[0].caption, u"ルビ変換処理を実行中です...　");
    EXPECT_EQ(conversion.host.progress[1].value, 46);
    EXPECT_EQ(conversion.host.yields, 2);
}

TEST_F(ConvertFixture, GroupRubyStyleJoinsReadings) {
    options.RubyStyle = 1;
    expectBody(u"{かん漢}{じ字}", Group(u"かんじ", u"漢字"));
}

TEST_F(ConvertFixture, RunCutByALongPiece) {
    expectBody(u"{か下}{かんじ漢字}だ", Mono(u"か", u"下") + Group(u"かんじ", u"漢字") + u"だ");
    EXPECT_EQ(conversion.state.ConvertedCount, 2);
}

TEST_F(ConvertFixture, TheBodyEndsTheSameHoweverOftenRunsAreCut) {
    // Three cuts, each giving fields back to be walked again: the body still
    // ends where the document does, without a line break or empty paragraph.
    expectBody(u"前{か下}{かんじ漢字}{き木}{ちゅう★注}{ご語}{ごご午後}",
               u"前" + Mono(u"か", u"下") + Group(u"かんじ", u"漢字") + Mono(u"き", u"木") +
                   u"注（<CharStyle:割注>ちゅう<CharStyle:>）" + Mono(u"ご", u"語") + Group(u"ごご", u"午後"));
    EXPECT_EQ(conversion.state.ConvertedCount, 6);
}

TEST_F(ConvertFixture, TheDocumentsOwnBoundarySplitsReadingFromBase) {
    // Readings that are not all kana: the split before the first other
    // character would move part of them into the printed text.
    expectBody(u"{ジョン・スミス|人名}、{こゝろ|心}、{Truth|真実}、{かん じ|漢字}、{ひび|日々}、{ＡＢ|甲}",
               Group(u"ジョン・スミス", u"人名") + u"、" + Mono(u"こゝろ", u"心") + u"、" + Group(u"Truth", u"真実") +
                   u"、" + Group(u"かん じ", u"漢字") + u"、" + Group(u"ひび", u"日々") + u"、" + Mono(u"ＡＢ", u"甲"));
    // A base of kana, and a separator mark that is not the chosen one, which
    // stays in the reading where the author wrote it.
    expectBody(u"{ひかり|ヒカリ}{ちゅう☆|注}", Group(u"ひかり", u"ヒカリ") + Mono(u"ちゅう☆", u"注"));
    // The separators chosen still decide, and known counter words are still
    // rewritten first.
    expectBody(u"{ちゅうき★|本文}{かげつ|ケ月}", u"本文（<CharStyle:割注>ちゅうき<CharStyle:>）" + Group(u"かげつ", u"ケ月"));
    // Adjacent single-character bases form one mono run as before.
    expectBody(u"{かん|漢}{じ|字}", Mono(u"かん\u3000じ", u"漢字"));
    // A document that cannot tell keeps the split before the first character
    // that is not kana.
    expectBody(u"{ジョン・スミス人名}", Group(u"ジョン", u"・スミス人名"));
}

TEST_F(ConvertFixture, VariationSequencesAreOneCharacter) {
    const std::u16string kuzu = u"葛\U000E0100";  // 葛 with its ideographic variation selector
    const std::u16string tsuji = u"辻\uFE00";
    // Single bases with selectors join a mono run, told or not.
    expectBody(u"{くず|" + kuzu + u"}{つじ|" + tsuji + u"}{くず" + kuzu + u"}",
               Mono(u"くず\u3000つじ\u3000くず", kuzu + tsuji + kuzu));
    // Two characters with selectors make a group ruby.
    expectBody(u"{かつしか|" + kuzu + u"飾}", Group(u"かつしか", kuzu + u"飾"));
    // The spaced warichu's after-space style takes the last character whole.
    options.WarichuSurround = 1;
    expectBody(u"{ちゅう★|二" + tsuji + u"}",
               u"二<CharStyle:文字後4分アキ>" + tsuji + u"<CharStyle:><CharStyle:割注>ちゅう<CharStyle:>\u2009\u2009");
    // A kenten stretch ends after the selector, never between, even where
    // the selector came without the mark.
    expectBody(u"[1葛]\U000E0100x", u"<CharStyle:圏点5>" + kuzu + u"<CharStyle:>x");
}

TEST_F(ConvertFixture, FieldAloneFollowedByOthers) {
    expectBody(u"{かんじ漢字}{か下}{き木}。", Group(u"かんじ", u"漢字") + Mono(u"か\u3000き", u"下木") + u"。");
}

TEST_F(ConvertFixture, WarichuWithSurroundKinds) {
    expectBody(u"本文{ちゅうき★本文}です", u"本文本文（<CharStyle:割注>ちゅうき<CharStyle:>）です");
    options.WarichuSurround = 1;
    expectBody(u"{ちゅうき★本文}", u"本<CharStyle:文字後4分アキ>文<CharStyle:><CharStyle:割注>ちゅうき<CharStyle:>\u2009\u2009");
    options.WarichuSurround = 6;
    options.HalfWidthWarichuParens = 1;
    expectBody(u"{ちゅうき★本文}",
               u"本文<CharStyle:文字前ベタ>【<CharStyle:><CharStyle:割注>ちゅうき<CharStyle:><CharStyle:文字後ベタ>】<CharStyle:>");
}

TEST_F(ConvertFixture, KentenOfBothKindsAndEscaping) {
    expectBody(u"[1強調]と[2傍点]、a\\b<c>＜[1{かん漢}]",
               u"<CharStyle:圏点5>強調<CharStyle:>と<CharStyle:圏点1>傍点<CharStyle:>、a¥b\\<c\\>＜" +
                   Mono(u"かん", u"漢"));
    EXPECT_EQ(conversion.state.ConvertedCount, 3);
}

TEST_F(ConvertFixture, KentenScaleReachesTheHeader) {
    options.KentenRatio = 5;
    conversion.run(u"[1点]", options);
    const std::u16string text = conversion.windowsText();
    EXPECT_NE(text.find(u"<cKentenKind:5><cBoutenHorizontalScale:0.75><cBoutenVerticalScale:0.75>>"), std::u16string::npos);
    EXPECT_TRUE(text.ends_with(u"<ParaStyle:段落標準><CharStyle:圏点5>点<CharStyle:>\r\n<ParaStyle:>"));
}

TEST_F(ConvertFixture, KnownCounterWordsAndNormalisation) {
    expectBody(u"三{かげつケ月}", u"三" + Group(u"かげつ", u"ケ月"));
    options.KanaKind = 1;
    options.SmallKanaToFullSize = 1;
    expectBody(u"{きょ今}{う日}", Mono(u"キヨ\u3000ウ", u"今日"));
}

TEST_F(ConvertFixture, EmptyFieldIsConvertedWithoutAWarning) {
    expectBody(u"a{}b", u"a" + Mono(u"", u"") + u"b");
    EXPECT_TRUE(conversion.host.messages.empty());
    EXPECT_FALSE(conversion.state.EngineFailed);
}

TEST_F(ConvertFixture, LongFieldTextIsKeptWhole) {
    const std::u16string base(100000, u'漢');
    expectBody(u"{かん" + base + u"}", Group(u"かん", base));
}

TEST_F(ConvertFixture, NothingConvertedStillWritesTheFile) {
    expectBody(u"a\\b", u"a¥b");
    EXPECT_EQ(conversion.state.ConvertedCount, 0);
    EXPECT_EQ(conversion.host.progress.size(), 1u);
}

TEST_F(ConvertFixture, CustomHeaderIsUsedAsItIs) {
    options.TagHeader = 1;
    std::filesystem::create_directories(conversion.folder.path() / "temp");
    WriteBytes(conversion.folder.path() / "temp" / "header.txt", "\xFF\xFE" + Utf16Bytes(u"<UNICODE-WIN>\r\n<X-WIN>", false));
    options.MacText = 1;
    conversion.run(u"本", options);
    EXPECT_EQ(ReadBytes(conversion.outputFile()), "\xFF\xFE" + Utf16Bytes(u"<UNICODE-WIN>\r\n<X-WIN>本\r\n<ParaStyle:>", false));
    EXPECT_EQ(ReadBytes(conversion.macFile()), Utf16Bytes(u"<UNICODE-MAC>\r<X-MAC>本\r<ParaStyle:>", true));
}

TEST_F(ConvertFixture, MacOutputIsBigEndianWithCarriageReturns) {
    options.MacText = 1;
    conversion.run(u"一\r{に二}", options);
    std::u16string mac = u"<UNICODE-MAC>" + kDefaultWindowsHeader.substr(13) + u"一\r" + Mono(u"に", u"二") + u"\r\n<ParaStyle:>";
    for (size_t p; (p = mac.find(u"\r\n")) != std::u16string::npos;) mac.erase(p + 1, 1);
    const std::string bytes = ReadBytes(conversion.macFile());
    EXPECT_EQ(bytes, Utf16Bytes(mac, true));
    EXPECT_EQ(bytes.substr(0, 2), std::string("\0<", 2));
    // A second conversion replaces both files.
    conversion.run(u"別", options);
    EXPECT_NE(ReadBytes(conversion.macFile()), bytes);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(conversion.folder.path() / "RubyData"), {}), 2);
}

TEST_F(ConvertFixture, WithoutMacTextOnlyTheWindowsFileIsWritten) {
    options.MacText = 0;
    conversion.run(u"本", options);
    EXPECT_TRUE(std::filesystem::exists(conversion.outputFile()));
    EXPECT_FALSE(std::filesystem::exists(conversion.macFile()));
    EXPECT_TRUE(std::filesystem::is_directory(conversion.folder.path() / "temp"));
}

namespace {

struct FailingClipboard : Clipboard {
    Status ReadText(std::u16string&) override { return Status::Busy; }
};

}  // namespace

TEST(ConvertToTaggedText, ClipboardFailureStopsWithoutOutput) {
    TempFolder folder;
    auto model = wordproc::ModelFromMarkup(u"前{か下}後", u"x.doc");
    FailingClipboard clipboard;
    RunState state;
    state.DocumentName = u"x.doc";
    RecordingHost host;
    const auto options = settings::DefaultOptions();
    EngineContext ctx{*model, clipboard, options, state, host, folder.path()};
    ConvertToTaggedText(ctx);
    EXPECT_TRUE(state.EngineFailed);
    EXPECT_EQ(host.messages.size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "RubyData"));
    ASSERT_EQ(host.progress.size(), 2u);
    EXPECT_EQ(host.progress.back().value, 55);  // round(2 / 4 × 90 + 10)
    EXPECT_EQ(state.OutputFileName, u"");
}
