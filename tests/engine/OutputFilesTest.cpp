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
