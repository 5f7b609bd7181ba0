#include <gtest/gtest.h>

#include <algorithm>

#include "settings/SettingsTable.h"
#include "engine/OutputFiles.h"
#include "platform/Files.h"
#include "support/EngineHarness.h"
#include "support/PosixOnly.h"

using namespace tessaly;
using namespace tessaly::testing;

TEST(TrimBodyEnd, CarriageReturnRunsAtTheEnd) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"あ\r\r\r\r", u"あ\r"}, {u"あ\r\r\r", u"あ\r"}, {u"あ\r\r", u"あ\r"}, {u"あ\r", u"あ"},
        {u"あ", u"あ"},           {u"\r\r", u"\r"},       {u"", u""},          {u"a\r\n\r", u"a\r\n"},
    };
    for (auto [body, expected] : cases) {
        TrimBodyEnd(body);
        EXPECT_EQ(body, expected);
    }
}

TEST(OutputFileName, UpToTheFirstPeriod) {
    EXPECT_EQ(OutputFileNameFor(u"作品A.doc"), u"作品A_ruby.txt");
    EXPECT_EQ(OutputFileNameFor(u"a.b.doc"), u"a_ruby.txt");
    EXPECT_EQ(OutputFileNameFor(u"noext"), u"noext_ruby.txt");
}

TEST(FileBytes, WindowsAndMacEncodings) {
    EXPECT_EQ(WindowsFileBytes(u"<\r\n𠮷"), std::string("\xFF\xFE<\0\r\0\n\0\x42\xD8\xB7\xDF", 12));
    // CR LF becomes CR, also across the parts; a lone LF or CR stays; units
    // that merely hold the bytes 0D and 0A are not line ends.
    EXPECT_EQ(MacFileBytes(u"<\r\n\n\r\u0D00\u0A00"), std::string("\0<\0\r\0\n\0\r\x0D\0\x0A\0", 12));
    EXPECT_EQ(MacFileBytes({u"a\r", u"\nb", kTextEnd}), MacFileBytes(u"a\rb\r<ParaStyle:>"));
    EXPECT_EQ(WindowsFileBytes({u"H", u"", u"b"}), WindowsFileBytes(u"Hb"));
}

TEST(FileBytes, LongTextsKeepEveryUnit) {
    // 100,000 units with a CR LF inside and another across two parts.
    std::u16string text(100000, u'漢');
    text[32767] = u'\r';
    text[32768] = u'\n';
    text[99999] = u'\r';
    const std::string mac = MacFileBytes({text, u"\nz"});
    ASSERT_EQ(mac.size(), 100000 * 2u);  // 100,002 units less the two dropped LFs
    EXPECT_EQ(mac.substr(65532, 6), std::string("\x6F\x22\0\r\x6F\x22", 6));  // 漢 CR 漢
    EXPECT_EQ(mac.substr(mac.size() - 4), std::string("\0\r\0z", 4));
    const std::string windows = WindowsFileBytes({text});
    ASSERT_EQ(windows.size(), 2 + 100000 * 2u);
    EXPECT_EQ(windows.substr(2 + 32767 * 2, 4), std::string("\r\0\n\0", 4));
}

TEST(FileBytes, MacFileDropsEachLineFeedAfterACarriageReturnWhereverItLies) {
    // Line feeds at every place in texts of every length up to a few times
    // eight units, after a CR or not, and units whose two bytes differ.
    for (size_t length = 1; length <= 40; ++length) {
        for (size_t at = 0; at < length; ++at) {
            for (bool afterCr : {false, true}) {
                std::u16string text;
                for (size_t i = 0; i < length; ++i) text += static_cast<char16_t>(0x3041 + i * 0x101);
                text[at] = u'\n';
                if (afterCr && at > 0) text[at - 1] = u'\r';
                std::string expected;
                for (size_t i = 0; i < length; ++i) {
                    if (text[i] == u'\n' && i > 0 && text[i - 1] == u'\r') continue;
                    expected += static_cast<char>(text[i] >> 8);
                    expected += static_cast<char>(text[i] & 0xFF);
                }
                ASSERT_EQ(MacFileBytes(text), expected) << length << " " << at << " " << afterCr;
            }
        }
    }
}

// The Mac file is written alongside the Windows file but put in place only
// after it: when the Windows file cannot be written, the old Mac file stays
// and nothing new or temporary is left; when both can, both are there.
TEST(WriteOutputFiles, MacFileFollowsTheWindowsFile) {
    TempFolder folder;
    ConversionOptions options = settings::DefaultOptions();
    options.MacText = 1;
    const TaggedTextHeaders headers{u"<W>", u"<M>"};
    const auto windows = folder.path() / U8("作品_ruby.txt");
    const auto mac = folder.path() / U8("Mac_作品_ruby.txt");
    platform::WriteFileAtomically(mac, "old");
    std::filesystem::create_directories(windows / "inside");
    EXPECT_THROW(WriteOutputFiles(folder.path(), u"本文\r\n", headers, u"作品.doc", options), std::filesystem::filesystem_error);
    EXPECT_EQ(ReadBytes(mac), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 2);

    std::filesystem::remove_all(windows);
    EXPECT_EQ(WriteOutputFiles(folder.path(), u"本文\r\n", headers, u"作品.doc", options), u"作品_ruby.txt");
    EXPECT_EQ(ReadBytes(windows), WindowsFileBytes({u"<W>", u"本文\r\n", kTextEnd}));
    EXPECT_EQ(ReadBytes(mac), MacFileBytes({u"<M>", u"本文\r\n", kTextEnd}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 2);
}

// Both files are on disk before either is put in place: a Mac file that
// cannot be replaced keeps the Windows file from being replaced too.
TEST(WriteOutputFiles, TheTwoFilesAreReplacedAsAPair) {
    TempFolder folder;
    ConversionOptions options = settings::DefaultOptions();
    options.MacText = 1;
    const TaggedTextHeaders headers{u"<W>", u"<M>"};
    const auto windows = folder.path() / U8("作品_ruby.txt");
    platform::WriteFileAtomically(windows, "old");
    std::filesystem::create_directories(folder.path() / U8("Mac_作品_ruby.txt") / "inside");
    try {
        WriteOutputFiles(folder.path(), u"本文\r\n", headers, u"作品.doc", options);
        ADD_FAILURE() << "written";
    } catch (const std::filesystem::filesystem_error& e) {
        EXPECT_EQ(FileErrorText(e), "出力ファイルを書き込めません（同じ名前のフォルダーがあります）: " +
                                        Utf8(folder.path() / U8("Mac_作品_ruby.txt")));
    }
    EXPECT_EQ(ReadBytes(windows), "old");
    EXPECT_EQ(Names(folder.path()), (std::vector<std::string>{"Mac_作品_ruby.txt", "作品_ruby.txt"}));
    // The name given for the output, in another encoding than the system's,
    // is kept byte for byte (Windows names are characters, never bytes).
    std::filesystem::remove_all(folder.path() / U8("Mac_作品_ruby.txt"));
    // A document name with nothing before its first period names no output.
    EXPECT_THROW(WriteOutputFiles(folder.path(), u"本文", headers, u".doc", options), std::runtime_error);
#if TESSALY_POSIX
    const std::filesystem::path shiftJis("\x8C\xB4\x8D\x65_ruby.txt");
    // (Shown with a replacement character for each byte that is not UTF-8.)
    EXPECT_EQ(WriteOutputFiles(folder.path(), u"本文", headers, u"\uFFFD\uFFFD.doc", options, shiftJis),
              u"\uFFFD\uFFFD\uFFFDe_ruby.txt");
    EXPECT_EQ(ReadBytes(folder.path() / shiftJis), WindowsFileBytes({u"<W>", u"本文", kTextEnd}));
    EXPECT_TRUE(std::filesystem::exists(folder.path() / "Mac_\x8C\xB4\x8D\x65_ruby.txt"));
#endif
}

TEST(OutputFileNames, BuiltFromTheInputsOwnBytes) {
    EXPECT_EQ(OutputFileNameForInput("dir/a.b.doc"), "a_ruby.txt");
    EXPECT_EQ(OutputFileNameForInput("noext"), "");
    EXPECT_EQ(OutputFileNameForInput("\x8C\xB4\x8D\x65.doc"), "\x8C\xB4\x8D\x65_ruby.txt");
    EXPECT_EQ(OutputFileNameForInput(".hidden.doc"), "");
    EXPECT_EQ(OutputFileNameForInput("dir/.doc"), "");
    EXPECT_EQ(MacFileNameFor("a_ruby.txt"), "Mac_a_ruby.txt");
}
