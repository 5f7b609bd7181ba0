#include "wordproc/ReadError.h"

namespace tessaly::wordproc {

ReadError::ReadError(ReadErrorKind kind, const std::filesystem::path& file, const std::string& reason)
    : std::runtime_error(file.filename().string() + ": " + reason), m_kind(kind), m_reason(reason) {}

}  // namespace tessaly::wordproc
