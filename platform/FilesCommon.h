// What the POSIX and the Windows files share: the names of temporary files
// and whose they are, and the reasons for the C library's error numbers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tessaly::platform::common {

// ".tessaly-", the process's number in base 36, "-", six random letters and
// digits, ".tmp": hidden, short, and saying whose it is.
std::string TemporaryName(uint64_t process);

// The process that owns a temporary file by its name, or 0 when the name is
// not one of Tessaly's.
uint64_t OwnerOfTemporary(std::string_view name);

// The reason for a C library error number, in Japanese; nothing for one
// without a text of its own.
std::optional<std::string> ReasonForErrno(int error);

}  // namespace tessaly::platform::common
