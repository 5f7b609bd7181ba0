#include "engine/OutputFiles.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <random>
#include <stdexcept>
#include <system_error>

#include "engine/Text.h"

namespace tessaly {
namespace fs = std::filesystem;

void TrimBodyEnd(std::u16string& body) {
    size_t crs = 0;
    while (crs < body.size() && body[body.size() - 1 - crs] == u'\r') ++crs;
    if (crs >= 3) body.resize(body.size() - crs + 2);
    if (!body.empty() && body.back() == u'\r') body.pop_back();
}

std::u16string OutputFileNameFor(std::u16string_view documentName) {
    std::u16string name(documentName.substr(0, documentName.find(u'.')));
    name += u"_ruby.txt";
    return name;
}

namespace {

// Bytes are encoded into a buffer of this many and handed on when it is full,
// so a file never has to be held whole.
constexpr size_t kPieceBytes = size_t(1) << 16;

// Writes n units to out with the two bytes of each swapped.
void SwapUnits(const char16_t* in, size_t n, char* out) {
    for (size_t i = 0; i < n; ++i) {
        const auto swapped = static_cast<uint16_t>((in[i] >> 8) | (in[i] << 8));
        std::memcpy(out + 2 * i, &swapped, 2);
    }
}


// Encodes UTF-16 units as bytes into the sink, a piece at a time.
class PieceWriter {
public:
    explicit PieceWriter(const ByteSink& sink) : m_sink(sink), m_buffer(std::make_unique<char[]>(kPieceBytes)) {}

    void units(std::u16string_view text, bool bigEndian) {
        const bool swap = bigEndian != (std::endian::native == std::endian::big);
        if (!swap && 2 * text.size() >= kPieceBytes) {
            // The units as they lie in memory: handed on where they are.
            flush();
            m_sink(std::string_view(reinterpret_cast<const char*>(text.data()), 2 * text.size()));
            return;
        }
        while (!text.empty()) {
            if (m_used == kPieceBytes) flush();
            const size_t n = std::min(text.size(), (kPieceBytes - m_used) / 2);
            char* out = m_buffer.get() + m_used;
            if (!swap) std::memcpy(out, text.data(), 2 * n);
            else SwapUnits(text.data(), n, out);
            m_used += 2 * n;
            text.remove_prefix(n);
        }
    }

    void flush() {
        if (m_used > 0) m_sink(std::string_view(m_buffer.get(), m_used));
        m_used = 0;
    }

private:
    const ByteSink& m_sink;
    std::unique_ptr<char[]> m_buffer;
    size_t m_used = 0;
};

std::string Collect(const std::function<void(const ByteSink&)>& write) {
    std::string bytes;
    write([&](std::string_view piece) { bytes += piece; });
    return bytes;
}

}  // namespace

void WindowsFileBytes(std::initializer_list<std::u16string_view> parts, const ByteSink& sink) {
    sink(std::string_view("\xFF\xFE", 2));
    PieceWriter writer(sink);
    for (auto part : parts) writer.units(part, false);
    writer.flush();
}

void MacFileBytes(std::initializer_list<std::u16string_view> parts, const ByteSink& sink) {
    PieceWriter writer(sink);
    char16_t previous = 0;  // the unit before the part
    for (auto part : parts) {
        // A line feed that follows a carriage return is dropped: CR LF becomes CR.
        size_t from = 0;
        for (size_t i = part.find(u'\n'); i != std::u16string_view::npos; i = part.find(u'\n', i + 1)) {
            if ((i > 0 ? part[i - 1] : previous) == u'\r') {
                writer.units(part.substr(from, i - from), true);
                from = i + 1;
            }
        }
        writer.units(part.substr(from), true);
        if (!part.empty()) previous = part.back();
    }
    writer.flush();
}

std::string WindowsFileBytes(std::initializer_list<std::u16string_view> parts) {
    return Collect([&](const ByteSink& sink) { WindowsFileBytes(parts, sink); });
}

std::string MacFileBytes(std::initializer_list<std::u16string_view> parts) {
    return Collect([&](const ByteSink& sink) { MacFileBytes(parts, sink); });
}

bool FolderExistsAt(const fs::path& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

void CreateFolderAt(const fs::path& path) {
    std::error_code ec;
    if (!fs::create_directory(path, ec) && ec)
        throw fs::filesystem_error("cannot create the folder", path, ec);
}

fs::path OutputFileNameForInput(const fs::path& input) {
    const std::string name = input.filename().string();
    const size_t period = name.find('.');
    if (period == 0) return {};
    return fs::path(name.substr(0, period) + "_ruby.txt");
}

fs::path MacFileNameFor(const fs::path& windowsName) { return fs::path("Mac_" + windowsName.string()); }

fs::path ProofFileNameFor(const fs::path& windowsName) {
    std::string name = windowsName.string();
    constexpr std::string_view kSuffix = "_ruby.txt";
    if (name.ends_with(kSuffix)) name.resize(name.size() - kSuffix.size());
    return fs::path(name + "_proof.html");
}

namespace {

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

}  // namespace

int CreateNewFile(const fs::path& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
}

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

std::string FileErrorText(const fs::filesystem_error& error) {
    return "出力ファイルを書き込めません（" + SystemErrorReason(error.code()) + "）: " + ToUtf8(FromUtf8(error.path1().string()));
}

void WriteFileAtomically(const fs::path& file, std::string_view bytes) {
    WriteFileAtomically(file, [&](const ByteSink& sink) { sink(bytes); });
}

PendingFile::PendingFile(const fs::path& file, const std::function<void(const ByteSink&)>& write) : m_file(file) {
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        m_temp = TemporaryNameBeside(file);
        fd = CreateNewFile(m_temp);
        if (fd < 0 && (errno != EEXIST || attempt == 100)) {
            const int error = errno;
            m_temp.clear();
            Fail("cannot create the file", file, error);
        }
    }
    m_slot = Remember(m_temp);
    // The first error ends the writing; what the encoder still hands on is dropped.
    int error = 0;
    try {
        write([&](std::string_view piece) {
            while (!piece.empty() && error == 0) {
                const ssize_t n = ::write(fd, piece.data(), piece.size());
                if (n < 0) {
                    if (errno != EINTR) error = errno;
                    continue;
                }
                piece.remove_prefix(static_cast<size_t>(n));
            }
        });
    } catch (...) {
        ::close(fd);
        discard();
        throw;
    }
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
    if (::rename(m_temp.c_str(), m_file.c_str()) != 0) Fail("cannot replace the file", m_file, errno);
    m_temp.clear();
    Forget(m_slot);
    m_slot = -1;
}

void WriteFileAtomically(const fs::path& file, const std::function<void(const ByteSink&)>& write) {
    PendingFile(file, write).commit();
}

std::u16string WriteOutputFiles(const fs::path& outputFolder, std::u16string body, const TaggedTextHeaders& headers,
                                std::u16string_view documentName, const ConversionOptions& options,
                                const fs::path& outputName) {
    if (outputName.empty() && (documentName.empty() || documentName.front() == u'.'))
        throw std::runtime_error("文書名の最初のピリオドの前に文字がないため、出力ファイル名を作れません。");
    TrimBodyEnd(body);
    if (!FolderExistsAt(outputFolder)) CreateFolderAt(outputFolder);

    const fs::path windowsName = outputName.empty() ? fs::path(ToUtf8(OutputFileNameFor(documentName))) : outputName;
    // A folder where a file is to go would fail only when the files are put
    // in place, perhaps after the other one: it is found before.
    for (const fs::path& name : {windowsName, MacFileNameFor(windowsName)}) {
        std::error_code ec;
        if ((name == windowsName || options.MacText == 1) && fs::is_directory(fs::symlink_status(outputFolder / name, ec)))
            Fail("cannot replace the file", outputFolder / name, EISDIR);
    }
    // Each file is encoded straight from its parts: header + body + kTextEnd.
    // Both are on disk before either is put in place, the Windows file
    // first: when writing fails, neither replaces an earlier one, and an
    // interruption never leaves a new file beside an old one.
    PendingFile windows(outputFolder / windowsName,
                        [&](const ByteSink& sink) { WindowsFileBytes({headers.windows, body, kTextEnd}, sink); });
    std::optional<PendingFile> mac;
    if (options.MacText == 1) {
        mac.emplace(outputFolder / MacFileNameFor(windowsName),
                    [&](const ByteSink& sink) { MacFileBytes({headers.mac, body, kTextEnd}, sink); });
    }
    windows.commit();
    if (mac) mac->commit();
    return FromUtf8(windowsName.string());
}

}  // namespace tessaly
