// Nothing is lost: the source is never written, an output that cannot be
// written leaves the previous one whole, and two conversions writing one
// file at once leave one complete file.
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <thread>

#include "engine/OutputFiles.h"
#include "platform/Files.h"
#include "support/Corpus.h"
#include "support/EngineHarness.h"
#include "support/ToolRun.h"

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
    const fs::path out = folder.path() / "out";
    const std::string doc = TestData("ManuscriptFeatures.doc").string();
    ASSERT_EQ(convert({"--defaults", "-q", "--no-mac", "-o", out.string(), doc}), 0);
    const std::string previous = ReadBytes(out / "ManuscriptFeatures_ruby.txt");

    // A file-size limit stands in for a full disk: writes fail part-way.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    // As the programs do: the write beyond the limit fails instead of
    // ending the process.
    tessaly::platform::InstallInterruptCleanup();
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
}

TEST_F(NothingLost, ReadOnlyFolderKeepsThePreviousOutput) {
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
