// The output files: the body's end trimmed, the headers put in front, and
// the Windows file (UTF-16 LE with byte-order mark) and, with MacText, the
// Mac file (UTF-16 BE without byte-order mark, CR line ends).
#pragma once

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

#include "engine/ConversionOptions.h"
#include "engine/TaggedTextHeader.h"

namespace tessaly {

// Shortens a run of three or more CRs at the end to two, then removes one
// final CR.
void TrimBodyEnd(std::u16string& body);

// What follows the body in every output text.
inline constexpr std::u16string_view kTextEnd = u"\r\n<ParaStyle:>";

// The document name up to its first period, then "_ruby.txt".
std::u16string OutputFileNameFor(std::u16string_view documentName);
// The same for an input file, from its name's own bytes (a name in another
// encoding than the system's keeps it); empty when nothing stands before the
// name's first period (".doc", ".hidden.doc").
std::filesystem::path OutputFileNameForInput(const std::filesystem::path& input);
// The Mac file's name beside the Windows file's.
std::filesystem::path MacFileNameFor(const std::filesystem::path& windowsName);
// The proof page's name beside the Windows file's: <name>_proof.html.
std::filesystem::path ProofFileNameFor(const std::filesystem::path& windowsName);

// Receives a file's bytes a piece at a time, in order.
using ByteSink = std::function<void(std::string_view)>;

// The bytes of each file, for a text given whole or in consecutive parts:
// handed to a sink a piece at a time, or returned whole. What has to be
// encoded is handed on in pieces of a bounded size; a long part that is
// already in the file's byte order (the Windows file's, on most machines)
// is handed on as it lies in memory.
void WindowsFileBytes(std::initializer_list<std::u16string_view> parts, const ByteSink& sink);
void MacFileBytes(std::initializer_list<std::u16string_view> parts, const ByteSink& sink);
std::string WindowsFileBytes(std::initializer_list<std::u16string_view> parts);
std::string MacFileBytes(std::initializer_list<std::u16string_view> parts);
inline std::string WindowsFileBytes(std::u16string_view text) { return WindowsFileBytes({text}); }
inline std::string MacFileBytes(std::u16string_view text) { return MacFileBytes({text}); }

bool FolderExistsAt(const std::filesystem::path& path);
void CreateFolderAt(const std::filesystem::path& path);

// Writes the file whole or not at all: a temporary file beside it, flushed
// to disk, then a rename over the old one. Throws
// std::filesystem::filesystem_error naming the file.
void WriteFileAtomically(const std::filesystem::path& file, std::string_view bytes);
// The same for bytes that write hands to its sink.
void WriteFileAtomically(const std::filesystem::path& file, const std::function<void(const ByteSink&)>& write);

// A file written whole and flushed to disk under a temporary name beside
// it, and put in place over the old one by commit(); a file not committed
// leaves nothing behind, nor does an interruption (InstallInterruptCleanup).
// The temporary name is hidden and short (".tessaly-" and a random part), so
// it never stands for an output and never makes a long name too long; it is
// created exclusively, never through a link. Throws
// std::filesystem::filesystem_error naming the file, not the temporary one.
class PendingFile {
public:
    PendingFile(const std::filesystem::path& file, const std::function<void(const ByteSink&)>& write);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    void commit();

private:
    // Removes the temporary file, if any.
    void discard();

    std::filesystem::path m_file;
    std::filesystem::path m_temp;  // empty once committed
    int m_slot = -1;               // where the interrupt cleanup knows it
};

// Opens a new file at path for writing: never one that exists, never
// through a link. Returns the descriptor, or -1 with errno set.
int CreateNewFile(const std::filesystem::path& path);

// Makes SIGINT, SIGTERM and SIGHUP remove the temporary files of pending
// output before the process ends as the signal says, and has a write beyond
// the file-size limit fail with an error (SIGXFSZ ignored) instead of ending
// the process. For the programs' main().
void InstallInterruptCleanup();

// The system's reason for a failed file operation, in Japanese.
std::string SystemErrorReason(const std::error_code& error);
// What went wrong with an output file, in words for the user: the system's
// reason, and the file (bytes that are not UTF-8 shown as replacement
// characters).
std::string FileErrorText(const std::filesystem::filesystem_error& error);

// The folders below the application folder: the custom header, and the output files.
inline constexpr std::u16string_view kTempFolder = u"temp";
inline constexpr std::u16string_view kOutputFolder = u"RubyData";
inline constexpr std::u16string_view kCustomHeaderFile = u"header.txt";

// Trims the body, assembles the texts and writes the files into the output
// folder (made when missing): both are written and flushed before either is
// put in place, so the Windows and Mac files are replaced as a pair. The
// Windows file is named outputName, or after the document's name when that
// is empty. Returns the output file name. Throws
// std::filesystem::filesystem_error, and std::runtime_error for a document
// name with nothing before its first period.
std::u16string WriteOutputFiles(const std::filesystem::path& outputFolder, std::u16string body,
                                const TaggedTextHeaders& headers, std::u16string_view documentName,
                                const ConversionOptions& options, const std::filesystem::path& outputName = {});

}  // namespace tessaly
