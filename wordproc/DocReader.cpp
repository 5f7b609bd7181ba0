#include "wordproc/DocReader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cstdint>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <vector>

#include "engine/Text.h"
#include "wordproc/OleContainer.h"
#include "wordproc/StoryAssembler.h"

namespace tessaly::wordproc {
namespace {

constexpr const char* kPasswordProtected =
    "パスワードで保護（暗号化）されているため読み込めません。保護を解除して保存し直してください。";
constexpr size_t kMaxStreamBytes = size_t(512) << 20;

// A structure of the file that points outside its stream.
struct OutOfBounds : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Little-endian reads with bounds checks.
class Bytes {
public:
    Bytes() = default;
    Bytes(std::string_view data, const char* name) : m_data(data), m_name(name) {}
    size_t size() const { return m_data.size(); }
    void need(size_t offset, size_t length) const {
        if (offset > m_data.size() || length > m_data.size() - offset)
            throw OutOfBounds(std::string(m_name) + " の範囲外を指しています");
    }
    uint8_t u8(size_t o) const {
        need(o, 1);
        return static_cast<uint8_t>(m_data[o]);
    }
    uint16_t u16(size_t o) const {
        need(o, 2);
        return static_cast<uint16_t>(u8(o) | u8(o + 1) << 8);
    }
    uint32_t u32(size_t o) const {
        need(o, 4);
        return u16(o) | static_cast<uint32_t>(u16(o + 2)) << 16;
    }
    std::string_view slice(size_t o, size_t length) const {
        need(o, length);
        return m_data.substr(o, length);
    }

private:
    std::string_view m_data;
    const char* m_name = "";
};

// Code page 1252 for the bytes 0x80-0x9F of compressed text; other bytes
// are their own code points.
char32_t FromCp1252(uint8_t b) {
    static constexpr char16_t kHigh[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    return b >= 0x80 && b <= 0x9F ? kHigh[b - 0x80] : b;
}

// The index of the first character below U+0020 (a paragraph mark, field
// mark or other special character) at or after k, or text.size().
size_t NextControlCharacter(std::u16string_view text, size_t k) {
    while (k < text.size() && text[k] >= 0x20) ++k;
    return k;
}

constexpr uint16_t kSprmCKcd = 0x2A34;
constexpr uint16_t kSprmCIstd = 0x4A30;
constexpr uint16_t kSprmPIlfo = 0x460B;
constexpr uint16_t kNoStyle = 0x0FFF;

// Character properties the reader needs from a grpprl.
struct CharProps {
    std::optional<int> emphasis;
    std::optional<uint16_t> charStyle;
};

// Calls f(sprm, operand) for each sprm of a grpprl; a malformed sprm ends
// the walk (what came before stays).
template <class F>
void ForEachSprm(std::string_view grpprl, F&& f) {
    size_t i = 0;
    while (i + 2 <= grpprl.size()) {
        const uint16_t sprm = static_cast<uint16_t>(static_cast<uint8_t>(grpprl[i]) | static_cast<uint8_t>(grpprl[i + 1]) << 8);
        i += 2;
        size_t operand;
        switch (sprm >> 13) {
        case 0: case 1: operand = 1; break;
        case 2: case 4: case 5: operand = 2; break;
        case 3: operand = 4; break;
        case 7: operand = 3; break;
        default:  // variable: a length byte first (two bytes for sprmTDefTable)
            if (sprm == 0xD608) {
                if (i + 2 > grpprl.size()) return;
                operand = 2 + (static_cast<uint8_t>(grpprl[i]) | static_cast<uint8_t>(grpprl[i + 1]) << 8);
            } else {
                if (i + 1 > grpprl.size()) return;
                operand = 1 + static_cast<uint8_t>(grpprl[i]);
            }
        }
        if (i + operand > grpprl.size()) return;
        f(sprm, grpprl.substr(i, operand));
        i += operand;
    }
}

uint16_t U16(std::string_view b) { return static_cast<uint16_t>(static_cast<uint8_t>(b[0]) | static_cast<uint8_t>(b[1]) << 8); }

void ApplySprms(std::string_view grpprl, CharProps& props) {
    ForEachSprm(grpprl, [&](uint16_t sprm, std::string_view operand) {
        if (sprm == kSprmCKcd) {
            const int kcd = static_cast<uint8_t>(operand[0]);
            props.emphasis = kcd <= 4 ? kcd : 0;
        } else if (sprm == kSprmCIstd) {
            props.charStyle = U16(operand);
        }
    });
}

// Whether a paragraph grpprl says the paragraph is in a list (sprmPIlfo):
// true or false when it says, nothing when it does not.
std::optional<bool> ListNumbering(std::string_view grpprl) {
    std::optional<bool> numbered;
    ForEachSprm(grpprl, [&](uint16_t sprm, std::string_view operand) {
        if (sprm == kSprmPIlfo) numbered = U16(operand) != 0;
    });
    return numbered;
}

// A paragraph's properties: its style, and whether it has its own list number.
struct ParaProps {
    uint16_t istd = 0;
    std::optional<bool> numbered;
};

// A run of file offsets [fcStart, fcEnd) with one set of properties.
template <class T>
struct FcRun {
    uint32_t fcStart;
    uint32_t fcEnd;
    T value;
};

struct Piece {
    uint32_t cpStart;
    uint32_t cpEnd;
    uint32_t fc;  // byte offset of the first character in WordDocument
    bool compressed;
    CharProps props;  // from the piece's property modifier
};

struct Style {
    uint16_t base = kNoStyle;
    CharProps props;
    std::optional<bool> numbered;  // a paragraph style's list numbering
};

class DocReader {
public:
    DocReader(std::string bytes, const std::filesystem::path& file, LeftOut* leftOut)
        : m_bytes(std::move(bytes)), m_file(file), m_leftOut(leftOut) {}
    std::unique_ptr<DocumentModel> read();

private:
    [[noreturn]] void damaged(const std::string& what) const {
        throw ReadError(ReadErrorKind::Damaged, m_file, "ファイルが壊れているか途中で切れています（" + what + "）。");
    }
    void readFib();
    void readPieces();
    void readStyles();
    template <class T, class Read>
    void readRuns(uint32_t fcBte, uint32_t lcbBte, size_t entrySize, const char* what, std::vector<FcRun<T>>& runs,
                  Read&& read);
    void readCharRuns();
    void readParagraphRuns();
    std::optional<int> styleEmphasis(uint16_t istd, int depth = 0) const;
    // Whether a paragraph is numbered: its own list numbering, else its style's.
    bool numbered(const ParaProps* para) const;
    // The characters of the stories' text from cp to end, as the pieces give them.
    std::u16string storyText(uint32_t cp, uint32_t end) const;
    // The stories after the main one: notes, headers, comments, text boxes.
    void recordOtherStories();
    int emphasisOf(const CharProps* run, const uint16_t* paragraphStyle, const Piece& piece) const;
    void emitStory(StoryAssembler& story);

    std::string m_bytes;
    std::filesystem::path m_file;
    std::string m_wordStream;
    std::string m_tableStream;
    Bytes m_word;
    Bytes m_table;

    LeftOut* m_leftOut;
    uint32_t m_ccpText = 0;
    // The other stories' lengths, in the order their text follows the main
    // story's: footnotes, headers and footers, macros, comments, endnotes,
    // text boxes, header text boxes.
    std::array<uint32_t, 7> m_ccpOther{};
    uint32_t m_fcClx = 0, m_lcbClx = 0;
    uint32_t m_fcStshf = 0, m_lcbStshf = 0;
    uint32_t m_fcBteChpx = 0, m_lcbBteChpx = 0;
    uint32_t m_fcBtePapx = 0, m_lcbBtePapx = 0;

    std::vector<Piece> m_pieces;
    std::vector<Style> m_styles;
    std::vector<FcRun<CharProps>> m_charRuns;
    std::vector<FcRun<ParaProps>> m_paraRuns;  // paragraph style and numbering of each paragraph
    std::u16string m_segment;  // the characters of the segment being read
};

void DocReader::readFib() {
    const Bytes& w = m_word;
    if (w.size() < 0x22) damaged("FIB が短すぎます");
    const uint16_t ident = w.u16(0);
    const uint16_t nFib = w.u16(2);
    const uint16_t flags = w.u16(0x0A);
    // Word 6.0 writes the magic 0xA5DC, Word 95 0xA5EC, and their East Asian
    // editions 0xA697 to 0xA699 (the Japanese one 0xA697), all with versions
    // (nFib) from 101 up to Word 97's, which starts at 0x00C1.
    const bool word6or95Magic = ident == 0xA5DC || ident == 0xA5EC || (ident >= 0xA697 && ident <= 0xA699);
    const bool word6or95 = word6or95Magic && nFib >= 101 && nFib < 0x00C1;
    if (word6or95) {
        throw ReadError(ReadErrorKind::OldWordVersion, m_file,
                        "Word 6.0/95 以前の古い形式のため読み込めません。Word 97-2003 形式（.doc）または .docx で保存し直してください。");
    }
    if (ident != 0xA5EC || nFib < 0x00C1)
        throw ReadError(ReadErrorKind::NotWordDocument, m_file, "Word 文書ではありません（WordDocument ストリームの形式が不明です）。");
    if (flags & 0x0100) throw ReadError(ReadErrorKind::Encrypted, m_file, kPasswordProtected);
    if (flags & 0x8000)
        throw ReadError(ReadErrorKind::Encrypted, m_file, "難読化（暗号化）されているため読み込めません。保護を解除して保存し直してください。");

    // FibBase, then csw and FibRgW97, cslw and FibRgLw97, cbRgFcLcb and the pairs.
    size_t o = 0x20;
    const uint16_t csw = w.u16(o);
    o += 2 + size_t(csw) * 2;
    const uint16_t cslw = w.u16(o);
    const size_t rgLw = o + 2;
    if (cslw < 4) damaged("FIB の長さが不正です");
    m_ccpText = w.u32(rgLw + 3 * 4);
    for (size_t k = 0; k < m_ccpOther.size() && 4 + k < cslw; ++k) m_ccpOther[k] = w.u32(rgLw + (4 + k) * 4);
    o = rgLw + size_t(cslw) * 4;
    const uint16_t cbRgFcLcb = w.u16(o);
    const size_t rgFcLcb = o + 2;
    if (cbRgFcLcb < 34) damaged("FIB の長さが不正です");
    auto pair = [&](int index, uint32_t& fc, uint32_t& lcb) {
        fc = w.u32(rgFcLcb + size_t(index) * 8);
        lcb = w.u32(rgFcLcb + size_t(index) * 8 + 4);
    };
    pair(1, m_fcStshf, m_lcbStshf);
    pair(12, m_fcBteChpx, m_lcbBteChpx);
    pair(13, m_fcBtePapx, m_lcbBtePapx);
    pair(33, m_fcClx, m_lcbClx);
}

void DocReader::readPieces() {
    if (m_lcbClx == 0) damaged("ピーステーブルがありません");
    const Bytes clx(m_table.slice(m_fcClx, m_lcbClx), "ピーステーブル");
    std::vector<std::string_view> prcs;
    size_t o = 0;
    while (o < clx.size() && clx.u8(o) == 0x01) {  // Prc: property modifiers of complex pieces
        const uint16_t cb = clx.u16(o + 1);
        prcs.push_back(clx.slice(o + 3, cb));
        o += 3 + cb;
    }
    if (o >= clx.size() || clx.u8(o) != 0x02) damaged("ピーステーブルが見つかりません");
    const uint32_t lcb = clx.u32(o + 1);
    const Bytes plc(clx.slice(o + 5, lcb), "ピーステーブル");
    if (lcb < 4 || (lcb - 4) % 12 != 0) damaged("ピーステーブルの長さが不正です");
    const size_t n = (lcb - 4) / 12;
    m_pieces.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        Piece p;
        p.cpStart = plc.u32(i * 4);
        p.cpEnd = plc.u32((i + 1) * 4);
        const size_t pcd = (n + 1) * 4 + i * 8;
        const uint32_t fcRaw = plc.u32(pcd + 2);
        p.compressed = (fcRaw & 0x40000000) != 0;
        p.fc = p.compressed ? (fcRaw & 0x3FFFFFFF) / 2 : fcRaw & 0x3FFFFFFF;
        const uint16_t prm = plc.u16(pcd + 6);
        if ((prm & 1) && (prm >> 1) < prcs.size()) ApplySprms(prcs[prm >> 1], p.props);
        if (p.cpEnd < p.cpStart) damaged("ピーステーブルの順序が不正です");
        m_pieces.push_back(p);
    }
}

void DocReader::readStyles() {
    if (m_lcbStshf < 2) return;
    const Bytes stsh(m_table.slice(m_fcStshf, m_lcbStshf), "スタイルシート");
    const uint16_t cbStshi = stsh.u16(0);
    const uint16_t cstd = stsh.u16(2);
    const uint16_t cbStdBase = stsh.u16(4);
    size_t o = 2 + size_t(cbStshi);
    m_styles.resize(cstd);
    for (uint16_t istd = 0; istd < cstd && o + 2 <= stsh.size(); ++istd) {
        const uint16_t cbStd = stsh.u16(o);
        const size_t std = o + 2;
        o = std + cbStd;
        if (cbStd == 0) continue;
        const Bytes s(stsh.slice(std, cbStd), "スタイル");
        if (cbStd < cbStdBase || cbStdBase < 10) continue;
        const uint16_t stk = s.u16(2) & 0x000F;
        Style& style = m_styles[istd];
        style.base = s.u16(2) >> 4;
        const uint16_t cupx = s.u16(4) & 0x000F;
        // The name (Xstz: count, characters, terminator), then the UPXs.
        size_t u = cbStdBase;
        const uint16_t cch = s.u16(u);
        u += 2 + size_t(cch) * 2 + 2;
        for (uint16_t k = 0; k < cupx && u + 2 <= s.size(); ++k) {
            const uint16_t cbUpx = s.u16(u);
            const std::string_view upx = s.slice(u + 2, cbUpx);
            u += 2 + cbUpx + (cbUpx & 1);
            // Paragraph styles: PAPX then CHPX; character styles: CHPX.
            const bool isChpx = (stk == 1 && k == 1) || (stk == 2 && k == 0);
            if (isChpx) ApplySprms(upx, style.props);
            else if (stk == 1 && k == 0 && upx.size() >= 2) style.numbered = ListNumbering(upx.substr(2));  // after its istd
        }
    }
}

// Runs of one kind of property pages (FKPs): the bin table names the pages;
// each page holds count + 1 file offsets and, after them, an entry of
// entrySize bytes per run whose first byte is the word offset of its
// properties (0: none). read(page, offset) gives a run's value.
template <class T, class Read>
void DocReader::readRuns(uint32_t fcBte, uint32_t lcbBte, size_t entrySize, const char* what,
                         std::vector<FcRun<T>>& runs, Read&& read) {
    if (lcbBte < 4) return;
    const Bytes plc(m_table.slice(fcBte, lcbBte), what);
    const size_t n = (lcbBte - 4) / 8;
    for (size_t i = 0; i < n; ++i) {
        const uint32_t pn = plc.u32((n + 1) * 4 + i * 4) & 0x3FFFFF;
        const Bytes page(m_word.slice(size_t(pn) * 512, 512), what);
        const uint8_t count = page.u8(511);
        if (size_t(count) * (4 + entrySize) + 4 > 511) damaged(std::string(what) + " のページが不正です");
        for (size_t k = 0; k < count; ++k) {
            FcRun<T> run{page.u32(k * 4), page.u32((k + 1) * 4), T{}};
            const uint8_t offset = page.u8((size_t(count) + 1) * 4 + k * entrySize);
            if (offset != 0) run.value = read(page, size_t(offset) * 2);
            if (run.fcEnd > run.fcStart) runs.push_back(run);
        }
    }
    // The pages are nearly always in order already.
    const auto byStart = [](const FcRun<T>& a, const FcRun<T>& b) { return a.fcStart < b.fcStart; };
    if (!std::is_sorted(runs.begin(), runs.end(), byStart)) std::stable_sort(runs.begin(), runs.end(), byStart);
}

// Character properties (CHPX: a count byte, then sprms).
void DocReader::readCharRuns() {
    readRuns(m_fcBteChpx, m_lcbBteChpx, 1, "文字書式", m_charRuns, [](const Bytes& page, size_t at) {
        CharProps props;
        ApplySprms(page.slice(at + 1, page.u8(at)), props);
        return props;
    });
}

// The paragraph style of each paragraph (PAPX: a count byte, or 0 and a
// second count byte, then the style index).
void DocReader::readParagraphRuns() {
    readRuns(m_fcBtePapx, m_lcbBtePapx, 13, "段落書式", m_paraRuns, [](const Bytes& page, size_t at) {
        // A count of words (2 × count − 1 bytes), or 0 and a count of words
        // (2 × count bytes): the style index, then the grpprl.
        const uint8_t cb = page.u8(at);
        const size_t size = cb != 0 ? size_t(cb) * 2 - 1 : size_t(page.u8(at + 1)) * 2;
        const size_t data = cb != 0 ? at + 1 : at + 2;
        ParaProps props;
        props.istd = page.u16(data);
        const size_t available = page.size() > data + 2 ? page.size() - data - 2 : 0;
        if (size > 2) props.numbered = ListNumbering(page.slice(data + 2, std::min(size - 2, available)));
        return props;
    });
}

bool DocReader::numbered(const ParaProps* para) const {
    if (!para) return false;
    if (para->numbered) return *para->numbered;
    // The style's, or its base's: a chain longer than any real one is a loop.
    uint16_t istd = para->istd;
    for (int step = 0; step < 32 && istd < m_styles.size(); ++step) {
        const Style& s = m_styles[istd];
        if (s.numbered) return *s.numbered;
        if (s.base == kNoStyle || s.base == istd) break;
        istd = s.base;
    }
    return false;
}

std::u16string DocReader::storyText(uint32_t cp, uint32_t end) const {
    std::u16string text;
    for (const Piece& piece : m_pieces) {
        const uint32_t from = std::max(cp, piece.cpStart), to = std::min(end, piece.cpEnd);
        if (from >= to) continue;
        const size_t width = piece.compressed ? 1 : 2;
        const std::string_view bytes = m_word.slice(piece.fc + size_t(from - piece.cpStart) * width, size_t(to - from) * width);
        for (size_t k = 0; k < size_t(to - from); ++k) {
            const auto* b = reinterpret_cast<const unsigned char*>(bytes.data()) + k * width;
            text.push_back(piece.compressed ? char16_t(FromCp1252(b[0])) : char16_t(b[0] | b[1] << 8));
        }
    }
    return text;
}

void DocReader::recordOtherStories() {
    static constexpr const char* kKinds[] = {"脚注", "ヘッダー・フッター", nullptr, "コメント", "文末脚注", "テキストボックス", "テキストボックス"};
    uint64_t cp = m_ccpText;
    for (size_t k = 0; k < m_ccpOther.size(); ++k) {
        const uint64_t end = cp + m_ccpOther[k];
        if (kKinds[k] && m_ccpOther[k] > 0 && end <= UINT32_MAX) {
            const std::u16string text = storyText(static_cast<uint32_t>(cp), static_cast<uint32_t>(end));
            // Rubies are EQ fields; an instruction (0x13 to 0x14 or 0x15) is not text.
            OtherStory story{kKinds[k]};
            for (size_t i = 0; i < text.size(); ++i) {
                if (text[i] == 0x13) {
                    size_t j = i + 1;
                    while (j < text.size() && text[j] != 0x13 && text[j] != 0x14 && text[j] != 0x15) ++j;
                    if (const auto eq = ParseEqField(std::u16string_view(text).substr(i + 1, j - i - 1)); eq && eq->isRuby) ++story.rubies;
                    i = j - 1;
                } else if (text[i] > 0x20 && text[i] != 0x3000) {
                    story.hasText = true;
                }
            }
            m_leftOut->addStory(std::move(story));
        }
        cp = end;
    }
}

std::optional<int> DocReader::styleEmphasis(uint16_t istd, int depth) const {
    if (istd >= m_styles.size() || depth > 32) return std::nullopt;
    const Style& s = m_styles[istd];
    if (s.props.emphasis) return s.props.emphasis;
    if (s.base == kNoStyle || s.base == istd) return std::nullopt;
    return styleEmphasis(s.base, depth + 1);
}

int DocReader::emphasisOf(const CharProps* run, const uint16_t* paragraphStyle, const Piece& piece) const {
    CharProps direct;
    if (run) direct = *run;
    // The piece's own modifier was applied after the page's properties.
    if (piece.props.emphasis) direct.emphasis = piece.props.emphasis;
    if (piece.props.charStyle) direct.charStyle = piece.props.charStyle;
    if (direct.emphasis) return *direct.emphasis;
    if (direct.charStyle)
        if (auto em = styleEmphasis(*direct.charStyle)) return *em;
    if (auto em = styleEmphasis(paragraphStyle ? *paragraphStyle : 0)) return *em;
    return 0;
}

// Follows the runs of a sorted table through increasing file offsets.
template <class T>
class RunCursor {
public:
    RunCursor(const std::vector<FcRun<T>>& runs, uint32_t fc) : m_runs(runs) {
        m_index = static_cast<size_t>(std::upper_bound(runs.begin(), runs.end(), fc,
                                                       [](uint32_t f, const FcRun<T>& r) { return f < r.fcStart; }) -
                                      runs.begin());
        if (m_index > 0) --m_index;
    }
    // The run holding fc, or nullptr; fc never decreases between calls.
    const T* at(uint32_t fc) {
        while (m_index < m_runs.size() && m_runs[m_index].fcEnd <= fc) ++m_index;
        return m_index < m_runs.size() && m_runs[m_index].fcStart <= fc ? &m_runs[m_index].value : nullptr;
    }
    // The first offset after the last at(fc) where the answer may change.
    uint32_t boundary(uint32_t fc) const {
        if (m_index >= m_runs.size()) return UINT32_MAX;
        return m_runs[m_index].fcStart <= fc ? m_runs[m_index].fcEnd : m_runs[m_index].fcStart;
    }

private:
    const std::vector<FcRun<T>>& m_runs;
    size_t m_index = 0;
};

void DocReader::emitStory(StoryAssembler& story) {
    for (const Piece& piece : m_pieces) {
        if (piece.cpStart >= m_ccpText) continue;
        const uint32_t end = std::min(piece.cpEnd, m_ccpText);
        const size_t width = piece.compressed ? 1 : 2;
        const size_t count = end - piece.cpStart;
        // The piece's bytes, checked once against the stream.
        const auto text = reinterpret_cast<const unsigned char*>(m_word.slice(piece.fc, count * width).data());
        RunCursor<CharProps> chars(m_charRuns, piece.fc);
        RunCursor<ParaProps> paragraphs(m_paraRuns, piece.fc);
        // The piece is read in segments of one formatting. Each segment is
        // decoded whole; the ordinary characters between special characters
        // go to the assembler as one text, which holds no paragraph mark (a
        // CR is one of the special characters).
        size_t i = 0;
        while (i < count) {
            const uint32_t fc = static_cast<uint32_t>(piece.fc + i * width);
            const ParaProps* para = paragraphs.at(fc);
            const int em = emphasisOf(chars.at(fc), para ? &para->istd : nullptr, piece);
            const uint32_t boundary = std::min(chars.boundary(fc), paragraphs.boundary(fc));
            size_t segmentEnd = count;
            if (boundary != UINT32_MAX)
                segmentEnd = std::min<size_t>(count, (uint64_t(boundary) - piece.fc + width - 1) / width);
            segmentEnd = std::max(segmentEnd, i + 1);

            // The buffer only grows: a shorter segment uses the front of it.
            const size_t length = segmentEnd - i;
            if (m_segment.size() < length) m_segment.resize(length);
            char16_t* out = m_segment.data();
            if (piece.compressed) {
                for (size_t k = i; k < segmentEnd; ++k) *out++ = char16_t(FromCp1252(text[k]));
            } else {
                if constexpr (std::endian::native == std::endian::little) {
                    std::memcpy(out, text + i * 2, (segmentEnd - i) * 2);  // the units as they lie in the stream
                } else {
                    for (size_t k = i; k < segmentEnd; ++k) *out++ = char16_t(text[k * 2] | text[k * 2 + 1] << 8);
                }
            }
            i = segmentEnd;

            const std::u16string_view segment(m_segment.data(), length);
            size_t from = 0;
            for (size_t k = 0; (k = NextControlCharacter(segment, k)) < segment.size(); ++k) {
                const char16_t c = segment[k];
                story.textWithoutMarks(segment.substr(from, k - from), em);
                from = k + 1;
                switch (c) {
                case 0x0D:
                    if (m_leftOut && numbered(para)) ++m_leftOut->unnumberedParagraphs;
                    story.paragraphEnd();
                    break;
                case 0x07: story.paragraphEnd(); break;
                case 0x0C: case 0x0E: story.breakParagraph(); break;
                case 0x13: story.fieldBegin(); break;
                case 0x14: story.fieldSeparate(); break;
                case 0x15: story.fieldEnd(); break;
                case 0x0B: story.character(U'\n', em); break;
                case 0x09: story.character(U'\t', em); break;
                case 0x1E: story.character(U'\u2011', em); break;
                case 0x1F: story.character(U'\u00AD', em); break;
                default: break;  // pictures, drawn objects, note references and the like
                }
            }
            story.textWithoutMarks(segment.substr(from), em);
        }
    }
}

std::unique_ptr<DocumentModel> DocReader::read() {
    const std::string_view container = UnwrapMacFile(m_bytes);
    if (!OleContainer::HasSignature(container)) {
        if (container.size() >= 2 && static_cast<uint8_t>(container[1]) == 0xA5 &&
            (static_cast<uint8_t>(container[0]) == 0xDB || static_cast<uint8_t>(container[0]) == 0x9B))
            throw ReadError(ReadErrorKind::OldWordVersion, m_file,
                            "Word 2.0 以前の古い形式のため読み込めません。Word 97-2003 形式（.doc）または .docx で保存し直してください。");
        throw ReadError(ReadErrorKind::NotWordDocument, m_file, "Word 文書（.doc / .docx）ではありません。");
    }
    try {
        {
            OleContainer ole(container);
            // An encrypted package (a password-protected .docx, standard or
            // agile encryption) says how in EncryptionInfo; rights-managed
            // documents carry a data space for their protection instead, and
            // a placeholder WordDocument stream.
            if (ole.hasStream("EncryptionInfo"))
                throw ReadError(ReadErrorKind::Encrypted, m_file, kPasswordProtected);
            if (ole.hasStream("\x06" "DataSpaces") || ole.hasStream("\tDRMContent"))
                throw ReadError(ReadErrorKind::Encrypted, m_file, "権限管理（暗号化）で保護されているため読み込めません。保護を解除して保存し直してください。");
            if (ole.hasStream("EncryptedPackage"))
                throw ReadError(ReadErrorKind::Encrypted, m_file, kPasswordProtected);
            auto word = ole.readStream("WordDocument", kMaxStreamBytes);
            if (!word) {
                throw ReadError(ReadErrorKind::NotWordDocument, m_file, "複合ファイルですが、Word 文書（WordDocument ストリーム）がありません。");
            }
            m_wordStream = std::move(*word);
            m_word = Bytes(m_wordStream, "WordDocument ストリーム");
            readFib();
            const char* tableName = (m_word.u16(0x0A) & 0x0200) ? "1Table" : "0Table";
            auto table = ole.readStream(tableName, kMaxStreamBytes);
            if (!table) damaged(std::string(tableName) + " ストリームがありません");
            m_tableStream = std::move(*table);
            m_table = Bytes(m_tableStream, tableName);
        }
        // The streams are out of the container: the file itself is no longer needed.
        m_bytes = std::string();
        readPieces();
        readStyles();
        readCharRuns();
        readParagraphRuns();

        auto model = std::make_unique<DocumentModel>(FromUtf8(m_file.filename().string()));
        DocumentBuilder builder(*model);
        StoryAssembler story(builder, m_leftOut);
        emitStory(story);
        story.finish();
        if (m_leftOut) recordOtherStories();
        return model;
    } catch (const OutOfBounds& e) {
        damaged(e.what());
    } catch (const StoryTooLong& e) {
        throw ReadError(ReadErrorKind::TooLarge, m_file, e.what());
    } catch (const std::length_error& e) {
        throw ReadError(ReadErrorKind::TooLarge, m_file, std::string("大きすぎるため読み込めません（") + e.what() + "）。");
    } catch (const ReadError&) {
        throw;
    } catch (const std::runtime_error& e) {
        damaged(e.what());
    }
}

}  // namespace

std::string_view UnwrapMacFile(std::string_view bytes) {
    const Bytes b(bytes, "");
    // AppleSingle: magic, version, filler, entries (id, offset, length); id 1 is the data fork.
    if (bytes.size() >= 26 && b.u8(0) == 0x00 && b.u8(1) == 0x05 && b.u8(2) == 0x16 && b.u8(3) == 0x00) {
        auto be32 = [&](size_t o) { return uint32_t(b.u8(o)) << 24 | uint32_t(b.u8(o + 1)) << 16 | uint32_t(b.u8(o + 2)) << 8 | b.u8(o + 3); };
        const size_t entries = size_t(b.u8(24)) << 8 | b.u8(25);
        for (size_t i = 0; i < entries && 26 + (i + 1) * 12 <= bytes.size(); ++i) {
            const size_t e = 26 + i * 12;
            if (be32(e) != 1) continue;
            const uint32_t offset = be32(e + 4), length = be32(e + 8);
            if (offset <= bytes.size() && length <= bytes.size() - offset) return bytes.substr(offset, length);
        }
        return bytes;
    }
    // MacBinary: a 128-byte header with zero bytes at 0 and 74, then the data fork.
    if (bytes.size() > 128 && b.u8(0) == 0 && b.u8(74) == 0 && OleContainer::HasSignature(bytes.substr(128))) {
        const uint32_t length = uint32_t(b.u8(83)) << 24 | uint32_t(b.u8(84)) << 16 | uint32_t(b.u8(85)) << 8 | b.u8(86);
        return bytes.substr(128, std::min<size_t>(length, bytes.size() - 128));
    }
    return bytes;
}

std::unique_ptr<DocumentModel> ReadDoc(std::string bytes, const std::filesystem::path& file, LeftOut* leftOut) {
    return DocReader(std::move(bytes), file, leftOut).read();
}


}  // namespace tessaly::wordproc
