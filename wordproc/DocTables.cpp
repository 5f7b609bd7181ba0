#include "wordproc/DocTables.h"

#include <algorithm>

#include "wordproc/ReadError.h"

namespace tessaly::wordproc::doc {
namespace {

constexpr const char* kPasswordProtected =
    "パスワードで保護（暗号化）されているため読み込めません。保護を解除して保存し直してください。";

// Refuses what is not a Word 97-2003 document, or one that cannot be read.
void CheckVersion(const Bytes& w, const std::filesystem::path& file) {
    const uint16_t ident = w.u16(0);
    const uint16_t nFib = w.u16(2);
    const uint16_t flags = w.u16(0x0A);
    // Word 6.0 writes the magic 0xA5DC, Word 95 0xA5EC, and their East Asian
    // editions 0xA697 to 0xA699 (the Japanese one 0xA697), all with versions
    // (nFib) from 101 up to Word 97's, which starts at 0x00C1.
    const bool word6or95Magic = ident == 0xA5DC || ident == 0xA5EC || (ident >= 0xA697 && ident <= 0xA699);
    if (word6or95Magic && nFib >= 101 && nFib < 0x00C1) {
        throw ReadError(ReadErrorKind::OldWordVersion, file,
                        "Word 6.0/95 以前の古い形式のため読み込めません。Word 97-2003 形式（.doc）または .docx で保存し直してください。");
    }
    if (ident != 0xA5EC || nFib < 0x00C1)
        throw ReadError(ReadErrorKind::NotWordDocument, file, "Word 文書ではありません（WordDocument ストリームの形式が不明です）。");
    if (flags & 0x0100) throw ReadError(ReadErrorKind::Encrypted, file, kPasswordProtected);
    if (flags & 0x8000)
        throw ReadError(ReadErrorKind::Encrypted, file, "難読化（暗号化）されているため読み込めません。保護を解除して保存し直してください。");
}

// Runs of one kind of property pages (FKPs): the bin table names the pages;
// each page holds count + 1 file offsets and, after them, an entry of
// entrySize bytes per run whose first byte is the word offset of its
// properties (0: none). read(page, offset) gives a run's value.
template <class T, class Read>
std::vector<FcRun<T>> ReadRuns(const Bytes& table, const Bytes& word, uint32_t fcBte, uint32_t lcbBte, size_t entrySize,
                               const char* what, Read&& read) {
    std::vector<FcRun<T>> runs;
    if (lcbBte < 4) return runs;
    const Bytes plc(table.slice(fcBte, lcbBte), what);
    const size_t n = (lcbBte - 4) / 8;
    for (size_t i = 0; i < n; ++i) {
        const uint32_t pn = plc.u32((n + 1) * 4 + i * 4) & 0x3FFFFF;
        const Bytes page(word.slice(size_t(pn) * 512, 512), what);
        const uint8_t count = page.u8(511);
        if (size_t(count) * (4 + entrySize) + 4 > 511) throw Inconsistent(std::string(what) + " のページが不正です");
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
    return runs;
}

}  // namespace

void ApplyListSprms(std::string_view grpprl, ListProps& props) {
    ForEachSprm(grpprl, [&](uint16_t sprm, std::string_view operand) {
        if (sprm == kSprmPIlfo) props.list = U16(operand);
        else if (sprm == kSprmPIlvl) props.level = static_cast<uint8_t>(operand[0]);
    });
}

void ApplyCharSprms(std::string_view grpprl, CharProps& props) {
    ForEachSprm(grpprl, [&](uint16_t sprm, std::string_view operand) {
        if (sprm == kSprmCKcd) {
            const int kcd = static_cast<uint8_t>(operand[0]);
            props.emphasis = kcd <= 4 ? kcd : 0;
        } else if (sprm == kSprmCIstd) {
            props.charStyle = U16(operand);
        } else if (sprm == kSprmCSymbol) {
            props.symbol = SymbolCode{U16(operand), U16(operand.substr(2))};
        } else if (sprm == kSprmCRgFtc0 || ((sprm == kSprmCRgFtc1 || sprm == kSprmCRgFtc2) && !props.font)) {
            props.font = U16(operand);
        } else if (sprm == kSprmCFELayout && operand.size() >= 7) {
            // A length byte, the flags (fTNY: 縦中横, fWarichu: two lines in
            // one, iWarichuBracket), then the stretch's number.
            const uint16_t flags = U16(operand.substr(1));
            FarEastLayout layout;
            if (flags & 0x0002) {
                const int bracket = (flags >> 8) & 0x7;
                layout.layout = bracket <= 4 ? static_cast<EastAsianLayout>(1 + bracket) : EastAsianLayout::TwoLinesNoBrackets;
            } else if (flags & 0x0001) {
                layout.layout = EastAsianLayout::HorizontalInVertical;
            }
            layout.id = U16(operand.substr(3)) | uint32_t(U16(operand.substr(5))) << 16;
            props.layout = layout;
        }
    });
}

Fib ReadFib(const Bytes& w, const std::filesystem::path& file) {
    if (w.size() < 0x22) throw Inconsistent("FIB が短すぎます");
    CheckVersion(w, file);
    Fib fib;
    fib.flags = w.u16(0x0A);
    // FibBase, then csw and FibRgW97, cslw and FibRgLw97, cbRgFcLcb and the pairs.
    size_t o = 0x20;
    const uint16_t csw = w.u16(o);
    o += 2 + size_t(csw) * 2;
    const uint16_t cslw = w.u16(o);
    const size_t rgLw = o + 2;
    if (cslw <= kCcpText) throw Inconsistent("FIB の長さが不正です");
    o = rgLw + size_t(cslw) * 4;
    const uint16_t cbRgFcLcb = w.u16(o);  // the counts lie before it, so they are in the stream
    for (size_t k = 0; k < cslw; ++k) fib.counts.push_back(w.u32(rgLw + k * 4));
    const size_t rgFcLcb = o + 2;
    if (cbRgFcLcb <= kFcClx) throw Inconsistent("FIB の長さが不正です");
    // The pairs up to the piece table's must be there; later ones are read
    // as far as the stream holds them.
    for (size_t k = 0; k < cbRgFcLcb; ++k) {
        const size_t at = rgFcLcb + k * 8;
        if (k > kFcClx && at + 8 > w.size()) break;
        fib.tables.push_back(w.u32(at) | uint64_t(w.u32(at + 4)) << 32);
    }
    return fib;
}

std::vector<Piece> ReadPieces(const Bytes& table, const Fib& fib) {
    if (fib.lcb(kFcClx) == 0) throw Inconsistent("ピーステーブルがありません");
    const Bytes clx(table.slice(fib.fc(kFcClx), fib.lcb(kFcClx)), "ピーステーブル");
    std::vector<std::string_view> prcs;
    size_t o = 0;
    while (o < clx.size() && clx.u8(o) == 0x01) {  // Prc: property modifiers of complex pieces
        const uint16_t cb = clx.u16(o + 1);
        prcs.push_back(clx.slice(o + 3, cb));
        o += 3 + cb;
    }
    if (o >= clx.size() || clx.u8(o) != 0x02) throw Inconsistent("ピーステーブルが見つかりません");
    const uint32_t lcb = clx.u32(o + 1);
    const Bytes plc(clx.slice(o + 5, lcb), "ピーステーブル");
    if (lcb < 4 || (lcb - 4) % 12 != 0) throw Inconsistent("ピーステーブルの長さが不正です");
    const size_t n = (lcb - 4) / 12;
    std::vector<Piece> pieces;
    pieces.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        Piece p;
        p.cpStart = plc.u32(i * 4);
        p.cpEnd = plc.u32((i + 1) * 4);
        const size_t pcd = (n + 1) * 4 + i * 8;
        const uint32_t fcRaw = plc.u32(pcd + 2);
        p.compressed = (fcRaw & 0x40000000) != 0;
        p.fc = p.compressed ? (fcRaw & 0x3FFFFFFF) / 2 : fcRaw & 0x3FFFFFFF;
        // The property modifier: a Prc of the table (fComplex) or one sprm.
        const uint16_t prm = plc.u16(pcd + 6);
        if ((prm & 1) && (prm >> 1) < prcs.size()) ApplyCharSprms(prcs[prm >> 1], p.props);
        if (p.cpEnd < p.cpStart) throw Inconsistent("ピーステーブルの順序が不正です");
        pieces.push_back(p);
    }
    return pieces;
}

std::vector<Style> ReadStyles(const Bytes& table, const Fib& fib) {
    std::vector<Style> styles;
    if (fib.lcb(kFcStshf) < 2) return styles;
    const Bytes stsh(table.slice(fib.fc(kFcStshf), fib.lcb(kFcStshf)), "スタイルシート");
    const uint16_t cbStshi = stsh.u16(0);
    const uint16_t cstd = stsh.u16(2);
    const uint16_t cbStdBase = stsh.u16(4);
    size_t o = 2 + size_t(cbStshi);
    styles.resize(cstd);
    for (uint16_t istd = 0; istd < cstd && o + 2 <= stsh.size(); ++istd) {
        const uint16_t cbStd = stsh.u16(o);
        const size_t std = o + 2;
        o = std + cbStd;
        if (cbStd == 0) continue;
        if (o > stsh.size()) break;  // past the sheet's end
        const Bytes s(stsh.slice(std, cbStd), "スタイル");
        if (cbStd < cbStdBase || cbStdBase < 10) continue;
        const uint16_t stk = s.u16(2) & 0x000F;
        Style& style = styles[istd];
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
            if (isChpx) ApplyCharSprms(upx, style.props);
            else if (stk == 1 && k == 0 && upx.size() >= 2) ApplyListSprms(upx.substr(2), style.list);  // after its istd
        }
    }
    return styles;
}

void ReadNotes(const Bytes& table, const Fib& fib, FibTable ref, FibTable txt, uint32_t storyStart, uint32_t storyLength,
               bool footnote, std::vector<DocNote>& notes) {
    const uint32_t lcbRef = fib.lcb(ref), lcbTxt = fib.lcb(txt);
    if (lcbRef < 10 || lcbTxt < 8) return;
    std::vector<DocNote> found;
    try {
        // References: n + 1 positions and n FRDs of two bytes; texts: the
        // start of each note, then the end of the last.
        const Bytes refs(table.slice(fib.fc(ref), lcbRef), "脚注の表");
        const Bytes texts(table.slice(fib.fc(txt), lcbTxt), "脚注の表");
        // Each reference is a character of the main story, after the one before.
        const size_t n = std::min<size_t>((lcbRef - 4) / 6, fib.count(kCcpText));
        if (lcbTxt / 4 < n + 1) return;
        for (size_t i = 0; i < n; ++i) {
            const uint32_t reference = refs.u32(i * 4);
            const uint32_t from = texts.u32(i * 4), to = texts.u32((i + 1) * 4);
            if (from > to || to > storyLength || reference >= fib.count(kCcpText)) return;
            if (!found.empty() && reference <= found.back().reference) return;
            found.push_back({reference, storyStart + from, storyStart + to, footnote});
        }
    } catch (const OutOfBounds&) {
        return;
    }
    notes.insert(notes.end(), found.begin(), found.end());
}

std::vector<std::u16string> ReadFontNames(const Bytes& table, const Fib& fib) {
    std::vector<std::u16string> names;
    if (fib.lcb(kFcSttbfFfn) < 4) return names;
    try {
        // An STTB: the count, no extra data, then each FFN after its length
        // byte; the name starts 39 bytes into the FFN (after the family,
        // weight, character set, alternate name offset, PANOSE and signature).
        const Bytes sttb(table.slice(fib.fc(kFcSttbfFfn), fib.lcb(kFcSttbfFfn)), "フォント表");
        const uint16_t count = sttb.u16(0);
        size_t o = 4;
        for (uint16_t i = 0; i < count; ++i) {
            const uint8_t cch = sttb.u8(o);
            const Bytes ffn(sttb.slice(o + 1, cch), "フォント表");
            o += 1 + size_t(cch);
            std::u16string name;
            for (size_t k = 39; k + 2 <= ffn.size() && ffn.u16(k) != 0; k += 2) name.push_back(char16_t(ffn.u16(k)));
            names.push_back(std::move(name));
        }
    } catch (const OutOfBounds&) {
    }
    return names;
}

// Character properties (CHPX: a count byte, then sprms).
std::vector<FcRun<CharProps>> ReadCharRuns(const Bytes& table, const Bytes& word, const Fib& fib) {
    return ReadRuns<CharProps>(table, word, fib.fc(kFcPlcfBteChpx), fib.lcb(kFcPlcfBteChpx), 1, "文字書式",
                               [](const Bytes& page, size_t at) {
                                   CharProps props;
                                   ApplyCharSprms(page.slice(at + 1, page.u8(at)), props);
                                   return props;
                               });
}

// The paragraph style of each paragraph (PAPX: a count byte, or 0 and a
// second count byte, then the style index).
std::vector<FcRun<ParaProps>> ReadParagraphRuns(const Bytes& table, const Bytes& word, const Fib& fib) {
    return ReadRuns<ParaProps>(table, word, fib.fc(kFcPlcfBtePapx), fib.lcb(kFcPlcfBtePapx), 13, "段落書式",
                               [](const Bytes& page, size_t at) {
                                   // A count of words (2 × count − 1 bytes), or 0 and a count of words
                                   // (2 × count bytes): the style index, then the grpprl.
                                   const uint8_t cb = page.u8(at);
                                   const size_t size = cb != 0 ? size_t(cb) * 2 - 1 : size_t(page.u8(at + 1)) * 2;
                                   const size_t data = cb != 0 ? at + 1 : at + 2;
                                   ParaProps props;
                                   props.istd = page.u16(data);
                                   const size_t available = page.size() > data + 2 ? page.size() - data - 2 : 0;
                                   if (size > 2) ApplyListSprms(page.slice(data + 2, std::min(size - 2, available)), props.list);
                                   return props;
                               });
}

}  // namespace tessaly::wordproc::doc
