// Reading a manuscript file into the embedded word processor: the reader is
// chosen by the file's content (a ZIP package or a compound file), and a
// file named .txt that is neither is a plain-text manuscript.
#pragma once

#include <filesystem>
#include <memory>

#include "wordproc/DocumentModel.h"
#include "wordproc/LeftOut.h"
#include "wordproc/ReadError.h"
#include "wordproc/ReadOptions.h"
#include "wordproc/RubyNotation.h"

namespace tessaly::wordproc {

// The largest file a reader accepts.
inline constexpr uintmax_t kMaxInputFileBytes = uintmax_t(512) << 20;
// The largest plain text: no character takes more than eight bytes (a CR LF
// in UTF-32), so a larger one holds more than the story limit and is
// refused before it is read.
inline constexpr uintmax_t kMaxPlainTextBytes = uintmax_t(8) * 20'000'000 + 4;



// What reading did beside the model, for the front ends' reports.
struct ReadReport {
    NotationCount notationApplied;  // notation turned into rubies and emphasis
    NotationCount notationLeft;     // places that look like notation, left as text
    LeftOut leftOut;                // other stories, formulas, list numbers
};

// Reads a .docx, .doc or .txt manuscript. The model's main document is named
// after the file. Throws ReadError; never writes anything.
std::unique_ptr<DocumentModel> ReadDocument(const std::filesystem::path& file, const ReadOptions& options = {},
                                            ReadReport* report = nullptr);

// Throws the reader's ReadError for a file of size bytes that is too large
// to be read, before any of it is read.
void CheckInputSize(const std::filesystem::path& file, uintmax_t size);

// Whether a file name is a plain-text manuscript's (.txt in any case).
bool IsPlainTextName(const std::filesystem::path& file);

}  // namespace tessaly::wordproc
