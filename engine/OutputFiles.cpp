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

std::u16string AssembleTaggedText(std::u16string_view header, std::u16string_view body) {
    std::u16string text;
    text.reserve(header.size() + body.size() + 16);
    text += header;
    text += body;
    text += u"\r\n<ParaStyle:>";
    return text;
}

std::u16string OutputFileNameFor(std::u16string_view documentName) {
    std::u16string name(documentName.substr(0, documentName.find(u'.')));
    name += u"_ruby.txt";
    return name;
}

std::string WindowsFileBytes(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(2 + text.size() * 2);
    bytes += "\xFF\xFE";
    for (char16_t c : text) {
        bytes.push_back(char(c & 0xFF));
        bytes.push_back(char(c >> 8));
    }
    return bytes;
}

std::string MacFileBytes(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        // A line feed that follows a carriage return is dropped: CR LF becomes CR.
        if (c == u'\n' && i > 0 && text[i - 1] == u'\r') continue;
        bytes.push_back(char(c >> 8));
        bytes.push_back(char(c & 0xFF));
    }
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
    WriteFileAtomically(windowsFile, WindowsFileBytes(AssembleTaggedText(headers.windows, body)));
    if (options.MacText == 1) {
        const fs::path macFile = outputFolder / fs::path(ToUtf8(u"Mac_" + outputName));
        WriteFileAtomically(macFile, MacFileBytes(AssembleTaggedText(headers.mac, body)));
    }
    return outputName;
}

}  // namespace tessaly
