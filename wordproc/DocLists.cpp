// The list tables of a .doc: PlfLst (the lists, their levels after it in the
// table stream) and PlfLfo (the overrides that paragraphs name).
#include "wordproc/DocLists.h"

#include <algorithm>

#include "wordproc/SymbolFonts.h"

namespace tessaly::wordproc::doc {
namespace {

constexpr size_t kLstf = 28, kLvlf = 28, kLfo = 16;

// One LVL at offset o: the LVLF, its paragraph and character sprms, and the
// number text (an Xst whose characters 0-8 are the levels' placeholders).
// Moves o past it.
ListLevel ReadLevel(const Bytes& b, size_t& o, const std::vector<std::u16string>& fonts) {
    ListLevel level;
    level.start = static_cast<int32_t>(b.u32(o));
    level.format = NumberFormatOfCode(b.u8(o + 4));
    const uint8_t flags = b.u8(o + 5);
    level.legal = flags & 0x04;
    const bool noRestart = flags & 0x08;
    const uint8_t follow = b.u8(o + 15);
    level.follow = follow == 1 ? u" " : follow == 2 ? u"" : u"\t";
    const uint8_t chpx = b.u8(o + 24), papx = b.u8(o + 25);
    if (noRestart) level.restartBelow = b.u8(o + 26);
    o += kLvlf + papx;
    CharProps props;  // the number's font, for a symbol-font bullet
    ApplyCharSprms(b.slice(o, chpx), props);
    if (props.font && *props.font < fonts.size()) level.font = fonts[*props.font];
    o += chpx;
    const uint16_t cch = b.u16(o);
    o += 2;
    b.need(o, size_t(cch) * 2);
    for (uint16_t k = 0; k < cch; ++k) level.text.push_back(char16_t(b.u16(o + size_t(k) * 2)));
    o += size_t(cch) * 2;
    return level;
}

}  // namespace

DocLists ReadLists(const Bytes& table, const Fib& fib, const std::vector<std::u16string>& fonts) {
    DocLists lists;
    const uint32_t fcLst = fib.fc(kFcPlfLst), lcbLst = fib.lcb(kFcPlfLst);
    if (lcbLst < 2) return lists;
    try {
        const Bytes plf(table.slice(fcLst, lcbLst), "リスト表");
        const int16_t count = static_cast<int16_t>(plf.u16(0));
        // The levels follow the table, list after list.
        size_t levelsAt = size_t(fcLst) + lcbLst;
        for (int16_t i = 0; i < count; ++i) {
            const size_t lstf = 2 + size_t(i) * kLstf;
            DocList list;
            list.id = plf.u32(lstf);
            const bool simple = plf.u8(lstf + 26) & 0x01;
            for (int k = 0; k < (simple ? 1 : kListLevels); ++k) list.levels[size_t(k)] = ReadLevel(table, levelsAt, fonts);
            lists.lists.push_back(std::move(list));
        }
        const uint32_t fcLfo = fib.fc(kFcPlfLfo), lcbLfo = fib.lcb(kFcPlfLfo);
        if (lcbLfo >= 4) {
            const Bytes lfo(table.slice(fcLfo, lcbLfo), "リスト表");
            // A paragraph names an override by a 16-bit number: no more are read.
            const uint32_t n = std::min<uint32_t>(lfo.u32(0), 0xFFFF);
            if (n > lcbLfo / kLfo) throw OutOfBounds("リスト表の範囲外を指しています");
            // Each override's levels follow all the overrides, in order.
            size_t data = size_t(fcLfo) + 4 + size_t(n) * kLfo;
            for (uint32_t i = 0; i < n; ++i) {
                DocListOverride o;
                o.list = lfo.u32(4 + size_t(i) * kLfo);
                const uint8_t levels = lfo.u8(4 + size_t(i) * kLfo + 12);
                data += 4;  // the cp of the LFOData
                for (uint8_t k = 0; k < levels && k < kListLevels; ++k) {
                    const int32_t start = static_cast<int32_t>(table.u32(data));
                    const uint32_t flags = table.u32(data + 4);
                    data += 8;
                    // A level beyond the nine names none of the list's: its
                    // level description is passed over.
                    const int level = int(flags & 0x0F);
                    const bool known = level < kListLevels;
                    if ((flags & 0x10) && known) o.starts[level] = start;
                    if (flags & 0x20) {
                        ListLevel read = ReadLevel(table, data, fonts);
                        if (known) o.levels[level] = std::move(read);
                    }
                }
                lists.overrides.push_back(std::move(o));
            }
        }
        lists.readable = true;
    } catch (const OutOfBounds&) {
        lists = DocLists{};
    }
    return lists;
}

std::optional<std::pair<uint16_t, uint8_t>> ParagraphList(const ParaProps* para, const std::vector<Style>& styles) {
    if (!para) return std::nullopt;
    ListProps props = para->list;
    // The style's, or its base's: a chain longer than any real one is a loop.
    uint16_t istd = para->istd;
    for (int step = 0; step < 32 && istd < styles.size() && (!props.list || !props.level); ++step) {
        const Style& s = styles[istd];
        if (!props.list) props.list = s.list.list;
        if (!props.level && s.list.list) props.level = s.list.level;
        if (s.base == kNoStyle || s.base == istd) break;
        istd = s.base;
    }
    if (!props.list || *props.list == 0) return std::nullopt;
    return std::pair(*props.list, props.level.value_or(0));
}

std::u16string DocNumbering::next(uint16_t ilfo, uint8_t level, LeftOut* leftOut, bool inNote) {
    if (ilfo == 0 || ilfo > m_lists.overrides.size() || level >= kListLevels) return {};
    const DocListOverride& o = m_lists.overrides[ilfo - 1];
    for (size_t i = 0; i < m_lists.lists.size(); ++i) {
        if (m_lists.lists[i].id != o.list) continue;
        ListDefinition definition = m_lists.lists[i].levels;
        for (const auto& [k, lvl] : o.levels) definition[size_t(k)] = lvl;
        const auto start = o.starts.find(level);
        const std::optional<int32_t> override = start != o.starts.end() ? std::optional<int32_t>(start->second) : std::nullopt;
        const std::u16string text = (inNote ? m_noteCounters : m_counters).next(i, definition, level, override, ilfo);
        return ShowSymbols(text, definition[level].font, leftOut);
    }
    return {};
}

}  // namespace tessaly::wordproc::doc
