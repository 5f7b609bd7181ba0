// Inputs that are not what their names promise: each gets its clear error.
#include <gtest/gtest.h>

#include "support/PosixOnly.h"
#if TESSALY_POSIX
#include <unistd.h>
#endif

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
#if TESSALY_POSIX
    if (::geteuid() != 0) {  // permissions do not bind root
        const auto locked = folder.path() / "locked.doc";
        std::filesystem::copy_file(TestData("ManuscriptFeatures.doc"), locked);
        std::filesystem::permissions(locked, std::filesystem::perms::none);
        EXPECT_EQ(Failure(locked), (std::pair{ReadErrorKind::CannotOpen, std::string("locked.doc: ファイルを読む権限がありません。")}));
    }
#else
    SKIP_WITHOUT_POSIX("permission bits");
#endif
}

TEST(DamagedInput, HugeSparseFileIsRefusedWithoutReadingIt) {
    if (TESSALY_NODE_FILES) SKIP_IN_NODE("sparse files of 2 GB");
    TempFolder folder;
    const auto huge = folder.path() / "huge.doc";
    WriteBytes(huge, "");
    std::filesystem::resize_file(huge, uintmax_t(2) << 30);  // 2 GB, no blocks written
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

TEST(DamagedInput, NestingDeeperThanAnyDocumentIsRefused) {
    // Thousands of nested wrappers, fields or rubies in one paragraph: each
    // refused with its reason, and quickly.
    for (const char* name : {"DeepNestingHyperlink.docx", "DeepNestingSmartTag.docx", "DeepNestingCustomXml.docx",
                             "DeepNestingInsertion.docx", "DeepNestingRunContentControl.docx", "DeepNestingSimpleField.docx",
                             "DeepNestingRubyInReading.docx"}) {
        EXPECT_EQ(Failure(TestData(name)),
                  (std::pair{ReadErrorKind::TooLarge,
                             std::string(name) +
                                 ": 入れ子が深すぎるため読み込めません（word/document.xml、要素の入れ子が 256 段を超えています）。"}));
    }
}

namespace {

// A copy of a test file with from replaced by to wherever it stands.
std::filesystem::path Patched(const TempFolder& folder, const char* name, const std::string& from, const std::string& to) {
    std::string bytes = ReadBytes(TestData(name));
    size_t found = 0;
    for (size_t at = bytes.find(from); at != std::string::npos; at = bytes.find(from, at + to.size())) {
        bytes.replace(at, from.size(), to);
        ++found;
    }
    EXPECT_GT(found, 0u) << name;
    const auto file = folder.path() / name;
    WriteBytes(file, bytes);
    return file;
}

}  // namespace

TEST(DamagedInput, OnlyARealWord6Or95HeaderIsCalledOld) {
    TempFolder folder;
    const std::string word97("\xEC\xA5\x01\x01", 4);  // the FIB's magic and version as the word processor wrote them
    // Japanese Word 6.0 and Word 95 write their own magic with version 104.
    EXPECT_EQ(Failure(Patched(folder, "ManuscriptFeatures.doc", word97, std::string("\x97\xA6\x68\x00", 4))),
              (std::pair{ReadErrorKind::OldWordVersion,
                         std::string("ManuscriptFeatures.doc: Word 6.0/95 以前の古い形式のため読み込めません。"
                                     "Word 97-2003 形式（.doc）または .docx で保存し直してください。")}));
    // A magic and version of no Word at all.
    EXPECT_EQ(Failure(Patched(folder, "ManuscriptFeatures.doc", word97, std::string("\x34\x12\x10\x00", 4))),
              (std::pair{ReadErrorKind::NotWordDocument,
                         std::string("ManuscriptFeatures.doc: Word 文書ではありません（WordDocument ストリームの形式が不明です）。")}));
}

TEST(DamagedInput, StreamNamesAreFoundWhateverTheirCase) {
    // Stream names in a compound file are compared without regard to case.
    TempFolder folder;
    const auto upper = Patched(folder, "ManuscriptFeatures.doc", std::string("W\0o\0r\0d\0D\0o\0c\0u\0m\0e\0n\0t\0", 24),
                               std::string("W\0O\0R\0D\0D\0O\0C\0U\0M\0E\0N\0T\0", 24));
    EXPECT_EQ(ReadDocument(upper)->size(), ReadDocument(TestData("ManuscriptFeatures.doc"))->size());
}
