// The layers as the source tree has them: every include points down the
// allowed direction (engine ← wordproc ← convert ← run/cli ← app, all on
// platform), the standard-C++ layers include no toolkit and no system
// header, and the README's layout table names the folders there are.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

const fs::path kRoot = TESSALY_SOURCE_DIR;

// Each layer and the layers whose headers it may include.
const std::map<std::string, std::set<std::string>> kAllowed = {
    {"platform", {}},
    {"engine", {"platform"}},
    {"wordproc", {"engine", "platform"}},
    {"proof", {"engine", "platform"}},
    {"convert", {"wordproc", "proof", "engine", "platform"}},
    {"settings", {"engine", "platform"}},
    {"run", {"convert", "settings", "wordproc", "proof", "engine", "platform"}},
    {"cli", {"convert", "settings", "wordproc", "proof", "engine", "platform"}},
    {"app", {"run", "settings", "convert", "wordproc", "proof", "engine", "platform"}},
    {"web", {"convert", "settings", "wordproc", "proof", "engine", "platform"}},
};

// Layers of standard C++ (and their libraries): no Qt, no system headers.
const std::set<std::string> kStandard = {"engine", "wordproc", "proof", "convert"};

std::string Read(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Include {
    fs::path file;
    std::string header;
    bool quoted;
};

std::vector<Include> IncludesOf(const std::string& layer) {
    std::vector<Include> out;
    if (!fs::is_directory(kRoot / layer)) return out;
    static const std::regex include(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
    for (const auto& entry : fs::recursive_directory_iterator(kRoot / layer)) {
        const auto ext = entry.path().extension();
        if (ext != ".cpp" && ext != ".h") continue;
        std::istringstream lines(Read(entry.path()));
        for (std::string line; std::getline(lines, line);) {
            std::smatch m;
            if (std::regex_search(line, m, include)) out.push_back({entry.path(), m[2], m[1] == "\""});
        }
    }
    return out;
}

bool IsSystemHeader(const std::string& h) {
    static const std::regex system(R"(^(unistd|fcntl|signal|windows|io|dirent|pthread|dlfcn|termios)\.h$|^sys/)");
    return std::regex_search(h, system);
}

bool IsWidgetsHeader(const std::string& h) {
    static const std::regex widgets(
        R"(^(QtWidgets/.*|Q(Widget|Application|Dialog|Label|PushButton|ComboBox|CheckBox|RadioButton|GroupBox|TabWidget|MessageBox|ListWidget|LineEdit|Frame|GridLayout|VBoxLayout|HBoxLayout|ButtonGroup|MainWindow))$)");
    return std::regex_match(h, widgets);
}

}  // namespace

TEST(Layers, EveryIncludePointsDownTheAllowedDirection) {
    size_t seen = 0;
    for (const auto& [layer, allowed] : kAllowed) {
        for (const Include& inc : IncludesOf(layer)) {
            ++seen;
            const std::string where = fs::relative(inc.file, kRoot).string() + ": " + inc.header;
            if (inc.quoted) {
                const std::string target = inc.header.substr(0, inc.header.find('/'));
                EXPECT_TRUE(target == layer || allowed.count(target)) << where << " crosses from " << layer << " to " << target;
                continue;
            }
            if (kStandard.count(layer)) {
                EXPECT_FALSE(inc.header.starts_with("Q")) << where << ": a standard C++ layer includes Qt";
                EXPECT_FALSE(IsSystemHeader(inc.header)) << where << ": system calls belong to platform/";
            }
            if (layer == "settings" || layer == "cli") {
                EXPECT_FALSE(IsWidgetsHeader(inc.header)) << where << ": " << layer << " is QtCore only";
            }
        }
    }
    EXPECT_GT(seen, 200u) << "the source tree was not found at " << kRoot;
}

TEST(Layers, TheSettingsTableIsStandardCpp) {
    for (const char* file : {"settings/SettingsTable.h", "settings/SettingsTable.cpp"}) {
        const std::string text = Read(kRoot / file);
        ASSERT_FALSE(text.empty()) << file;
        EXPECT_EQ(text.find("#include <Q"), std::string::npos) << file;
    }
}

TEST(Layers, TheReadmeLayoutTableNamesTheFolders) {
    const std::string readme = Read(kRoot / "README.md");
    const size_t start = readme.find("## Layout");
    ASSERT_NE(start, std::string::npos);
    const size_t end = readme.find("\n## ", start + 1);
    std::set<std::string> named;
    static const std::regex row(R"(\n\| `([a-z]+)/` \|)");
    const std::string section = readme.substr(start, end - start);
    for (std::sregex_iterator it(section.begin(), section.end(), row), last; it != last; ++it) named.insert((*it)[1]);
    std::set<std::string> folders;
    for (const auto& entry : fs::directory_iterator(kRoot)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_directory() && !name.starts_with(".") && !name.starts_with("build")) folders.insert(name);
    }
    EXPECT_EQ(named, folders);
}
