// The output files: the body's end trimmed, the headers put in front, and
// the Windows file (UTF-16 LE with byte-order mark) and, with MacText, the
// Mac file (UTF-16 BE without byte-order mark, CR line ends).
#pragma once

#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>

#include <memory>
#include <vector>

#include "engine/ConversionOptions.h"
#include "engine/TaggedTextHeader.h"
#include "platform/Files.h"

namespace tessaly {

// Shortens a run of three or more CRs at the end to two, then removes one
// final CR.
void TrimBodyEnd(std::u16string& body);

// What follows the body in every output text.
inline constexpr std::u16string_view kTextEnd = u"\r\n<ParaStyle:>";

// The document name up to its first period, then "_ruby.txt".
std::u16string OutputFileNameFor(std::u16string_view documentName);
// The same for an input file, from its name's own bytes (a name in another
// encoding than the system's keeps it); empty when the name has no period,
// or nothing before its first one (".doc", ".hidden.doc").
std::filesystem::path OutputFileNameForInput(const std::filesystem::path& input);
// The Mac file's name beside the Windows file's.
std::filesystem::path MacFileNameFor(const std::filesystem::path& windowsName);
// The proof page's name beside the Windows file's: <name>_proof.html.
std::filesystem::path ProofFileNameFor(const std::filesystem::path& windowsName);

// The bytes of each file, for a text given whole or in consecutive parts.
std::string WindowsFileBytes(std::initializer_list<std::u16string_view> parts);
std::string MacFileBytes(std::initializer_list<std::u16string_view> parts);
inline std::string WindowsFileBytes(std::u16string_view text) { return WindowsFileBytes({text}); }
inline std::string MacFileBytes(std::u16string_view text) { return MacFileBytes({text}); }

bool FolderExistsAt(const std::filesystem::path& path);
void CreateFolderAt(const std::filesystem::path& path);

// What went wrong with an output file, in words for the user: the system's
// reason, and the file (bytes that are not UTF-8 shown as replacement
// characters).
std::string FileErrorText(const std::filesystem::filesystem_error& error);

// The folders below the application folder: the custom header, and the output files.
inline constexpr std::u16string_view kTempFolder = u"temp";
inline constexpr std::u16string_view kOutputFolder = u"RubyData";
inline constexpr std::u16string_view kCustomHeaderFile = u"header.txt";

// The output files of one conversion, each written and flushed under a
// temporary name, and put in place together by commit(): a failure before
// then leaves every earlier file as it was. The Windows file's bytes are kept
// for reading it back.
class PendingOutputs {
public:
    // Writes the file's bytes (a folder where it is to go is refused at once,
    // before anything is put in place). Throws std::filesystem::filesystem_error.
    void add(const std::filesystem::path& file, std::string_view bytes);
    void commit();
    bool empty() const { return m_files.empty(); }

    std::filesystem::path windowsFile;
    std::filesystem::path macFile;     // empty without the Mac file
    std::string windowsBytes;          // the Windows file's bytes
    size_t windowsHeaderUnits = 0;     // its header's length, in UTF-16 units after the byte-order mark

private:
    std::vector<std::unique_ptr<platform::PendingFile>> m_files;
};

// Trims the body, assembles the texts and writes the files into the output
// folder (made when missing). The Windows file is named outputName, or
// after the document's name when that is empty. With pending, the files are
// left there to be put in place with the conversion's other files; without
// it they are put in place at once, as a pair. Returns the output file name.
// Throws std::filesystem::filesystem_error, and std::runtime_error for a
// document name with nothing before its first period.
std::u16string WriteOutputFiles(const std::filesystem::path& outputFolder, std::u16string body,
                                const TaggedTextHeaders& headers, std::u16string_view documentName,
                                const ConversionOptions& options, const std::filesystem::path& outputName = {},
                                PendingOutputs* pending = nullptr);

}  // namespace tessaly
