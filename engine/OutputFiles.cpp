#include "engine/OutputFiles.h"

#include <atomic>
#include <cstdio>
#include <fstream>
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

std::string WindowsFileBytes(std::initializer_list<std::u16string_view> parts) {
    size_t units = 0;
    for (auto part : parts) units += part.size();
    std::string bytes(2 + units * 2, '\0');
    bytes[0] = '\xFF';
    bytes[1] = '\xFE';
    char* out = bytes.data() + 2;
    for (auto part : parts) {
        for (char16_t c : part) {
            *out++ = char(c & 0xFF);
            *out++ = char(c >> 8);
        }
    }
    return bytes;
}

std::string MacFileBytes(std::initializer_list<std::u16string_view> parts) {
    size_t units = 0;
    for (auto part : parts) units += part.size();
    std::string bytes(units * 2, '\0');
    char* out = bytes.data();
    char16_t previous = 0;
    for (auto part : parts) {
        for (char16_t c : part) {
            // A line feed that follows a carriage return is dropped: CR LF becomes CR.
            const bool drop = c == u'\n' && previous == u'\r';
            previous = c;
            if (drop) continue;
            *out++ = char(c >> 8);
            *out++ = char(c & 0xFF);
        }
    }
    bytes.resize(static_cast<size_t>(out - bytes.data()));
    return bytes;
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
    static std::atomic<unsigned> counter{0};
    fs::path temp = file;
    temp += ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) {
            throw fs::filesystem_error("cannot create the file", temp,
                                       std::error_code(errno ? errno : EACCES, std::generic_category()));
        }
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
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
    WriteFileAtomically(windowsFile, WindowsFileBytes({headers.windows, body, kTextEnd}));
    if (options.MacText == 1) {
        const fs::path macFile = outputFolder / fs::path(ToUtf8(u"Mac_" + outputName));
        WriteFileAtomically(macFile, MacFileBytes({headers.mac, body, kTextEnd}));
    }
    return outputName;
}

}  // namespace tessaly
