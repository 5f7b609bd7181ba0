#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>

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

namespace {

// The names in a folder, sorted.
std::vector<std::string> Names(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(PendingFile, TemporaryFileIsNewHiddenAndShort) {
    TempFolder folder;
    // A link planted where a file is to be created is never followed, and
    // an existing file is never opened.
    const auto target = folder.path() / "elsewhere.txt";
    WriteBytes(target, "keep");
    std::filesystem::create_symlink(target, folder.path() / "link");
    EXPECT_EQ(CreateNewFile(folder.path() / "link"), -1);
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(CreateNewFile(target), -1);
    EXPECT_EQ(ReadBytes(target), "keep");

    // While an output of the longest name the system allows is written, its
    // temporary file is a short hidden one beside it.
    const std::string longest(255 - 4 - 9, 'n');  // Mac_<name>_ruby.txt is 255 bytes
    const auto file = folder.path() / (longest + "_ruby.txt");
    std::vector<std::string> during;
    WriteFileAtomically(file, [&](const ByteSink& sink) {
        sink("part");
        during = Names(folder.path());
    });
    ASSERT_EQ(during.size(), 3u);
    EXPECT_TRUE(during[0].starts_with(".tessaly-") && during[0].ends_with(".tmp") && during[0].size() == 23) << during[0];
    EXPECT_EQ(Names(folder.path()), (std::vector<std::string>{"elsewhere.txt", "link", longest + "_ruby.txt"}));
    EXPECT_EQ(ReadBytes(file), "part");
}

// Interrupted while writing, a program leaves no temporary file and the
// earlier output as it was.
TEST(PendingFile, InterruptionRemovesTheTemporaryFile) {
    for (int signal : {SIGINT, SIGTERM}) {
        TempFolder folder;
        const auto file = folder.path() / "out_ruby.txt";
        WriteFileAtomically(file, "previous");
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            InstallInterruptCleanup();
            WriteFileAtomically(file, [&](const ByteSink& sink) {
                sink(std::string(1 << 20, 'x'));
                ::raise(signal);
                sink("never");
            });
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_EQ(Names(folder.path()), std::vector<std::string>{"out_ruby.txt"});
        EXPECT_EQ(ReadBytes(file), "previous");
    }
}

// Both files are on disk before either is put in place: a Mac file that
// cannot be replaced keeps the Windows file from being replaced too.
TEST(WriteOutputFiles, TheTwoFilesAreReplacedAsAPair) {
    TempFolder folder;
    ConversionOptions options = ConversionOptions::Defaults();
    options.MacText = 1;
    const TaggedTextHeaders headers{u"<W>", u"<M>"};
    const auto windows = folder.path() / "作品_ruby.txt";
    WriteFileAtomically(windows, "old");
    std::filesystem::create_directories(folder.path() / "Mac_作品_ruby.txt" / "inside");
    try {
        WriteOutputFiles(folder.path(), u"本文\r\n", headers, u"作品.doc", options);
        ADD_FAILURE() << "written";
    } catch (const std::filesystem::filesystem_error& e) {
        EXPECT_EQ(FileErrorText(e), "出力ファイルを書き込めません（同じ名前のフォルダーがあります）: " +
                                        (folder.path() / "Mac_作品_ruby.txt").string());
    }
    EXPECT_EQ(ReadBytes(windows), "old");
    EXPECT_EQ(Names(folder.path()), (std::vector<std::string>{"Mac_作品_ruby.txt", "作品_ruby.txt"}));
    // The name given for the output, in another encoding than the system's, is kept byte for byte.
    std::filesystem::remove_all(folder.path() / "Mac_作品_ruby.txt");
    const std::filesystem::path shiftJis("\x8C\xB4\x8D\x65_ruby.txt");
    // (Shown with a replacement character for each byte that is not UTF-8.)
    EXPECT_EQ(WriteOutputFiles(folder.path(), u"本文", headers, u"\uFFFD\uFFFD.doc", options, shiftJis),
              u"\uFFFD\uFFFD\uFFFDe_ruby.txt");
    EXPECT_EQ(ReadBytes(folder.path() / shiftJis), WindowsFileBytes({u"<W>", u"本文", kTextEnd}));
    EXPECT_TRUE(std::filesystem::exists(folder.path() / "Mac_\x8C\xB4\x8D\x65_ruby.txt"));
    // A document name with nothing before its first period names no output.
    EXPECT_THROW(WriteOutputFiles(folder.path(), u"本文", headers, u".doc", options), std::runtime_error);
}

TEST(OutputFileNames, BuiltFromTheInputsOwnBytes) {
    EXPECT_EQ(OutputFileNameForInput("dir/a.b.doc"), "a_ruby.txt");
    EXPECT_EQ(OutputFileNameForInput("noext"), "noext_ruby.txt");
    EXPECT_EQ(OutputFileNameForInput("\x8C\xB4\x8D\x65.doc"), "\x8C\xB4\x8D\x65_ruby.txt");
    EXPECT_EQ(OutputFileNameForInput(".hidden.doc"), "");
    EXPECT_EQ(OutputFileNameForInput("dir/.doc"), "");
    EXPECT_EQ(MacFileNameFor("a_ruby.txt"), "Mac_a_ruby.txt");
}
