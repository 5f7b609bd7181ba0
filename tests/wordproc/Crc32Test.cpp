#include <gtest/gtest.h>

#include <random>
#include <string>

#include "wordproc/Crc32.h"

using namespace tessaly::wordproc;

namespace {

// The CRC one bit at a time, as the polynomial defines it.
uint32_t BitByBit(const std::string& bytes) {
    uint32_t c = ~0u;
    for (unsigned char b : bytes) {
        c ^= b;
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ ((c & 1) ? 0xEDB88320u : 0);
    }
    return ~c;
}

}  // namespace

// Short texts go by tables, long ones by folding sixteen bytes at a time
// with what is left by tables: every length and start, and any split of
// the bytes into pieces, give the one CRC.
TEST(Crc32, AgreesWithThePolynomialAtEveryLengthAndSplit) {
    EXPECT_EQ(UpdateCrc32(0, "123456789", 9), 0xCBF43926u);
    EXPECT_EQ(UpdateCrc32(0, "", 0), 0u);
    std::mt19937 random(7);
    std::string bytes(5000, '\0');
    for (char& b : bytes) b = static_cast<char>(random());
    for (size_t start = 0; start < 3; ++start) {
        for (size_t n = 0; n <= 700; ++n) {
            const std::string piece = bytes.substr(start, n);
            ASSERT_EQ(UpdateCrc32(0, piece.data(), n), BitByBit(piece)) << start << " " << n;
        }
    }
    const uint32_t whole = BitByBit(bytes);
    for (size_t split : {size_t(1), size_t(15), size_t(64), size_t(100), size_t(4095), size_t(4999)}) {
        const uint32_t first = UpdateCrc32(0, bytes.data(), split);
        EXPECT_EQ(UpdateCrc32(first, bytes.data() + split, bytes.size() - split), whole) << split;
    }
}
