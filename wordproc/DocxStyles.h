// DocxStyles: what the styles part of a .docx says about emphasis marks: each
// style's own mark or the one it inherits through w:basedOn, the document
// defaults' mark, and the default paragraph style.
#pragma once

#include <map>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>

namespace tessaly::wordproc {

class DocxStyles {
public:
    DocxStyles() = default;
    // From the styles part's root element (w:styles).
    explicit DocxStyles(const pugi::xml_node& root);

    // A style's emphasis mark: its own, else its w:basedOn chain's; nothing
    // when no style of the chain has one (or the chain loops).
    std::optional<int> emphasis(std::string_view styleId) const;
    // The mark of the document defaults' run properties, when they have one.
    std::optional<int> defaultEmphasis() const { return m_defaultEmphasis; }
    // Whether paragraphs of a style are numbered (a list or heading number,
    // w:numPr with a list other than 0, its own or its w:basedOn chain's).
    bool numbered(std::string_view styleId) const;
    // The list of a style's paragraphs (w:numPr, its own or its chain's):
    // the list and, when the style says, the level.
    struct Numbering {
        int list = 0;
        std::optional<int> level;
    };
    std::optional<Numbering> numbering(std::string_view styleId) const;
    // The style of a paragraph that names none.
    const std::string& defaultParagraphStyle() const { return m_defaultParagraphStyle; }

private:
    struct Style {
        std::string basedOn;
        std::optional<int> emphasis;
        std::optional<Numbering> numbering;
    };
    std::map<std::string, Style, std::less<>> m_styles;
    std::optional<int> m_defaultEmphasis;
    std::string m_defaultParagraphStyle;
};

}  // namespace tessaly::wordproc
