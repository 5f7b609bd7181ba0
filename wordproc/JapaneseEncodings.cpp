#include "wordproc/JapaneseEncodings.h"

#include "engine/Text.h"
#include "wordproc/JisTables.h"

namespace tessaly::wordproc {
namespace {

using namespace jis;

int LeadIndex(unsigned lead) {
    if (lead >= 0x81 && lead <= 0x9F) return int(lead - 0x81);
    if (lead >= 0xE0 && lead <= 0xFC) return int(lead - 0xE0) + 31;
    return -1;
}

// A Shift_JIS lead and trail byte as JIS X 0213 plane, row and cell: the
// lead byte names two rows, the trail byte the row of the two and the cell.
// Plane 2 has only the rows 1, 3-5, 8, 12-15 and 78-94, two to each lead
// byte from 0xF0.
bool PlaneRowCell(unsigned lead, unsigned trail, int& plane, int& row, int& cell) {
    if (trail < 0x40 || trail > 0xFC || trail == 0x7F) return false;
    const bool second = trail >= 0x9F;
    cell = second ? int(trail) - 0x9E : int(trail) - (trail < 0x7F ? 0x3F : 0x40);
    if (lead >= 0x81 && lead <= 0x9F) {
        plane = 1, row = int(lead - 0x81) * 2 + 1 + second;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        plane = 1, row = int(lead - 0xC1) * 2 + 1 + second;
    } else if (lead >= 0xF0 && lead <= 0xFC) {
        static constexpr int kRows[][2] = {{1, 8}, {3, 4}, {5, 12}, {13, 14}, {15, 78}};
        plane = 2;
        row = lead <= 0xF4 ? kRows[lead - 0xF0][second] : int(lead - 0xF5) * 2 + 79 + second;
    } else {
        return false;
    }
    return true;
}

void AppendJis(std::u16string& out, uint32_t value) {
    if (value & kPairFlag) {
        const uint32_t k = (value & ~kPairFlag) * 2;
        AppendCodePoint(out, kJisX0213Pairs[k]);
        AppendCodePoint(out, kJisX0213Pairs[k + 1]);
    } else {
        AppendCodePoint(out, value);
    }
}

// The decoding loop of both encodings: single(byte) gives a byte's
// character (0xFFFF: a lead byte, 0: none), pair(lead, trail, out) appends
// a pair's and says whether it has one.
template <class Single, class Pair>
std::optional<std::u16string> Decode(std::string_view bytes, size_t* faultAt, Single&& single, Pair&& pair) {
    std::u16string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        const unsigned b = static_cast<unsigned char>(bytes[i]);
        const uint32_t s = b == 0 ? 0xFFFE : single(b);
        if (s == 0xFFFE) {
            out.push_back(u'\0');
        } else if (s != 0xFFFF && s != 0) {
            AppendCodePoint(out, s);
        } else if (s == 0xFFFF && i + 1 < bytes.size() && pair(b, static_cast<unsigned char>(bytes[i + 1]), out)) {
            ++i;
        } else {
            if (faultAt) *faultAt = i;
            return std::nullopt;
        }
    }
    return out;
}

}  // namespace

std::optional<std::u16string> DecodeCp932(std::string_view bytes, size_t* faultAt) {
    return Decode(
        bytes, faultAt, [](unsigned b) -> uint32_t { return kCp932Single[b]; },
        [](unsigned lead, unsigned trail, std::u16string& out) {
            if (trail < 0x40 || trail > 0xFC) return false;
            const uint16_t cp = kCp932Pairs[size_t(LeadIndex(lead)) * kTrailBytes + (trail - 0x40)];
            if (cp == 0) return false;
            out.push_back(char16_t(cp));
            return true;
        });
}

std::optional<std::u16string> DecodeShiftJis2004(std::string_view bytes, size_t* faultAt) {
    return Decode(
        bytes, faultAt,
        [](unsigned b) -> uint32_t {
            if (b == 0x5C) return 0xA5;  // JIS X 0201's yen sign and overline
            if (b == 0x7E) return 0x203E;
            if (b < 0x80) return b;
            if (b >= 0xA1 && b <= 0xDF) return 0xFF61 + (b - 0xA1);
            return LeadIndex(b) >= 0 ? 0xFFFF : 0;
        },
        [](unsigned lead, unsigned trail, std::u16string& out) {
            int plane, row, cell;
            if (!PlaneRowCell(lead, trail, plane, row, cell)) return false;
            const uint32_t value = kJisX0213[size_t((plane - 1) * 94 + row - 1) * 94 + size_t(cell - 1)];
            if (value == 0) return false;
            AppendJis(out, value);
            return true;
        });
}

std::u16string JisX0213Character(int plane, int row, int cell) {
    std::u16string out;
    if (plane < 1 || plane > 2 || row < 1 || row > 94 || cell < 1 || cell > 94) return out;
    const uint32_t value = kJisX0213[size_t((plane - 1) * 94 + row - 1) * 94 + size_t(cell - 1)];
    if (value != 0) AppendJis(out, value);
    return out;
}

}  // namespace tessaly::wordproc
