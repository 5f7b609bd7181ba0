// Writes a minimal Word 97-2003 document: one piece of UTF-16 text, one page
// of character properties with a grpprl for each run, and optionally a font
// table and a style sheet given as bytes. For tests that need properties no
// word processor at hand writes (a symbol character, numbered East Asian
// layout stretches) or a table of a particular shape.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/CompoundFile.h"

namespace tessaly::testing {

struct DocRun {
    std::u16string text;  // paragraph marks as \r
    std::string grpprl;   // the run's sprms, as bytes
};

struct MiniDocContent {
    std::vector<DocRun> runs;
    std::vector<std::u16string> fonts;  // the font table, by index
    std::string styleSheet;             // an STSH as bytes, when there is to be one
    uint32_t styleSheetLength = 0;      // its length as the FIB states it (0: its size)
};

namespace minidoc_detail {

inline void Put16(std::string& b, size_t at, uint16_t v) { compound_detail::Put16(b, at, v); }
inline void Put32(std::string& b, size_t at, uint32_t v) { compound_detail::Put32(b, at, v); }
inline void Append16(std::string& b, uint16_t v) { b.append({char(v & 0xFF), char(v >> 8)}); }
inline void Append32(std::string& b, uint32_t v) {
    Append16(b, uint16_t(v & 0xFFFF));
    Append16(b, uint16_t(v >> 16));
}

// The FIB's pair (fc, lcb) of that index.
inline void SetPair(std::string& word, int index, uint32_t fc, uint32_t lcb) {
    Put32(word, 0x9A + size_t(index) * 8, fc);
    Put32(word, 0x9A + size_t(index) * 8 + 4, lcb);
}

inline std::string FontTable(const std::vector<std::u16string>& fonts) {
    std::string sttb;
    Append16(sttb, uint16_t(fonts.size()));
    Append16(sttb, 0);
    for (const auto& name : fonts) {
        std::string ffn(39, '\0');  // family, weight, character set, alternate name, PANOSE, signature
        for (char16_t c : name) Append16(ffn, c);
        Append16(ffn, 0);
        sttb += char(ffn.size());
        sttb += ffn;
    }
    return sttb;
}

}  // namespace minidoc_detail

inline std::string WriteMiniDoc(const MiniDocContent& doc) {
    using namespace minidoc_detail;
    constexpr uint32_t kText = 0x400;
    std::string word(kText, '\0');
    Put16(word, 0x00, 0xA5EC);  // wIdent
    Put16(word, 0x02, 0x00C1);  // nFib: Word 97
    Put16(word, 0x0A, 0x0200);  // fWhichTblStm: 1Table
    Put16(word, 0x20, 14);      // csw
    Put16(word, 0x3E, 22);      // cslw
    Put16(word, 0x98, 93);      // cbRgFcLcb

    std::vector<uint32_t> bounds{kText};
    uint32_t characters = 0;
    for (const auto& run : doc.runs) {
        for (char16_t c : run.text) Append16(word, c);
        characters += uint32_t(run.text.size());
        bounds.push_back(uint32_t(word.size()));
    }
    Put32(word, 0x40 + 3 * 4, characters);  // ccpText

    // The page of character properties: the runs' offsets, one offset byte
    // each, and the CHPXs from the page's end backwards.
    if (doc.runs.size() > 100) throw std::length_error("more runs than one page holds");
    word.resize((word.size() + 511) / 512 * 512, '\0');
    const uint32_t pn = uint32_t(word.size() / 512);
    std::string page(512, '\0');
    const size_t n = doc.runs.size();
    for (size_t k = 0; k <= n; ++k) Put32(page, k * 4, bounds[k]);
    size_t end = 511;
    for (size_t k = 0; k < n; ++k) {
        const std::string& g = doc.runs[k].grpprl;
        if (g.empty()) continue;
        size_t at = (end - 1 - g.size()) & ~size_t(1);
        if (at < (n + 1) * 4 + n) throw std::length_error("the runs' properties do not fit one page");
        page[at] = char(g.size());
        page.replace(at + 1, g.size(), g);
        page[(n + 1) * 4 + k] = char(at / 2);
        end = at;
    }
    page[511] = char(n);
    word += page;
    Put32(word, 0x40, uint32_t(word.size()));  // cbMac

    std::string table;
    // The piece table: one piece of uncompressed text.
    std::string plcPcd;
    Append32(plcPcd, 0);
    Append32(plcPcd, characters);
    Append16(plcPcd, 0);
    Append32(plcPcd, kText);
    Append16(plcPcd, 0);
    table += '\x02';
    Append32(table, uint32_t(plcPcd.size()));
    table += plcPcd;
    SetPair(word, 33, 0, uint32_t(table.size()));
    // The bin table: the one page.
    SetPair(word, 12, uint32_t(table.size()), 12);
    Append32(table, bounds.front());
    Append32(table, bounds.back());
    Append32(table, pn);
    if (!doc.fonts.empty()) {
        const std::string fonts = FontTable(doc.fonts);
        SetPair(word, 15, uint32_t(table.size()), uint32_t(fonts.size()));
        table += fonts;
    }
    if (!doc.styleSheet.empty()) {
        SetPair(word, 1, uint32_t(table.size()), doc.styleSheetLength ? doc.styleSheetLength : uint32_t(doc.styleSheet.size()));
        table += doc.styleSheet;
    }
    return WriteCompoundFile({{"WordDocument", word}, {"1Table", table}});
}

// Sprms as bytes, for a run's grpprl.
inline std::string SprmSymbol(uint16_t font, char16_t code) {  // sprmCSymbol
    std::string s("\x09\x6A", 2);
    minidoc_detail::Append16(s, font);
    minidoc_detail::Append16(s, code);
    return s;
}
inline std::string SprmFont(uint16_t font) {  // sprmCRgFtc0
    std::string s("\x4F\x4A", 2);
    minidoc_detail::Append16(s, font);
    return s;
}
// sprmCFELayout: flags (bit 0 縦中横, bit 1 two lines in one, bits 8-10 the
// brackets) and the stretch's number.
inline std::string SprmLayout(uint16_t flags, uint32_t id) {
    std::string s("\x78\xCA\x06", 3);
    minidoc_detail::Append16(s, flags);
    minidoc_detail::Append32(s, id);
    return s;
}
inline std::string SprmEmphasis(int mark) { return std::string("\x34\x2A", 2) + char(mark); }  // sprmCKcd

}  // namespace tessaly::testing
