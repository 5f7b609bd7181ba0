#include "wordproc/DocxNumbering.h"

#include <cstdlib>

#include "engine/Text.h"
#include "wordproc/DocxXml.h"
#include "wordproc/SymbolFonts.h"

namespace tessaly::wordproc {
namespace {

int IntOf(std::optional<std::string_view> value, int otherwise) {
    if (!value || value->empty()) return otherwise;
    return std::atoi(std::string(*value).c_str());
}

bool OnOff(const WordNames& w, const pugi::xml_node& n) {
    if (!n) return false;
    const auto v = w.attribute(n, "val");
    return !v || (*v != "0" && *v != "false" && *v != "off");
}

ListLevel ReadLevel(const WordNames& w, const pugi::xml_node& lvl) {
    ListLevel level;
    level.start = IntOf(w.attribute(w.child(lvl, "start"), "val"), 0);
    if (const auto fmt = w.attribute(w.child(lvl, "numFmt"), "val")) level.format = NumberFormatNamed(*fmt);
    if (const auto text = w.attribute(w.child(lvl, "lvlText"), "val")) level.text = LevelTextFromPercents(FromUtf8(*text));
    if (auto restart = w.child(lvl, "lvlRestart")) level.restartBelow = IntOf(w.attribute(restart, "val"), -1);
    level.legal = OnOff(w, w.child(lvl, "isLgl"));
    const std::string_view suffix = w.attribute(w.child(lvl, "suff"), "val").value_or("tab");
    level.follow = suffix == "space" ? u" " : suffix == "nothing" ? u"" : u"\t";
    const pugi::xml_node fonts = w.child(w.child(lvl, "rPr"), "rFonts");
    for (const char* which : {"ascii", "hAnsi", "eastAsia", "cs"})
        if (const auto font = w.attribute(fonts, which)) {
            level.font = FromUtf8(*font);
            break;
        }
    return level;
}

}  // namespace

DocxNumbering::DocxNumbering(const pugi::xml_node& root, const DocxStyles& styles, LeftOut* leftOut)
    : m_styles(&styles), m_leftOut(leftOut) {
    const WordNames w(root);
    for (pugi::xml_node n : root.children()) {
        if (w.is(n, "abstractNum") && m_abstracts.size() < kMaxListDefinitions) {
            Abstract a;
            for (pugi::xml_node lvl : n.children()) {
                if (!w.is(lvl, "lvl")) continue;
                const int i = IntOf(w.attribute(lvl, "ilvl"), 0);
                if (i < 0 || i >= kListLevels) continue;
                a.levels[size_t(i)] = ReadLevel(w, lvl);
                if (const auto style = w.attribute(w.child(lvl, "pStyle"), "val")) a.styleLevels.emplace(std::string(*style), i);
            }
            a.numStyleLink = std::string(w.attribute(w.child(n, "numStyleLink"), "val").value_or(""));
            m_abstracts[IntOf(w.attribute(n, "abstractNumId"), -1)] = std::move(a);
        } else if (w.is(n, "num") && m_nums.size() < kMaxLists) {
            Num num;
            num.abstractId = IntOf(w.attribute(w.child(n, "abstractNumId"), "val"), -1);
            for (pugi::xml_node o : n.children()) {
                if (!w.is(o, "lvlOverride")) continue;
                const int i = IntOf(w.attribute(o, "ilvl"), 0);
                if (i < 0 || i >= kListLevels) continue;
                if (auto start = w.child(o, "startOverride")) num.startOverrides[i] = IntOf(w.attribute(start, "val"), 0);
                if (auto lvl = w.child(o, "lvl")) num.levelOverrides[i] = ReadLevel(w, lvl);
            }
            m_nums[IntOf(w.attribute(n, "numId"), -1)] = std::move(num);
        }
    }
}

const DocxNumbering::Abstract* DocxNumbering::abstractOf(int numId, int* abstractId) const {
    // A list defined through a numbering style takes the list of that
    // style's numbering; a chain longer than any real one is a loop.
    for (int step = 0; step < 8; ++step) {
        const auto num = m_nums.find(numId);
        if (num == m_nums.end()) return nullptr;
        const auto a = m_abstracts.find(num->second.abstractId);
        if (a == m_abstracts.end()) return nullptr;
        *abstractId = a->first;
        if (a->second.numStyleLink.empty() || !m_styles) return &a->second;
        const auto linked = m_styles->numbering(a->second.numStyleLink);
        if (!linked || linked->list == numId) return &a->second;
        numId = linked->list;
    }
    return nullptr;
}

std::u16string DocxNumbering::next(int numId, std::optional<int> level, std::string_view paragraphStyle, bool inNote) {
    int abstractId = -1;
    const Abstract* a = abstractOf(numId, &abstractId);
    if (!a) return {};
    const Num& num = m_nums.at(numId);
    if (!level) {
        const auto linked = a->styleLevels.find(paragraphStyle);
        level = linked != a->styleLevels.end() ? linked->second : 0;
    }
    if (*level < 0 || *level >= kListLevels) level = 0;
    ListDefinition definition = a->levels;
    for (const auto& [i, lvl] : num.levelOverrides) definition[size_t(i)] = lvl;
    const auto start = num.startOverrides.find(*level);
    const std::optional<int32_t> override = start != num.startOverrides.end() ? std::optional<int32_t>(start->second) : std::nullopt;
    // The lists of one definition count together, as the word processor counts them.
    ListCounters& counters = inNote ? m_noteCounters : m_counters;
    const std::u16string text = counters.next(uint64_t(uint32_t(abstractId)), definition, *level, override, uint64_t(uint32_t(numId)));
    return ShowSymbols(text, definition[size_t(*level)].font, m_leftOut);
}

}  // namespace tessaly::wordproc
