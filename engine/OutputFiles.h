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

// Writes the file whole or not at all: a temporary file beside it, then a
// rename over the old one. Throws std::filesystem::filesystem_error.
void WriteFileAtomically(const std::filesystem::path& file, std::string_view bytes);
// The same for bytes that write hands to its sink.
void WriteFileAtomically(const std::filesystem::path& file, const std::function<void(const ByteSink&)>& write);

// A file written whole under a temporary name beside it, and put in place
// over the old one by commit(); a file not committed leaves nothing behind.
// Throws std::filesystem::filesystem_error.
class PendingFile {
public:
    PendingFile(const std::filesystem::path& file, const std::function<void(const ByteSink&)>& write);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    void commit();

private:
    std::filesystem::path m_file;
    std::filesystem::path m_temp;  // empty once committed
};

// The folders below the application folder: the custom header, and the output files.
inline constexpr std::u16string_view kTempFolder = u"temp";
inline constexpr std::u16string_view kOutputFolder = u"RubyData";
inline constexpr std::u16string_view kCustomHeaderFile = u"header.txt";

// Trims the body, assembles the texts and writes the files into the output
// folder (made when missing). Returns the output file name.
std::u16string WriteOutputFiles(const std::filesystem::path& outputFolder, std::u16string body,
                                const TaggedTextHeaders& headers, std::u16string_view documentName,
                                const ConversionOptions& options);

}  // namespace tessaly
