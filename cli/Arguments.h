// tessaly-convert's command line: the flags of the settings table and the
// tool's own, parsed into a request, and the help made from the same table.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/ConversionOptions.h"
#include "settings/SettingsTable.h"

namespace tessaly::cli {

// A command line that cannot be run; message says why.
struct UsageError {
    std::string message;
};

struct Request {
    std::vector<std::filesystem::path> files;
    std::optional<std::filesystem::path> outputDir;
    std::optional<std::filesystem::path> headerFile;
    bool defaults = false;
    bool quiet = false;
    bool recursive = false;
    bool report = false;  // the whole conversion report
    bool proof = false;   // the proof page beside the outputs
    // The switches of their own given (ruby notation, notes, numbers), over
    // the stored settings.
    std::vector<std::pair<bool settings::SettingValues::*, bool>> flags;
    bool help = false;
    bool version = false;
    int jobs = 1;
    // Overrides in the order given, applied over the starting options.
    std::vector<std::pair<int16_t ConversionOptions::*, int16_t>> overrides;
};

// Throws UsageError.
Request ParseArguments(const std::vector<std::string>& args);

// What --help prints.
std::string HelpText();

}  // namespace tessaly::cli
