// The error a reader reports for a file it cannot read: which file and why,
// in words for the user. Readers never write anything.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

namespace tessaly::wordproc {

enum class ReadErrorKind {
    CannotOpen,       // missing, a folder, no permission
    NotWordDocument,  // another format, or a container without a Word document
    Encrypted,        // password-protected, encrypted or rights-managed
    OldWordVersion,   // Word 6/95 or older
    Damaged,          // truncated or inconsistent structures
    TooLarge,         // beyond the sizes the reader accepts
};

class ReadError : public std::runtime_error {
public:
    ReadError(ReadErrorKind kind, const std::filesystem::path& file, const std::string& reason);
    ReadErrorKind kind() const { return m_kind; }
    // The reason alone, without the file name.
    const std::string& reason() const { return m_reason; }

private:
    ReadErrorKind m_kind;
    std::string m_reason;
};

}  // namespace tessaly::wordproc
