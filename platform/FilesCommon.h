// What the POSIX and the Windows files share: the names of temporary files
// and whose they are, the table of temporaries the interrupt cleanup
// removes, the steps of a pending file, putting a set in place, and the
// reasons for the C library's error numbers. Each system gives the few
// calls below the "system's part" line.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/Files.h"

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

// The test's hook at a step of writing (0 without one).
int Step(FileStep step, const std::filesystem::path& file);

// The temporary files not yet in place, where the interrupt cleanup can
// reach them: Remember gives the slot that holds the path (-1 when the
// path does not fit or every slot is taken: the error paths remove it
// then), Forget frees it, RemoveTemporaries removes every remembered file.
int Remember(const std::filesystem::path& temp);
void Forget(int slot);
void RemoveTemporaries();

// Commits hold this shared; the interrupt cleanup takes it whole, so that
// it waits for a set being put in place to be complete.
std::shared_mutex& Commits();

// The system's part.
void RemoveFile(const std::filesystem::path& file);
// Puts temp in place of file, replacing it; the system's error, if any.
std::error_code PutInPlace(const std::filesystem::path& temp, const std::filesystem::path& file);
// A lock on a folder that the other programs putting their sets there wait
// for, held while it lives.
class FolderLock {
public:
    explicit FolderLock(const std::filesystem::path& folder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    intptr_t m_handle;
};

}  // namespace tessaly::platform::common
