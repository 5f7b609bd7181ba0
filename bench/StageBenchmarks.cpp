// Each stage of a conversion on its own, on generated manuscripts: reading
// a .docx, reading a .doc, the engine over a model in memory, and writing
// the output files. Each reports characters per second.
//
// The .doc stage needs .doc files made from the generated .docx by
// LibreOffice: bench/run-benchmarks.sh makes them and passes their folder
// in TESSALY_BENCH_DOC_DIR (files novel-<size>.doc and children-<size>.doc).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>


#include "settings/SettingsTable.h"
#include "ManuscriptGenerator.h"
#include "engine/DocumentWalk.h"
#include "engine/Escaping.h"
#include "engine/OutputFiles.h"
#include "wordproc/DocReader.h"
#include "wordproc/DocxReader.h"
#include "wordproc/RubyNotation.h"
#include "wordproc/TextReader.h"

using namespace tessaly;
namespace fs = std::filesystem;

namespace {

// Shape 0: a novel; 1: a fully rubied children's book.
const std::string& Docx(size_t characters, int64_t shape = 0) {
    static std::map<std::pair<size_t, int64_t>, std::string> cache;
    const auto key = std::pair{characters, shape};
    auto it = cache.find(key);
    if (it == cache.end()) {
        const auto s = shape == 0 ? bench::ManuscriptShape::Novel(characters) : bench::ManuscriptShape::ChildrensBook(characters);
        it = cache.emplace(key, bench::GenerateDocx(s)).first;
    }
    return it->second;
}

void SetRate(benchmark::State& state, size_t characters) {
    state.counters["chars/s"] =
        benchmark::Counter(static_cast<double>(characters) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_ReadDocx(benchmark::State& state) {
    const size_t n = static_cast<size_t>(state.range(0));
    const std::string& bytes = Docx(n, state.range(1));
    for (auto _ : state) benchmark::DoNotOptimize(wordproc::ReadDocx(bytes, "bench.docx"));
    SetRate(state, n);
}

void BM_ReadDoc(benchmark::State& state) {
    const size_t n = static_cast<size_t>(state.range(0));
    const char* dir = std::getenv("TESSALY_BENCH_DOC_DIR");
    const std::string shape = state.range(1) == 0 ? "novel-" : "children-";
    const fs::path file = fs::path(dir ? dir : "") / (shape + std::to_string(n) + ".doc");
    std::ifstream in(file, std::ios::binary);
    if (!dir || !in) {
        state.SkipWithError("no .doc: run bench/run-benchmarks.sh (needs LibreOffice)");
        return;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (auto _ : state) {
        // The reader takes its own copy of the file, as it takes the file's
        // buffer in a conversion; making the copy is not part of the stage.
        state.PauseTiming();
        std::string copy = bytes;
        state.ResumeTiming();
        benchmark::DoNotOptimize(wordproc::ReadDoc(std::move(copy), file));
    }
    SetRate(state, n);
}

struct NullHost : EngineHost {};

void BM_Engine(benchmark::State& state) {
    const size_t n = static_cast<size_t>(state.range(0));
    const std::string& bytes = Docx(n, state.range(1));
    const ConversionOptions options = settings::DefaultOptions();
    const SeparatorTexts separators = ReadSeparatorTexts(options);
    for (auto _ : state) {
        state.PauseTiming();
        auto model = wordproc::ReadDocx(bytes, "bench.docx");
        RunState run;
        run.DocumentName = u"bench.docx";
        NullHost host;
        EngineContext ctx{*model, *model, options, run, host, {}};
        std::u16string body;
        state.ResumeTiming();
        EscapeReservedCharacters(*model);
        MarkKenten(*model, options, run, host);
        WalkDocument(ctx, separators, body);
        benchmark::DoNotOptimize(body);
    }
    SetRate(state, n);
}

void BM_WriteFiles(benchmark::State& state) {
    const size_t n = static_cast<size_t>(state.range(0));
    const ConversionOptions options = settings::DefaultOptions();
    const TaggedTextHeaders headers = BuiltInHeaders(options, u"0.7");
    std::u16string body;
    for (size_t i = 0; i < n; ++i) body.push_back(i % 200 == 199 ? u'\r' : u'漢');
    const fs::path folder = fs::temp_directory_path() / ("tessaly-bench-" + std::to_string(::getpid()));
    for (auto _ : state) WriteOutputFiles(folder, body, headers, u"bench.docx", options);
    fs::remove_all(folder);
    SetRate(state, n);
}

// The notation pass over one paragraph of a million characters made of one
// piece repeated: notation that never closes, ranges that never end,
// annotations naming the text before them. Every search is bounded, so each
// runs in time proportional to the paragraph.
void BM_NotationWorstCase(benchmark::State& state) {
    static constexpr const char* kPieces[] = {"《《あ", "［＃", "※［＃", "[[rb:", "［＃傍点］あ", "字［＃「字」に傍点］", "漢(あ", "｜あ"};
    const std::string piece = kPieces[state.range(0)];
    std::string text;
    while (text.size() < 3000000) text += piece;  // about a million characters
    const size_t n = wordproc::DecodePlainText(text, "bench.txt").size();
    for (auto _ : state) {
        state.PauseTiming();
        auto model = wordproc::ReadPlainText(text, "bench.txt");
        state.ResumeTiming();
        benchmark::DoNotOptimize(wordproc::ApplyRubyNotation(*model, {.narou = true}));
    }
    state.SetLabel(piece);
    SetRate(state, n);
}

}  // namespace

// Arguments: characters, shape (0 novel, 1 children's book).
BENCHMARK(BM_ReadDocx)->ArgsProduct({{10000, 100000, 1000000}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadDoc)->ArgsProduct({{10000, 100000, 1000000}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Engine)->ArgsProduct({{10000, 100000, 1000000}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NotationWorstCase)->DenseRange(0, 7)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteFiles)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
