// Runs tessaly-convert in the test's process and keeps what it printed; the
// one fixture every command-line test starts from.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/ConvertTool.h"
#include "engine/Text.h"
#include "support/Corpus.h"
#include "support/TestFiles.h"

namespace tessaly::testing {

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

// appFolder holds the application's temp/ and RubyData/; terminal: stderr
// stands for a terminal of that many columns (the progress line is drawn).
inline ToolRun RunTool(const std::filesystem::path& appFolder, const std::vector<std::string>& args, bool terminal = false,
                       size_t columns = 80) {
    std::ostringstream out, err;
    const cli::ToolEnvironment env{appFolder, out, err, terminal, columns};
    const int status = cli::RunConvertTool(args, env);
    return {status, out.str(), err.str()};
}

// A temporary application folder with in/ for manuscripts and out/ for the
// outputs of the runs.
struct CommandLine : ::testing::Test {
    TempFolder folder;
    std::filesystem::path in() const { return folder.path() / "in"; }
    std::filesystem::path out() const { return folder.path() / "out"; }

    ToolRun run(const std::vector<std::string>& args, bool terminal = false) { return RunTool(folder.path(), args, terminal); }
    // The Windows output's text (UTF-8), and its body after the header.
    std::string text(const std::filesystem::path& outputName) const {
        return ToUtf8(DecodeWindowsFile(ReadBytes(out() / outputName)));
    }
    std::string body(const std::filesystem::path& outputName) const {
        const std::string t = text(outputName);
        const size_t at = t.find("<ParaStyle:段落標準>");
        return at == std::string::npos ? t : t.substr(at);
    }
    // A copy of a test manuscript under another name (below in/).
    std::filesystem::path manuscript(const std::string& name, const char* from = "ManuscriptFeatures.doc") {
        const std::filesystem::path path = in() / U8(name);
        std::filesystem::create_directories(path.parent_path());
        std::filesystem::copy_file(TestData(from), path, std::filesystem::copy_options::overwrite_existing);
        return path;
    }
    // The names in out/, sorted.
    std::vector<std::string> outputs() const { return Names(out()); }
};

}  // namespace tessaly::testing
