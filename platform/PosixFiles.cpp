// The files of platform/Files.h on POSIX systems.
#include "platform/Files.h"
#include "platform/FilesCommon.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
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

// The interruptions, taken by a thread of their own (every other thread
// has them blocked): the temporaries are removed once no set is being put
// in place, then the process ends as the interruption says.
void WaitForInterruption(sigset_t signals) {
    int signal = 0;
    while (sigwait(&signals, &signal) != 0) {
    }
    std::unique_lock all(common::Commits());
    common::RemoveTemporaries();
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
        m_slot = common::Remember(m_temp);
        fd = OpenNewFile(m_temp);
        if (fd >= 0) break;
        const int error = errno;
        common::Forget(m_slot);
        m_slot = -1;
        if (error != EEXIST || attempt == 100) {
            m_temp.clear();
            Fail("cannot create the file", file, error);
        }
    }
    common::Step(FileStep::TemporaryCreated, file);
    int error = WriteAll(fd, bytes);
    if (const int injected = common::Step(FileStep::BytesWritten, file); error == 0) error = injected;
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && error == 0 && errno != EINTR) error = errno;
    if (error != 0) {
        discard();
        Fail("cannot write the file", file, error);
    }
}

void RemoveStaleTemporaries(const fs::path& folder) {
    std::error_code ec;
    for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const auto owner = static_cast<pid_t>(common::OwnerOfTemporary(it->path().filename().string()));
        if (owner > 0 && ::kill(owner, 0) != 0 && errno == ESRCH) ::unlink(it->path().c_str());
    }
}

namespace common {

void RemoveFile(const fs::path& file) { ::unlink(file.c_str()); }

std::error_code PutInPlace(const fs::path& temp, const fs::path& file) {
    if (::rename(temp.c_str(), file.c_str()) == 0) return {};
    return std::error_code(errno, std::generic_category());
}

// None where the folder cannot be opened: putting in place then fails on
// its own.
FolderLock::FolderLock(const fs::path& folder)
    : m_handle(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (m_handle >= 0)
        while (::flock(int(m_handle), LOCK_EX) != 0 && errno == EINTR) {
        }
}

FolderLock::~FolderLock() {
    if (m_handle >= 0) ::close(int(m_handle));  // which unlocks
}

}  // namespace common
}  // namespace tessaly::platform
