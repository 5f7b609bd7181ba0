#include "convert/Conversion.h"

#include <filesystem>
#include <new>

#include "engine/Engine.h"
#include "engine/OutputFiles.h"
#include "engine/Text.h"
#include "platform/Files.h"
#include "proof/ProofPage.h"
#include "wordproc/LeftOut.h"

namespace tessaly::convert {
namespace fs = std::filesystem;

namespace {

fs::path FromU16(std::u16string_view name) { return platform::PathFromUtf8(ToUtf8(name)); }

// The tagged text read back, counted, and shown on the proof page.
void ReadBack(const Manuscript& manuscript, const ConversionRequest& request, ConversionResult& result) {
    const proof::TaggedText text = proof::ReadTaggedTextFile(result.windowsFile);
    result.counts = proof::CountConverted(text);
    if (!request.proofPage) return;
    proof::ProofReport report{ToUtf8(manuscript.name()), {}};
    for (auto& [item, paragraph] : ReportItems(manuscript.report)) report.items.push_back({item, paragraph});
    const fs::path page = result.windowsFile.parent_path() / ProofFileNameFor(result.windowsFile.filename());
    proof::WriteProofPage(page, text, report);
    result.proofFile = page;
}

}  // namespace

std::string Shown(const fs::path& path) { return ToUtf8(FromUtf8(platform::PathToUtf8(path))); }

std::string FailureText(const std::exception& e) {
    if (auto read = dynamic_cast<const wordproc::ReadError*>(&e)) return read->reason();
    if (auto file = dynamic_cast<const fs::filesystem_error*>(&e)) return FileErrorText(*file);
    if (dynamic_cast<const proof::TaggedTextError*>(&e)) return std::string("書き出したタグ付きテキストを読み返せません（") + e.what() + "）。";
    if (dynamic_cast<const std::bad_alloc*>(&e)) return "メモリが足りないため変換できません。";
    return e.what();
}

std::vector<std::pair<std::string, std::optional<size_t>>> ReportItems(const wordproc::ReadReport& report) {
    return wordproc::LeftOutItems(report.leftOut);
}

std::unique_ptr<Manuscript> OpenManuscript(const fs::path& input, bool rubyNotation, std::string& failure) {
    try {
        auto manuscript = std::make_unique<Manuscript>();
        manuscript->model = wordproc::ReadDocument(input, wordproc::ReadOptions{rubyNotation}, &manuscript->report);
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
        EngineContext context{*manuscript.model, *manuscript.model, request.options, state,           host,
                              request.appFolder, request.outputFolder, request.customHeaderFile, request.outputName};
        ConvertToTaggedText(context);
        result.convertedCount = state.ConvertedCount;
        if (state.EngineFailed) {
            result.engineGaveUp = true;
            result.failure = "変換を続けられませんでした。";
            return result;
        }
        const fs::path folder = request.outputFolder.empty()
                                    ? request.appFolder / FromU16(kOutputFolder)
                                    : request.outputFolder;
        result.written = true;
        result.windowsFile = folder / (request.outputName.empty() ? FromU16(state.OutputFileName) : request.outputName);
        if (request.options.MacText == kOn) result.macFile = folder / MacFileNameFor(result.windowsFile.filename());
        if (request.readBack || request.proofPage) ReadBack(manuscript, request, result);
    } catch (const std::exception& e) {
        result.failure = FailureText(e);
    }
    return result;
}

ConversionResult ConvertManuscript(const fs::path& input, const ConversionRequest& request, EngineHost& host) {
    std::string failure;
    auto manuscript = OpenManuscript(input, request.rubyNotation, failure);
    if (!manuscript) {
        ConversionResult result;
        result.failure = failure;
        return result;
    }
    RunState state;
    return ConvertOpened(*manuscript, request, state, host);
}

}  // namespace tessaly::convert
