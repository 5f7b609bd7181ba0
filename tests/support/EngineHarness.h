// Runs whole conversions of documents written in the builder's markup, in a
// temporary application folder, and records what the engine showed.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/Engine.h"
#include "support/TestFiles.h"
#include "engine/Text.h"
#include "wordproc/DocumentBuilder.h"

namespace tessaly::testing {

struct RecordingHost : EngineHost {
    struct Progress {
        int value;
        int max;
        std::u16string caption;
    };
    std::vector<Progress> progress;
    std::vector<int32_t> counts;
    std::vector<Message> messages;
    std::vector<std::chrono::milliseconds> pauses;
    int yields = 0;

    void UpdateProgress(int value, int max, float, const std::u16string& caption) override {
        progress.push_back({value, max, caption});
    }
    void ShowConvertedCount(int32_t count) override { counts.push_back(count); }
    void Yield() override { ++yields; }
    MessageAnswer ShowMessage(const Message& m) override {
        messages.push_back(m);
        return MessageAnswer::Ok;
    }
    void Pause(std::chrono::milliseconds d) override { pauses.push_back(d); }
};

struct Conversion {
    TempFolder folder;
    RecordingHost host;
    RunState state;
    std::unique_ptr<wordproc::DocumentModel> model;

    std::filesystem::path outputFile() const {
        return folder.path() / "RubyData" / U8(ToUtf8(state.OutputFileName));
    }
    std::filesystem::path macFile() const {
        return folder.path() / "RubyData" / U8("Mac_" + ToUtf8(state.OutputFileName));
    }
    // The Windows output file's text.
    std::u16string windowsText() const { return DecodeWindowsFile(ReadBytes(outputFile())); }

    void run(std::u16string_view markup, const ConversionOptions& options, std::u16string name = u"作品A.doc") {
        model = wordproc::ModelFromMarkup(markup, name);
        state.DocumentName = name;
        EngineContext ctx{*model, *model, options, state, host, folder.path()};
        ConvertToTaggedText(ctx);
    }
};

}  // namespace tessaly::testing
