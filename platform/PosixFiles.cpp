// The files of platform/Files.h on POSIX systems.
#include "platform/Files.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <random>

namespace tessaly::platform {
namespace fs = std::filesystem;

fs::path PathFromUtf8(std::string_view utf8) { return fs::path(std::string(utf8)); }

std::string PathToUtf8(const fs::path& path) { return path.string(); }

namespace {

FileStepHook g_stepHook = nullptr;

void Step(FileStep step, const fs::path& file) {
    if (g_stepHook) g_stepHook(step, file);
}

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

extern "C" void RemoveTemporariesAndEnd(int signal) {
    for (auto& slot : g_temporaries)
        if (slot.state.load() == 2) ::unlink(slot.path);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

// A short random name in the file's folder, hidden.
fs::path TemporaryNameBeside(const fs::path& file) {
    static thread_local std::mt19937_64 random{std::random_device{}() ^ static_cast<uint64_t>(::getpid())};
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string name = ".tessaly-";
    for (int i = 0; i < 10; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
    return file.parent_path() / (name + ".tmp");
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

void SetFileStepHook(FileStepHook hook) { g_stepHook = hook; }

void InstallInterruptCleanup() {
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction action {};
        action.sa_handler = RemoveTemporariesAndEnd;
        sigemptyset(&action.sa_mask);
        ::sigaction(signal, &action, nullptr);
    }
    ::signal(SIGXFSZ, SIG_IGN);
}

std::string SystemErrorReason(const std::error_code& error) {
    switch (error.value()) {
    case ENOSPC: return "ディスクの空き容量が足りません";
    case EDQUOT: return "ディスクの使用量の上限を超えています";
    case EACCES:
    case EPERM: return "書き込む権限がありません";
    case EISDIR: return "同じ名前のフォルダーがあります";
    case ENAMETOOLONG: return "名前が長すぎます";
    case EROFS: return "読み取り専用のファイルシステムです";
    case EFBIG: return "ファイルの大きさの上限を超えています";
    case ENOENT: return "フォルダーが見つかりません";
    case ENOTDIR: return "パスの途中にフォルダーではないものがあります";
    case EEXIST: return "同じ名前のものがあります";
    case EIO: return "入出力エラーが起きました";
    default: return "システムのエラー: " + error.message();
    }
}

std::optional<FileIdentity> IdentityOf(const fs::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return FileIdentity{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

PendingFile::PendingFile(const fs::path& file, std::string_view bytes) : m_file(file) {
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        m_temp = TemporaryNameBeside(file);
        fd = OpenNewFile(m_temp);
        if (fd < 0 && (errno != EEXIST || attempt == 100)) {
            const int error = errno;
            m_temp.clear();
            Fail("cannot create the file", file, error);
        }
    }
    m_slot = Remember(m_temp);
    Step(FileStep::TemporaryCreated, file);
    int error = WriteAll(fd, bytes);
    Step(FileStep::BytesWritten, file);
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

void PendingFile::commit() {
    Step(FileStep::BeforeReplace, m_file);
    if (::rename(m_temp.c_str(), m_file.c_str()) != 0) Fail("cannot replace the file", m_file, errno);
    m_temp.clear();
    Forget(m_slot);
    m_slot = -1;
}

void WriteFileAtomically(const fs::path& file, std::string_view bytes) { PendingFile(file, bytes).commit(); }

}  // namespace tessaly::platform
