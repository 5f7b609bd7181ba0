// The kana tests compare Unicode ranges; the rule they stand for is stated
// in Shift-JIS (code page 932) codes. This proves the two agree for every
// character of the Basic Multilingual Plane, using the system's converter.
#include <gtest/gtest.h>
#include <iconv.h>

#include <cstdio>
#include <cstring>

#include "engine/RubyRun.h"

using namespace tessaly;

namespace {

// The four-digit upper-case hexadecimal Shift-JIS code of c, or "003F" when
// c has no Shift-JIS form.
std::string ShiftJisCode(iconv_t cd, char16_t c) {
    char in[2] = {char(c & 0xFF), char(c >> 8)};
    unsigned char out[8];
    char* ip = in;
    char* op = reinterpret_cast<char*>(out);
    size_t il = 2, ol = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &ip, &il, &op, &ol) == size_t(-1)) return "003F";
    const size_t n = sizeof out - ol;
    unsigned code = n == 1 ? out[0] : n == 2 ? (out[0] << 8 | out[1]) : 0x3F;
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04X", code);
    return buf;
}

}  // namespace

TEST(KanaTests, UnicodeRangesAgreeWithShiftJisCodes) {
    iconv_t cd = iconv_open("CP932", "UTF-16LE");
    if (cd == iconv_t(-1)) GTEST_SKIP() << "no CP932 converter on this system";
    int split = 0, glyphs = 0;
    for (unsigned u = 0; u <= 0xFFFF; ++u) {
        if (u >= 0xD800 && u <= 0xDFFF) continue;
        const std::string code = ShiftJisCode(cd, char16_t(u));
        const bool sjisSplit = (code >= "829F" && code <= "8394") || code == "815B";
        const bool sjisGlyphs = (code >= "829F" && code <= "8396") || code == "815B";
        ASSERT_EQ(IsKanaForSplit(u), sjisSplit) << std::hex << u << " " << code;
        ASSERT_EQ(IsKanaForGlyphs(u), sjisGlyphs) << std::hex << u << " " << code;
        split += sjisSplit;
        glyphs += sjisGlyphs;
    }
    iconv_close(cd);
    EXPECT_EQ(split, 83 + 84 + 1);  // ぁ-ん, ァ-ヴ, ー
    EXPECT_EQ(glyphs, split + 2);   // and ヵ ヶ
    EXPECT_FALSE(IsKanaForSplit(U'𠮷'));
}
