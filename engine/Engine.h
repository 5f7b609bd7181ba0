// The conversion engine's single entry: from the open source document to the
// finished tagged-text files.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "engine/ConversionOptions.h"
#include "engine/EngineHost.h"
#include "engine/OutputFiles.h"
#include "engine/RunState.h"
#include "engine/SourceDocument.h"

namespace tessaly {

// Everything one conversion works with. The source document must be active
// and its name in state.DocumentName; state.EngineFailed cleared.
struct EngineContext {
    SourceDocument& word;
    Clipboard& clipboard;
    const ConversionOptions& options;
    RunState& state;
    EngineHost& host;
    std::filesystem::path appFolder;  // holds temp/ and RubyData/
    // Where the output files go; empty: RubyData below the application folder.
    std::filesystem::path outputFolder = {};
    // The custom header file; empty: temp/header.txt below the application folder.
    std::filesystem::path customHeaderFile = {};
    // The custom header's text, read once for a whole run (ReadCustomHeader);
    // nothing: read from the file.
    std::optional<std::u16string> customHeader = std::nullopt;
    // The Windows output file's name as the system spells it (built from the
    // input file's own name, OutputFileNameForInput); empty: from the
    // document's name.
    std::filesystem::path outputName = {};
    // Where the output files are left, written but not yet in place, for
    // the caller to put in place with its own; null: put in place at once.
    PendingOutputs* pendingOutputs = nullptr;
};

inline constexpr std::u16string_view kProgressCaption = u"ルビ変換処理を実行中です...　";

// Escapes, marks kenten, walks the document turning every field run into
// ruby or warichu tags, and writes <name>_ruby.txt (and the Mac variant
// Mac_<name>_ruby.txt with MacText) into the output folder, or leaves them
// pending in context.pendingOutputs. Sets state.ConvertedCount and
// state.OutputFileName.
// Returns early, writing nothing, when the clipboard cannot be read
// (state.EngineFailed set). Document and file errors are thrown:
// DocumentError and std::filesystem::filesystem_error / std::runtime_error.
void ConvertToTaggedText(EngineContext& context);

}  // namespace tessaly
