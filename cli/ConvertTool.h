// tessaly-convert: batch conversion of .doc and .docx manuscripts from the
// command line, with the settings of the desktop application or flags.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

namespace tessaly::cli {

struct ToolEnvironment {
    std::filesystem::path appFolder;  // where temp/ and RubyData/ live
    std::ostream& out;
    std::ostream& err;
    bool errIsTerminal = false;
    size_t terminalColumns = 80;  // the terminal's width, for the progress line
};

// Runs the tool; returns the exit status: 0 all converted, 1 a file could
// not be read or written, 2 a usage error.
int RunConvertTool(const std::vector<std::string>& args, const ToolEnvironment& env);

}  // namespace tessaly::cli
