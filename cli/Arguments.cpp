#include "cli/Arguments.h"

#include <algorithm>
#include <cstdlib>

#include "cli/ProgressLine.h"
#include "engine/Text.h"
#include "platform/Files.h"
#include "settings/SettingsTable.h"

namespace tessaly::cli {
namespace {

namespace fs = std::filesystem;
using settings::Setting;
using settings::SettingKind;

// Splits short options written together (-qrj2): the flags before one that
// takes the rest of the word as its value (-j4, -oDIR). Returns the option
// left to parse ("-j" or "-o"), or empty when the word held flags only.
std::string SplitShortOptions(const std::string& word, Request& r, std::optional<std::string>& inlineValue) {
    for (size_t k = 1; k < word.size(); ++k) {
        const char c = word[k];
        if (c == 'j' || c == 'o') {
            if (k + 1 < word.size()) inlineValue = word.substr(k + 1);
            return std::string("-") + c;
        }
        if (c == 'q') r.quiet = true;
        else if (c == 'r') r.recursive = true;
        else if (c == 'h') r.help = true;
        else throw UsageError{std::string("不明なオプションです: -") + c};
    }
    return {};
}

std::string Joined(const std::vector<std::string_view>& names) {
    std::string out;
    for (auto n : names) {
        if (!out.empty()) out += '|';
        out += n;
    }
    return out;
}

// One argument against the settings table's flags; false when none is it.
template <class Value, class NoValue>
bool TableFlag(const std::string& arg, Request& r, Value&& value, NoValue&& noValue) {
    for (const Setting& s : settings::Settings()) {
        if (s.flag.empty()) continue;
        if (s.kind == SettingKind::List) {
            if (arg != s.flag) continue;
            const std::string v = value();
            const auto it = std::find(s.valueNames.begin(), s.valueNames.end(), v);
            if (it == s.valueNames.end()) throw UsageError{arg + " の値が正しくありません: " + v + "（" + Joined(s.valueNames) + "）"};
            r.overrides.emplace_back(s.field, static_cast<int16_t>(it - s.valueNames.begin()));
            if (s.field == &ConversionOptions::TagHeader) r.headerFile.reset();
            return true;
        }
        const bool on = arg == "--" + std::string(s.flag);
        if (!on && arg != "--no-" + std::string(s.flag)) continue;
        noValue();
        if (s.field) r.overrides.emplace_back(s.field, on ? kOn : kOff);
        else r.flags.emplace_back(s.flagField, on);
        return true;
    }
    return false;
}

int JobCount(const std::string& v) {
    char* end = nullptr;
    const long n = std::strtol(v.c_str(), &end, 10);
    if (v.empty() || *end != '\0' || n < 1 || n > 64) throw UsageError{"-j には 1 から 64 の数を指定してください: " + v};
    return static_cast<int>(n);
}

// The tool's own flags; false when the argument is none of them.
template <class Value, class NoValue>
bool ToolFlag(const std::string& arg, Request& r, Value&& value, NoValue&& noValue) {
    const std::pair<const char*, bool Request::*> switches[] = {
        {"-h", &Request::help},         {"--help", &Request::help},   {"--version", &Request::version},
        {"-q", &Request::quiet},        {"--quiet", &Request::quiet}, {"-r", &Request::recursive},
        {"--recursive", &Request::recursive}, {"--report", &Request::report}, {"--proof", &Request::proof},
        {"--defaults", &Request::defaults},
    };
    for (const auto& [name, member] : switches) {
        if (arg != name) continue;
        noValue();
        r.*member = true;
        return true;
    }
    if (arg == "-o" || arg == "--output-dir") {
        r.outputDir = platform::PathFromUtf8(value());
    } else if (arg == "--header-file") {
        r.headerFile = platform::PathFromUtf8(value());
        r.overrides.emplace_back(&ConversionOptions::TagHeader, kCustomHeader);
    } else if (arg == "-j" || arg == "--jobs") {
        r.jobs = JobCount(value());
    } else {
        return false;
    }
    return true;
}

}  // namespace

Request ParseArguments(const std::vector<std::string>& args) {
    Request r;
    bool onlyFiles = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (onlyFiles || arg.empty() || arg[0] != '-' || arg == "-") {
            r.files.push_back(platform::PathFromUtf8(arg));
            continue;
        }
        if (arg == "--") {
            onlyFiles = true;
            continue;
        }
        std::optional<std::string> inlineValue;
        if (arg.starts_with("--")) {
            if (const size_t eq = arg.find('='); eq != std::string::npos) {
                inlineValue = arg.substr(eq + 1);
                arg = arg.substr(0, eq);
            }
        } else if (arg.size() > 2) {
            arg = SplitShortOptions(arg, r, inlineValue);
            if (arg.empty()) continue;
        }
        auto value = [&]() -> std::string {
            if (inlineValue) return *inlineValue;
            if (i + 1 >= args.size()) throw UsageError{arg + " には値が必要です"};
            return args[++i];
        };
        auto noValue = [&] {
            if (inlineValue) throw UsageError{arg + " は値を取りません"};
        };
        // --ruby-notation=narou: the notation, なろう's parentheses included.
        if (arg == "--ruby-notation" && inlineValue == "narou") {
            r.flags.emplace_back(&settings::SettingValues::rubyNotation, true);
            r.flags.emplace_back(&settings::SettingValues::narouRuby, true);
            continue;
        }
        if (!ToolFlag(arg, r, value, noValue) && !TableFlag(arg, r, value, noValue))
            throw UsageError{"不明なオプションです: " + arg};
    }
    return r;
}

std::string HelpText() {
    std::string help =
        "使い方: tessaly-convert [オプション] ファイルまたはフォルダー...\n"
        "Word 原稿（.doc / .docx）とテキスト原稿（.txt）のルビ・圏点・割注を InDesign タグ付きテキストに変換します。\n"
        "フォルダーを指定すると、その中の .doc / .docx を名前順に変換します。\n"
        "出力は <文書名の最初のピリオドまで>_ruby.txt（Mac 用テキストは Mac_ を前に付けた名前）です。\n"
        "\n";
    // A flag, and what it does beside it or, for a long one, below it.
    auto line = [&](const std::string& usage, std::string_view what) {
        constexpr size_t kColumn = 46;
        // Short options stand out to the left of the long ones.
        std::string text = (usage.size() > 2 && usage[1] != '-' ? "  " : "      ") + usage;
        const size_t width = DisplayWidth(text);
        text += width + 1 < kColumn ? std::string(kColumn - width, ' ') : "\n" + std::string(kColumn, ' ');
        help += text + std::string(what) + "\n";
    };
    line("-o, --output-dir DIR", "出力先フォルダー（既定: アプリケーションの RubyData フォルダー）");
    line("--defaults", "保存された設定ではなく初期値から始める");
    for (const Setting& s : settings::Settings()) {
        if (s.flag.empty()) continue;
        line(settings::CommandLineUsage(s), s.help);
        if (s.field == &ConversionOptions::TagHeader) line("--header-file FILE", "カスタムヘッダにこのファイルを使う");
    }
    line("--report", "変換の報告（変換した個所の数と、変換しなかったもの）をすべて表示する");
    line("--proof", "校正用の HTML（<文書名>_proof.html）を出力ファイルの横に作る");
    line("-r, --recursive", "フォルダーの下のフォルダーの原稿も変換する");
    line("-j, --jobs N", "N 個のファイルを同時に変換する（1 から 64）");
    line("-q, --quiet", "報告と進み具合を出さない");
    line("-h, --help", "この説明を表示する");
    line("--version", "版を表示する");
    help +=
        "\n"
        "終了コード: 0 すべて変換, 1 読めない・書けないファイルがあった, 2 使い方の誤り\n"
        "フラグは保存された設定を変更しません。\n";
    return help;
}

}  // namespace tessaly::cli
