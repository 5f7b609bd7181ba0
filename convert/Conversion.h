// The one conversion step both front ends (and the browser page) call: a
// manuscript read into the embedded word processor, converted by the engine
// into the output files, read back for the report and the proof page when
// asked, with one text for whatever went wrong.
#pragma once

#include <cstdint>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "engine/ConversionOptions.h"
#include "engine/EngineHost.h"
#include "engine/RunState.h"
#include "proof/TaggedTextReader.h"
#include "wordproc/DocumentModel.h"
#include "wordproc/Readers.h"

namespace tessaly::convert {

// What a conversion is asked for, beside the options.
struct ConversionRequest {
    ConversionOptions options;
    wordproc::ReadOptions reading;  // what the reader makes of the manuscript
    bool readBack = false;      // the written tagged text read back and counted (the report)
    bool proofPage = false;     // <name>_proof.html beside the outputs (reads back too)
    std::filesystem::path appFolder;         // holds temp/ and RubyData/
    std::filesystem::path outputFolder;      // empty: RubyData below the application folder
    std::filesystem::path customHeaderFile;  // empty: temp/header.txt below the application folder
    std::optional<std::u16string> customHeader;  // its text, read once for the run (ReadCustomHeader)
    std::filesystem::path outputName;        // the Windows file's name; empty: from the document's name
};

// A manuscript read into the embedded word processor, with what reading it
// did beside the model.
struct Manuscript {
    std::unique_ptr<wordproc::DocumentModel> model;
    wordproc::ReadReport report;
    std::u16string name() const { return model->mainDocument().Name(); }
};

struct ConversionResult {
    bool written = false;        // the output files are in place
    bool engineGaveUp = false;   // the engine stopped after showing its own messages
    int32_t convertedCount = 0;
    std::filesystem::path windowsFile;  // the files written (empty when not)
    std::filesystem::path macFile;
    std::filesystem::path proofFile;
    std::optional<proof::Counts> counts;  // what the tagged text holds, when read back
    std::string failure;  // why the conversion failed, in words for the user; empty when it did not
};

// Reads a manuscript. Nothing when it cannot be read; failure then says why.
std::unique_ptr<Manuscript> OpenManuscript(const std::filesystem::path& input, const wordproc::ReadOptions& reading,
                                           std::string& failure);

// Converts an opened manuscript with the engine, in state (whose
// DocumentName it sets), showing progress and messages through host.
ConversionResult ConvertOpened(Manuscript& manuscript, const ConversionRequest& request, RunState& state, EngineHost& host);

// Both: reads and converts one manuscript.
ConversionResult ConvertManuscript(const std::filesystem::path& input, const ConversionRequest& request, EngineHost& host);

// What went wrong, in words for the user: a reader's reason, an output
// file's, a read-back's, or the error's own words.
std::string FailureText(const std::exception& error);

// Why an input's name gives no output name (<name>_ruby.txt), or empty.
std::string NamingProblem(const std::filesystem::path& input);

// The proof page's report items and the command line's report lines: each
// thing the reader left out, with its paragraph when known.
std::vector<std::pair<std::string, std::optional<size_t>>> ReportItems(const wordproc::ReadReport& report);

// A path as the user gave it, for messages: bytes that are not UTF-8 (a
// name in Shift_JIS, say) are shown as replacement characters, control
// characters escaped (\n, \x1B).
std::string Shown(const std::filesystem::path& path);

}  // namespace tessaly::convert
