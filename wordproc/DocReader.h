// The .doc reader: Word 97-2003 binary documents (from the format's public
// reference) into a DocumentModel. The compound-file container is read
// through libgsf; the Word structures here, every offset and length checked
// against its stream before use.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "wordproc/DocumentModel.h"
#include "wordproc/LeftOut.h"
#include "wordproc/ReadError.h"
#include "wordproc/ReadOptions.h"

namespace tessaly::wordproc {

// Reads the compound file in bytes (MacBinary and AppleSingle wrappers are
// taken off first). Throws ReadError. The bytes are let go of as soon as
// the streams are out of them.
// leftOut, when given, records what the model leaves out.
std::unique_ptr<DocumentModel> ReadDoc(std::string bytes, const std::filesystem::path& file, LeftOut* leftOut = nullptr,
                                       const ReadOptions& options = {});

// The data fork of a MacBinary or AppleSingle file, or the bytes unchanged.
std::string_view UnwrapMacFile(std::string_view bytes);

}  // namespace tessaly::wordproc
