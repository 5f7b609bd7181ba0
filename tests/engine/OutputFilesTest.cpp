#include <gtest/gtest.h>
#include <sys/stat.h>

#include "engine/OutputFiles.h"
#include "support/EngineHarness.h"

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

TEST(FileBytes, LongTextsArriveInBoundedPiecesWithNothingLost) {
    // 100,000 units: more than one piece, with a CR LF across the first
    // piece boundary (32,768 units) and another across two parts.
    std::u16string text(100000, u'漢');
    text[32767] = u'\r';
    text[32768] = u'\n';
    text[99999] = u'\r';
    std::vector<size_t> sizes;
    std::string mac;
    MacFileBytes({text, u"\nz"}, [&](std::string_view piece) {
        sizes.push_back(piece.size());
        mac += piece;
    });
    ASSERT_EQ(mac.size(), 100000 * 2u);  // 100,002 units less the two dropped LFs
    EXPECT_EQ(mac.substr(65532, 6), std::string("\x6F\x22\0\r\x6F\x22", 6));  // 漢 CR 漢
    EXPECT_EQ(mac.substr(mac.size() - 4), std::string("\0\r\0z", 4));
    for (size_t size : sizes) EXPECT_LE(size, 65536u);
    EXPECT_GT(sizes.size(), 1u);

    std::string windows;
    WindowsFileBytes({text}, [&](std::string_view piece) { windows += piece; });
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

TEST(WriteFileAtomically, ReplacesWholeAndLeavesNoTemporaryFile) {
    TempFolder folder;
    const auto file = folder.path() / "out.txt";
    WriteFileAtomically(file, "first");
    WriteFileAtomically(file, "second");
    EXPECT_EQ(ReadBytes(file), "second");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}

TEST(WriteFileAtomically, UnwritableFolderKeepsThePreviousFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    TempFolder folder;
    const auto file = folder.path() / "out.txt";
    WriteFileAtomically(file, "previous");
    ::chmod(folder.path().c_str(), 0555);
    EXPECT_THROW(WriteFileAtomically(file, "new"), std::filesystem::filesystem_error);
    ::chmod(folder.path().c_str(), 0755);
    EXPECT_EQ(ReadBytes(file), "previous");
}

TEST(WriteFileAtomically, FolderInTheWayOfTheFileIsReported) {
    TempFolder folder;
    const auto file = folder.path() / "out.txt";
    std::filesystem::create_directories(file / "inside");
    EXPECT_THROW(WriteFileAtomically(file, "x"), std::filesystem::filesystem_error);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}

// The Mac file is written alongside the Windows file but put in place only
// after it: when the Windows file cannot be written, the old Mac file stays
// and nothing new or temporary is left; when both can, both are there.
TEST(WriteOutputFiles, MacFileFollowsTheWindowsFile) {
    TempFolder folder;
    ConversionOptions options = ConversionOptions::Defaults();
    options.MacText = 1;
    const TaggedTextHeaders headers{u"<W>", u"<M>"};
    const auto windows = folder.path() / "作品_ruby.txt";
    const auto mac = folder.path() / "Mac_作品_ruby.txt";
    WriteFileAtomically(mac, "old");
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
