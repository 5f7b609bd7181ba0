// The browser page's entry into the conversion: the worker (worker.js) puts
// a dropped manuscript into the module's memory file system and calls
// tessaly_convert, which converts it with the one conversion step of every
// front end and answers in JSON: the report and the files written, which
// the worker hands to the page. The page builds its settings from
// tessaly_settings, the settings table as JSON.
#include <emscripten/emscripten.h>

#include <filesystem>
#include <string>
#include <string_view>

#include "convert/Conversion.h"
#include "convert/Texts.h"
#include "engine/OutputFiles.h"
#include "engine/TaggedTextHeader.h"
#include "engine/Text.h"
#include "platform/Files.h"
#include "proof/ProofPage.h"
#include "wordproc/LeftOut.h"
#include "wordproc/Readers.h"
#include "web/Json.h"
#include "web/WebSettings.h"

namespace fs = std::filesystem;
using namespace tessaly;

namespace {

// Where the worker puts things in the module's file system.
const fs::path kAppFolder = "/app";
const fs::path kInputFolder = "/in";
const fs::path kOutputFolder = "/out";

// The engine's progress to the worker (Module.onProgress), once per percent,
// so that a long manuscript does not flood the page with messages.
EM_JS(void, ReportProgress, (int percent), {
    if (Module["onProgress"]) Module["onProgress"](percent);
});

class WorkerHost : public EngineHost {
public:
    explicit WorkerHost(web::Json& messages) : m_messages(messages) {}
    void UpdateProgress(int value, int max, float, const std::u16string&) override {
        const int percent = max > 0 ? static_cast<int>(static_cast<long long>(value) * 100 / max) : 0;
        if (percent == m_percent) return;
        m_percent = percent;
        ReportProgress(percent);
    }
    MessageAnswer ShowMessage(const Message& message) override {
        m_messages.string(ToUtf8(message.text));
        return MessageAnswer::Ok;
    }

private:
    web::Json& m_messages;
    int m_percent = -1;
};

// What the page shows of a conversion that did not happen.
std::string FailureJson(const std::string& failure) {
    web::Json out;
    out.open('{').field("written").boolean(false).field("failure").string(failure).close('}');
    return out.text();
}

std::string Convert(const fs::path& input, const settings::SettingValues& s) {
    if (const std::string problem = convert::NamingProblem(input); !problem.empty()) return FailureJson(problem);
    convert::ConversionRequest request;
    request.options = s.options;
    request.reading = {s.rubyNotation, s.notesAsFootnotes, s.numbersAsText, s.narouRuby};
    request.readBack = true;   // the report's counts
    request.proofPage = true;  // shown in the page, whether or not it is saved
    request.appFolder = kAppFolder;
    request.outputFolder = kOutputFolder;
    request.outputName = OutputFileNameForInput(input);
    if (request.options.TagHeader == kCustomHeader) {
        const fs::path header = kAppFolder / fs::path(kTempFolder) / fs::path(kCustomHeaderFile);
        std::error_code ec;
        if (!fs::exists(header, ec)) return FailureJson(std::string(web::kNoHeaderChosenText));
        try {
            request.customHeader = ReadCustomHeader(header);
        } catch (const CustomHeaderError& e) {
            return FailureJson(convert::FailureText(e));
        }
        request.customHeaderFile = header;
    }

    std::string failure;
    auto manuscript = convert::OpenManuscript(input, request.reading, failure);
    if (!manuscript) return FailureJson(failure);
    web::Json messages;
    messages.open('[');
    WorkerHost host(messages);
    RunState state;
    const convert::ConversionResult result = convert::ConvertOpened(*manuscript, request, state, host);
    messages.close(']');
    if (!result.failure.empty()) return FailureJson(result.failure);

    const wordproc::ReadReport& report = manuscript->report;
    web::Json out;
    out.open('{').field("written").boolean(true).field("convertedCount").number(result.convertedCount);
    out.field("countsLine").string(proof::CountsLine(*result.counts));
    out.field("items").open('[');
    for (const auto& [text, paragraph] : convert::ReportItems(report)) out.string(text);
    out.close(']');
    // The warnings tessaly-convert gives beside its result line.
    out.field("warnings").open('[');
    if (!report.leftOut.empty()) out.string(wordproc::LeftOutSummary(report.leftOut));
    if (result.convertedCount == 0) out.string(std::string(convert::kNothingFoundText));
    if (const size_t left = report.notationLeft.total()) out.string(convert::NotationLeftText(left));
    out.close(']');
    out.field("messages").raw(messages.text());
    // Empty where a file was not written.
    out.field("windowsFile").string(platform::PathToUtf8(result.windowsFile));
    out.field("macFile").string(platform::PathToUtf8(result.macFile));
    out.field("proofFile").string(platform::PathToUtf8(result.proofFile));
    out.close('}');
    return out.text();
}

std::string& Answer() {
    static std::string answer;
    return answer;
}

}  // namespace

extern "C" {

// The settings table as the page builds its settings from it.
EMSCRIPTEN_KEEPALIVE const char* tessaly_settings() {
    Answer() = web::SettingsTableJson();
    return Answer().c_str();
}

// Why a manuscript of size bytes is not read at all, or "": the page asks
// before it hands the file over, so that a file too large is never copied.
EMSCRIPTEN_KEEPALIVE const char* tessaly_size_refusal(const char* name, double size) {
    try {
        wordproc::CheckInputSize(kInputFolder / platform::PathFromUtf8(name), static_cast<uintmax_t>(size));
        Answer().clear();
    } catch (const std::exception& e) {
        Answer() = convert::FailureText(e);
    }
    return Answer().c_str();
}

// Converts /in/<name> with the settings given as the store keeps them, one
// "key=value" a line; answers the result as JSON.
EMSCRIPTEN_KEEPALIVE const char* tessaly_convert(const char* name, const char* settingsText) {
    try {
        Answer() = Convert(kInputFolder / platform::PathFromUtf8(name), web::ParseWebSettings(settingsText));
    } catch (const std::exception& e) {
        Answer() = FailureJson(convert::FailureText(e));
    }
    return Answer().c_str();
}

}  // extern "C"
