// Reading a manuscript file into the embedded word processor: the reader is
// chosen by the file's content (a ZIP package or a compound file), not by its
// extension.
#pragma once

#include <filesystem>
#include <memory>

#include "wordproc/DocumentModel.h"
#include "wordproc/ReadError.h"

namespace tessaly::wordproc {

// The largest file a reader accepts.
inline constexpr uintmax_t kMaxInputFileBytes = uintmax_t(512) << 20;

// Reads a .docx or .doc manuscript. The model's main document is named after
// the file. Throws ReadError; never writes anything.
std::unique_ptr<DocumentModel> ReadDocument(const std::filesystem::path& file);

}  // namespace tessaly::wordproc
