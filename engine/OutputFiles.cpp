#include "engine/OutputFiles.h"

#include <atomic>
#include <cstdio>
#include <fstream>
#include <memory>
#include <system_error>
#include <unistd.h>

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

// Encodes each UTF-16 unit of parts with put(unit, out), which writes its
// bytes at out and returns the new end; pieces go to sink as they fill.
template <class Put>
void EncodeInPieces(std::initializer_list<std::u16string_view> parts, const ByteSink& sink, Put&& put) {
    const auto storage = std::make_unique<char[]>(kPieceBytes);
    char* const buffer = storage.get();
    char* out = buffer;
    for (auto part : parts) {
        for (char16_t c : part) {
            if (out > buffer + kPieceBytes - 2) {
                sink(std::string_view(buffer, static_cast<size_t>(out - buffer)));
                out = buffer;
            }
            out = put(c, out);
        }
    }
    if (out != buffer) sink(std::string_view(buffer, static_cast<size_t>(out - buffer)));
}

std::string Collect(const std::function<void(const ByteSink&)>& write) {
    std::string bytes;
    write([&](std::string_view piece) { bytes += piece; });
    return bytes;
}

}  // namespace

void WindowsFileBytes(std::initializer_list<std::u16string_view> parts, const ByteSink& sink) {
    sink(std::string_view("\xFF\xFE", 2));
    EncodeInPieces(parts, sink, [](char16_t c, char* out) {
        out[0] = char(c & 0xFF);
        out[1] = char(c >> 8);
        return out + 2;
    });
}

void MacFileBytes(std::initializer_list<std::u16string_view> parts, const ByteSink& sink) {
    char16_t previous = 0;
    EncodeInPieces(parts, sink, [&](char16_t c, char* out) {
        // A line feed that follows a carriage return is dropped: CR LF becomes CR.
        const bool drop = c == u'\n' && previous == u'\r';
        previous = c;
        if (drop) return out;
        out[0] = char(c >> 8);
        out[1] = char(c & 0xFF);
        return out + 2;
    });
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

void WriteFileAtomically(const fs::path& file, const std::function<void(const ByteSink&)>& write) {
    static std::atomic<unsigned> counter{0};
    fs::path temp = file;
    temp += ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) {
            throw fs::filesystem_error("cannot create the file", temp,
                                       std::error_code(errno ? errno : EACCES, std::generic_category()));
        }
        write([&](std::string_view piece) {
            if (out) out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
        });
        out.flush();
        if (!out) {
            const int err = errno ? errno : EIO;
            out.close();
            std::error_code ignored;
            fs::remove(temp, ignored);
            throw fs::filesystem_error("cannot write the file", file, std::error_code(err, std::generic_category()));
        }
    }
    std::error_code ec;
    fs::rename(temp, file, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        throw fs::filesystem_error("cannot replace the file", file, ec);
    }
}

std::u16string WriteOutputFiles(const fs::path& outputFolder, std::u16string body, const TaggedTextHeaders& headers,
                                std::u16string_view documentName, const ConversionOptions& options) {
    TrimBodyEnd(body);
    if (!FolderExistsAt(outputFolder)) CreateFolderAt(outputFolder);

    std::u16string outputName = OutputFileNameFor(documentName);
    const fs::path windowsFile = outputFolder / fs::path(ToUtf8(outputName));
    // Each file is encoded straight from its parts: header + body + kTextEnd.
    WriteFileAtomically(windowsFile, [&](const ByteSink& sink) { WindowsFileBytes({headers.windows, body, kTextEnd}, sink); });
    if (options.MacText == 1) {
        const fs::path macFile = outputFolder / fs::path(ToUtf8(u"Mac_" + outputName));
        WriteFileAtomically(macFile, [&](const ByteSink& sink) { MacFileBytes({headers.mac, body, kTextEnd}, sink); });
    }
    return outputName;
}

}  // namespace tessaly
