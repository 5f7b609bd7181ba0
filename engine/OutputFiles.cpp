#include "engine/OutputFiles.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
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

void WriteFileAtomically(const fs::path& file, std::string_view bytes) {
    WriteFileAtomically(file, [&](const ByteSink& sink) { sink(bytes); });
}

PendingFile::PendingFile(const fs::path& file, const std::function<void(const ByteSink&)>& write) : m_file(file) {
    static std::atomic<unsigned> counter{0};
    fs::path temp = file;
    temp += ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) {
        throw fs::filesystem_error("cannot create the file", temp,
                                   std::error_code(errno ? errno : EACCES, std::generic_category()));
    }
    auto discard = [&] {
        out.close();
        std::error_code ignored;
        fs::remove(temp, ignored);
    };
    try {
        write([&](std::string_view piece) {
            if (out) out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
        });
        out.flush();
    } catch (...) {
        discard();
        throw;
    }
    if (!out) {
        const int err = errno ? errno : EIO;
        discard();
        throw fs::filesystem_error("cannot write the file", file, std::error_code(err, std::generic_category()));
    }
    m_temp = temp;  // from here on the destructor removes it unless committed
}

PendingFile::~PendingFile() {
    if (m_temp.empty()) return;
    std::error_code ignored;
    fs::remove(m_temp, ignored);
}

void PendingFile::commit() {
    std::error_code ec;
    fs::rename(m_temp, m_file, ec);
    if (ec) throw fs::filesystem_error("cannot replace the file", m_file, ec);
    m_temp.clear();
}

void WriteFileAtomically(const fs::path& file, const std::function<void(const ByteSink&)>& write) {
    PendingFile(file, write).commit();
}

std::u16string WriteOutputFiles(const fs::path& outputFolder, std::u16string body, const TaggedTextHeaders& headers,
                                std::u16string_view documentName, const ConversionOptions& options) {
    TrimBodyEnd(body);
    if (!FolderExistsAt(outputFolder)) CreateFolderAt(outputFolder);

    std::u16string outputName = OutputFileNameFor(documentName);
    const fs::path windowsFile = outputFolder / fs::path(ToUtf8(outputName));
    // Each file is encoded straight from its parts: header + body + kTextEnd.
    // Both are written before either is put in place, the Windows file
    // first: when writing fails, neither replaces an earlier one.
    PendingFile windows(windowsFile, [&](const ByteSink& sink) { WindowsFileBytes({headers.windows, body, kTextEnd}, sink); });
    std::optional<PendingFile> mac;
    if (options.MacText == 1) {
        const fs::path macFile = outputFolder / fs::path(ToUtf8(u"Mac_" + outputName));
        mac.emplace(macFile, [&](const ByteSink& sink) { MacFileBytes({headers.mac, body, kTextEnd}, sink); });
    }
    windows.commit();
    if (mac) mac->commit();
    return outputName;
}

}  // namespace tessaly
