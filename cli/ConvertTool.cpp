#include "cli/ConvertTool.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <iomanip>
#include <map>
#include <mutex>
#include <optional>
#include <ostream>
#include <sstream>
#include <thread>

#include "run/RunMessages.h"
#include "app/SettingsStore.h"
#include "engine/Engine.h"
#include "engine/OutputFiles.h"
#include "engine/Text.h"
#include "wordproc/Readers.h"

namespace tessaly::cli {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kTool = "tessaly-convert";

const char* const kHelp =
    "使い方: tessaly-convert [オプション] ファイル...\n"
    "Word 原稿（.doc / .docx）のルビ・圏点・割注を InDesign タグ付きテキストに変換します。\n"
    "出力は <文書名の最初のピリオドまで>_ruby.txt（Mac 用テキストは Mac_ を前に付けた名前）です。\n"
    "\n"
    "  -o, --output-dir DIR     出力先フォルダー（既定: アプリケーションの RubyData フォルダー）\n"
    "      --defaults           保存された設定ではなく初期値から始める\n"
    "      --ruby-style mono|group                 ルビ種別（モノルビ／グループルビ）\n"
    "      --kana hiragana|katakana                かな種別\n"
    "      --full-size-kana, --no-full-size-kana   拗促音を大文字に変換する\n"
    "      --opentype-ruby, --no-opentype-ruby     OpenTypeのルビ字形を使用する\n"
    "      --ruby-separator △|▲|▽|▼              ルビ区切り記号\n"
    "      --warichu-separator ☆|★|◇|◆           割注区切り記号\n"
    "      --warichu-surround none|quarter|half|paren|tortoise|square|lenticular|angle|double-angle|brace\n"
    "                                              割注の前後（なし、4分アキ、半角アキ、（）〔〕［］【】〈〉《》｛｝）\n"
    "      --half-width-parens, --no-half-width-parens     割注パーレンを半角にする\n"
    "      --warichu-ruby-glyphs, --no-warichu-ruby-glyphs 割注をルビ字形に変換する\n"
    "      --kenten, --no-kenten                   一太郎の傍点を圏点に変換する\n"
    "      --kenten-kind both|dot|sesame           圏点の種類（両方／黒丸小／ゴマ）\n"
    "      --kenten-ratio 50|55|...|100            圏点の比率（％）\n"
    "      --header default|custom                 タグのヘッダ部分（カスタム: temp フォルダの header.txt）\n"
    "      --header-file FILE                      カスタムヘッダにこのファイルを使う\n"
    "      --mac, --no-mac                         Mac用テキストを同時に作成する\n"
    "  -j N                     N 個のファイルを同時に変換する\n"
    "  -q, --quiet              報告を出さない\n"
    "  -h, --help               この説明を表示する\n"
    "      --version            版を表示する\n"
    "\n"
    "終了コード: 0 すべて変換, 1 読めない・書けないファイルがあった, 2 使い方の誤り\n"
    "フラグは保存された設定を変更しません。\n";

struct UsageError {
    std::string message;
};

// One flag that sets a list field by its item names.
struct Choice {
    const char* flag;
    int16_t ConversionOptions::*field;
    std::vector<const char*> names;
};

const std::vector<Choice>& Choices() {
    static const std::vector<Choice> choices = {
        {"--ruby-style", &ConversionOptions::RubyStyle, {"mono", "group"}},
        {"--kana", &ConversionOptions::KanaKind, {"hiragana", "katakana"}},
        {"--ruby-separator", &ConversionOptions::RubySeparator, {"△", "▲", "▽", "▼"}},
        {"--warichu-separator", &ConversionOptions::WarichuSeparator, {"☆", "★", "◇", "◆"}},
        {"--warichu-surround", &ConversionOptions::WarichuSurround,
         {"none", "quarter", "half", "paren", "tortoise", "square", "lenticular", "angle", "double-angle", "brace"}},
        {"--kenten-kind", &ConversionOptions::KentenKind, {"both", "dot", "sesame"}},
        {"--kenten-ratio", &ConversionOptions::KentenRatio,
         {"50", "55", "60", "65", "70", "75", "80", "85", "90", "95", "100"}},
        {"--header", &ConversionOptions::TagHeader, {"default", "custom"}},
    };
    return choices;
}

// A switch with its --no- form.
struct Switch {
    const char* flag;
    int16_t ConversionOptions::*field;
};

const std::vector<Switch>& Switches() {
    static const std::vector<Switch> switches = {
        {"full-size-kana", &ConversionOptions::SmallKanaToFullSize},
        {"opentype-ruby", &ConversionOptions::OpenTypeRubyGlyphs},
        {"half-width-parens", &ConversionOptions::HalfWidthWarichuParens},
        {"warichu-ruby-glyphs", &ConversionOptions::WarichuRubyGlyphs},
        {"kenten", &ConversionOptions::ConvertBouten},
        {"mac", &ConversionOptions::MacText},
    };
    return switches;
}

struct Request {
    std::vector<fs::path> files;
    std::optional<fs::path> outputDir;
    std::optional<fs::path> headerFile;
    bool defaults = false;
    bool quiet = false;
    bool help = false;
    bool version = false;
    int jobs = 1;
    // Overrides in the order given, applied over the starting options.
    std::vector<std::pair<int16_t ConversionOptions::*, int16_t>> overrides;
};

Request ParseArguments(const std::vector<std::string>& args) {
    Request r;
    bool onlyFiles = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (onlyFiles || arg.empty() || arg[0] != '-' || arg == "-") {
            r.files.emplace_back(arg);
            continue;
        }
        if (arg == "--") {
            onlyFiles = true;
            continue;
        }
        std::optional<std::string> inlineValue;
        if (arg.starts_with("--")) {
            const size_t eq = arg.find('=');
            if (eq != std::string::npos) {
                inlineValue = arg.substr(eq + 1);
                arg = arg.substr(0, eq);
            }
        } else if (arg.size() > 2 && (arg[1] == 'j' || arg[1] == 'o')) {  // -j4, -oDIR
            inlineValue = arg.substr(2);
            arg = arg.substr(0, 2);
        }
        auto value = [&]() -> std::string {
            if (inlineValue) return *inlineValue;
            if (i + 1 >= args.size()) throw UsageError{arg + " には値が必要です"};
            return args[++i];
        };
        auto noValue = [&] {
            if (inlineValue) throw UsageError{arg + " は値を取りません"};
        };

        if (arg == "-h" || arg == "--help") { noValue(); r.help = true; continue; }
        if (arg == "--version") { noValue(); r.version = true; continue; }
        if (arg == "-q" || arg == "--quiet") { noValue(); r.quiet = true; continue; }
        if (arg == "--defaults") { noValue(); r.defaults = true; continue; }
        if (arg == "-o" || arg == "--output-dir") { r.outputDir = fs::path(value()); continue; }
        if (arg == "--header-file") {
            r.headerFile = fs::path(value());
            r.overrides.emplace_back(&ConversionOptions::TagHeader, 1);
            continue;
        }
        if (arg == "-j" || arg == "--jobs") {
            const std::string v = value();
            char* end = nullptr;
            const long n = std::strtol(v.c_str(), &end, 10);
            if (v.empty() || *end != '\0' || n < 1 || n > 64) throw UsageError{"-j には 1 から 64 の数を指定してください: " + v};
            r.jobs = static_cast<int>(n);
            continue;
        }
        bool matched = false;
        for (const auto& c : Choices()) {
            if (arg != c.flag) continue;
            const std::string v = value();
            auto it = std::find_if(c.names.begin(), c.names.end(), [&](const char* n) { return v == n; });
            if (it == c.names.end()) {
                std::string allowed;
                for (const char* n : c.names) allowed += std::string(allowed.empty() ? "" : "|") + n;
                throw UsageError{arg + " の値が正しくありません: " + v + "（" + allowed + "）"};
            }
            r.overrides.emplace_back(c.field, static_cast<int16_t>(it - c.names.begin()));
            if (c.field == &ConversionOptions::TagHeader) r.headerFile.reset();
            matched = true;
        }
        for (const auto& s : Switches()) {
            if (arg == std::string("--") + s.flag || arg == std::string("--no-") + s.flag) {
                noValue();
                r.overrides.emplace_back(s.field, arg.starts_with("--no-") ? 0 : 1);
                matched = true;
            }
        }
        if (!matched) throw UsageError{"不明なオプションです: " + arg};
    }
    return r;
}

std::string LocalText(const QString& text) {
    std::string s = text.toStdString();
    std::string out;
    for (char c : s)
        if (c != '\r') out.push_back(c);
    return out;
}

// Messages and progress of one conversion, for a terminal or for silence.
class ToolHost : public EngineHost {
public:
    ToolHost(const ToolEnvironment& env, std::mutex& lock, bool showProgress, std::string name)
        : m_env(env), m_lock(lock), m_showProgress(showProgress), m_name(std::move(name)), m_start(Clock::now()) {}

    void UpdateProgress(int value, int, float, const std::u16string&) override {
        if (!m_showProgress) return;
        const auto now = Clock::now();
        // A bar only for long work, redrawn a few times a second.
        if (now - m_start < std::chrono::milliseconds(500) || now - m_lastDraw < std::chrono::milliseconds(100)) return;
        m_lastDraw = now;
        const int filled = value * 30 / 100;
        std::lock_guard guard(m_lock);
        m_env.err << "\r[" << std::string(static_cast<size_t>(filled), '#') << std::string(static_cast<size_t>(30 - filled), ' ')
                  << "] " << std::setw(3) << value << "% " << m_name << std::flush;
        m_drawn = true;
    }
    MessageAnswer ShowMessage(const Message& message) override {
        std::lock_guard guard(m_lock);
        clearBar();
        m_env.err << kTool << ": " << m_name << ": " << LocalText(QString::fromStdU16String(message.text)) << "\n";
        return MessageAnswer::Ok;
    }
    void clearBar() {
        if (m_drawn) m_env.err << "\r" << std::string(50 + m_name.size(), ' ') << "\r";
        m_drawn = false;
    }

private:
    const ToolEnvironment& m_env;
    std::mutex& m_lock;
    bool m_showProgress;
    std::string m_name;
    Clock::time_point m_start;
    Clock::time_point m_lastDraw{};
    bool m_drawn = false;
};

std::string Seconds(double s) {
    std::ostringstream o;
    o << std::fixed << std::setprecision(2) << s;
    return o.str();
}

std::string ErrorReason(const std::exception& e) {
    if (auto fe = dynamic_cast<const fs::filesystem_error*>(&e)) {
        return "出力ファイルを書き込めません（" + fe->code().message() + "）: " + fe->path1().string();
    }
    return e.what();
}

ConversionOptions StartingOptions(const Request& r, const ToolEnvironment& env) {
    if (r.defaults) return ConversionOptions::Defaults();
    auto store = app::OpenUserSettings();
    if (!store->hasAnyValue()) return ConversionOptions::Defaults();
    QString failed;
    const auto values = app::LoadDialogValues(*store, {}, false, &failed);
    if (!failed.isEmpty()) {
        env.err << kTool << ": 警告: 保存された設定の " << failed.toStdString() << " を読み取れないため、"
                << failed.toStdString() << " 以降の設定は初期値を使います。\n";
    }
    return app::CaptureOptions(values, 3);
}

}  // namespace

int RunConvertTool(const std::vector<std::string>& args, const ToolEnvironment& env) {
    Request r;
    try {
        r = ParseArguments(args);
        if (!r.help && !r.version && r.files.empty()) throw UsageError{"変換するファイルを指定してください"};
    } catch (const UsageError& e) {
        env.err << kTool << ": " << e.message << "\n詳しくは " << kTool << " --help を見てください。\n";
        return 2;
    }
    if (r.help) {
        env.out << kHelp;
        return 0;
    }
    if (r.version) {
        env.out << kTool << " " << TESSALY_VERSION << "\n";
        return 0;
    }

    ConversionOptions options = StartingOptions(r, env);
    for (auto [field, value] : r.overrides) options.*field = value;

    fs::path customHeader;
    if (options.TagHeader == 1) {
        customHeader = r.headerFile ? *r.headerFile : env.appFolder / fs::path(kTempFolder) / fs::path(kCustomHeaderFile);
        std::error_code ec;
        if (!fs::is_regular_file(customHeader, ec)) {
            if (r.headerFile) env.err << kTool << ": ヘッダファイルが見つかりません: " << customHeader.string() << "\n";
            else env.err << kTool << ": " << LocalText(run::MissingHeaderText(QString::fromStdString(env.appFolder.string()))) << "\n";
            return 1;
        }
    }
    if (r.outputDir) {
        std::error_code ec;
        fs::create_directories(*r.outputDir, ec);
        if (ec) {
            env.err << kTool << ": 出力先フォルダーを作れません（" << ec.message() << "）: " << r.outputDir->string() << "\n";
            return 1;
        }
    }

    std::mutex lock;
    std::atomic<size_t> next{0};
    std::atomic<bool> anyFailed{false};
    const bool showProgress = env.errIsTerminal && !r.quiet;

    auto convertOne = [&](const fs::path& file) {
        const std::string name = file.filename().string();
        const auto start = Clock::now();
        ToolHost host(env, lock, showProgress, name);
        try {
            auto model = wordproc::ReadDocument(file);
            RunState state;
            state.DocumentName = model->mainDocument().Name();
            EngineContext ctx{*model, *model, options, state, host, env.appFolder, r.outputDir.value_or(fs::path()), customHeader};
            ConvertToTaggedText(ctx);
            if (state.EngineFailed) throw std::runtime_error("変換を続けられませんでした");
            const fs::path output = (r.outputDir ? *r.outputDir : env.appFolder / fs::path(kOutputFolder)) / fs::path(state.OutputFileName);
            const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
            std::lock_guard guard(lock);
            host.clearBar();
            if (!r.quiet) {
                env.out << name << ": " << state.ConvertedCount << " 個所変換しました（" << Seconds(seconds) << " 秒） → "
                        << output.string() << "\n" << std::flush;
            }
            if (state.ConvertedCount == 0 && !r.quiet)
                env.err << kTool << ": " << name << ": " << LocalText(run::NothingConvertedText()) << "\n";
        } catch (const std::exception& e) {
            anyFailed = true;
            std::lock_guard guard(lock);
            host.clearBar();
            const std::string reason = ErrorReason(e);
            env.err << kTool << ": " << (reason.starts_with(name + ":") ? reason : name + ": " + reason) << "\n";
        }
    };

    const int workers = std::min<int>(r.jobs, static_cast<int>(r.files.size()));
    auto work = [&] {
        for (size_t i; (i = next++) < r.files.size();) convertOne(r.files[i]);
    };
    std::vector<std::thread> threads;
    for (int i = 1; i < workers; ++i) threads.emplace_back(work);
    work();
    for (auto& t : threads) t.join();
    return anyFailed ? 1 : 0;
}

}  // namespace tessaly::cli
