#include "wordproc/DocxStyles.h"

#include <cstdlib>

#include "wordproc/DocxXml.h"

namespace tessaly::wordproc {

DocxStyles::DocxStyles(const pugi::xml_node& root) {
    const WordNames w(root);
    auto emphasisOf = [&](const pugi::xml_node& rPr) -> std::optional<int> {
        const pugi::xml_node em = w.child(rPr, "em");
        if (!em) return std::nullopt;
        return EmphasisValue(w.attribute(em, "val").value_or("none"));
    };
    if (auto defaults = w.child(root, "docDefaults"))
        if (auto rPrDefault = w.child(defaults, "rPrDefault")) m_defaultEmphasis = emphasisOf(w.child(rPrDefault, "rPr"));
    for (pugi::xml_node s : root.children()) {
        if (!w.is(s, "style")) continue;
        const auto id = w.attribute(s, "styleId");
        if (!id) continue;
        Style style;
        if (auto based = w.child(s, "basedOn")) style.basedOn = w.attribute(based, "val").value_or("");
        style.emphasis = emphasisOf(w.child(s, "rPr"));
        if (auto numPr = w.child(w.child(s, "pPr"), "numPr"))
            if (auto numId = w.child(numPr, "numId")) {
                Numbering n;
                n.list = std::atoi(std::string(w.attribute(numId, "val").value_or("0")).c_str());
                if (auto ilvl = w.child(numPr, "ilvl")) n.level = std::atoi(std::string(w.attribute(ilvl, "val").value_or("0")).c_str());
                style.numbering = n;
            }
        const auto isDefault = w.attribute(s, "default");
        if (w.attribute(s, "type") == "paragraph" && (isDefault == "1" || isDefault == "true"))
            m_defaultParagraphStyle = *id;
        m_styles[std::string(*id)] = std::move(style);
    }
}

std::optional<int> DocxStyles::emphasis(std::string_view styleId) const {
    // A chain longer than any real one is a loop.
    for (int step = 0; step < 64 && !styleId.empty(); ++step) {
        const auto it = m_styles.find(styleId);
        if (it == m_styles.end()) return std::nullopt;
        if (it->second.emphasis) return it->second.emphasis;
        styleId = it->second.basedOn;
    }
    return std::nullopt;
}

bool DocxStyles::numbered(std::string_view styleId) const {
    const auto n = numbering(styleId);
    return n && n->list != 0;
}

std::optional<DocxStyles::Numbering> DocxStyles::numbering(std::string_view styleId) const {
    for (int step = 0; step < 64 && !styleId.empty(); ++step) {
        const auto it = m_styles.find(styleId);
        if (it == m_styles.end()) return std::nullopt;
        if (it->second.numbering) return it->second.numbering;
        styleId = it->second.basedOn;
    }
    return std::nullopt;
}

}  // namespace tessaly::wordproc
