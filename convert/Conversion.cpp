#include "convert/Conversion.h"

#include <filesystem>
#include <new>

#include "engine/Engine.h"
#include "engine/OutputFiles.h"
#include "engine/TaggedTextHeader.h"
#include "engine/Text.h"
#include "platform/Files.h"
#include "proof/ProofPage.h"
#include "wordproc/LeftOut.h"

namespace tessaly::convert {
namespace fs = std::filesystem;

namespace {

// The tagged text read back from the bytes written, counted, and shown on
// the proof page, which joins the files to be put in place.
void ReadBack(const Manuscript& manuscript, const ConversionRequest& request, PendingOutputs& outputs,
              ConversionResult& result) {
    const std::u16string text = FromUtf16Bytes(std::string_view(outputs.windowsBytes).substr(2), false);
    const proof::TaggedText tagged = proof::ReadTaggedTextAfterHeader(std::u16string_view(text).substr(outputs.windowsHeaderUnits));
    result.counts = proof::CountConverted(tagged);
    if (!request.proofPage) return;
    proof::ProofReport report{ToUtf8(manuscript.name()), {}};
    for (auto& [item, paragraph] : ReportItems(manuscript.report)) report.items.push_back({item, paragraph});
    const fs::path page = outputs.windowsFile.parent_path() / ProofFileNameFor(outputs.windowsFile.filename());
    outputs.add(page, proof::ProofPageHtml(tagged, report));
    result.proofFile = page;
}

}  // namespace

std::string Shown(const fs::path& path) {
    // Control characters are shown escaped, so that a name never splits a
    // message or reaches the terminal as a command.
    std::string shown;
    ForEachCodePoint(FromUtf8(platform::PathToUtf8(path)), [&](char32_t c) {
        if (c == U'\n') shown += "\\n";
        else if (c == U'\r') shown += "\\r";
        else if (c == U'\t') shown += "\\t";
        else if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
            static constexpr char kHex[] = "0123456789ABCDEF";
            shown += "\\x";
            shown += kHex[c >> 4];
            shown += kHex[c & 0xF];
        } else {
            AppendUtf8CodePoint(shown, c);
        }
    });
    return shown;
}

std::string FailureText(const std::exception& e) {
    if (auto read = dynamic_cast<const wordproc::ReadError*>(&e)) return read->reason();
    if (auto file = dynamic_cast<const fs::filesystem_error*>(&e)) return FileErrorText(*file);
    if (dynamic_cast<const proof::TaggedTextError*>(&e)) return std::string("書き出したタグ付きテキストを読み返せません（") + e.what() + "）。";
    if (dynamic_cast<const std::bad_alloc*>(&e)) return "メモリが足りないため変換できません。";
    if (dynamic_cast<const CustomHeaderError*>(&e)) return std::string("タグのヘッダ部分のファイルが") + e.what() + "。";
    return e.what();
}

std::string NamingProblem(const fs::path& input) {
    const std::string name = platform::PathToUtf8(input.filename());
    if (name.find('.') == std::string::npos) return "ファイル名にピリオドがないため、出力ファイル名を作れません。";
    if (OutputFileNameForInput(input).empty()) return "ファイル名の最初のピリオドの前に文字がないため、出力ファイル名を作れません。";
    return {};
}

std::vector<std::pair<std::string, std::optional<size_t>>> ReportItems(const wordproc::ReadReport& report) {
    return wordproc::LeftOutItems(report.leftOut);
}

std::unique_ptr<Manuscript> OpenManuscript(const fs::path& input, const wordproc::ReadOptions& reading, std::string& failure) {
    try {
        auto manuscript = std::make_unique<Manuscript>();
        manuscript->model = wordproc::ReadDocument(input, reading, &manuscript->report);
        return manuscript;
    } catch (const std::exception& e) {
        failure = FailureText(e);
        return nullptr;
    }
}

ConversionResult ConvertOpened(Manuscript& manuscript, const ConversionRequest& request, RunState& state, EngineHost& host) {
    ConversionResult result;
    try {
        state.DocumentName = manuscript.name();
        state.EngineFailed = false;
        // Everything the manuscript gives is made and checked before any of
        // it is put in place, and then put in place together.
        PendingOutputs outputs;
        EngineContext context{*manuscript.model, *manuscript.model, request.options,    state,
                              host,              request.appFolder, request.outputFolder, request.customHeaderFile,
                              request.customHeader, request.outputName, &outputs};
        ConvertToTaggedText(context);
        result.convertedCount = state.ConvertedCount;
        if (state.EngineFailed) {
            result.engineGaveUp = true;
            result.failure = "変換を続けられませんでした。";
            return result;
        }
        if (request.readBack || request.proofPage) ReadBack(manuscript, request, outputs, result);
        outputs.commit();
        result.written = true;
        result.windowsFile = outputs.windowsFile;
        result.macFile = outputs.macFile;
    } catch (const std::exception& e) {
        result.failure = FailureText(e);
        result.proofFile.clear();
    }
    return result;
}

ConversionResult ConvertManuscript(const fs::path& input, const ConversionRequest& request, EngineHost& host) {
    std::string failure;
    auto manuscript = OpenManuscript(input, request.reading, failure);
    if (!manuscript) {
        ConversionResult result;
        result.failure = failure;
        return result;
    }
    RunState state;
    return ConvertOpened(*manuscript, request, state, host);
}

}  // namespace tessaly::convert
