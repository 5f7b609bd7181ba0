#include "wordproc/ReadError.h"

#include "platform/Files.h"

namespace tessaly::wordproc {

ReadError::ReadError(ReadErrorKind kind, const std::filesystem::path& file, const std::string& reason)
    : std::runtime_error(platform::PathToUtf8(file.filename()) + ": " + reason), m_kind(kind), m_reason(reason) {}

}  // namespace tessaly::wordproc
