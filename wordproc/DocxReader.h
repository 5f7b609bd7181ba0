// The .docx reader: Office Open XML (transitional or strict) into a
// DocumentModel. The package (DocxPackage) gives the parts, the styles part
// (DocxStyles) the emphasis marks of styles, and the main part is walked one
// body child at a time (XmlBlockScanner, DocxBody), each parsed by pugixml.
#pragma once

#include <filesystem>
#include <memory>
#include <string_view>

#include "wordproc/DocumentModel.h"
#include "wordproc/DocxPackage.h"
#include "wordproc/LeftOut.h"
#include "wordproc/ReadError.h"
#include "wordproc/ReadOptions.h"

namespace tessaly::wordproc {

// Reads the package in bytes; file names the document (its file name
// becomes the document's name) and is used in messages. leftOut, when given,
// records what the model leaves out. Throws ReadError.
std::unique_ptr<DocumentModel> ReadDocx(std::string_view bytes, const std::filesystem::path& file, LeftOut* leftOut = nullptr,
                                        const ReadOptions& options = {});

}  // namespace tessaly::wordproc
