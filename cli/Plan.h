// Planning a batch before anything is written: the files the command line
// names (folders expanded), and which of them are converted into which
// output names, with a reason for every file refused.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tessaly::cli {

// The files a command line names: files as they are, and the manuscripts in
// each folder (below it too with recursive), in the order of their paths'
// bytes, so that every run takes them in the same order. A folder that
// cannot be read or holds no manuscript adds an error.
std::vector<std::filesystem::path> ExpandInputs(const std::vector<std::filesystem::path>& given, bool recursive,
                                                std::vector<std::string>& errors);

// One manuscript to convert, and the output file it will write.
struct Job {
    std::filesystem::path input;
    std::filesystem::path outputName;  // the Windows file's name in the output folder
};

// Decides which inputs are converted: an input whose output name is empty,
// is another input's output (Windows, Mac or proof page name), or is one of
// the run's inputs itself is refused with its reason.
std::vector<Job> PlanJobs(const std::vector<std::filesystem::path>& inputs, const std::filesystem::path& outputFolder,
                          bool macText, bool proof, std::vector<std::string>& refusals);

}  // namespace tessaly::cli
