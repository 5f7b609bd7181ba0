// Planning a batch before anything is written: the files the command line
// names (folders expanded, each file once), and the output names each would
// write, with a reason for every file refused at once. Files that would
// write a same output stand in one group, converted one after another by the
// same worker: the first of them that can be read writes it, and the others
// are refused then.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tessaly::cli {

// The files a command line names: files as they are, and the manuscripts in
// each folder (below it too with recursive), in the order of their paths'
// bytes, so that every run takes them in the same order; Word's lock files
// (~$name.docx) are no manuscripts. A folder that cannot be read or holds
// no manuscript adds an error, and so does a folder below one that cannot be
// read. A file named twice, or reached twice, is taken once.
std::vector<std::filesystem::path> ExpandInputs(const std::vector<std::filesystem::path>& given, bool recursive,
                                                std::vector<std::string>& errors);

// One manuscript to convert, and the outputs it will write.
struct Job {
    std::filesystem::path input;
    std::filesystem::path outputName;           // the Windows file's name in the output folder
    std::vector<std::filesystem::path> names;   // every output's name: Windows, Mac, proof page
    size_t index = 0;                           // its place among the jobs, for the progress line
};

// Jobs that would write a same output, in the order they were given.
using JobGroup = std::vector<Job>;

// Decides which inputs are to be converted: an input whose name gives no
// output name, or one of whose outputs is one of the run's inputs itself,
// is refused with its reason.
std::vector<JobGroup> PlanJobs(const std::vector<std::filesystem::path>& inputs, const std::filesystem::path& outputFolder,
                               bool macText, bool proof, std::vector<std::string>& refusals);

// Why a job is refused because an earlier one of its group writes one of its
// outputs.
std::string CollisionText(const Job& job, const Job& writer, const std::filesystem::path& output);

}  // namespace tessaly::cli
