// What Tessaly needs from the operating system's files, behind one header:
// output files replaced whole or not at all, their temporaries removed when
// the program is interrupted, the identity of a file (to tell an output that
// is an input), the system's reasons in Japanese, and paths made from UTF-8.
// The implementation for POSIX systems is PosixFiles.cpp, the one for
// Windows WindowsFiles.cpp.
#pragma once

#include <compare>
#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace tessaly::platform {

// A path from its UTF-8 text, and a path's text as UTF-8, the same on every
// system. On POSIX systems a path is bytes: they are taken and given as they
// are, so a name in another encoding survives both ways.
std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string PathToUtf8(const std::filesystem::path& path);

// The key under which the system's file names collide: the name itself
// where names differ by case (Linux), the name in one case where they do not
// (Windows, macOS), so that x_ruby.txt and X_ruby.txt are one output there.
std::filesystem::path::string_type NameKey(const std::filesystem::path& name);

// The program's arguments as UTF-8 (on Windows read as the wide command
// line, which the narrow argv would have put in the ANSI code page).
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// The program's standard output and error for UTF-8 text: written as wide
// characters to a Windows console (whose code page would show UTF-8 as
// garbage), and as the bytes themselves everywhere else, redirected or not.
std::ostream& StandardOutput();
std::ostream& StandardError();
// Whether standard error is a terminal (a console on Windows).
bool StandardErrorIsTerminal();

// A file written whole and flushed to disk under a temporary name beside
// it, and put in place over the old one by commit(); a file not committed
// leaves nothing behind, nor does an interruption (InstallInterruptCleanup).
// The temporary name is hidden and short (".tessaly-", the writing
// process's number and a random part, as ".tessaly-1b3f-Xk29aQ.tmp"), so it
// never stands for an output, never makes a long name too long, and says
// whose it is; it is created exclusively, never through a link, and known to
// the interrupt cleanup before it exists. Throws
// std::filesystem::filesystem_error naming the file, not the temporary one.
class PendingFile {
public:
    PendingFile(const std::filesystem::path& file, std::string_view bytes);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    void commit();
    const std::filesystem::path& file() const { return m_file; }

private:
    friend void CommitTogether(const std::vector<PendingFile*>& files);
    // Removes the temporary file, if any.
    void discard();

    std::filesystem::path m_file;
    std::filesystem::path m_temp;  // empty once committed
    int m_slot = -1;               // where the interrupt cleanup knows it
};

// Writes the file whole or not at all (a PendingFile committed at once).
void WriteFileAtomically(const std::filesystem::path& file, std::string_view bytes);

// Puts pending files in place as one set, in order: under a lock their
// folder holds, so that two programs writing into one folder never mix
// their sets, and with an interruption held back until the last is in
// place, so that it never leaves part of a set.
void CommitTogether(const std::vector<PendingFile*>& files);

// Removes the temporary files in folder that processes which no longer run
// left behind (ended by a signal that cannot be caught, or a power cut).
void RemoveStaleTemporaries(const std::filesystem::path& folder);

// Creates a new file at path for writing and closes it again: never one that
// exists, never through a link. False, with the system's error, when it
// cannot.
bool CreateNewFile(const std::filesystem::path& path, std::error_code& error);

// Makes an interruption (Ctrl-C, SIGTERM, SIGHUP) remove the temporary files
// of pending output before the process ends as the interruption says, and
// has a write beyond the file-size limit fail with an error instead of
// ending the process. For the programs' main().
void InstallInterruptCleanup();

// The steps of writing a pending file, for tests that interrupt a program
// or pause it at a chosen one: the hook, when set, is called at each
// (BetweenReplaces after each file of a set but the last). What it returns
// at BytesWritten is taken as the error of the writing (0: none), so a test
// can have a disk fill up at one file.
enum class FileStep { TemporaryCreated, BytesWritten, BeforeReplace, BetweenReplaces };
using FileStepHook = int (*)(FileStep step, const std::filesystem::path& file);
void SetFileStepHook(FileStepHook hook);

// The system's reason for a failed file operation, in Japanese.
std::string SystemErrorReason(const std::error_code& error);

// The width of the terminal the program's messages go to (standard error),
// in columns; 80 when it cannot be told.
size_t TerminalColumns();

// What identifies a file on its volume: two paths with the same identity
// are the same file.
struct FileIdentity {
    uint64_t volume = 0;
    uint64_t file = 0;
    auto operator<=>(const FileIdentity&) const = default;
};
// The identity of the file at path (following links), or nothing when it
// cannot be had.
std::optional<FileIdentity> IdentityOf(const std::filesystem::path& path);

}  // namespace tessaly::platform
