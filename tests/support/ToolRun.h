// Runs tessaly-convert in the test's process and keeps what it printed.
#pragma once

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/ConvertTool.h"

namespace tessaly::testing {

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

// appFolder holds the application's temp/ and RubyData/; terminal: stderr
// stands for a terminal (the progress line is drawn).
inline ToolRun RunTool(const std::filesystem::path& appFolder, const std::vector<std::string>& args, bool terminal = false) {
    std::ostringstream out, err;
    const cli::ToolEnvironment env{appFolder, out, err, terminal};
    const int status = cli::RunConvertTool(args, env);
    return {status, out.str(), err.str()};
}

}  // namespace tessaly::testing
