// DocxNumbering: the numbering part of a .docx (w:abstractNum and w:num,
// with their level overrides and links through numbering styles) and the
// counters that number the main story's paragraphs in document order.
#pragma once

#include <map>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>

#include "wordproc/DocxStyles.h"
#include "wordproc/LeftOut.h"
#include "wordproc/ListNumbers.h"

namespace tessaly::wordproc {

// The most list definitions and lists read: far beyond any document, and
// a bound on the memory a numbering part can make the reader take.
inline constexpr size_t kMaxListDefinitions = 20'000;
inline constexpr size_t kMaxLists = 100'000;

class DocxNumbering {
public:
    DocxNumbering() = default;
    // From the numbering part's root element (w:numbering). Symbol-font
    // bullets that keep their private-use character are counted in leftOut.
    DocxNumbering(const pugi::xml_node& root, const DocxStyles& styles, LeftOut* leftOut);

    // Whether the part defines list numId.
    bool has(int numId) const { return m_nums.count(numId) > 0; }

    // The number the next paragraph of list numId shows, with what follows
    // it: at level, or, when the paragraph does not say, the level its
    // style is linked to (w:pStyle), else the first. Empty when the list or
    // the level shows nothing.
    // The notes count apart from the main story.
    std::u16string next(int numId, std::optional<int> level, std::string_view paragraphStyle, bool inNote = false);

private:
    struct Abstract {
        ListDefinition levels;
        std::map<std::string, int, std::less<>> styleLevels;  // w:pStyle of a level
        std::string numStyleLink;  // the numbering style whose list this one is
    };
    struct Num {
        int abstractId = -1;
        std::map<int, int32_t> startOverrides;
        std::map<int, ListLevel> levelOverrides;
    };
    // The abstract definition a list numbers by, links followed.
    const Abstract* abstractOf(int numId, int* abstractId) const;

    std::map<int, Abstract> m_abstracts;
    std::map<int, Num> m_nums;
    const DocxStyles* m_styles = nullptr;
    LeftOut* m_leftOut = nullptr;
    ListCounters m_counters;
    ListCounters m_noteCounters;
};

}  // namespace tessaly::wordproc
