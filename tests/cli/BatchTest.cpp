// A batch of manuscripts on the command line: outputs that would collide or
// replace an input are refused before anything is written, folders give
// their manuscripts in a stable order, names are kept as the system spells
// them, and the run says what it did.
#include <gtest/gtest.h>

#include "support/PosixOnly.h"
#if TESSALY_POSIX
#include <unistd.h>
#endif

#include "support/Corpus.h"
#include "support/EngineHarness.h"
#include "cli/ProgressLine.h"
#include "support/ToolRun.h"

using namespace tessaly::testing;
namespace fs = std::filesystem;

namespace {

using BatchFixture = CommandLine;

}  // namespace

// Files that would write a same output: the first that can be read writes
// it and the others are refused; a name that gives no output name is
// refused before anything is converted.
TEST_F(BatchFixture, CollidingOutputsAreDecidedAmongTheFilesThatCanBeRead) {
    const fs::path first = manuscript("a.b.doc"), second = manuscript("a.c.docx", "RubyBoundaries.docx");
    const fs::path x = manuscript("x.doc"), xx = manuscript("x.docx", "RubyBoundaries.docx");
    const fs::path vol1 = manuscript("vol1/原稿.doc"), vol2 = manuscript("vol2/原稿.docx", "RubyBoundaries.docx");
    const fs::path dot = manuscript(".doc"), hidden = manuscript(".hidden.doc"), bare = manuscript("bare");
    const ToolRun r = run({"--defaults", "-j", "2", "-o", out().string(), first.string(), second.string(), x.string(), xx.string(),
                          Utf8(vol1), Utf8(vol2), dot.string(), hidden.string(), bare.string()});
    EXPECT_EQ(r.status, 1);
    const auto o = [&](const char* name) { return Utf8(out() / U8(name)); };
    EXPECT_TRUE(r.err.starts_with("tessaly-convert: " + dot.string() + ": ファイル名の最初のピリオドの前に文字がないため、出力ファイル名を作れません。\n"
                                  "tessaly-convert: " + hidden.string() + ": ファイル名の最初のピリオドの前に文字がないため、出力ファイル名を作れません。\n"
                                  "tessaly-convert: " + bare.string() + ": ファイル名にピリオドがないため、出力ファイル名を作れません。\n"))
        << r.err;
    for (const std::string& line : {second.string() + ": " + first.string() + " と同じ出力ファイル " + o("a_ruby.txt") + " になるため、変換しません。\n",
                                    xx.string() + ": " + x.string() + " と同じ出力ファイル " + o("x_ruby.txt") + " になるため、変換しません。\n",
                                    Utf8(vol2) + ": " + Utf8(vol1) + " と同じ出力ファイル " + o("原稿_ruby.txt") + " になるため、変換しません。\n"})
        EXPECT_NE(r.err.find("tessaly-convert: " + line), std::string::npos) << line << r.err;
    EXPECT_TRUE(r.out.ends_with("変換 3 件、失敗 6 件、ルビ・圏点・割注 24 個所\n")) << r.out;
    // The first of each converted: the .doc's text, not the .docx's.
    EXPECT_EQ(outputs(), (std::vector<std::string>{"Mac_a_ruby.txt", "Mac_x_ruby.txt", "Mac_原稿_ruby.txt", "a_ruby.txt",
                                                   "x_ruby.txt", "原稿_ruby.txt"}));
    const std::string fromDoc = ReadBytes(out() / "a_ruby.txt");
    EXPECT_EQ(ReadBytes(out() / "x_ruby.txt"), fromDoc);
    EXPECT_EQ(ReadBytes(out() / U8("原稿_ruby.txt")), fromDoc);

    // When the first cannot be read, its twin is converted.
    fs::remove_all(out());
    WriteBytes(x, "no word document");
    const ToolRun twin = run({"--defaults", "-q", "-o", out().string(), x.string(), xx.string()});
    EXPECT_EQ(twin.status, 1);
    EXPECT_EQ(twin.err, "tessaly-convert: " + x.string() + ": Word 文書（.doc / .docx）ではありません。\n");
    EXPECT_NE(ReadBytes(out() / "x_ruby.txt"), fromDoc) << "the .docx's text";

    // A Mac file's name is claimed too: Mac_a.doc would write Mac_a_ruby.txt.
    const ToolRun mac = run({"--defaults", "-q", "-o", out().string(), first.string(), manuscript("Mac_a.doc").string()});
    EXPECT_EQ(mac.status, 1);
    EXPECT_TRUE(mac.err.ends_with(" と同じ出力ファイル " + o("Mac_a_ruby.txt") + " になるため、変換しません。\n")) << mac.err;
}

TEST_F(BatchFixture, AnOutputNeverReplacesAnInput) {
    const fs::path a = manuscript("a.doc"), c = manuscript("c.doc");
    const fs::path notes = manuscript("c_ruby.txt", "RubyBoundaries.docx");  // a manuscript, whatever its name
    const std::string before = ReadBytes(notes);
    const ToolRun r = run({"--defaults", "-q", "--no-mac", "-o", in().string(), a.string(), notes.string(), c.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "tessaly-convert: " + c.string() + ": 出力ファイル " + (in() / "c_ruby.txt").string() +
                         " は変換する原稿 " + notes.string() + " そのものなので、変換しません。\n");
    EXPECT_EQ(ReadBytes(notes), before);
    EXPECT_TRUE(fs::exists(in() / "a_ruby.txt"));
    EXPECT_TRUE(fs::exists(in() / "c_ruby_ruby.txt"));
}

TEST_F(BatchFixture, FoldersGiveTheirManuscriptsInOrder) {
    manuscript("b.docx", "RubyBoundaries.docx");
    manuscript("a.DOC");
    manuscript("sub/c.doc");
    manuscript("notes.fodt", "sources/PlainText.fodt");
    const ToolRun top = run({"--defaults", "-qj2", "-o", out().string(), in().string()});
    EXPECT_EQ(top.status, 0) << top.err;
    EXPECT_EQ(outputs(), (std::vector<std::string>{"Mac_a_ruby.txt", "Mac_b_ruby.txt", "a_ruby.txt", "b_ruby.txt"}));
    fs::remove_all(out());
    const ToolRun all = run({"--defaults", "-r", "--no-mac", "-o", out().string(), in().string()});
    EXPECT_EQ(all.status, 0) << all.err;
    // One line a file, in the order of their paths, then the summary.
    std::istringstream lines(all.out);
    std::vector<std::string> firstWords;
    for (std::string line; std::getline(lines, line);) firstWords.push_back(line.substr(0, line.find(": ")));
    EXPECT_EQ(firstWords, (std::vector<std::string>{(in() / "a.DOC").string(), (in() / "b.docx").string(),
                                                    (in() / "sub" / "c.doc").string(), "変換 3 件、失敗 0 件、ルビ・圏点・割注 32 個所"}));
    // A folder without manuscripts is said; no output folder is made when nothing could be read.
    fs::remove_all(out());
    const fs::path empty = folder.path() / "empty";
    fs::create_directories(empty);
    const ToolRun none = run({"--defaults", "-o", out().string(), empty.string(), (folder.path() / "missing.doc").string()});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.err, "tessaly-convert: " + empty.string() + ": 変換できる原稿（.doc / .docx）がフォルダーにありません。\n"
                        "tessaly-convert: " + (folder.path() / "missing.doc").string() + ": ファイルが見つかりません。\n");
    EXPECT_FALSE(fs::exists(out()));
}

TEST_F(BatchFixture, NamesAreKeptAsTheSystemSpellsThem) {
#if TESSALY_POSIX
    // A name in Shift_JIS (原稿), as a zip made on Windows unpacks, and the
    // longest name whose outputs the system allows.
    const fs::path shiftJis = manuscript("\x8C\xB4\x8D\x65.doc");
    const std::string longest(255 - 4 - 9, 'n');
    const fs::path longName = manuscript(longest + ".doc");
    const ToolRun r = run({"--defaults", "-o", out().string(), shiftJis.string(), longName.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(outputs(), (std::vector<std::string>{"Mac_" + longest + "_ruby.txt", "Mac_\x8C\xB4\x8D\x65_ruby.txt",
                                                   longest + "_ruby.txt", "\x8C\xB4\x8D\x65_ruby.txt"}));
    // Shown with replacement characters in messages.
    EXPECT_TRUE(r.out.starts_with((in() / "\uFFFD\uFFFD\uFFFDe.doc").string() + ": 8 個所変換しました（")) << r.out;
#else
    SKIP_WITHOUT_POSIX("file names that are bytes");
#endif
}

TEST_F(BatchFixture, HelpListsEveryOption) {
    const ToolRun r = run({"--help"});
    for (const char* option : {"--jobs", "--recursive", "--quiet", "--output-dir", "--defaults", "--mac"})
        EXPECT_NE(r.out.find(option), std::string::npos) << option;
    EXPECT_EQ(run({"-qx", "a.doc"}).status, 2);
}

TEST_F(BatchFixture, TwoProcessesWritingOneOutputLeaveOneWholeFile) {
#if TESSALY_POSIX
    const fs::path doc = manuscript("same.doc"), docx = manuscript("dir/same.docx");
    ASSERT_EQ(run({"--defaults", "-q", "-o", out().string(), doc.string()}).status, 0);
    const std::string expected = ReadBytes(out() / "same_ruby.txt");
    const std::string binary = TESSALY_CONVERT_BINARY;
    for (int round = 0; round < 3; ++round) {
        const std::string command = "cd '" + folder.path().string() + "' && ('" + binary + "' --defaults -q -o out in/same.doc & '" +
                                    binary + "' --defaults -q -o out in/dir/same.docx & wait)";
        ASSERT_EQ(std::system(command.c_str()), 0);
        EXPECT_EQ(ReadBytes(out() / "same_ruby.txt"), expected) << round;
        EXPECT_EQ(outputs(), (std::vector<std::string>{"Mac_same_ruby.txt", "same_ruby.txt"})) << round;
    }
#else
    SKIP_WITHOUT_POSIX("POSIX shell");
#endif
}

TEST_F(BatchFixture, ProgressLineOnlyOnATerminal) {
    const fs::path a = manuscript("a.doc"), b = manuscript("b.docx", "RubyBoundaries.docx");
    auto runOnTerminal = [&](std::vector<std::string> args) { return RunTool(folder.path(), args, true).err; };
    const std::string shown = runOnTerminal({"--defaults", "--no-footnotes", "-o", out().string(), a.string(), b.string()});
    // Which file of how many, each line cleared before the next is drawn;
    // what was left out said between them.
    const std::string first = "[1/2] " + a.string(), second = "[2/2] " + b.string();
    EXPECT_EQ(shown, first + "\r" + std::string(first.size(), ' ') + "\r" + "tessaly-convert: " + a.string() +
                         ": 脚注のテキストは変換していません。\n" + second + "\r" + std::string(second.size(), ' ') + "\r");
    EXPECT_EQ(runOnTerminal({"--defaults", "-q", "-o", out().string(), a.string(), b.string()}), "");
}

// Names that differ only in case are one file where the system ignores
// case (Windows, macOS): the second manuscript is refused rather than
// written over the first one's output. Linux keeps both.
TEST_F(BatchFixture, NamesThatDifferOnlyInCase) {
    const fs::path lower = manuscript("x.doc"), upper = manuscript("X.docx", "RubyBoundaries.docx");
    const ToolRun r = run({"--defaults", "-q", "-o", out().string(), lower.string(), upper.string()});
#if TESSALY_WINDOWS || defined(__APPLE__)
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "tessaly-convert: " + upper.string() + ": " + lower.string() + " と同じ出力ファイル " +
                         (out() / "X_ruby.txt").string() + " になるため、変換しません。\n");
    EXPECT_EQ(outputs(), (std::vector<std::string>{"Mac_x_ruby.txt", "x_ruby.txt"}));
#else
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(outputs(), (std::vector<std::string>{"Mac_X_ruby.txt", "Mac_x_ruby.txt", "X_ruby.txt", "x_ruby.txt"}));
    EXPECT_NE(ReadBytes(out() / "X_ruby.txt"), ReadBytes(out() / "x_ruby.txt"));
#endif
}

// A folder given twice, or a file given again through its folder, is
// converted once; Word's lock files in a folder are no manuscripts; names
// are shown with their control characters escaped.
TEST_F(BatchFixture, EachFileOnceLockFilesSkippedAndNamesShownSafely) {
    const fs::path a = manuscript("a.doc");
    WriteBytes(in() / "~$a.docx", "Word's lock file");
    const ToolRun twice = run({"--defaults", "-q", "-o", out().string(), in().string(), in().string(), a.string()});
    EXPECT_EQ(twice.status, 0) << twice.err;
    EXPECT_EQ(twice.err, "") << "no collision of a file with itself, no failure of the lock file";
    EXPECT_EQ(outputs(), (std::vector<std::string>{"Mac_a_ruby.txt", "a_ruby.txt"}));
#if TESSALY_POSIX
    const fs::path odd = manuscript("a\nb\x1B[2J.doc");
    const ToolRun r = run({"--defaults", "-o", out().string(), odd.string()});
    EXPECT_TRUE(r.out.starts_with((in() / "a\\nb\\x1B[2J.doc").string() + ": 8 個所変換しました（")) << r.out;
#else
    SKIP_WITHOUT_POSIX("control characters in file names");
#endif
}

TEST_F(BatchFixture, AFolderThatCannotBeReadIsSaid) {
#if TESSALY_POSIX
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    manuscript("a.doc");
    const fs::path locked = in() / "locked";
    fs::create_directories(locked);
    fs::permissions(locked, fs::perms::none);
    const ToolRun below = run({"--defaults", "-r", "-q", "-o", out().string(), in().string()});
    const ToolRun given = run({"--defaults", "-q", "-o", out().string(), locked.string()});
    fs::permissions(locked, fs::perms::owner_all);
    EXPECT_EQ(below.err, "tessaly-convert: " + locked.string() + ": フォルダーを読めません（読む権限がありません）。\n");
    EXPECT_EQ(given.err, "tessaly-convert: " + locked.string() + ": フォルダーを読めません（読む権限がありません）。\n");
#else
    SKIP_WITHOUT_POSIX("permission bits");
#endif
}

// The progress line counts terminal columns: a Japanese name takes two a
// character, a long one is cut to the terminal's width, and with several
// jobs the line says how many are done and which are in progress.
TEST_F(BatchFixture, TheProgressLineFitsTheTerminal) {
    const fs::path japanese = manuscript("吾輩は猫である第一章の原稿です.doc");
    const std::string drawn = RunTool(folder.path(), {"--defaults", "-q", "-o", out().string(), Utf8(japanese)}, true).err;
    const std::string line = "[1/1] " + Utf8(japanese);
    EXPECT_EQ(drawn, "") << "-q draws nothing";
    const std::string shown = RunTool(folder.path(), {"--defaults", "-o", out().string(), Utf8(japanese)}, true, 200).err;
    const size_t width = line.size() - 15;  // fifteen characters of three bytes and two columns
    EXPECT_TRUE(shown.starts_with(line + "\r" + std::string(width, ' ') + "\r")) << shown;

    // The terminal ends twenty columns into the name, wherever the test's folder is.
    const fs::path longName = manuscript(std::string(120, 'n') + ".doc");
    const size_t columns = tessaly::cli::DisplayWidth("[1/1] " + Utf8(in())) + 20;
    const std::string cut = RunTool(folder.path(), {"--defaults", "-o", out().string(), longName.string()}, true, columns).err;
    const std::string first = cut.substr(0, cut.find('\r'));
    EXPECT_EQ(tessaly::cli::DisplayWidth(first), columns - 1) << first;
    EXPECT_TRUE(first.starts_with("[1/1] ") && first.ends_with("n…")) << first;

    const fs::path a = manuscript("a.doc"), b = manuscript("b.docx", "RubyBoundaries.docx");
    const std::string jobs = RunTool(folder.path(), {"--defaults", "-j", "2", "-o", out().string(), a.string(), b.string()}, true).err;
    EXPECT_TRUE(jobs.starts_with("[0/2 件完了] ")) << jobs;
    EXPECT_NE(jobs.find(a.string()), std::string::npos);
}
