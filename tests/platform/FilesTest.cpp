// Output files replaced whole or not at all, their temporaries, and what
// the system says about files.
#include <gtest/gtest.h>

#include "support/PosixOnly.h"
#if TESSALY_POSIX
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#else
#include <windows.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <csignal>

#include "platform/Files.h"
#include "support/TestFiles.h"

using namespace tessaly;
using namespace tessaly::platform;
using namespace tessaly::testing;

namespace {

// What the folder of the file being written holds when a step is reached.
std::vector<std::string> g_during;
FileStep g_at = FileStep::BytesWritten;
int RecordNames(FileStep step, const std::filesystem::path& file) {
    if (step == g_at) g_during = Names(file.parent_path());
    return 0;
}

#if TESSALY_POSIX
// Interrupts the program at the step, as Ctrl-C or a kill would, and waits
// there for the end the interruption brings.
int g_signal = 0;
int Interrupt(FileStep step, const std::filesystem::path&) {
    if (step != g_at) return 0;
    ::kill(::getpid(), g_signal);
    for (;;) ::pause();
}
#endif

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
#if TESSALY_POSIX
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    TempFolder folder;
    const auto file = folder.path() / "out.txt";
    WriteFileAtomically(file, "previous");
    ::chmod(folder.path().c_str(), 0555);
    EXPECT_THROW(WriteFileAtomically(file, "new"), std::filesystem::filesystem_error);
    ::chmod(folder.path().c_str(), 0755);
    EXPECT_EQ(ReadBytes(file), "previous");
#else
    SKIP_WITHOUT_POSIX("permission bits");
#endif
}

// A name in Japanese is the same file by its UTF-8 text and by the path
// made from it, written, replaced and read back (on Windows a path made
// from the bytes would name another file, or none).
TEST(WriteFileAtomically, JapaneseNamesFromUtf8) {
    TempFolder folder;
    const auto file = folder.path() / PathFromUtf8("原稿「春」_ruby.txt");
    WriteFileAtomically(file, "first");
    WriteFileAtomically(file, "second");
    EXPECT_EQ(ReadBytes(file), "second");
    ASSERT_EQ(Names(folder.path()).size(), 1u);
    const auto listed = std::filesystem::directory_iterator(folder.path())->path();
    EXPECT_EQ(PathToUtf8(listed.filename()), "原稿「春」_ruby.txt");
    EXPECT_EQ(PathToUtf8(PathFromUtf8("作品/第1章.doc")), "作品/第1章.doc");
    EXPECT_EQ(IdentityOf(listed), IdentityOf(file));
}

// Names collide as the system compares them: by case on Windows (and
// macOS), by their bytes on Linux.
TEST(NameKey, CaseWhereTheSystemIgnoresIt) {
    const bool same = NameKey(PathFromUtf8("x_ruby.txt")) == NameKey(PathFromUtf8("X_RUBY.txt"));
    EXPECT_EQ(NameKey(PathFromUtf8("原稿_ruby.txt")), NameKey(PathFromUtf8("原稿_ruby.txt")));
    EXPECT_NE(NameKey(PathFromUtf8("a_ruby.txt")), NameKey(PathFromUtf8("b_ruby.txt")));
#if TESSALY_WINDOWS
    EXPECT_TRUE(same);
    // Full-width letters have case too.
    EXPECT_EQ(NameKey(PathFromUtf8("ａ_ruby.txt")), NameKey(PathFromUtf8("Ａ_ruby.txt")));
#elif defined(__APPLE__)
    EXPECT_TRUE(same);
#else
    EXPECT_FALSE(same);
#endif
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
#if TESSALY_POSIX
    std::filesystem::create_symlink(target, folder.path() / "link");
#else
    WriteBytes(folder.path() / "link", "");  // symbolic links need privileges on Windows
#endif
    std::error_code error;
    EXPECT_FALSE(CreateNewFile(folder.path() / "link", error));
    EXPECT_EQ(SystemErrorReason(error), "同じ名前のものがあります");
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
    EXPECT_TRUE(g_during[0].starts_with(".tessaly-") && g_during[0].ends_with(".tmp") && g_during[0].size() <= 25) << g_during[0];
    EXPECT_EQ(Names(folder.path()), (std::vector<std::string>{"elsewhere.txt", "link", longest + "_ruby.txt"}));
    EXPECT_EQ(ReadBytes(file), "part");
}

#if TESSALY_POSIX
// Runs body in a child process and returns how it ended (waitpid's status).
template <class Body>
int InChild(Body&& body) {
    const pid_t child = ::fork();
    if (child == 0) {
        body();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
}
#endif

// Interrupted at any step of writing, from the moment the temporary file
// exists, a program leaves none and the earlier output as it was.
TEST(PendingFile, InterruptionRemovesTheTemporaryFile) {
#if TESSALY_POSIX
    for (FileStep step : {FileStep::TemporaryCreated, FileStep::BytesWritten}) {
        for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
            TempFolder folder;
            const auto file = folder.path() / "out_ruby.txt";
            WriteFileAtomically(file, "previous");
            const int status = InChild([&] {
                InstallInterruptCleanup();
                g_signal = signal;
                g_at = step;
                SetFileStepHook(Interrupt);
                WriteFileAtomically(file, std::string(1 << 20, 'x'));
            });
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
            EXPECT_EQ(Names(folder.path()), std::vector<std::string>{"out_ruby.txt"});
            EXPECT_EQ(ReadBytes(file), "previous");
        }
    }
#else
    SKIP_WITHOUT_POSIX("fork and signals");
#endif
}

#if TESSALY_WINDOWS
// The file a test run as a child of itself is to write, or null in the
// test's own run.
const wchar_t* ChildsFile() { return _wgetenv(L"TESSALY_CHILDS_FILE"); }

// Runs this program again with only the named test, on a console of its
// own, with file as ChildsFile(); returns how it ended (its exit code).
DWORD InChildProcess(const char* test, const std::filesystem::path& file) {
    SetEnvironmentVariableW(L"TESSALY_CHILDS_FILE", file.c_str());
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" --gtest_filter=" + PathFromUtf8(test).native();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    const bool started =
        CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr, nullptr, &startup, &child);
    SetEnvironmentVariableW(L"TESSALY_CHILDS_FILE", nullptr);
    if (!started) return DWORD(-1);
    DWORD status = DWORD(-2);
    if (WaitForSingleObject(child.hProcess, 60'000) == WAIT_OBJECT_0) GetExitCodeProcess(child.hProcess, &status);
    CloseHandle(child.hProcess);
    CloseHandle(child.hThread);
    return status;
}
#endif

// On Windows Ctrl-C and Ctrl-Break come through the console's handler: a
// program interrupted while it writes leaves no temporary file and the
// earlier output as it was. The test runs itself again as that program, on
// a console of its own, which it interrupts.
TEST(PendingFile, ConsoleInterruptionRemovesTheTemporaryFile) {
#if TESSALY_WINDOWS
    if (const wchar_t* file = ChildsFile()) {
        InstallInterruptCleanup();
        SetFileStepHook([](FileStep step, const std::filesystem::path&) {
            if (step == FileStep::BytesWritten) {
                if (!GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) ExitProcess(3);
                Sleep(INFINITE);
            }
            return 0;
        });
        WriteFileAtomically(std::filesystem::path(file), std::string(1 << 20, 'x'));
        ADD_FAILURE() << "not interrupted";
        return;
    }
    TempFolder folder;
    const auto file = folder.path() / PathFromUtf8("原稿_ruby.txt");
    WriteFileAtomically(file, "previous");
    const DWORD status = InChildProcess("PendingFile.ConsoleInterruptionRemovesTheTemporaryFile", file);
    EXPECT_EQ(status, DWORD(STATUS_CONTROL_C_EXIT));
    EXPECT_EQ(Names(folder.path()), std::vector<std::string>{"原稿_ruby.txt"});
    EXPECT_EQ(ReadBytes(file), "previous");
#else
    SKIP_WITHOUT_WINDOWS("a console's Ctrl-C handler");
#endif
}

// An interruption while a set is put in place waits for the set to be
// complete: never a new file beside an old one.
TEST(PendingFile, AnInterruptionBetweenTheReplacesWaitsForTheSet) {
#if TESSALY_POSIX
    TempFolder folder;
    const auto windows = folder.path() / "a_ruby.txt", mac = folder.path() / "Mac_a_ruby.txt";
    WriteFileAtomically(windows, "old");
    WriteFileAtomically(mac, "old");
    const int status = InChild([&] {
        InstallInterruptCleanup();
        // The interruption arrives, and is given time to act, between the two.
        SetFileStepHook([](FileStep step, const std::filesystem::path&) {
            if (step == FileStep::BetweenReplaces) {
                ::kill(::getpid(), SIGINT);
                ::usleep(50'000);
            }
            return 0;
        });
        PendingFile a(windows, "new"), b(mac, "new");
        CommitTogether({&a, &b});
        for (;;) ::pause();
    });
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
    EXPECT_EQ(ReadBytes(windows), "new");
    EXPECT_EQ(ReadBytes(mac), "new");
    EXPECT_EQ(Names(folder.path()).size(), 2u);
#else
    SKIP_WITHOUT_POSIX("fork and signals");
#endif
}

// A program killed outright leaves its temporary file; a later one removes
// it, and only the files of processes that no longer run (on Windows, the
// test runs itself again as the program that is killed).
TEST(PendingFile, TemporariesOfEndedProgramsAreRemovedLater) {
    auto killedWhileWriting = [](const std::filesystem::path& file) {
        SetFileStepHook([](FileStep step, const std::filesystem::path&) {
#if TESSALY_POSIX
            if (step == FileStep::BytesWritten) ::kill(::getpid(), SIGKILL);
#else
            if (step == FileStep::BytesWritten) TerminateProcess(GetCurrentProcess(), 9);
#endif
            return 0;
        });
        WriteFileAtomically(file, std::string(1 << 20, 'x'));
    };
#if TESSALY_WINDOWS
    if (const wchar_t* file = ChildsFile()) return killedWhileWriting(file);
#endif
    TempFolder folder;
    const auto file = folder.path() / "out_ruby.txt";
#if TESSALY_POSIX
    const int status = InChild([&] { killedWhileWriting(file); });
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
#else
    EXPECT_EQ(InChildProcess("PendingFile.TemporariesOfEndedProgramsAreRemovedLater", file), 9u);
#endif
    const std::vector<std::string> left = Names(folder.path());
    ASSERT_EQ(left.size(), 1u);
    EXPECT_TRUE(left[0].starts_with(".tessaly-")) << left[0];
    // This process's own, and names that are not Tessaly's, stay.
    SetFileStepHook([](FileStep step, const std::filesystem::path& f) {
        if (step == FileStep::BytesWritten) g_during = Names(f.parent_path());
        return 0;
    });
    WriteBytes(folder.path() / ".tessaly-abc.tmp", "");
    WriteBytes(folder.path() / "notes.tmp", "");
    {
        PendingFile own(folder.path() / "b_ruby.txt", "b");
        RemoveStaleTemporaries(folder.path());
        EXPECT_EQ(Names(folder.path()).size(), 3u) << "the ended program's file is gone, the others stay";
        EXPECT_EQ(std::count(g_during.begin(), g_during.end(), left[0]), 1);
    }
    SetFileStepHook(nullptr);
    EXPECT_EQ(Names(folder.path()), (std::vector<std::string>{".tessaly-abc.tmp", "notes.tmp"}));
}

// A disk that fills up while a file is written: the error names the file,
// and nothing of it is left.
TEST(PendingFile, AWriteThatFailsLeavesNothing) {
    TempFolder folder;
    const auto file = folder.path() / "out_ruby.txt";
    WriteFileAtomically(file, "previous");
    SetFileStepHook([](FileStep step, const std::filesystem::path&) { return step == FileStep::BytesWritten ? ENOSPC : 0; });
    try {
        WriteFileAtomically(file, "new");
        ADD_FAILURE() << "written";
    } catch (const std::filesystem::filesystem_error& e) {
        EXPECT_EQ(SystemErrorReason(e.code()), "ディスクの空き容量が足りません");
        EXPECT_EQ(e.path1(), file);
    }
    SetFileStepHook(nullptr);
    EXPECT_EQ(Names(folder.path()), std::vector<std::string>{"out_ruby.txt"});
    EXPECT_EQ(ReadBytes(file), "previous");
}

TEST(FileIdentity, TheSameFileByEveryPath) {
    TempFolder folder;
    const auto file = folder.path() / "a.doc";
    WriteBytes(file, "x");
#if TESSALY_POSIX
    std::filesystem::create_symlink(file, folder.path() / "link.doc");
    EXPECT_EQ(IdentityOf(file), IdentityOf(folder.path() / "link.doc"));
#endif
    // Two files of the same size and time are two files (on Windows stat()
    // gives every file the number 0).
    WriteBytes(folder.path() / "b.doc", "x");
    EXPECT_EQ(IdentityOf(file), IdentityOf(folder.path() / "." / "a.doc"));
    EXPECT_NE(IdentityOf(file), IdentityOf(folder.path() / "b.doc"));
    std::filesystem::create_directory(folder.path() / "sub");
    EXPECT_EQ(IdentityOf(file), IdentityOf(folder.path() / "sub" / ".." / "a.doc"));
#if TESSALY_WINDOWS
    EXPECT_EQ(IdentityOf(file), IdentityOf(folder.path() / "A.DOC"));
#endif
    EXPECT_EQ(IdentityOf(folder.path() / "missing.doc"), std::nullopt);
}
