// The kana tests compare Unicode ranges; the rule they stand for is stated
// in Shift-JIS (code page 932) codes. This proves the two agree for every
// character of the Basic Multilingual Plane, using the system's converter
// (iconv on POSIX systems, code page 932 itself on Windows).
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#undef Yield  // a macro of windows.h, a method of the engine's host
#else
#include <iconv.h>
#endif

#include <cstdio>
#include <cstring>

#include "engine/RubyRun.h"

using namespace tessaly;

namespace {

// Code page 932's bytes for c, empty when it has none.
class ShiftJisConverter {
public:
#ifdef _WIN32
    bool usable() const { return IsValidCodePage(932); }
    std::string bytes(char16_t c) const {
        const wchar_t in = wchar_t(c);
        char out[8];
        BOOL defaulted = FALSE;
        const int n = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, &in, 1, out, sizeof out, nullptr, &defaulted);
        return n <= 0 || defaulted ? std::string() : std::string(out, size_t(n));
    }
#else
    ShiftJisConverter() : m_cd(iconv_open("CP932", "UTF-16LE")) {}
    ~ShiftJisConverter() {
        if (usable()) iconv_close(m_cd);
    }
    bool usable() const { return m_cd != iconv_t(-1); }
    std::string bytes(char16_t c) const {
        char in[2] = {char(c & 0xFF), char(c >> 8)};
        char out[8];
        char* ip = in;
        char* op = out;
        size_t il = 2, ol = sizeof out;
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(m_cd, &ip, &il, &op, &ol) == size_t(-1)) return {};
        return std::string(out, sizeof out - ol);
    }

private:
    iconv_t m_cd;
#endif
};

// The four-digit upper-case hexadecimal Shift-JIS code of c, or "003F" when
// c has no Shift-JIS form.
std::string ShiftJisCode(const ShiftJisConverter& converter, char16_t c) {
    const std::string out = converter.bytes(c);
    const auto byte = [&](size_t i) { return unsigned(static_cast<unsigned char>(out[i])); };
    const unsigned code = out.size() == 1 ? byte(0) : out.size() == 2 ? (byte(0) << 8 | byte(1)) : 0x3F;
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04X", code);
    return buf;
}

}  // namespace

TEST(KanaTests, UnicodeRangesAgreeWithShiftJisCodes) {
    const ShiftJisConverter cd;
    if (!cd.usable()) GTEST_SKIP() << "no CP932 converter on this system";
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
    EXPECT_EQ(split, 83 + 84 + 1);  // ぁ-ん, ァ-ヴ, ー
    EXPECT_EQ(glyphs, split + 2);   // and ヵ ヶ
    EXPECT_FALSE(IsKanaForSplit(U'𠮷'));
}
