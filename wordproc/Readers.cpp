#include "wordproc/Readers.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "platform/Files.h"
#include "wordproc/DocReader.h"
#include "wordproc/DocumentBuilder.h"
#include "wordproc/DocxReader.h"
#include "wordproc/OleContainer.h"
#include "wordproc/TextReader.h"

namespace tessaly::wordproc {
namespace {

std::string ReadWholeFile(const std::filesystem::path& file) {
    std::error_code ec;
    const auto status = std::filesystem::status(file, ec);
    if (ec || !std::filesystem::exists(status))
        throw ReadError(ReadErrorKind::CannotOpen, file, "ファイルが見つかりません。");
    if (std::filesystem::is_directory(status))
        throw ReadError(ReadErrorKind::CannotOpen, file, "フォルダーです。ファイルを指定してください。");
    if (!std::filesystem::is_regular_file(status))
        throw ReadError(ReadErrorKind::CannotOpen, file, "通常のファイルではありません。");
    const uintmax_t size = std::filesystem::file_size(file, ec);
    if (ec) throw ReadError(ReadErrorKind::CannotOpen, file, "ファイルの大きさを調べられません。");
    CheckInputSize(file, size);
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        const int err = errno;
        throw ReadError(ReadErrorKind::CannotOpen, file,
                        err == EACCES ? "ファイルを読む権限がありません。" : "ファイルを開けません（" + std::string(std::strerror(err)) + "）。");
    }
    std::string bytes(static_cast<size_t>(size), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(size));
    if (static_cast<uintmax_t>(in.gcount()) != size)
        throw ReadError(ReadErrorKind::CannotOpen, file, "ファイルを最後まで読めません。");
    return bytes;
}

}  // namespace

void CheckInputSize(const std::filesystem::path& file, uintmax_t size) {
    if (size > kMaxInputFileBytes) {
        throw ReadError(ReadErrorKind::TooLarge, file,
                        "ファイルが上限（" + std::to_string(kMaxInputFileBytes >> 20) + " MB）を超えるため読み込めません。");
    }
    if (size > kMaxPlainTextBytes && IsPlainTextName(file)) throw ReadError(ReadErrorKind::TooLarge, file, StoryTooLong().what());
}

bool IsPlainTextName(const std::filesystem::path& file) {
    std::string ext = platform::PathToUtf8(file.extension());
    for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return ext == ".txt";
}

std::unique_ptr<DocumentModel> ReadDocument(const std::filesystem::path& file, const ReadOptions& options, ReadReport* report) {
    std::string bytes = ReadWholeFile(file);
    if (bytes.size() == 0) throw ReadError(ReadErrorKind::NotWordDocument, file, "ファイルが空です。");
    ReadReport ignored;
    ReadReport& r = report ? *report : ignored;
    std::unique_ptr<DocumentModel> model;
    bool notation = options.rubyNotation;
    if (bytes.starts_with("PK")) {
        model = ReadDocx(bytes, file, &r.leftOut, options);
    } else if (IsPlainTextName(file) && !OleContainer::HasSignature(UnwrapMacFile(bytes))) {
        model = ReadPlainText(bytes, file);
        notation = true;
    } else {
        model = ReadDoc(std::move(bytes), file, &r.leftOut, options);
    }
    const NotationOptions forms{options.narouRuby};
    if (notation) r.notationApplied = ApplyRubyNotation(*model, forms, &r.leftOut);
    else r.notationLeft = CountRubyNotation(*model, forms);
    r.leftOut.controls = model->cleaned().controls;
    r.leftOut.brokenCharacters = model->cleaned().surrogates;
    return model;
}

}  // namespace tessaly::wordproc
