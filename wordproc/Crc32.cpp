#include "wordproc/Crc32.h"

#include <array>
#include <bit>
#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define TESSALY_CRC_CLMUL 1
#include <immintrin.h>
#endif

namespace tessaly::wordproc {
namespace {

constexpr uint32_t kReflected = 0xEDB88320u;  // the polynomial, bit 0 for x^31
constexpr uint64_t kPolynomial = 0x104C11DB7u;  // the same, bit k for x^k

// Table k gives, for a byte, its CRC followed by k zero bytes: eight bytes
// are then taken in one step of eight lookups.
constexpr std::array<std::array<uint32_t, 256>, 8> MakeTables() {
    std::array<std::array<uint32_t, 256>, 8> t{};
    for (uint32_t b = 0; b < 256; ++b) {
        uint32_t c = b;
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ ((c & 1) ? kReflected : 0);
        t[0][b] = c;
    }
    for (size_t k = 1; k < 8; ++k)
        for (uint32_t b = 0; b < 256; ++b) t[k][b] = (t[k - 1][b] >> 8) ^ t[0][t[k - 1][b] & 0xFF];
    return t;
}
constexpr auto kTables = MakeTables();

// The register (complemented CRC) after n more bytes, eight at a time.
uint32_t ByTables(uint32_t c, const unsigned char* p, size_t n) {
    for (; n >= 8; n -= 8, p += 8) {
        uint32_t lo, hi;
        std::memcpy(&lo, p, 4);
        std::memcpy(&hi, p + 4, 4);
        if constexpr (std::endian::native == std::endian::big) {
            lo = __builtin_bswap32(lo);
            hi = __builtin_bswap32(hi);
        }
        lo ^= c;
        c = kTables[7][lo & 0xFF] ^ kTables[6][(lo >> 8) & 0xFF] ^ kTables[5][(lo >> 16) & 0xFF] ^ kTables[4][lo >> 24] ^
            kTables[3][hi & 0xFF] ^ kTables[2][(hi >> 8) & 0xFF] ^ kTables[1][(hi >> 16) & 0xFF] ^ kTables[0][hi >> 24];
    }
    for (; n > 0; --n, ++p) c = (c >> 8) ^ kTables[0][(c ^ *p) & 0xFF];
    return c;
}

#ifdef TESSALY_CRC_CLMUL
// Folding with carry-less multiplication. Sixteen bytes loaded as one
// 128-bit value stand for a polynomial whose bit k is the coefficient of
// x^(127-k) (the stream's first bit has the highest degree): the low half
// is L(x)·x^64, the high half H(x). Multiplying a half by the 64-bit
// reflection of a polynomial K gives x·half·K in the same form. So a block
// X followed D bits later by Y folds into X·x^D + Y as
//   L·x^(64+D) + H·x^D + Y  ≡  x·L·(x^(63+D) mod P) + x·H·(x^(D-1) mod P) + Y,
// which fits in 128 bits again.
constexpr uint64_t PowerModP(unsigned e) {
    uint64_t r = 1;
    for (unsigned i = 0; i < e; ++i) {
        r <<= 1;
        if (r & (uint64_t(1) << 32)) r ^= kPolynomial;
    }
    return r;
}
constexpr uint64_t Reflect64(uint64_t v) {
    uint64_t r = 0;
    for (int i = 0; i < 64; ++i)
        if (v & (uint64_t(1) << i)) r |= uint64_t(1) << (63 - i);
    return r;
}
struct FoldConstants {
    uint64_t low;
    uint64_t high;
};
constexpr FoldConstants FoldBy(unsigned d) { return {Reflect64(PowerModP(63 + d)), Reflect64(PowerModP(d - 1))}; }
constexpr FoldConstants kFold512 = FoldBy(512);  // four blocks in flight
constexpr FoldConstants kFold128 = FoldBy(128);

__attribute__((target("pclmul,sse2"))) inline __m128i Fold(__m128i x, __m128i k, __m128i next) {
    return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), _mm_clmulepi64_si128(x, k, 0x11)), next);
}

// The register after n bytes (n at least 64); the last bytes fewer than
// sixteen are left to the tables.
__attribute__((target("pclmul,sse2"))) uint32_t ByFolding(uint32_t c, const unsigned char* p, size_t n) {
    auto load = [](const unsigned char* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); };
    // The register goes into the first four bytes: the rest is as if it were 0.
    __m128i x0 = _mm_xor_si128(load(p), _mm_cvtsi32_si128(static_cast<int>(c)));
    __m128i x1 = load(p + 16), x2 = load(p + 32), x3 = load(p + 48);
    p += 64;
    n -= 64;
    const __m128i k512 = _mm_set_epi64x(static_cast<long long>(kFold512.high), static_cast<long long>(kFold512.low));
    for (; n >= 64; p += 64, n -= 64) {
        x0 = Fold(x0, k512, load(p));
        x1 = Fold(x1, k512, load(p + 16));
        x2 = Fold(x2, k512, load(p + 32));
        x3 = Fold(x3, k512, load(p + 48));
    }
    const __m128i k128 = _mm_set_epi64x(static_cast<long long>(kFold128.high), static_cast<long long>(kFold128.low));
    __m128i x = Fold(Fold(Fold(x0, k128, x1), k128, x2), k128, x3);
    for (; n >= 16; p += 16, n -= 16) x = Fold(x, k128, load(p));
    // The sixteen bytes left stand for all read so far: the tables finish.
    unsigned char last[16];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(last), x);
    return ByTables(ByTables(0, last, 16), p, n);
}

bool HasClmul() {
    static const bool has = __builtin_cpu_supports("pclmul");
    return has;
}
#endif

}  // namespace

uint32_t UpdateCrc32(uint32_t crc, const void* data, size_t n) {
    const auto* p = static_cast<const unsigned char*>(data);
#ifdef TESSALY_CRC_CLMUL
    if (n >= 64 && HasClmul()) return ~ByFolding(~crc, p, n);
#endif
    return ~ByTables(~crc, p, n);
}

}  // namespace tessaly::wordproc
