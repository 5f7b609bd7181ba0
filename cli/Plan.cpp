#include "cli/Plan.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>

#include "convert/Conversion.h"
#include "engine/OutputFiles.h"
#include "platform/Files.h"

namespace tessaly::cli {
namespace {

namespace fs = std::filesystem;
using convert::Shown;

bool IsManuscriptName(const fs::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".doc" || ext == ".docx";
}

// The manuscripts in a folder, sorted by their paths' bytes.
std::vector<fs::path> FolderManuscripts(const fs::path& folder, bool recursive, std::error_code& ec) {
    std::vector<fs::path> found;
    auto take = [&](const fs::directory_entry& entry) {
        std::error_code e;
        if (entry.is_regular_file(e) && IsManuscriptName(entry.path())) found.push_back(entry.path());
    };
    const auto options = fs::directory_options::skip_permission_denied;
    if (recursive) {
        for (auto it = fs::recursive_directory_iterator(folder, options, ec); !ec && it != fs::recursive_directory_iterator();
             it.increment(ec))
            take(*it);
    } else {
        for (auto it = fs::directory_iterator(folder, options, ec); !ec && it != fs::directory_iterator(); it.increment(ec))
            take(*it);
    }
    std::sort(found.begin(), found.end(), [](const fs::path& a, const fs::path& b) { return a.native() < b.native(); });
    return found;
}

// Why the input cannot write its outputs, or empty when it can.
std::string Collision(const fs::path& input, const std::vector<fs::path>& names, const fs::path& outputFolder,
                      const std::map<fs::path::string_type, fs::path>& claimed,
                      const std::map<platform::FileIdentity, fs::path>& inputIds) {
    for (const auto& n : names) {
        const fs::path output = outputFolder / n;
        if (auto it = claimed.find(n.native()); it != claimed.end())
            return Shown(input) + ": " + Shown(it->second) + " と同じ出力ファイル " + Shown(output) + " になるため、変換しません。";
        if (const auto id = platform::IdentityOf(output)) {
            if (auto it = inputIds.find(*id); it != inputIds.end())
                return Shown(input) + ": 出力ファイル " + Shown(output) + " は変換する原稿 " + Shown(it->second) +
                       " そのものなので、変換しません。";
        }
    }
    return {};
}

}  // namespace

std::vector<fs::path> ExpandInputs(const std::vector<fs::path>& given, bool recursive, std::vector<std::string>& errors) {
    std::vector<fs::path> files;
    for (const auto& path : given) {
        std::error_code ec;
        if (!fs::is_directory(path, ec)) {
            files.push_back(path);
            continue;
        }
        const std::vector<fs::path> found = FolderManuscripts(path, recursive, ec);
        if (ec) errors.push_back(Shown(path) + ": フォルダーを読めません（" + platform::SystemErrorReason(ec) + "）。");
        else if (found.empty()) errors.push_back(Shown(path) + ": 変換できる原稿（.doc / .docx）がフォルダーにありません。");
        files.insert(files.end(), found.begin(), found.end());
    }
    return files;
}

std::vector<Job> PlanJobs(const std::vector<fs::path>& inputs, const fs::path& outputFolder, bool macText, bool proof,
                          std::vector<std::string>& refusals) {
    // The inputs as the file system knows them, to find an output that is one.
    std::map<platform::FileIdentity, fs::path> inputIds;
    for (const auto& input : inputs)
        if (const auto id = platform::IdentityOf(input)) inputIds.emplace(*id, input);
    std::map<fs::path::string_type, fs::path> claimed;  // output name → the input that writes it
    std::vector<Job> jobs;
    for (const auto& input : inputs) {
        const fs::path name = OutputFileNameForInput(input);
        if (name.empty()) {
            refusals.push_back(Shown(input) + ": ファイル名の最初のピリオドの前に文字がないため、出力ファイル名を作れません。");
            continue;
        }
        std::vector<fs::path> names = {name};
        if (macText) names.push_back(MacFileNameFor(name));
        if (proof) names.push_back(ProofFileNameFor(name));
        if (std::string refusal = Collision(input, names, outputFolder, claimed, inputIds); !refusal.empty()) {
            refusals.push_back(std::move(refusal));
            continue;
        }
        for (const auto& n : names) claimed.emplace(n.native(), input);
        jobs.push_back({input, name});
    }
    return jobs;
}

}  // namespace tessaly::cli
