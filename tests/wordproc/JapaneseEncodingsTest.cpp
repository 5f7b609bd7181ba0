// The committed Shift_JIS tables against the C library's converters they
// were made from, pair of bytes by pair of bytes.
#include <gtest/gtest.h>

#include "engine/Text.h"
#include "wordproc/JapaneseEncodings.h"

#if defined(__GLIBC__)
#include <iconv.h>
#endif

using namespace tessaly;
using namespace tessaly::wordproc;

namespace {

#if defined(__GLIBC__)
std::optional<std::u16string> Iconv(const char* encoding, const std::string& bytes) {
    iconv_t cd = iconv_open("UTF-16LE", encoding);
    std::string out(16, '\0');
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size(), outLeft = out.size();
    char* o = out.data();
    const size_t done = iconv(cd, &in, &inLeft, &o, &outLeft);
    iconv_close(cd);
    if (done == size_t(-1) || inLeft != 0) return std::nullopt;
    out.resize(out.size() - outLeft);
    return FromUtf16Bytes(out, false);
}
#endif

}  // namespace

TEST(JapaneseEncodings, EveryPairAsTheConverterReadsIt) {
#if defined(__GLIBC__)
    size_t cp932 = 0, sjis2004 = 0;
    for (int lead = 0; lead < 256; ++lead) {
        const std::string one(1, char(lead));
        EXPECT_EQ(DecodeCp932(one), Iconv("CP932", one)) << lead;
        EXPECT_EQ(DecodeShiftJis2004(one), Iconv("SHIFT_JISX0213", one)) << lead;
        for (int trail = 0; trail < 256 && lead >= 0x80; ++trail) {
            const std::string two{char(lead), char(trail)};
            const auto ours = DecodeCp932(two), theirs = Iconv("CP932", two);
            EXPECT_EQ(ours, theirs) << lead << " " << trail;
            cp932 += ours.has_value();
            const auto ours2004 = DecodeShiftJis2004(two), theirs2004 = Iconv("SHIFT_JISX0213", two);
            EXPECT_EQ(ours2004, theirs2004) << lead << " " << trail;
            sjis2004 += ours2004.has_value();
        }
    }
    EXPECT_GT(cp932, 7000u);
    EXPECT_GT(sjis2004, 11000u);
    for (int plane = 1; plane <= 2; ++plane)
        for (int row = 1; row <= 94; ++row)
            for (int cell = 1; cell <= 94; ++cell) {
                std::string euc = plane == 2 ? "\x8F" : "";
                euc += char(0xA0 + row);
                euc += char(0xA0 + cell);
                EXPECT_EQ(JisX0213Character(plane, row, cell), Iconv("EUC-JISX0213", euc).value_or(u"")) << plane << "-" << row << "-" << cell;
            }
#else
    GTEST_SKIP() << "no C library converter to compare with here";
#endif
}

TEST(JapaneseEncodings, TheCharactersTheArchiveNames) {
    EXPECT_EQ(JisX0213Character(1, 1, 52), u"《");
    EXPECT_EQ(JisX0213Character(1, 4, 87), u"か\u309A");  // a kana with its semi-voiced mark: two code points
    EXPECT_EQ(JisX0213Character(2, 1, 1), u"\U00020089");
    EXPECT_EQ(JisX0213Character(2, 2, 1), u"");  // plane 2 has no row 2
    EXPECT_EQ(JisX0213Character(3, 1, 1), u"");
    // Shift_JIS-2004 where code page 932 has nothing; a fault said where it is.
    EXPECT_EQ(DecodeShiftJis2004("\x8A\xBF\xEB\x81"), u"漢栱");
    size_t fault = 0;
    EXPECT_FALSE(DecodeCp932("\x8A\xBF\xEB\x81", &fault));
    EXPECT_EQ(fault, 2u);
    EXPECT_EQ(DecodeCp932(std::string("a\0\x5C", 3)), std::u16string(u"a\0\\", 3));
    EXPECT_FALSE(DecodeShiftJis2004("\x82"));
}
