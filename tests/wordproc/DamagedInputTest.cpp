// Inputs that are not what their names promise: each gets its clear error.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include "support/Corpus.h"
#include "support/EngineHarness.h"
#include "support/ReadFailure.h"
#include "wordproc/Readers.h"

using namespace tessaly::wordproc;
using namespace tessaly::testing;

namespace {

const auto Failure = ReadFailure;

}  // namespace

TEST(DamagedInput, EmptyFileFolderAndUnreadableFile) {
    TempFolder folder;
    const auto empty = folder.path() / "empty.doc";
    WriteBytes(empty, "");
    EXPECT_EQ(Failure(empty), (std::pair{ReadErrorKind::NotWordDocument, std::string("empty.doc: ファイルが空です。")}));
    EXPECT_EQ(Failure(folder.path()).first, ReadErrorKind::CannotOpen);
    EXPECT_TRUE(Failure(folder.path()).second.ends_with(": フォルダーです。ファイルを指定してください。"));
    if (::geteuid() != 0) {  // permissions do not bind root
        const auto locked = folder.path() / "locked.doc";
        std::filesystem::copy_file(TestData("ManuscriptFeatures.doc"), locked);
        std::filesystem::permissions(locked, std::filesystem::perms::none);
        EXPECT_EQ(Failure(locked), (std::pair{ReadErrorKind::CannotOpen, std::string("locked.doc: ファイルを読む権限がありません。")}));
    }
}

TEST(DamagedInput, HugeSparseFileIsRefusedWithoutReadingIt) {
    TempFolder folder;
    const auto huge = folder.path() / "huge.doc";
    const int fd = ::open(huge.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, off_t(2) << 30), 0);  // 2 GB, no blocks written
    ::close(fd);
    EXPECT_EQ(Failure(huge), (std::pair{ReadErrorKind::TooLarge, std::string("huge.doc: ファイルが上限（512 MB）を超えるため読み込めません。")}));
}

TEST(DamagedInput, PackagesThatInflateBeyondTheLimit) {
    // Honest headers are refused before anything is inflated; headers that
    // understate the size are caught while inflating.
    for (const char* name : {"InflatesBeyondLimit.docx", "InflatesBeyondItsStatedSize.docx"}) {
        EXPECT_EQ(Failure(TestData(name)),
                  (std::pair{ReadErrorKind::TooLarge,
                             std::string(name) + ": 展開後の大きさが上限（256 MB）を超えるため読み込めません（word/document.xml）。"}));
    }
}
