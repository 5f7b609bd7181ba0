#include <gtest/gtest.h>

#include "settings/SettingsTable.h"
#include "ExpectedHeader.h"
#include "engine/Escaping.h"
#include "engine/OutputFiles.h"
#include "engine/TaggedTextHeader.h"
#include "support/EngineHarness.h"

using namespace tessaly;
using namespace tessaly::testing;

namespace {

size_t Count(const std::u16string& text, std::u16string_view what) {
    size_t n = 0;
    for (size_t p = text.find(what); p != std::u16string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

}  // namespace

TEST(BuiltInHeader, DefaultsGiveTheFullStyleSheet) {
    const auto h = BuiltInHeaders(settings::DefaultOptions(), u"0.7");
    EXPECT_EQ(h.windows, kDefaultWindowsHeader);
    EXPECT_EQ(h.mac, u"<UNICODE-MAC>" + kDefaultWindowsHeader.substr(13));
    EXPECT_EQ(Count(h.windows, u"\r\n"), 13u);
}

TEST(BuiltInHeader, OpenTypeSwitchChangesExactlyFourLines) {
    auto options = settings::DefaultOptions();
    options.OpenTypeRubyGlyphs = 0;
    const auto h = BuiltInHeaders(options, u"0.7");
    EXPECT_EQ(Count(h.windows, u"<rUseOTProGlyph:0>"), 4u);
    EXPECT_EQ(Count(h.windows, u"<rUseOTProGlyph:1>"), 0u);
    std::u16string back = h.windows;
    for (size_t p; (p = back.find(u"<rUseOTProGlyph:0>")) != std::u16string::npos;) back[p + 16] = u'1';
    EXPECT_EQ(back, kDefaultWindowsHeader);
}

TEST(BuiltInHeader, KentenScaleOnlyWithBoutenConversion) {
    auto options = settings::DefaultOptions();
    EXPECT_EQ(KentenScaleText(5), u"0.75");
    EXPECT_EQ(KentenScaleText(10), u"1.0");  // 100 %, and any index past the list
    EXPECT_EQ(KentenScaleText(-1), u"1.0");
    const auto on = BuiltInHeaders(options, KentenScaleText(5));
    EXPECT_EQ(Count(on.windows, u"Scale:0.75>"), 4u);
    EXPECT_EQ(Count(on.mac, u"Scale:0.75>"), 4u);
    EXPECT_EQ(Count(on.windows, u"Scale:0.7>"), 0u);
    options.ConvertBouten = 0;
    const auto off = BuiltInHeaders(options, u"0.75");
    EXPECT_EQ(off.windows, kDefaultWindowsHeader);
}

TEST(CustomHeader, ReplacesWinByMacAndDropsTheByteOrderMark) {
    TempFolder folder;
    auto file = folder.path() / "header.txt";
    const std::u16string text = u"<UNICODE-WIN>\r\n<DefineCharStyle:X-WIN=>";
    WriteBytes(file, WindowsFileBytes(text));
    auto options = settings::DefaultOptions();
    options.TagHeader = 1;
    const auto h = BuildHeaders(options, u"0.5", file);
    EXPECT_EQ(h.windows, text);  // never given the kenten scale or a style sheet
    EXPECT_EQ(h.mac, u"<UNICODE-MAC>\r\n<DefineCharStyle:X-MAC=>");

    WriteBytes(file, std::string("<\0A\0", 4));  // no byte-order mark: little-endian
    EXPECT_EQ(BuildHeaders(options, u"0.5", file).windows, u"<A");
    WriteBytes(file, "");
    EXPECT_EQ(BuildHeaders(options, u"0.5", file).windows, u"");
    WriteBytes(file, "\xEF\xBB\xBF<h>ヘッダ");
    EXPECT_EQ(BuildHeaders(options, u"0.5", file).windows, u"<h>ヘッダ");
    WriteBytes(file, std::string("\xFE\xFF\0<", 4));
    EXPECT_EQ(BuildHeaders(options, u"0.5", file).windows, u"<");
}

TEST(CustomHeader, Utf8WithoutAMarkIsReadAsUtf8) {
    TempFolder folder;
    auto file = folder.path() / "header.txt";
    auto options = settings::DefaultOptions();
    options.TagHeader = 1;
    WriteBytes(file, "<UNICODE-WIN>\r\n<DefineCharStyle:モノルビ=>");
    const auto h = BuildHeaders(options, u"0.5", file);
    EXPECT_EQ(h.windows, u"<UNICODE-WIN>\r\n<DefineCharStyle:モノルビ=>");
    EXPECT_EQ(h.mac, u"<UNICODE-MAC>\r\n<DefineCharStyle:モノルビ=>");
    // Bytes that are not UTF-8 stay little-endian UTF-16, as before.
    WriteBytes(file, std::string("\xE2\x30\xCE\x30", 4));
    EXPECT_EQ(BuildHeaders(options, u"0.5", file).windows, u"モノ");
}

TEST(CustomHeader, MissingFileOrBuiltInChoiceGivesBuiltIn) {
    TempFolder folder;
    auto options = settings::DefaultOptions();
    options.TagHeader = 1;
    EXPECT_EQ(BuildHeaders(options, u"0.7", folder.path() / "header.txt").windows, kDefaultWindowsHeader);
    WriteBytes(folder.path() / "header.txt", WindowsFileBytes(u"X"));
    options.TagHeader = 0;
    EXPECT_EQ(BuildHeaders(options, u"0.7", folder.path() / "header.txt").windows, kDefaultWindowsHeader);
}

TEST(SeparatorTexts, SurroundItemsGiveOpeningAndClosing) {
    auto options = settings::DefaultOptions();
    const std::pair<std::u16string, std::u16string> expected[] = {
        {u"", u""},  {u"", u"\u2009\u2009"}, {u"", u"\u2002"}, {u"（", u"）"}, {u"〔", u"〕"},
        {u"［", u"］"}, {u"【", u"】"},        {u"〈", u"〉"},   {u"《", u"》"}, {u"｛", u"｝"}};
    for (int i = 0; i < 10; ++i) {
        options.WarichuSurround = static_cast<int16_t>(i);
        const auto s = ReadSeparatorTexts(options);
        EXPECT_EQ(s.warichuOpening, expected[i].first) << i;
        EXPECT_EQ(s.warichuClosing, expected[i].second) << i;
    }
    options.WarichuSurround = -1;
    EXPECT_EQ(ReadSeparatorTexts(options).warichuClosing, u"");
    options = settings::DefaultOptions();
    const auto s = ReadSeparatorTexts(options);
    EXPECT_EQ(s.ruby, u"▼");
    EXPECT_EQ(s.warichu, u"★");
}
