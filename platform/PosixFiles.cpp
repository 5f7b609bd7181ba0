// The files of platform/Files.h on POSIX systems.
#include "platform/Files.h"
#include "platform/FilesCommon.h"

#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <mutex>
#include <shared_mutex>
#include <thread>

namespace tessaly::platform {
namespace fs = std::filesystem;

fs::path PathFromUtf8(std::string_view utf8) { return fs::path(std::string(utf8)); }

std::string PathToUtf8(const fs::path& path) { return path.string(); }

fs::path::string_type NameKey(const fs::path& name) {
#ifdef __APPLE__
    // APFS and HFS+ as formatted by default: ASCII letters in one case is
    // what a name written by this program needs.
    std::string key = name.native();
    for (char& c : key)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return key;
#else
    return name.native();
#endif
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) { return std::vector<std::string>(argv + std::min(argc, 1), argv + argc); }

std::ostream& StandardOutput() { return std::cout; }
std::ostream& StandardError() { return std::cerr; }
bool StandardErrorIsTerminal() { return ::isatty(2) != 0; }

namespace {

FileStepHook g_stepHook = nullptr;

int Step(FileStep step, const fs::path& file) { return g_stepHook ? g_stepHook(step, file) : 0; }

// The temporary files not yet in place, where a signal handler can reach
// them: a fixed table of paths, each slot free (0), being filled (1) or
// holding a path (2).
constexpr size_t kSlots = 256;
struct TemporarySlot {
    std::atomic<int> state{0};
    char path[PATH_MAX];
};
TemporarySlot g_temporaries[kSlots];

int Remember(const fs::path& temp) {
    const std::string& path = temp.native();
    if (path.size() >= PATH_MAX) return -1;
    for (size_t i = 0; i < kSlots; ++i) {
        int expected = 0;
        if (!g_temporaries[i].state.compare_exchange_strong(expected, 1)) continue;
        std::memcpy(g_temporaries[i].path, path.c_str(), path.size() + 1);
        g_temporaries[i].state = 2;
        return static_cast<int>(i);
    }
    return -1;  // more at once than any run writes: left to the error paths
}

void Forget(int slot) {
    if (slot >= 0) g_temporaries[slot].state = 0;
}

// Commits hold this shared; the interrupt cleanup takes it whole, so that
// it waits for a set being put in place to be complete.
std::shared_mutex g_commits;

void RemoveTemporaries() {
    for (auto& slot : g_temporaries)
        if (slot.state.load() == 2) ::unlink(slot.path);
}

// The interruptions, taken by a thread of their own (every other thread
// has them blocked): the temporaries are removed once no set is being put
// in place, then the process ends as the interruption says.
void WaitForInterruption(sigset_t signals) {
    int signal = 0;
    while (sigwait(&signals, &signal) != 0) {
    }
    std::unique_lock all(g_commits);
    RemoveTemporaries();
    ::signal(signal, SIG_DFL);
    sigset_t one;
    sigemptyset(&one);
    sigaddset(&one, signal);
    pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
    ::raise(signal);
    ::_exit(128 + signal);
}

// A temporary name in the file's folder.
fs::path TemporaryNameBeside(const fs::path& file) {
    return file.parent_path() / common::TemporaryName(static_cast<uint64_t>(::getpid()));
}

// A lock on the folder the other programs that put their sets there wait
// for (none where the folder cannot be opened: putting in place then fails
// on its own).
class FolderLock {
public:
    explicit FolderLock(const fs::path& folder)
        : m_fd(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (m_fd >= 0)
            while (::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
            }
    }
    ~FolderLock() {
        if (m_fd >= 0) ::close(m_fd);  // which unlocks
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int m_fd;
};

[[noreturn]] void Fail(const char* what, const fs::path& file, int error) {
    throw fs::filesystem_error(what, file, std::error_code(error, std::generic_category()));
}

int OpenNewFile(const fs::path& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
}

// Writes all bytes; the system's error, or 0.
int WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return 0;
}

}  // namespace

bool CreateNewFile(const fs::path& path, std::error_code& error) {
    const int fd = OpenNewFile(path);
    if (fd < 0) {
        error = std::error_code(errno, std::generic_category());
        return false;
    }
    ::close(fd);
    error.clear();
    return true;
}

void SetFileStepHook(FileStepHook hook) { g_stepHook = hook; }

void InstallInterruptCleanup() {
    static std::once_flag once;
    std::call_once(once, [] {
        // Blocked here, before the program starts any other thread, they
        // stay blocked in every thread it starts.
        sigset_t signals;
        sigemptyset(&signals);
        for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&signals, signal);
        pthread_sigmask(SIG_BLOCK, &signals, nullptr);
        std::thread(WaitForInterruption, signals).detach();
        ::signal(SIGXFSZ, SIG_IGN);
    });
}

std::string SystemErrorReason(const std::error_code& error) {
    if (const auto reason = common::ReasonForErrno(error.value())) return *reason;
    return "システムのエラー: " + error.message();
}

size_t TerminalColumns() {
    struct winsize size {};
    if (::ioctl(2, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    if (const char* columns = std::getenv("COLUMNS")) {
        const long n = std::strtol(columns, nullptr, 10);
        if (n > 0) return static_cast<size_t>(n);
    }
    return 80;
}

std::optional<FileIdentity> IdentityOf(const fs::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return FileIdentity{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

PendingFile::PendingFile(const fs::path& file, std::string_view bytes) : m_file(file) {
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        // Known to the interrupt cleanup before it exists, so that no
        // moment leaves it unknown.
        m_temp = TemporaryNameBeside(file);
        m_slot = Remember(m_temp);
        fd = OpenNewFile(m_temp);
        if (fd >= 0) break;
        const int error = errno;
        Forget(m_slot);
        m_slot = -1;
        if (error != EEXIST || attempt == 100) {
            m_temp.clear();
            Fail("cannot create the file", file, error);
        }
    }
    Step(FileStep::TemporaryCreated, file);
    int error = WriteAll(fd, bytes);
    if (const int injected = Step(FileStep::BytesWritten, file); error == 0) error = injected;
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && error == 0 && errno != EINTR) error = errno;
    if (error != 0) {
        discard();
        Fail("cannot write the file", file, error);
    }
}

PendingFile::~PendingFile() { discard(); }

void PendingFile::discard() {
    if (m_temp.empty()) return;
    ::unlink(m_temp.c_str());
    m_temp.clear();
    Forget(m_slot);
    m_slot = -1;
}

void PendingFile::commit() { CommitTogether({this}); }

void WriteFileAtomically(const fs::path& file, std::string_view bytes) { PendingFile(file, bytes).commit(); }

void CommitTogether(const std::vector<PendingFile*>& files) {
    if (files.empty()) return;
    std::shared_lock commits(g_commits);
    FolderLock lock(files.front()->m_file.parent_path());
    for (size_t i = 0; i < files.size(); ++i) {
        PendingFile& f = *files[i];
        if (i > 0) Step(FileStep::BetweenReplaces, files[i - 1]->m_file);
        Step(FileStep::BeforeReplace, f.m_file);
        if (::rename(f.m_temp.c_str(), f.m_file.c_str()) != 0) Fail("cannot replace the file", f.m_file, errno);
        f.m_temp.clear();
        Forget(f.m_slot);
        f.m_slot = -1;
    }
}

void RemoveStaleTemporaries(const fs::path& folder) {
    std::error_code ec;
    for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const auto owner = static_cast<pid_t>(common::OwnerOfTemporary(it->path().filename().string()));
        if (owner > 0 && ::kill(owner, 0) != 0 && errno == ESRCH) ::unlink(it->path().c_str());
    }
}

}  // namespace tessaly::platform
