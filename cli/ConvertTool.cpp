#include "cli/ConvertTool.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cctype>
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
#include "proof/ProofPage.h"
#include "wordproc/Readers.h"

namespace tessaly::cli {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kTool = "tessaly-convert";

const char* const kHelp =
    "使い方: tessaly-convert [オプション] ファイルまたはフォルダー...\n"
    "Word 原稿（.doc / .docx）とテキスト原稿（.txt）のルビ・圏点・割注を InDesign タグ付きテキストに変換します。\n"
    "フォルダーを指定すると、その中の .doc / .docx を名前順に変換します。\n"
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
    "      --ruby-notation, --no-ruby-notation     Word 原稿のルビ記法（|漢字《かんじ》、《《傍点》》）を変換する\n"
    "                                              （.txt の原稿では常に変換する）\n"
    "      --report             変換の報告（変換した個所の数と、変換しなかったもの）をすべて表示する\n"
    "      --proof              校正用の HTML（<文書名>_proof.html）を出力ファイルの横に作る\n"
    "  -r, --recursive          フォルダーの下のフォルダーの原稿も変換する\n"
    "  -j, --jobs N             N 個のファイルを同時に変換する（1 から 64）\n"
    "  -q, --quiet              報告と進み具合を出さない\n"
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
    bool recursive = false;
    bool report = false;  // the whole conversion report
    bool proof = false;   // the proof page beside the outputs
    std::optional<bool> rubyNotation;  // the flag given, else the stored setting
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
        } else if (arg.size() > 2) {
            // Short options together (-qrj2): flags, then one that takes the
            // rest of the word as its value (-j4, -oDIR).
            size_t k = 1;
            for (; k < arg.size(); ++k) {
                const char c = arg[k];
                if (c == 'j' || c == 'o') break;
                if (c == 'q') r.quiet = true;
                else if (c == 'r') r.recursive = true;
                else if (c == 'h') r.help = true;
                else throw UsageError{std::string("不明なオプションです: -") + c};
            }
            if (k == arg.size()) continue;
            if (k + 1 < arg.size()) inlineValue = arg.substr(k + 1);
            arg = std::string("-") + arg[k];
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
        if (arg == "-r" || arg == "--recursive") { noValue(); r.recursive = true; continue; }
        if (arg == "--report") { noValue(); r.report = true; continue; }
        if (arg == "--proof") { noValue(); r.proof = true; continue; }
        if (arg == "--ruby-notation" || arg == "--no-ruby-notation") {
            noValue();
            r.rubyNotation = arg == "--ruby-notation";
            continue;
        }
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
    std::string out;
    for (char c : text.toStdString())
        if (c != '\r') out.push_back(c);
    return out;
}

// A path as the user gave it, for messages: bytes that are not UTF-8 (a
// name in Shift_JIS, say) are shown as replacement characters.
std::string Shown(const fs::path& path) { return ToUtf8(FromUtf8(path.string())); }

// 12345 as "12,345".
std::string Grouped(long long n) {
    const std::string digits = std::to_string(n);
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

std::string Seconds(double s) {
    std::ostringstream o;
    o << std::fixed << std::setprecision(2) << s;
    return o.str();
}

bool IsManuscriptName(const fs::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".doc" || ext == ".docx";
}

// The files a command line names: files as they are, and the .doc and .docx
// files in each folder (below it too with recursive), in the order of their
// paths' bytes, so that every run takes them in the same order.
std::vector<fs::path> ExpandInputs(const std::vector<fs::path>& given, bool recursive, std::vector<std::string>& errors) {
    std::vector<fs::path> files;
    for (const auto& path : given) {
        std::error_code ec;
        if (!fs::is_directory(path, ec)) {
            files.push_back(path);
            continue;
        }
        std::vector<fs::path> found;
        auto take = [&](const fs::directory_entry& entry) {
            std::error_code e;
            if (entry.is_regular_file(e) && IsManuscriptName(entry.path())) found.push_back(entry.path());
        };
        const auto options = fs::directory_options::skip_permission_denied;
        if (recursive) {
            for (auto it = fs::recursive_directory_iterator(path, options, ec); !ec && it != fs::recursive_directory_iterator();
                 it.increment(ec))
                take(*it);
        } else {
            for (auto it = fs::directory_iterator(path, options, ec); !ec && it != fs::directory_iterator(); it.increment(ec))
                take(*it);
        }
        if (ec) errors.push_back(Shown(path) + ": フォルダーを読めません（" + SystemErrorReason(ec) + "）。");
        else if (found.empty()) errors.push_back(Shown(path) + ": 変換できる原稿（.doc / .docx）がフォルダーにありません。");
        std::sort(found.begin(), found.end(), [](const fs::path& a, const fs::path& b) { return a.native() < b.native(); });
        files.insert(files.end(), found.begin(), found.end());
    }
    return files;
}

// One manuscript to convert, and the output file it will write.
struct Job {
    fs::path input;
    fs::path outputName;  // the Windows file's name in the output folder
};

// Decides which inputs are converted before anything is written: an input
// whose output name is empty, is another input's output (Windows or Mac
// name), or is one of the run's inputs itself is refused with its reason.
std::vector<Job> PlanJobs(const std::vector<fs::path>& inputs, const fs::path& outputFolder, bool macText, bool proof,
                          std::vector<std::string>& refusals) {
    // The inputs as the file system knows them, to find an output that is one.
    std::map<std::pair<dev_t, ino_t>, fs::path> inputIds;
    for (const auto& input : inputs) {
        struct stat st {};
        if (::stat(input.c_str(), &st) == 0) inputIds.emplace(std::pair{st.st_dev, st.st_ino}, input);
    }
    std::map<std::string, fs::path> claimed;  // output name → the input that writes it
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
        std::string refusal;
        for (const auto& n : names) {
            const fs::path output = outputFolder / n;
            if (auto it = claimed.find(n.native()); it != claimed.end()) {
                refusal = Shown(input) + ": " + Shown(it->second) + " と同じ出力ファイル " + Shown(output) + " になるため、変換しません。";
                break;
            }
            struct stat st {};
            if (::stat(output.c_str(), &st) == 0) {
                if (auto it = inputIds.find(std::pair{st.st_dev, st.st_ino}); it != inputIds.end()) {
                    refusal = Shown(input) + ": 出力ファイル " + Shown(output) + " は変換する原稿 " + Shown(it->second) +
                              " そのものなので、変換しません。";
                    break;
                }
            }
        }
        if (!refusal.empty()) {
            refusals.push_back(refusal);
            continue;
        }
        for (const auto& n : names) claimed.emplace(n.native(), input);
        jobs.push_back({input, name});
    }
    return jobs;
}

// The batch's progress line on a terminal: which file of how many, and a
// bar for a file that takes a while; cleared before anything else is printed.
class ProgressLine {
public:
    ProgressLine(std::ostream& err, bool shown, size_t total) : m_err(err), m_shown(shown), m_total(total) {}

    // The mutex every output of the run is printed under.
    std::mutex& lock() { return m_lock; }

    void startFile(size_t index, const std::string& name) {
        std::lock_guard guard(m_lock);
        m_index = index;
        m_name = name;
        m_percent = -1;
        m_started = Clock::now();
        draw();
    }
    void progress(size_t index, int percent) {
        const auto now = Clock::now();
        std::lock_guard guard(m_lock);
        if (index != m_index || now - m_started < std::chrono::milliseconds(500) || now - m_drawn < std::chrono::milliseconds(100))
            return;
        m_percent = percent;
        draw();
    }
    // Clears the line; the lock is held.
    void clear() {
        if (!m_width) return;
        m_err << "\r" << std::string(m_width, ' ') << "\r" << std::flush;
        m_width = 0;
    }

private:
    void draw() {
        if (!m_shown) return;
        std::ostringstream line;
        line << "[" << m_index + 1 << "/" << m_total << "] " << m_name;
        if (m_percent >= 0) {
            const int filled = m_percent * 20 / 100;
            line << " [" << std::string(static_cast<size_t>(filled), '#') << std::string(static_cast<size_t>(20 - filled), ' ')
                 << "] " << std::setw(3) << m_percent << "%";
        }
        const std::string text = line.str();
        clear();
        m_err << text << std::flush;
        m_width = text.size();  // bytes: at least the columns it takes
        m_drawn = Clock::now();
    }

    std::ostream& m_err;
    bool m_shown;
    size_t m_total;
    std::mutex m_lock;
    size_t m_index = 0;
    std::string m_name;
    int m_percent = -1;
    Clock::time_point m_started{};
    Clock::time_point m_drawn{};
    size_t m_width = 0;
};

// The engine's messages and progress for one file of the batch.
class ToolHost : public EngineHost {
public:
    ToolHost(const ToolEnvironment& env, ProgressLine& line, size_t index, std::string shown)
        : m_env(env), m_line(line), m_index(index), m_shown(std::move(shown)) {}

    void UpdateProgress(int value, int, float, const std::u16string&) override { m_line.progress(m_index, value); }
    MessageAnswer ShowMessage(const Message& message) override {
        std::lock_guard guard(m_line.lock());
        m_line.clear();
        m_env.err << kTool << ": " << m_shown << ": " << LocalText(QString::fromStdU16String(message.text)) << "\n";
        return MessageAnswer::Ok;
    }

private:
    const ToolEnvironment& m_env;
    ProgressLine& m_line;
    size_t m_index;
    std::string m_shown;
};

ConversionOptions StartingOptions(const Request& r, const ToolEnvironment& env) {
    if (r.defaults) return ConversionOptions::Defaults();
    auto store = app::OpenUserSettings();
    if (!store->hasAnyValue()) return ConversionOptions::Defaults();
    QString failed;
    const auto values = app::LoadDialogValues(*store, {}, false, &failed);
    if (!failed.isEmpty()) {
        const std::string label = app::SettingLabel(failed).toStdString();
        env.err << kTool << ": 警告: 保存された設定の「" << label << "」を読み取れないため、この設定から後は初期値を使います。\n";
    }
    return app::CaptureOptions(values, 3);
}

// What went wrong with one file, in words for the user.
std::string FailureText(const std::exception& e) {
    if (auto read = dynamic_cast<const wordproc::ReadError*>(&e)) return read->reason();
    if (auto file = dynamic_cast<const fs::filesystem_error*>(&e)) return FileErrorText(*file);
    if (dynamic_cast<const proof::TaggedTextError*>(&e)) return std::string("書き出したタグ付きテキストを読み返せません（") + e.what() + "）。";
    return e.what();
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
    const bool rubyNotation = r.rubyNotation ? *r.rubyNotation : !r.defaults && app::LoadRubyNotation(*app::OpenUserSettings());
    for (auto [field, value] : r.overrides) options.*field = value;

    fs::path customHeader;
    if (options.TagHeader == 1) {
        customHeader = r.headerFile ? *r.headerFile : env.appFolder / fs::path(kTempFolder) / fs::path(kCustomHeaderFile);
        std::error_code ec;
        if (!fs::is_regular_file(customHeader, ec)) {
            if (r.headerFile) env.err << kTool << ": ヘッダファイルが見つかりません: " << Shown(customHeader) << "\n";
            else env.err << kTool << ": " << LocalText(run::MissingHeaderText(QString::fromStdString(env.appFolder.string()))) << "\n";
            return 1;
        }
    }
    const fs::path outputFolder = r.outputDir ? *r.outputDir : env.appFolder / fs::path(kOutputFolder);
    {
        std::error_code ec;
        if (fs::is_symlink(outputFolder, ec) && !fs::exists(outputFolder, ec)) {
            env.err << kTool << ": 出力先フォルダー " << Shown(outputFolder) << " は、存在しないものを指すシンボリックリンクです。\n";
            return 1;
        }
        if (fs::exists(outputFolder, ec) && !fs::is_directory(outputFolder, ec)) {
            env.err << kTool << ": 出力先 " << Shown(outputFolder) << " はフォルダーではありません。\n";
            return 1;
        }
    }

    std::vector<std::string> refusals;
    const std::vector<fs::path> inputs = ExpandInputs(r.files, r.recursive, refusals);
    const std::vector<Job> jobs = PlanJobs(inputs, outputFolder, options.MacText == 1, r.proof, refusals);
    for (const auto& refusal : refusals) env.err << kTool << ": " << refusal << "\n";

    ProgressLine line(env.err, env.errIsTerminal && !r.quiet, jobs.size());
    std::atomic<size_t> next{0};
    std::atomic<size_t> converted{0}, failed{refusals.size()};
    std::atomic<long long> places{0};
    std::once_flag folderMade;
    std::error_code folderError;

    auto convertOne = [&](size_t index) {
        const Job& job = jobs[index];
        const std::string shown = Shown(job.input);
        const auto start = Clock::now();
        line.startFile(index, shown);
        ToolHost host(env, line, index, shown);
        try {
            wordproc::ReadReport report;
            auto model = wordproc::ReadDocument(job.input, wordproc::ReadOptions{rubyNotation}, &report);
            // The output folder is made once a manuscript has been read, so
            // that a run in which every file fails leaves none.
            std::call_once(folderMade, [&] { fs::create_directories(outputFolder, folderError); });
            if (folderError)
                throw std::runtime_error("出力先フォルダーを作れません（" + SystemErrorReason(folderError) + "）: " + Shown(outputFolder));
            RunState state;
            state.DocumentName = model->mainDocument().Name();
            EngineContext ctx{*model, *model, options, state, host, env.appFolder, outputFolder, customHeader, job.outputName};
            ConvertToTaggedText(ctx);
            if (state.EngineFailed) throw std::runtime_error("変換を続けられませんでした。");
            const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
            // What InDesign receives, read back for the report and the proof page.
            std::optional<proof::TaggedText> readBack;
            if (r.report || r.proof) readBack = proof::ReadTaggedTextFile(outputFolder / job.outputName);
            if (r.proof) {
                proof::ProofReport proofReport{Shown(job.input.filename()), {}};
                for (auto& [text, paragraph] : wordproc::LeftOutItems(report.leftOut)) proofReport.items.push_back({text, paragraph});
                proof::WriteProofPage(outputFolder / ProofFileNameFor(job.outputName), *readBack, proofReport);
            }
            ++converted;
            places += state.ConvertedCount;
            std::lock_guard guard(line.lock());
            line.clear();
            if (!r.quiet) {
                env.out << shown << ": " << state.ConvertedCount << " 個所変換しました（" << Seconds(seconds) << " 秒） → "
                        << Shown(outputFolder / job.outputName);
                if (options.MacText == 1) env.out << "、" << Shown(outputFolder / MacFileNameFor(job.outputName));
                if (r.proof) env.out << "、" << Shown(outputFolder / ProofFileNameFor(job.outputName));
                env.out << "\n";
                if (r.report) {
                    const proof::Counts c = proof::CountConverted(*readBack);
                    env.out << "  モノルビ " << c.monoRuns << "（親文字 " << c.monoBases << "）、グループルビ " << c.groupRubies << "、割注 "
                            << c.warichu << "、圏点 " << c.kentenStretches << "\n";
                    for (const auto& [text, paragraph] : wordproc::LeftOutItems(report.leftOut)) env.out << "  " << text << "\n";
                }
                env.out << std::flush;
                if (!report.leftOut.empty()) env.err << kTool << ": " << shown << ": " << wordproc::LeftOutSummary(report.leftOut) << "\n";
                if (state.ConvertedCount == 0)
                    env.err << kTool << ": " << shown << ": ルビ・圏点・割注が見つからないか、変換されませんでした。対象の原稿と設定を確認してください。\n";
                if (const size_t left = report.notationLeft.total())
                    env.err << kTool << ": " << shown << ": ルビ記法（|漢字《かんじ》）らしい個所が " << left
                            << " 個所ありますが、変換していません（変換するには --ruby-notation を指定してください）。\n";
            }
        } catch (const std::bad_alloc&) {
            ++failed;
            std::lock_guard guard(line.lock());
            line.clear();
            env.err << kTool << ": " << shown << ": メモリが足りないため変換できません。\n";
        } catch (const std::exception& e) {
            ++failed;
            std::lock_guard guard(line.lock());
            line.clear();
            env.err << kTool << ": " << shown << ": " << FailureText(e) << "\n";
        }
    };

    const int workers = std::min<int>(r.jobs, static_cast<int>(jobs.size()));
    auto work = [&] {
        for (size_t i; (i = next++) < jobs.size();) convertOne(i);
    };
    std::vector<std::thread> threads;
    for (int i = 1; i < workers; ++i) threads.emplace_back(work);
    work();
    for (auto& t : threads) t.join();

    {
        std::lock_guard guard(line.lock());
        line.clear();
    }
    if (!r.quiet) {
        env.out << "変換 " << Grouped(static_cast<long long>(converted)) << " 件、失敗 " << Grouped(static_cast<long long>(failed))
                << " 件、ルビ・圏点・割注 " << Grouped(places) << " 個所\n";
    }
    return failed > 0 ? 1 : 0;
}

}  // namespace tessaly::cli
