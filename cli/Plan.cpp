#include "cli/Plan.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <numeric>
#include <optional>
#include <set>

#include "convert/Conversion.h"
#include "engine/OutputFiles.h"
#include "platform/Files.h"

namespace tessaly::cli {
namespace {

namespace fs = std::filesystem;
using convert::Shown;

bool IsManuscriptName(const fs::path& path) {
    if (platform::PathToUtf8(path.filename()).starts_with("~$")) return false;  // Word's lock file of an open document
    std::string ext = platform::PathToUtf8(path.extension());
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".doc" || ext == ".docx";
}

std::string FolderErrorText(const fs::path& folder, const std::error_code& ec) {
    const std::string reason = ec == std::errc::permission_denied ? "読む権限がありません" : platform::SystemErrorReason(ec);
    return Shown(folder) + ": フォルダーを読めません（" + reason + "）。";
}

// The manuscripts in a folder (and with recursive, in the folders below it,
// walked with a list of its own, never as deep as the tree goes), sorted by
// their paths' bytes. Folders that cannot be read are said.
std::vector<fs::path> FolderManuscripts(const fs::path& top, bool recursive, std::vector<std::string>& errors) {
    std::vector<fs::path> found, folders{top};
    while (!folders.empty()) {
        const fs::path folder = folders.back();
        folders.pop_back();
        std::error_code ec;
        for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
            std::error_code e;
            if (it->is_regular_file(e) && IsManuscriptName(it->path())) found.push_back(it->path());
            else if (recursive && it->is_directory(e) && !it->is_symlink(e)) folders.push_back(it->path());
        }
        if (ec) errors.push_back(FolderErrorText(folder, ec));
    }
    std::sort(found.begin(), found.end(), [](const fs::path& a, const fs::path& b) { return a.native() < b.native(); });
    return found;
}

// The groups of jobs that share an output name: each job's group is the
// first job it shares a name with, transitively.
std::vector<JobGroup> Grouped(std::vector<Job> jobs) {
    std::vector<size_t> parent(jobs.size());
    std::iota(parent.begin(), parent.end(), size_t(0));
    auto root = [&](size_t i) {
        while (parent[i] != i) i = parent[i] = parent[parent[i]];
        return i;
    };
    std::map<fs::path::string_type, size_t> owner;
    for (size_t i = 0; i < jobs.size(); ++i)
        for (const auto& n : jobs[i].names) {
            const auto [it, fresh] = owner.emplace(platform::NameKey(n), i);
            if (!fresh) parent[root(i)] = root(it->second);
        }
    std::map<size_t, size_t> groupOf;  // root → its group, in the order of first jobs
    std::vector<JobGroup> groups;
    for (size_t i = 0; i < jobs.size(); ++i) {
        const auto [it, fresh] = groupOf.emplace(root(i), groups.size());
        if (fresh) groups.emplace_back();
        jobs[i].index = i;
        groups[it->second].push_back(std::move(jobs[i]));
    }
    return groups;
}

}  // namespace

std::vector<fs::path> ExpandInputs(const std::vector<fs::path>& given, bool recursive, std::vector<std::string>& errors) {
    std::vector<fs::path> files;
    std::set<platform::FileIdentity> seen;
    std::set<fs::path::string_type> seenPaths;  // of files that cannot be told apart otherwise (missing ones)
    auto take = [&](const fs::path& file) {
        const auto id = platform::IdentityOf(file);
        if (id ? seen.insert(*id).second : seenPaths.insert(file.native()).second) files.push_back(file);
    };
    for (const auto& path : given) {
        std::error_code ec;
        if (!fs::is_directory(path, ec)) {
            take(path);
            continue;
        }
        const size_t errorsBefore = errors.size();
        const std::vector<fs::path> found = FolderManuscripts(path, recursive, errors);
        if (found.empty() && errors.size() == errorsBefore)
            errors.push_back(Shown(path) + ": 変換できる原稿（.doc / .docx）がフォルダーにありません。");
        for (const auto& f : found) take(f);
    }
    return files;
}

std::string CollisionText(const Job& job, const Job& writer, const fs::path& output) {
    return Shown(job.input) + ": " + Shown(writer.input) + " と同じ出力ファイル " + Shown(output) + " になるため、変換しません。";
}

std::vector<JobGroup> PlanJobs(const std::vector<fs::path>& inputs, const fs::path& outputFolder, bool macText, bool proof,
                               std::vector<std::string>& refusals) {
    // The inputs as the file system knows them, to find an output that is one.
    std::map<platform::FileIdentity, fs::path> inputIds;
    for (const auto& input : inputs)
        if (const auto id = platform::IdentityOf(input)) inputIds.emplace(*id, input);
    std::vector<Job> jobs;
    for (const auto& input : inputs) {
        if (const std::string problem = convert::NamingProblem(input); !problem.empty()) {
            refusals.push_back(Shown(input) + ": " + problem);
            continue;
        }
        Job job{input, OutputFileNameForInput(input), {}, 0};
        job.names.push_back(job.outputName);
        if (macText) job.names.push_back(MacFileNameFor(job.outputName));
        if (proof) job.names.push_back(ProofFileNameFor(job.outputName));
        std::string refusal;
        for (const auto& n : job.names) {
            const auto id = platform::IdentityOf(outputFolder / n);
            const auto it = id ? inputIds.find(*id) : inputIds.end();
            if (it == inputIds.end()) continue;
            refusal = Shown(input) + ": 出力ファイル " + Shown(outputFolder / n) + " は変換する原稿 " + Shown(it->second) +
                      " そのものなので、変換しません。";
            break;
        }
        if (refusal.empty()) jobs.push_back(std::move(job));
        else refusals.push_back(std::move(refusal));
    }
    return Grouped(std::move(jobs));
}

}  // namespace tessaly::cli
