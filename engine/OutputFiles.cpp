#include "engine/OutputFiles.h"

#include <optional>
#include <stdexcept>

#include "engine/Text.h"
#include "platform/Files.h"

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

void AppendUnits(std::string& bytes, std::u16string_view text, bool bigEndian) {
    const size_t at = bytes.size();
    bytes.resize(at + 2 * text.size());
    char* out = bytes.data() + at;
    for (char16_t unit : text) {
        const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        *out++ = bigEndian ? high : low;
        *out++ = bigEndian ? low : high;
    }
}

size_t TotalSize(std::initializer_list<std::u16string_view> parts) {
    size_t units = 0;
    for (auto part : parts) units += part.size();
    return units;
}

}  // namespace

std::string WindowsFileBytes(std::initializer_list<std::u16string_view> parts) {
    std::string bytes("\xFF\xFE", 2);
    bytes.reserve(2 + 2 * TotalSize(parts));
    for (auto part : parts) AppendUnits(bytes, part, false);
    return bytes;
}

std::string MacFileBytes(std::initializer_list<std::u16string_view> parts) {
    std::string bytes;
    bytes.reserve(2 * TotalSize(parts));
    char16_t previous = 0;  // the unit before the part
    for (auto part : parts) {
        // A line feed that follows a carriage return is dropped: CR LF becomes CR.
        size_t from = 0;
        for (size_t i = part.find(u'\n'); i != std::u16string_view::npos; i = part.find(u'\n', i + 1)) {
            if ((i > 0 ? part[i - 1] : previous) == u'\r') {
                AppendUnits(bytes, part.substr(from, i - from), true);
                from = i + 1;
            }
        }
        AppendUnits(bytes, part.substr(from), true);
        if (!part.empty()) previous = part.back();
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

fs::path OutputFileNameForInput(const fs::path& input) {
    const std::string name = platform::PathToUtf8(input.filename());
    const size_t period = name.find('.');
    if (period == 0 || period == std::string::npos) return {};
    return platform::PathFromUtf8(name.substr(0, period) + "_ruby.txt");
}

fs::path MacFileNameFor(const fs::path& windowsName) { return platform::PathFromUtf8("Mac_" + platform::PathToUtf8(windowsName)); }

fs::path ProofFileNameFor(const fs::path& windowsName) {
    std::string name = platform::PathToUtf8(windowsName);
    constexpr std::string_view kSuffix = "_ruby.txt";
    if (name.ends_with(kSuffix)) name.resize(name.size() - kSuffix.size());
    return platform::PathFromUtf8(name + "_proof.html");
}

std::string FileErrorText(const fs::filesystem_error& error) {
    return "出力ファイルを書き込めません（" + platform::SystemErrorReason(error.code()) + "）: " +
           ToUtf8(FromUtf8(platform::PathToUtf8(error.path1())));
}

void PendingOutputs::add(const fs::path& file, std::string_view bytes) {
    // A folder where a file is to go would fail only when the files are put
    // in place, perhaps after the others: it is found before.
    std::error_code ec;
    if (fs::is_directory(fs::symlink_status(file, ec)))
        throw fs::filesystem_error("cannot replace the file", file, std::make_error_code(std::errc::is_a_directory));
    m_files.push_back(std::make_unique<platform::PendingFile>(file, bytes));
}

void PendingOutputs::commit() {
    std::vector<platform::PendingFile*> files;
    for (auto& f : m_files) files.push_back(f.get());
    platform::CommitTogether(files);
    m_files.clear();
}

std::u16string WriteOutputFiles(const fs::path& outputFolder, std::u16string body, const TaggedTextHeaders& headers,
                                std::u16string_view documentName, const ConversionOptions& options,
                                const fs::path& outputName, PendingOutputs* pending) {
    if (outputName.empty() && (documentName.empty() || documentName.front() == u'.'))
        throw std::runtime_error("文書名の最初のピリオドの前に文字がないため、出力ファイル名を作れません。");
    TrimBodyEnd(body);
    if (!FolderExistsAt(outputFolder)) CreateFolderAt(outputFolder);
    platform::RemoveStaleTemporaries(outputFolder);

    const fs::path windowsName = outputName.empty() ? platform::PathFromUtf8(ToUtf8(OutputFileNameFor(documentName))) : outputName;
    PendingOutputs own;
    PendingOutputs& outputs = pending ? *pending : own;
    outputs.windowsFile = outputFolder / windowsName;
    if (options.MacText == kOn) {
        outputs.macFile = outputFolder / MacFileNameFor(windowsName);
        std::error_code ec;  // both places are looked at before either file is written
        if (fs::is_directory(fs::symlink_status(outputs.macFile, ec)))
            throw fs::filesystem_error("cannot replace the file", outputs.macFile, std::make_error_code(std::errc::is_a_directory));
    }
    outputs.windowsBytes = WindowsFileBytes({headers.windows, body, kTextEnd});
    outputs.windowsHeaderUnits = headers.windows.size();
    outputs.add(outputs.windowsFile, outputs.windowsBytes);
    if (options.MacText == kOn) outputs.add(outputs.macFile, MacFileBytes({headers.mac, body, kTextEnd}));
    if (!pending) own.commit();
    return FromUtf8(platform::PathToUtf8(windowsName));
}

}  // namespace tessaly
