// The .docx reader: Office Open XML (transitional or strict) into a
// DocumentModel, through libzip and pugixml.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "wordproc/DocumentModel.h"
#include "wordproc/ReadError.h"

namespace tessaly::wordproc {

// Reads the package in bytes; file names the document (its file name
// becomes the document's name) and is used in messages. Throws ReadError.
std::unique_ptr<DocumentModel> ReadDocx(std::string_view bytes, const std::filesystem::path& file);

// The largest part the reader inflates.
inline constexpr size_t kMaxDocxPartBytes = size_t(256) << 20;

}  // namespace tessaly::wordproc
