// The desktop application's conversion beside the command line's, on the
// 1,000,000-character novel: the driver, the engine and the real progress
// windows (offscreen, the fixed pauses set to zero) against tessaly-convert's
// run of the same file. The desktop run is to take at most 1.5 times as long.
#include <benchmark/benchmark.h>

#include <QApplication>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "settings/SettingsTable.h"
#include "ManuscriptGenerator.h"
#include "cli/ConvertTool.h"
#include "run/ConversionRun.h"
#include "run/PlatformServices.h"

using namespace tessaly;
namespace fs = std::filesystem;

namespace {

constexpr size_t kCharacters = 1000000;

// The novel, written once into a folder of its own.
const fs::path& Novel() {
    static const fs::path file = [] {
        const fs::path folder = fs::temp_directory_path() / "tessaly-desktop-bench";
        fs::create_directories(folder);
        const fs::path path = folder / "novel.docx";
        std::ofstream(path, std::ios::binary) << bench::GenerateDocx(bench::ManuscriptShape::Novel(kCharacters));
        return path;
    }();
    return file;
}

// Every box answered with OK, nothing opened.
struct Answering : run::MessageService {
    MessageAnswer show(const Message&) override { return MessageAnswer::Ok; }
};
struct NoShell : run::ShellOpener {
    bool open(const QString&) override { return true; }
};
// A main window that only says where the file is.
struct BenchMain : run::MainWindowAccess {
    QString currentFolder() override { return {}; }
    QString selectedFileName() override { return {}; }
    void setFileControlsEnabled(bool) override {}
    void closeUtilityDialog() override {}
    ConversionOptions captureOptions() override { return settings::DefaultOptions(); }
    void focusMainWindow() override {}
    void showMainWindow() override {}
    void minimiseMainWindow() override {}
    QWidget* mainWidget() override { return nullptr; }
    wordproc::ReadOptions readOptions() override { return {}; }
    bool proofPage() override { return false; }
};

void BM_DesktopRun(benchmark::State& state) {
    Answering messages;
    run::SteadyPauseClock clock;
    NoWordWindows windows;
    run::UnreachableInDesign inDesign;
    NoShell shell;
    BenchMain main;
    RunState runState;
    const QString appFolder = QString::fromStdString((Novel().parent_path() / "app").string());
    fs::create_directories(Novel().parent_path() / "app");
    run::ConversionRun conversion(run::RunServices{messages, clock, windows, inDesign, shell, run::RunPauses{0, 0}}, main, runState,
                                  appFolder);
    ConversionOptions options = settings::DefaultOptions();
    options.ResultAction = 1;  // convert only
    for (auto _ : state) {
        runState.DocumentPath = Novel().u16string();
        conversion.RunConversion(options);
        if (runState.ConvertedCount == 0) state.SkipWithError("nothing converted");
    }
}

void BM_CommandLine(benchmark::State& state) {
    const std::string out = (Novel().parent_path() / "out").string();
    for (auto _ : state) {
        std::ostringstream o, e;
        const cli::ToolEnvironment env{Novel().parent_path(), o, e, false};
        if (cli::RunConvertTool({"--defaults", "-q", "-o", out, Novel().string()}, env) != 0) state.SkipWithError(e.str().c_str());
    }
}

}  // namespace

BENCHMARK(BM_DesktopRun)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_CommandLine)->Unit(benchmark::kMillisecond)->MinTime(2);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
