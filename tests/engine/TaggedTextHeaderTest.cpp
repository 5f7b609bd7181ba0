#include <gtest/gtest.h>

#include "support/PosixOnly.h"
#if TESSALY_POSIX
#include <sys/stat.h>
#endif

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
    // The text given for the run is the header; the file is not read again.
    EXPECT_EQ(BuildHeaders(options, u"0.5", folder.path() / "none.txt", u"<UNICODE-WIN>ヘッダ").mac, u"<UNICODE-MAC>ヘッダ");
}

TEST(CustomHeader, EveryAcceptedEncoding) {
    const std::u16string text = u"<UNICODE-WIN>\r\n<DefineCharStyle:モノルビ=>\t";
    for (const std::string& bytes : {Utf16Bytes(text, false), "\xFF\xFE" + Utf16Bytes(text, false), "\xFE\xFF" + Utf16Bytes(text, true),
                                     "\xEF\xBB\xBF" + ToUtf8(text), ToUtf8(text)})
        EXPECT_EQ(DecodeCustomHeader(bytes), text);
}

// What cannot serve as a header is refused with its reason, before anything
// is converted: a UTF-8 header with a NUL would be read as UTF-16 and the
// output would start with mojibake.
TEST(CustomHeader, WhatCannotServeIsRefusedWithItsReason) {
    auto refusal = [](std::string_view bytes) {
        try {
            DecodeCustomHeader(bytes);
        } catch (const CustomHeaderError& e) {
            return std::string(e.what());
        }
        return std::string("accepted");
    };
    const std::string encoding = "文字コードが UTF-8 でも UTF-16 でもないため使えません";
    EXPECT_EQ(refusal(std::string("<UNICODE-WIN>\0\r\n", 16)), encoding);
    EXPECT_EQ(refusal("\xFF\xFE" + Utf16Bytes(u"<UNICODE-WIN>\xD800", false)), encoding);
    EXPECT_EQ(refusal("\xEF\xBB\xBF<UNICODE-WIN>\xFF"), encoding);
    EXPECT_EQ(refusal(std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16)), encoding);
    EXPECT_EQ(refusal("<UNICODE-WIN>\x01\x02"), "制御文字を含むため、タグ付きテキストのヘッダとして使えません");
    EXPECT_EQ(refusal("<ASCII-WIN>\r\n<ParaStyle:本文>"), "<UNICODE-WIN> または <UNICODE-MAC> で始まっていないため使えません");
    EXPECT_EQ(refusal(""), "<UNICODE-WIN> または <UNICODE-MAC> で始まっていないため使えません");
    EXPECT_EQ(refusal("<UNICODE-MAC>"), "accepted");
}

TEST(CustomHeader, OnlyARegularFileOfAtMostAMegabyte) {
    TempFolder folder;
    auto refusal = [](const std::filesystem::path& file) {
        try {
            ReadCustomHeader(file);
        } catch (const CustomHeaderError& e) {
            return std::string(e.what());
        }
        return std::string("accepted");
    };
    const auto file = folder.path() / "header.txt";
    WriteBytes(file, "<UNICODE-WIN>" + std::string(kMaxCustomHeaderBytes - 13, ' '));
    EXPECT_EQ(refusal(file), "accepted");
    WriteBytes(file, "<UNICODE-WIN>" + std::string(kMaxCustomHeaderBytes - 12, ' '));
    EXPECT_EQ(refusal(file), "大きすぎるため使えません（上限 1 MB）");
    std::filesystem::create_directory(folder.path() / "folder.txt");
    EXPECT_EQ(refusal(folder.path() / "folder.txt"), "フォルダーです");
    EXPECT_EQ(refusal(folder.path() / "missing.txt"), "見つかりません");
#if TESSALY_POSIX
    std::filesystem::create_symlink("/dev/zero", folder.path() / "zero.txt");
    EXPECT_EQ(refusal(folder.path() / "zero.txt"), "通常のファイルではありません");
    if (TESSALY_NODE_FILES) SKIP_IN_NODE("named pipes");
    ASSERT_EQ(::mkfifo((folder.path() / "fifo.txt").c_str(), 0600), 0);
    EXPECT_EQ(refusal(folder.path() / "fifo.txt"), "通常のファイルではありません");
#else
    SKIP_WITHOUT_POSIX("devices or named pipes in a folder");
#endif
}

TEST(CustomHeader, BuiltInChoiceOrNoFileGivesBuiltIn) {
    TempFolder folder;
    auto options = settings::DefaultOptions();
    options.TagHeader = 1;
    EXPECT_EQ(BuildHeaders(options, u"0.7", folder.path() / "header.txt").windows, kDefaultWindowsHeader);
    WriteBytes(folder.path() / "header.txt", WindowsFileBytes(u"<UNICODE-WIN>"));
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
