// The lists of a .doc: the tables that define them, which list and level a
// paragraph is in, and the numbers its paragraphs show.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "wordproc/DocTables.h"
#include "wordproc/LeftOut.h"
#include "wordproc/ListNumbers.h"

namespace tessaly::wordproc::doc {

// The list definitions (PlfLst with the levels after it) and the list
// overrides (PlfLfo) that paragraphs name. A table that cannot be read
// gives no lists: its paragraphs are then counted as numbered, not numbered.
struct DocList {
    uint32_t id = 0;  // lsid
    ListDefinition levels;
};
struct DocListOverride {
    uint32_t list = 0;  // the lsid of the list it overrides
    std::map<int, int32_t> starts;
    std::map<int, ListLevel> levels;
};
struct DocLists {
    std::vector<DocList> lists;
    std::vector<DocListOverride> overrides;  // by sprmPIlfo − 1
    bool readable = false;
};
DocLists ReadLists(const Bytes& table, const Fib& fib, const std::vector<std::u16string>& fonts);

// A paragraph's list and level: its own, else its style's (through the
// style's bases). Nothing for a paragraph in no list.
std::optional<std::pair<uint16_t, uint8_t>> ParagraphList(const ParaProps* para, const std::vector<Style>& styles);

// Numbers the paragraphs of the lists in document order.
class DocNumbering {
public:
    explicit DocNumbering(DocLists lists) : m_lists(std::move(lists)) {}
    bool readable() const { return m_lists.readable; }
    // The number the next paragraph of list override ilfo (from 1) at that
    // level shows, with what follows it; empty when the list or the level
    // shows nothing. Symbol-font bullets kept as private-use characters are
    // counted in leftOut.
    // The notes count apart from the main story.
    std::u16string next(uint16_t ilfo, uint8_t level, LeftOut* leftOut, bool inNote = false);

private:
    DocLists m_lists;
    ListCounters m_counters;
    ListCounters m_noteCounters;
};

}  // namespace tessaly::wordproc::doc
