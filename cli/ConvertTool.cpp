#include "cli/ConvertTool.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <iomanip>
#include <map>
#include <mutex>
#include <ostream>
#include <sstream>
#include <thread>

#include "cli/Arguments.h"
#include "cli/Plan.h"
#include "cli/ProgressLine.h"
#include "convert/Conversion.h"
#include "convert/Texts.h"
#include "engine/OutputFiles.h"
#include "engine/TaggedTextHeader.h"
#include "engine/Text.h"
#include "platform/Files.h"
#include "proof/ProofPage.h"
#include "settings/SettingsStore.h"

namespace tessaly::cli {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using convert::Shown;

constexpr const char* kTool = "tessaly-convert";

// A message box's text on one line after another: without the CRs.
std::string LocalText(std::string_view text) {
    std::string out;
    for (char c : text)
        if (c != '\r') out.push_back(c);
    return out;
}

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

// The engine's messages and progress for one file of the batch.
class ToolHost : public EngineHost {
public:
    ToolHost(const ToolEnvironment& env, ProgressLine& line, size_t index, std::string shown)
        : m_env(env), m_line(line), m_index(index), m_shown(std::move(shown)) {}

    void UpdateProgress(int value, int, float, const std::u16string&) override { m_line.progress(m_index, value); }
    MessageAnswer ShowMessage(const Message& message) override {
        std::lock_guard guard(m_line.lock());
        m_line.clear();
        m_env.err << kTool << ": " << m_shown << ": " << LocalText(ToUtf8(message.text)) << "\n";
        m_line.redraw();
        return MessageAnswer::Ok;
    }

private:
    const ToolEnvironment& m_env;
    ProgressLine& m_line;
    size_t m_index;
    std::string m_shown;
};

// One run of the tool over the files its command line names.
class Batch {
public:
    Batch(const Request& r, const ToolEnvironment& env) : m_r(r), m_env(env) {}

    // The options, the custom header and the output folder; false (with
    // the reason printed) when the run cannot start.
    bool prepare();
    // Plans and converts every file; returns the exit status.
    int run();

private:
    settings::SettingValues startingValues() const;
    bool checkOutputFolder() const;
    void convertGroup(const JobGroup& group);
    // Converts one job; true when its outputs are in place.
    bool convertOne(const Job& job);
    void printRefusal(const std::string& text);
    void printResult(const Job& job, const std::string& shown, const convert::ConversionResult& result,
                     const wordproc::ReadReport& report, double seconds);
    void printFailure(const std::string& shown, const std::string& failure);

    const Request& m_r;
    const ToolEnvironment& m_env;
    convert::ConversionRequest m_request;
    std::vector<JobGroup> m_groups;
    std::unique_ptr<ProgressLine> m_line;
    std::atomic<size_t> m_next{0}, m_converted{0}, m_failed{0};
    std::atomic<long long> m_places{0};
    std::once_flag m_folderMade;
    std::error_code m_folderError;
};

settings::SettingValues Batch::startingValues() const {
    if (m_r.defaults) return settings::DefaultValues();
    auto store = settings::OpenUserSettings();
    if (!store->hasAnyValue()) return settings::DefaultValues();
    QString failed;
    settings::SettingValues values = settings::LoadSettings(*store, {}, false, &failed);
    if (!failed.isEmpty()) {
        m_env.err << kTool << ": 警告: 保存された設定（" << settings::SettingName(failed).toStdString()
                  << "）を読み取れないため、この設定から後は初期値を使います。\n";
    }
    values.options = settings::CaptureOptions(values, kPlaceIntoInDesign);
    return values;
}

bool Batch::checkOutputFolder() const {
    const fs::path& folder = m_request.outputFolder;
    std::error_code ec;
    if (fs::is_symlink(folder, ec) && !fs::exists(folder, ec)) {
        m_env.err << kTool << ": 出力先フォルダー " << Shown(folder) << " は、存在しないものを指すシンボリックリンクです。\n";
        return false;
    }
    if (fs::exists(folder, ec) && !fs::is_directory(folder, ec)) {
        m_env.err << kTool << ": 出力先 " << Shown(folder) << " はフォルダーではありません。\n";
        return false;
    }
    return true;
}

bool Batch::prepare() {
    settings::SettingValues values = startingValues();
    ConversionOptions options = values.options;
    for (auto [field, value] : m_r.overrides) options.*field = value;
    m_request.options = options;
    for (const auto& [flag, on] : m_r.flags) values.*flag = on;
    m_request.reading = {values.rubyNotation, values.notesAsFootnotes, values.numbersAsText, values.narouRuby};
    m_request.readBack = m_r.report;
    m_request.proofPage = m_r.proof;
    m_request.appFolder = m_env.appFolder;
    if (options.TagHeader == kCustomHeader) {
        const fs::path header = m_r.headerFile ? *m_r.headerFile
                                               : m_env.appFolder / fs::path(kTempFolder) / fs::path(kCustomHeaderFile);
        std::error_code ec;
        if (!fs::exists(header, ec)) {
            if (m_r.headerFile) m_env.err << kTool << ": ヘッダファイルが見つかりません: " << Shown(header) << "\n";
            else m_env.err << kTool << ": " << LocalText(convert::MissingHeaderText(platform::PathToUtf8(m_env.appFolder))) << "\n";
            return false;
        }
        // Read once, before any manuscript, and refused at once when it cannot serve.
        try {
            m_request.customHeader = ReadCustomHeader(header);
        } catch (const CustomHeaderError& e) {
            m_env.err << kTool << ": ヘッダファイル " << Shown(header) << " は" << e.what() << "。\n";
            return false;
        }
        m_request.customHeaderFile = header;
    }
    m_request.outputFolder = m_r.outputDir ? *m_r.outputDir : m_env.appFolder / fs::path(kOutputFolder);
    return checkOutputFolder();
}

void Batch::printFailure(const std::string& shown, const std::string& failure) {
    ++m_failed;
    std::lock_guard guard(m_line->lock());
    m_line->clear();
    m_env.err << kTool << ": " << shown << ": " << failure << "\n";
    m_line->redraw();
}

void Batch::printResult(const Job& job, const std::string& shown, const convert::ConversionResult& result,
                        const wordproc::ReadReport& report, double seconds) {
    ++m_converted;
    m_places += result.convertedCount;
    std::lock_guard guard(m_line->lock());
    m_line->clear();
    if (m_r.quiet) return;
    std::ostream& out = m_env.out;
    out << shown << ": " << result.convertedCount << " 個所変換しました（" << Seconds(seconds) << " 秒） → "
        << Shown(m_request.outputFolder / job.outputName);
    if (!result.macFile.empty()) out << "、" << Shown(result.macFile);
    if (!result.proofFile.empty()) out << "、" << Shown(result.proofFile);
    out << "\n";
    if (m_r.report) {
        out << "  " << proof::CountsLine(*result.counts) << "\n";
        for (const auto& [text, paragraph] : convert::ReportItems(report)) out << "  " << text << "\n";
    }
    out << std::flush;
    std::ostream& err = m_env.err;
    if (!report.leftOut.empty()) err << kTool << ": " << shown << ": " << wordproc::LeftOutSummary(report.leftOut) << "\n";
    if (result.convertedCount == 0)
        err << kTool << ": " << shown << ": " << convert::kNothingFoundText << "\n";
    if (const size_t left = report.notationLeft.total())
        err << kTool << ": " << shown << ": ルビ記法（|漢字《かんじ》）らしい個所が " << left
            << " 個所ありますが、変換していません（変換するには --ruby-notation を指定してください）。\n";
    m_line->redraw();
}

void Batch::printRefusal(const std::string& text) {
    ++m_failed;
    std::lock_guard guard(m_line->lock());
    m_line->clear();
    m_env.err << kTool << ": " << text << "\n";
    m_line->redraw();
}

// The jobs of a group one after another: the first that can be read and
// written claims its outputs, and a later one that would write one of them
// is refused.
void Batch::convertGroup(const JobGroup& group) {
    std::map<fs::path::string_type, const Job*> claimed;
    for (const Job& job : group) {
        const Job* writer = nullptr;
        fs::path output;
        for (const auto& n : job.names)
            if (auto it = claimed.find(platform::NameKey(n)); it != claimed.end() && !writer) writer = it->second, output = m_request.outputFolder / n;
        if (writer) {
            printRefusal(CollisionText(job, *writer, output));
            continue;
        }
        if (convertOne(job))
            for (const auto& n : job.names) claimed.emplace(platform::NameKey(n), &job);
    }
}

bool Batch::convertOne(const Job& job) {
    const std::string shown = Shown(job.input);
    const auto start = Clock::now();
    m_line->startFile(job.index, shown);
    ToolHost host(m_env, *m_line, job.index, shown);
    std::string failure;
    auto manuscript = convert::OpenManuscript(job.input, m_request.reading, failure);
    if (!manuscript) {
        m_line->finishFile(job.index);
        printFailure(shown, failure);
        return false;
    }
    // The output folder is made once a manuscript has been read, so that a
    // run in which every file fails leaves none.
    std::call_once(m_folderMade, [&] { fs::create_directories(m_request.outputFolder, m_folderError); });
    if (m_folderError) {
        m_line->finishFile(job.index);
        printFailure(shown, "出力先フォルダーを作れません（" + platform::SystemErrorReason(m_folderError) + "）: " +
                                Shown(m_request.outputFolder));
        return false;
    }
    convert::ConversionRequest request = m_request;
    request.outputName = job.outputName;
    RunState state;
    const convert::ConversionResult result = convert::ConvertOpened(*manuscript, request, state, host);
    m_line->finishFile(job.index);
    if (!result.failure.empty()) {
        printFailure(shown, result.failure);
        return false;
    }
    printResult(job, shown, result, manuscript->report, std::chrono::duration<double>(Clock::now() - start).count());
    return true;
}

int Batch::run() {
    std::vector<std::string> refusals;
    const std::vector<fs::path> inputs = ExpandInputs(m_r.files, m_r.recursive, refusals);
    m_groups = PlanJobs(inputs, m_request.outputFolder, m_request.options.MacText == kOn, m_r.proof, refusals);
    for (const auto& refusal : refusals) m_env.err << kTool << ": " << refusal << "\n";
    m_failed = refusals.size();

    size_t jobs = 0;
    for (const auto& group : m_groups) jobs += group.size();
    m_line = std::make_unique<ProgressLine>(m_env.err, m_env.errIsTerminal && !m_r.quiet, jobs, m_env.terminalColumns, m_r.jobs);
    const int workers = std::min<int>(m_r.jobs, static_cast<int>(m_groups.size()));
    auto work = [&] {
        for (size_t i; (i = m_next++) < m_groups.size();) convertGroup(m_groups[i]);
    };
    std::vector<std::thread> threads;
    for (int i = 1; i < workers; ++i) threads.emplace_back(work);
    work();
    for (auto& t : threads) t.join();
    {
        std::lock_guard guard(m_line->lock());
        m_line->clear();
    }
    if (!m_r.quiet) {
        m_env.out << "変換 " << Grouped(static_cast<long long>(m_converted)) << " 件、失敗 " << Grouped(static_cast<long long>(m_failed))
                  << " 件、ルビ・圏点・割注 " << Grouped(m_places) << " 個所\n";
    }
    return m_failed > 0 ? 1 : 0;
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
        env.out << HelpText();
        return 0;
    }
    if (r.version) {
        env.out << kTool << " " << TESSALY_VERSION << "\n";
        return 0;
    }
    Batch batch(r, env);
    if (!batch.prepare()) return 1;
    return batch.run();
}

}  // namespace tessaly::cli
