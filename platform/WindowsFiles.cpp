// The files of platform/Files.h on Windows: wide paths made from UTF-8,
// files created exclusively and put in place with MoveFileExW, identities
// from the volume and the file index, Ctrl-C through the console's handler,
// and the console written as wide characters.
#include "platform/Files.h"

#include <windows.h>

#include <cstdlib>
#include <algorithm>
#include <cwchar>
#include <iostream>
#include <mutex>
#include <shared_mutex>
#include <streambuf>

#include "platform/FilesCommon.h"

namespace tessaly::platform {
namespace fs = std::filesystem;

namespace {

std::wstring Wide(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring wide(size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), n);
    return wide;
}

std::string Narrow(std::wstring_view wide) {
    if (wide.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), utf8.data(), n, nullptr, nullptr);
    return utf8;
}

std::error_code LastError() { return std::error_code(int(GetLastError()), std::system_category()); }

[[noreturn]] void Fail(const char* what, const fs::path& file, std::error_code error) { throw fs::filesystem_error(what, file, error); }

BOOL WINAPI OnConsoleInterruption(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
    std::unique_lock all(common::Commits());
    common::RemoveTemporaries();
    ExitProcess(STATUS_CONTROL_C_EXIT);
}

fs::path TemporaryNameBeside(const fs::path& file) {
    return file.parent_path() / PathFromUtf8(common::TemporaryName(GetCurrentProcessId()));
}

// CREATE_NEW fails on anything at the name, a link included. Shared for
// deletion only: the console's handler removes a temporary file while it is
// being written (Windows removes it once the handle is closed).
HANDLE OpenNewFile(const fs::path& path) {
    return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::error_code WriteAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = DWORD(std::min<size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr)) return LastError();
        bytes.remove_prefix(written);
    }
    return {};
}

// UTF-8 text for a standard handle: a console gets it as wide characters,
// whole characters at a time; a file or a pipe gets the bytes.
class ConsoleBuffer : public std::streambuf {
public:
    explicit ConsoleBuffer(DWORD which) : m_handle(GetStdHandle(which)) {
        DWORD mode = 0;
        m_console = m_handle != INVALID_HANDLE_VALUE && m_handle && GetConsoleMode(m_handle, &mode);
    }
    ~ConsoleBuffer() override { sync(); }
    bool console() const { return m_console; }

protected:
    int_type overflow(int_type c) override {
        if (c != traits_type::eof()) m_pending.push_back(char(c));
        if (m_pending.size() >= 4096) sync();
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        m_pending.append(s, size_t(n));
        if (m_pending.size() >= 4096) sync();
        return n;
    }
    int sync() override {
        if (m_pending.empty() || !m_handle || m_handle == INVALID_HANDLE_VALUE) return 0;
        // A character cut at the end waits for its other bytes.
        size_t whole = m_pending.size();
        for (size_t back = 1; back <= 3 && back <= whole; ++back) {
            const auto b = uint8_t(m_pending[whole - back]);
            if ((b & 0xC0) == 0x80) continue;
            const size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
            if (length > back) whole -= back;
            break;
        }
        const std::string_view text(m_pending.data(), whole);
        DWORD done = 0;
        if (m_console) {
            const std::wstring wide = Wide(text);
            WriteConsoleW(m_handle, wide.data(), DWORD(wide.size()), &done, nullptr);
        } else {
            WriteFile(m_handle, text.data(), DWORD(text.size()), &done, nullptr);
        }
        m_pending.erase(0, whole);
        return 0;
    }

private:
    HANDLE m_handle;
    bool m_console = false;
    std::string m_pending;
};

struct StandardStreams {
    ConsoleBuffer outBuffer{STD_OUTPUT_HANDLE}, errBuffer{STD_ERROR_HANDLE};
    std::ostream out{&outBuffer}, err{&errBuffer};
    StandardStreams() { err.setf(std::ios::unitbuf); }
};

StandardStreams& Streams() {
    static StandardStreams streams;
    return streams;
}

}  // namespace

fs::path PathFromUtf8(std::string_view utf8) { return fs::path(Wide(utf8)); }

std::string PathToUtf8(const fs::path& path) { return Narrow(path.native()); }

fs::path::string_type NameKey(const fs::path& name) {
    std::wstring key = name.native();
    CharUpperBuffW(key.data(), DWORD(key.size()));
    return key;
}

std::vector<std::string> CommandLineArguments(int, char**) {
    int n = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &n);
    std::vector<std::string> args;
    for (int i = 1; wide && i < n; ++i) args.push_back(Narrow(wide[i]));
    if (wide) LocalFree(wide);
    return args;
}

std::ostream& StandardOutput() { return Streams().out; }
std::ostream& StandardError() { return Streams().err; }
bool StandardErrorIsTerminal() { return Streams().errBuffer.console(); }

bool CreateNewFile(const fs::path& path, std::error_code& error) {
    const HANDLE file = OpenNewFile(path);
    if (file == INVALID_HANDLE_VALUE) {
        error = LastError();
        return false;
    }
    CloseHandle(file);
    error.clear();
    return true;
}

void InstallInterruptCleanup() {
    static std::once_flag once;
    std::call_once(once, [] { SetConsoleCtrlHandler(OnConsoleInterruption, TRUE); });
}

std::string SystemErrorReason(const std::error_code& error) {
    if (error.category() == std::generic_category()) {
        if (const auto reason = common::ReasonForErrno(error.value())) return *reason;
    } else {
        switch (error.value()) {
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: return "ディスクの空き容量が足りません";
        case ERROR_ACCESS_DENIED: return "書き込む権限がありません";
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION: return "ほかのプログラムが使っています";
        case ERROR_FILENAME_EXCED_RANGE: return "名前が長すぎます";
        case ERROR_WRITE_PROTECT: return "読み取り専用のディスクです";
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: return "フォルダーが見つかりません";
        case ERROR_DIRECTORY: return "パスの途中にフォルダーではないものがあります";
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS: return "同じ名前のものがあります";
        case ERROR_CRC:
        case ERROR_IO_DEVICE: return "入出力エラーが起きました";
        default: break;
        }
    }
    return "システムのエラー: " + error.message();
}

size_t TerminalColumns() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info) && info.srWindow.Right > info.srWindow.Left)
        return size_t(info.srWindow.Right - info.srWindow.Left + 1);
    if (const char* columns = std::getenv("COLUMNS")) {
        const long n = std::strtol(columns, nullptr, 10);
        if (n > 0) return size_t(n);
    }
    return 80;
}

std::optional<FileIdentity> IdentityOf(const fs::path& path) {
    const HANDLE file = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info;
    const bool ok = GetFileInformationByHandle(file, &info);
    CloseHandle(file);
    if (!ok) return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber, uint64_t(info.nFileIndexHigh) << 32 | info.nFileIndexLow};
}

PendingFile::PendingFile(const fs::path& file, std::string_view bytes) : m_file(file) {
    HANDLE handle = INVALID_HANDLE_VALUE;
    for (int attempt = 0; handle == INVALID_HANDLE_VALUE; ++attempt) {
        // Known to the console's handler before it exists.
        m_temp = TemporaryNameBeside(file);
        m_slot = common::Remember(m_temp);
        handle = OpenNewFile(m_temp);
        if (handle != INVALID_HANDLE_VALUE) break;
        const std::error_code error = LastError();
        common::Forget(m_slot);
        m_slot = -1;
        if ((error.value() != ERROR_FILE_EXISTS && error.value() != ERROR_ALREADY_EXISTS) || attempt == 100) {
            m_temp.clear();
            Fail("cannot create the file", file, error);
        }
    }
    common::Step(FileStep::TemporaryCreated, file);
    std::error_code error = WriteAll(handle, bytes);
    if (const int injected = common::Step(FileStep::BytesWritten, file); !error && injected != 0)
        error = std::error_code(injected, std::generic_category());
    if (!error && !FlushFileBuffers(handle)) error = LastError();
    if (!CloseHandle(handle) && !error) error = LastError();
    if (error) {
        discard();
        Fail("cannot write the file", file, error);
    }
}

void RemoveStaleTemporaries(const fs::path& folder) {
    std::error_code ec;
    for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const uint64_t owner = common::OwnerOfTemporary(PathToUtf8(it->path().filename()));
        if (owner == 0 || owner > 0xFFFFFFFFu) continue;
        const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, DWORD(owner));
        bool running = false;
        if (process) {
            running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
            CloseHandle(process);
        } else {
            running = GetLastError() != ERROR_INVALID_PARAMETER;  // no such process: gone
        }
        if (!running) DeleteFileW(it->path().c_str());
    }
}

namespace common {

void RemoveFile(const fs::path& file) { DeleteFileW(file.c_str()); }

std::error_code PutInPlace(const fs::path& temp, const fs::path& file) {
    if (MoveFileExW(temp.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return {};
    // Windows calls a folder in the way a denied access.
    std::error_code error = LastError(), ec;
    if (fs::is_directory(file, ec)) error = std::make_error_code(std::errc::is_a_directory);
    return error;
}

// A mutex named after the folder's full path, in upper case (an abandoned
// one is taken as well).
FolderLock::FolderLock(const fs::path& folder) {
    std::error_code ec;
    std::wstring name = fs::absolute(folder.empty() ? fs::path(L".") : folder, ec).native();
    CharUpperBuffW(name.data(), DWORD(name.size()));
    uint64_t hash = 1469598103934665603ull;  // FNV-1a
    for (const wchar_t c : name) hash = (hash ^ uint64_t(c)) * 1099511628211ull;
    wchar_t mutexName[64];
    std::swprintf(mutexName, 64, L"Local\\tessaly-folder-%016llx", static_cast<unsigned long long>(hash));
    const HANDLE mutex = CreateMutexW(nullptr, FALSE, mutexName);
    if (mutex) WaitForSingleObject(mutex, INFINITE);
    m_handle = reinterpret_cast<intptr_t>(mutex);
}

FolderLock::~FolderLock() {
    const HANDLE mutex = reinterpret_cast<HANDLE>(m_handle);
    if (!mutex) return;
    ReleaseMutex(mutex);
    CloseHandle(mutex);
}

}  // namespace common
}  // namespace tessaly::platform
