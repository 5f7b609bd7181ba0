// The plain-text reader: a .txt manuscript into a DocumentModel, one
// paragraph a line. The encoding is found from the byte-order mark (UTF-8,
// UTF-16 LE or BE), else UTF-8 when the bytes are valid UTF-8, else
// Shift_JIS (code page 932, as Windows editors save it).
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "wordproc/DocumentModel.h"
#include "wordproc/ReadError.h"

namespace tessaly::wordproc {

// The text of the bytes, decoded as above; throws ReadError when they are
// none of those encodings.
std::u16string DecodePlainText(std::string_view bytes, const std::filesystem::path& file);

// Reads the text into a model: CR LF, CR and LF end a line, a form feed ends
// a paragraph as well, tabs stay. Throws ReadError.
std::unique_ptr<DocumentModel> ReadPlainText(std::string_view bytes, const std::filesystem::path& file);

}  // namespace tessaly::wordproc
