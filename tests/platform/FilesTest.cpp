// Output files replaced whole or not at all, their temporaries, and what
// the system says about files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>

#include "platform/Files.h"
#include "support/TestFiles.h"

using namespace tessaly;
using namespace tessaly::platform;
using namespace tessaly::testing;

namespace {

// The names in a folder, sorted.
std::vector<std::string> Names(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// What the folder of the file being written holds when a step is reached.
std::vector<std::string> g_during;
FileStep g_at = FileStep::BytesWritten;
void RecordNames(FileStep step, const std::filesystem::path& file) {
    if (step == g_at) g_during = Names(file.parent_path());
}

int g_signal = 0;
void Interrupt(FileStep step, const std::filesystem::path&) {
    if (step == g_at) ::raise(g_signal);
}

}  // namespace

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
    try {
        WriteFileAtomically(file, "x");
        ADD_FAILURE() << "written";
    } catch (const std::filesystem::filesystem_error& e) {
        EXPECT_EQ(SystemErrorReason(e.code()), "同じ名前のフォルダーがあります");
        EXPECT_EQ(e.path1(), file);
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}

TEST(PendingFile, TemporaryFileIsNewHiddenAndShort) {
    TempFolder folder;
    // A link planted where a file is to be created is never followed, and
    // an existing file is never opened.
    const auto target = folder.path() / "elsewhere.txt";
    WriteBytes(target, "keep");
    std::filesystem::create_symlink(target, folder.path() / "link");
    std::error_code error;
    EXPECT_FALSE(CreateNewFile(folder.path() / "link", error));
    EXPECT_EQ(error, std::errc::file_exists);
    EXPECT_FALSE(CreateNewFile(target, error));
    EXPECT_EQ(ReadBytes(target), "keep");

    // While an output of the longest name the system allows is written, its
    // temporary file is a short hidden one beside it.
    const std::string longest(255 - 4 - 9, 'n');  // Mac_<name>_ruby.txt is 255 bytes
    const auto file = folder.path() / (longest + "_ruby.txt");
    g_at = FileStep::BytesWritten;
    SetFileStepHook(RecordNames);
    WriteFileAtomically(file, "part");
    SetFileStepHook(nullptr);
    ASSERT_EQ(g_during.size(), 3u);
    EXPECT_TRUE(g_during[0].starts_with(".tessaly-") && g_during[0].ends_with(".tmp") && g_during[0].size() == 23) << g_during[0];
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
            g_signal = signal;
            g_at = FileStep::BytesWritten;
            SetFileStepHook(Interrupt);
            WriteFileAtomically(file, std::string(1 << 20, 'x'));
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_EQ(Names(folder.path()), std::vector<std::string>{"out_ruby.txt"});
        EXPECT_EQ(ReadBytes(file), "previous");
    }
}

TEST(FileIdentity, TheSameFileByEveryPath) {
    TempFolder folder;
    const auto file = folder.path() / "a.doc";
    WriteBytes(file, "x");
    std::filesystem::create_symlink(file, folder.path() / "link.doc");
    WriteBytes(folder.path() / "b.doc", "x");
    EXPECT_EQ(IdentityOf(file), IdentityOf(folder.path() / "link.doc"));
    EXPECT_EQ(IdentityOf(file), IdentityOf(folder.path() / "." / "a.doc"));
    EXPECT_NE(IdentityOf(file), IdentityOf(folder.path() / "b.doc"));
    EXPECT_EQ(IdentityOf(folder.path() / "missing.doc"), std::nullopt);
}
