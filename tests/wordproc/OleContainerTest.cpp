// The compound-file reader on containers made by the test writer: streams
// in sectors and in the mini stream, names without regard to case, and
// damage of every structure it reads.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>

#include "support/CompoundFile.h"
#include "wordproc/OleContainer.h"

using namespace tessaly::testing;
using tessaly::wordproc::OleContainer;

namespace {

uint32_t Get32(const std::string& b, size_t at) {
    return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16 |
           uint32_t(uint8_t(b[at + 3])) << 24;
}
void Set32(std::string& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = char((v >> (8 * i)) & 0xFF);
}

std::string Pattern(size_t n, int seed) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = char((i * 31 + size_t(seed)) % 251);
    return s;
}

const std::string kWord = Pattern(5000, 1), kTable = Pattern(700, 2);

// WordDocument in sectors 0-9, then the mini stream, its table, the
// directory and the FAT; 1Table and an empty stream in the mini stream.
std::string Container() { return WriteCompoundFile({{"WordDocument", kWord}, {"1Table", kTable}, {"Empty", ""}}); }

size_t FatOffset(const std::string& file) { return (size_t(Get32(file, 76)) + 1) * 512; }
size_t DirectoryEntry(const std::string& file, size_t id) { return (size_t(Get32(file, 48)) + 1) * 512 + id * 128; }

std::string Reason(const std::string& file, const char* stream = nullptr) {
    try {
        const OleContainer ole(file);
        if (stream) (void)ole.readStream(stream, size_t(1) << 20);
    } catch (const std::exception& e) {
        return e.what();
    }
    return "read";
}

}  // namespace

TEST(OleContainer, StreamsInSectorsAndInTheMiniStream) {
    const std::string file = Container();
    const OleContainer ole(file);
    std::vector<std::string> names = ole.names();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"1Table", "Empty", "WordDocument"}));
    EXPECT_TRUE(ole.hasStream("worddocument"));
    EXPECT_TRUE(ole.hasStream("1TABLE"));
    EXPECT_FALSE(ole.hasStream("0Table"));
    EXPECT_EQ(ole.readStream("WordDocument", 5000), kWord);
    EXPECT_EQ(ole.readStream("1table", 5000), kTable);
    EXPECT_EQ(ole.readStream("Empty", 5000), "");
    EXPECT_EQ(ole.readStream("0Table", 5000), std::nullopt);
    EXPECT_THROW((void)ole.readStream("WordDocument", 4999), std::length_error);
}

TEST(OleContainer, DamageOnTheWayIsSaidAndDamageBesideItIsPassedOver) {
    const std::string good = Container();
    // A chain that comes back to its own first sector.
    std::string loop = good;
    Set32(loop, FatOffset(loop) + 4 * 3, 0);
    EXPECT_EQ(Reason(loop, "WordDocument"), "WordDocument が途中で切れています");
    EXPECT_EQ(Reason(loop, "1Table"), "read");
    // A chain that runs out of the table, and one into a free sector.
    std::string out = good;
    Set32(out, FatOffset(out) + 4 * 5, 100000);
    EXPECT_EQ(Reason(out, "WordDocument"), "WordDocument が途中で切れています");
    // The mini stream's table broken inside 1Table's chain.
    std::string mini = good;
    const size_t miniFat = (size_t(Get32(mini, 60)) + 1) * 512;
    Set32(mini, miniFat + 4 * 2, 0xFFFFFFFF);
    EXPECT_EQ(Reason(mini, "1Table"), "1Table が途中で切れています");
    EXPECT_EQ(Reason(mini, "WordDocument"), "read");
    // A free entry of the table changed, and the file one byte short (the
    // FAT's last entries are free): the streams read as before.
    std::string free = good;
    Set32(free, FatOffset(free) + 512 - 8, 7);
    EXPECT_EQ(Reason(free, "WordDocument"), "read");
    EXPECT_EQ(OleContainer(good.substr(0, good.size() - 1)).readStream("1Table", 5000), kTable);
    // A file cut inside WordDocument's sectors: the tables are gone too.
    EXPECT_EQ(Reason(good.substr(0, 3000)), "複合ファイルの構造が不正です（ディレクトリが途中で切れています）");
}

TEST(OleContainer, TheDirectoryIsTakenAsItIs) {
    const std::string good = Container();
    // A storage is not a stream; an entry that is its own sibling is met once.
    std::string storage = good;
    for (size_t id = 1; id <= 3; ++id)
        if (storage[DirectoryEntry(storage, id)] == 'E') storage[DirectoryEntry(storage, id) + 66] = 1;
    EXPECT_EQ(Reason(storage, "Empty"), "Empty がストリームではありません");
    std::string cycle = good;
    Set32(cycle, DirectoryEntry(cycle, 2) + 72, 1);
    const OleContainer ole(cycle);
    EXPECT_EQ(ole.names().size(), 2u);
    // The header: signature, byte order, sector size.
    EXPECT_EQ(Reason("not a container"), "複合ファイルの構造が不正です（複合ファイルの印がありません）");
    std::string order = good;
    order[28] = 0;
    EXPECT_EQ(Reason(order), "複合ファイルの構造が不正です（バイト順の印が不正です）");
    std::string shift = good;
    shift[30] = 10;
    EXPECT_EQ(Reason(shift), "複合ファイルの構造が不正です（セクターの大きさが不正です）");
    EXPECT_EQ(Reason(good.substr(0, 300)), "複合ファイルの構造が不正です（ヘッダーが短すぎます）");
}
