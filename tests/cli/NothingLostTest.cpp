// Nothing is lost: the source is never written, an output that cannot be
// written leaves the previous one whole, and two conversions writing one
// file at once leave one complete file.
#include <gtest/gtest.h>

#include <csignal>
#include <thread>

#include "support/PosixOnly.h"
#if TESSALY_POSIX
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "engine/OutputFiles.h"
#include "platform/Files.h"
#include "support/Corpus.h"
#include "support/EngineHarness.h"
#include "support/ToolRun.h"

using namespace tessaly;
using namespace tessaly::testing;
namespace fs = std::filesystem;

namespace {

struct NothingLost : CommandLine {
    int convert(const std::vector<std::string>& args, std::string* err = nullptr) {
        const ToolRun r = run(args);
        if (err) *err = r.err;
        return r.status;
    }
};

}  // namespace

TEST_F(NothingLost, SourceIsNeverWritten) {
    for (const char* name : {"ManuscriptFeatures.doc", "ManuscriptFeatures.docx", "PieceTableOutsideStream.doc"}) {
        const fs::path source = folder.path() / name;
        fs::copy_file(TestData(name), source);
        const auto time = fs::last_write_time(source);
        const std::string bytes = ReadBytes(source);
        convert({"--defaults", "-q", "-o", (folder.path() / "out").string(), source.string()});
        EXPECT_EQ(ReadBytes(source), bytes) << name;
        EXPECT_EQ(fs::last_write_time(source), time) << name;
    }
}

TEST_F(NothingLost, FullDiskKeepsThePreviousOutput) {
#if TESSALY_POSIX
    const fs::path out = folder.path() / "out";
    const std::string doc = TestData("ManuscriptFeatures.doc").string();
    ASSERT_EQ(convert({"--defaults", "-q", "--no-mac", "-o", out.string(), doc}), 0);
    const std::string previous = ReadBytes(out / "ManuscriptFeatures_ruby.txt");

    // A file-size limit stands in for a full disk: writes fail part-way.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    // As the programs do: the write beyond the limit fails instead of
    // ending the process.
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 512;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string err;
    const int status = convert({"--defaults", "-q", "--no-mac", "--ruby-style", "group", "-o", out.string(), doc}, &err);
    ::setrlimit(RLIMIT_FSIZE, &saved);

    EXPECT_EQ(status, 1);
    EXPECT_EQ(err, "tessaly-convert: " + doc + ": 出力ファイルを書き込めません（ファイルの大きさの上限を超えています）: " +
                       (out / "ManuscriptFeatures_ruby.txt").string() + "\n");
    EXPECT_EQ(ReadBytes(out / "ManuscriptFeatures_ruby.txt"), previous);
    EXPECT_EQ(std::distance(fs::directory_iterator(out), {}), 1) << "no temporary file is left";
#else
    SKIP_WITHOUT_POSIX("file-size limit (RLIMIT_FSIZE) to stand for a full disk");
#endif
}

TEST_F(NothingLost, ReadOnlyFolderKeepsThePreviousOutput) {
#if TESSALY_POSIX
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    const fs::path out = folder.path() / "out";
    const std::string doc = TestData("ManuscriptFeatures.doc").string();
    ASSERT_EQ(convert({"--defaults", "-q", "--no-mac", "-o", out.string(), doc}), 0);
    const std::string previous = ReadBytes(out / "ManuscriptFeatures_ruby.txt");
    fs::permissions(out, fs::perms::owner_read | fs::perms::owner_exec);
    std::string err;
    EXPECT_EQ(convert({"--defaults", "-q", "--no-mac", "--ruby-style", "group", "-o", out.string(), doc}, &err), 1);
    fs::permissions(out, fs::perms::owner_all);
    EXPECT_TRUE(err.find("出力ファイルを書き込めません（書き込む権限がありません）") != std::string::npos) << err;
    EXPECT_EQ(ReadBytes(out / "ManuscriptFeatures_ruby.txt"), previous);
#else
    SKIP_WITHOUT_POSIX("permission bits");
#endif
}

TEST_F(NothingLost, TwoConversionsOfOneOutputLeaveOneCompleteFile) {
    const fs::path out = folder.path() / "out";
    const std::string doc = TestData("ManuscriptFeatures.doc").string();
    ASSERT_EQ(convert({"--defaults", "-q", "-o", out.string(), doc}), 0);
    const std::string expected = ReadBytes(out / "ManuscriptFeatures_ruby.txt");
    fs::remove_all(out);
    for (int round = 0; round < 5; ++round) {
        std::thread other([&] { convert({"--defaults", "-q", "-o", out.string(), doc}); });
        convert({"--defaults", "-q", "-o", out.string(), TestData("ManuscriptFeatures.docx").string()});
        other.join();
        EXPECT_EQ(ReadBytes(out / "ManuscriptFeatures_ruby.txt"), expected) << round;
        EXPECT_EQ(std::distance(fs::directory_iterator(out), {}), 2) << "only the two output files";
    }
}

namespace {

// The three files a conversion of the sample with --proof writes.
struct OutputSet {
    std::string windows, mac, page;
    bool operator==(const OutputSet&) const = default;
};
OutputSet ReadSet(const fs::path& out) {
    return {ReadBytes(out / "sample-manuscript_ruby.txt"), ReadBytes(out / "Mac_sample-manuscript_ruby.txt"),
            ReadBytes(out / "sample-manuscript_proof.html")};
}
const std::string kSample = std::string(TESSALY_SOURCE_DIR) + "/samples/sample-manuscript.doc";

int FailAtTheProofPage(platform::FileStep step, const fs::path& file) {
    return step == platform::FileStep::BytesWritten && file.filename() == "sample-manuscript_proof.html" ? ENOSPC : 0;
}

}  // namespace

// Everything a manuscript gives is made and checked before any of it is put
// in place: a proof page that cannot be written leaves the earlier files.
TEST_F(NothingLost, AProofPageThatCannotBeWrittenLeavesEveryOutputAsItWas) {
    ASSERT_EQ(convert({"--defaults", "--proof", "-q", "-o", out().string(), kSample}), 0);
    const OutputSet before = ReadSet(out());
    const std::vector<std::string> flags = {"--defaults", "--proof", "--ruby-style", "group", "-o", out().string(), kSample};
    // A full disk at the proof page.
    platform::SetFileStepHook(FailAtTheProofPage);
    ToolRun r = run(flags);
    platform::SetFileStepHook(nullptr);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "tessaly-convert: " + kSample + ": 出力ファイルを書き込めません（ディスクの空き容量が足りません）: " +
                         (out() / "sample-manuscript_proof.html").string() + "\n");
    EXPECT_EQ(r.out, "変換 0 件、失敗 1 件、ルビ・圏点・割注 0 個所\n");
    EXPECT_EQ(ReadSet(out()), before);
    EXPECT_EQ(outputs().size(), 3u) << "no temporary file is left";
    // A folder of the proof page's name.
    fs::remove(out() / "sample-manuscript_proof.html");
    fs::create_directories(out() / "sample-manuscript_proof.html" / "inside");
    r = run(flags);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "tessaly-convert: " + kSample + ": 出力ファイルを書き込めません（同じ名前のフォルダーがあります）: " +
                         (out() / "sample-manuscript_proof.html").string() + "\n");
    EXPECT_EQ(ReadBytes(out() / "sample-manuscript_ruby.txt"), before.windows);
    EXPECT_EQ(ReadBytes(out() / "Mac_sample-manuscript_ruby.txt"), before.mac);
}

// A custom header holds what its writer likes between its tags: the text
// is read back after it all the same.
TEST_F(NothingLost, ACustomHeaderWithALineOfTextReadsBack) {
    const fs::path header = folder.path() / "header.txt";
    WriteBytes(header, "\xEF\xBB\xBF<UNICODE-WIN>\r\n<Version:13>組版用ヘッダ\r\n<ParaStyle:本文>");
    const ToolRun r = run({"--defaults", "--report", "--header-file", header.string(), "-o", out().string(), kSample});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\n  モノルビ 3（親文字 4）、グループルビ 1、割注 1、圏点 2\n"), std::string::npos) << r.out;
}

// Two programs converting one manuscript into one folder at the same
// moment, with other options: each puts its whole set in place under the
// folder's lock, so the files always come from one of them, however their
// steps interleave (one pauses long between its replaces, the other
// briefly, so that without the lock the other's files land in between).
TEST_F(NothingLost, TwoProgramsIntoOneFolderNeverMixTheirSets) {
#if TESSALY_POSIX
    const std::vector<std::vector<std::string>> options = {{"--ruby-style", "mono"}, {"--ruby-style", "group", "--kana", "katakana"}};
    std::vector<OutputSet> alone;
    for (size_t i = 0; i < options.size(); ++i) {
        std::vector<std::string> args = {"--defaults", "--proof", "-q", "-o", (folder.path() / std::to_string(i)).string(), kSample};
        args.insert(args.begin(), options[i].begin(), options[i].end());
        ASSERT_EQ(convert(args), 0);
        alone.push_back(ReadSet(folder.path() / std::to_string(i)));
    }
    ASSERT_NE(alone[0], alone[1]);
    for (int round = 0; round < 20; ++round) {
        std::vector<pid_t> children;
        for (size_t i = 0; i < options.size(); ++i) {
            const pid_t child = ::fork();
            if (child == 0) {
                static useconds_t pause;
                pause = i == 0 ? 8000 : 500;
                platform::SetFileStepHook([](platform::FileStep step, const fs::path&) {
                    if (step == platform::FileStep::BetweenReplaces) ::usleep(pause);
                    return 0;
                });
                std::vector<std::string> args = {"--defaults", "--proof", "-q", "-o", out().string(), kSample};
                args.insert(args.begin(), options[i].begin(), options[i].end());
                ::_exit(run(args).status);
            }
            children.push_back(child);
        }
        for (pid_t child : children) {
            int status = 0;
            ASSERT_EQ(::waitpid(child, &status, 0), child);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        }
        const OutputSet now = ReadSet(out());
        EXPECT_TRUE(now == alone[0] || now == alone[1]) << "round " << round << ": a mixed set";
    }
#else
    SKIP_WITHOUT_POSIX("fork");
#endif
}
