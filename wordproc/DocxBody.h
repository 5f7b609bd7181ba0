// DocxBody: the walk over the body of a .docx main part, one body child at a
// time, feeding the story: paragraphs, tables, content controls and other
// wrappers, runs with their text and special characters, fields, w:ruby, and
// each run's emphasis mark from its properties or its styles.
//
// The walk recurses into nested elements: the caller refuses parts nested
// deeper than kMaxXmlDepth (XmlBlockScanner), so its depth is bounded.
#pragma once

#include <map>
#include <optional>
#include <pugixml.hpp>
#include <string>

#include "wordproc/DocxNumbering.h"
#include "wordproc/DocxStyles.h"
#include "wordproc/DocxXml.h"
#include "wordproc/LeftOut.h"
#include "wordproc/StoryAssembler.h"

namespace tessaly::wordproc {

// What a story part holds that the main story's conversion leaves out: its
// rubies (w:ruby and EQ ruby fields) and whether it has text. Text boxes in
// part are counted too (those inside mc:Choice, which its mc:Fallback
// repeats, are not). Iterative: parts of any depth.
struct PartContent {
    size_t rubies = 0;
    bool hasText = false;
    size_t textBoxes = 0;
    size_t textBoxRubies = 0;
    bool textBoxText = false;
};
PartContent ExamineContent(const pugi::xml_node& root, const WordNames& w);

// The footnotes and endnotes of a package, by their w:id.
struct DocxNotes {
    std::map<std::string, pugi::xml_node, std::less<>> footnotes;
    std::map<std::string, pugi::xml_node, std::less<>> endnotes;
    WordNames footnoteNames, endnoteNames;
};

class DocxBody {
public:
    // leftOut, when given, records the text boxes, and the numbers written
    // or, without numbering, the numbered paragraphs whose numbers are not.
    DocxBody(const DocxStyles& styles, StoryAssembler& story, LeftOut* leftOut = nullptr, DocxNumbering* numbering = nullptr)
        : m_styles(styles), m_story(story), m_leftOut(leftOut), m_numbering(numbering) {}

    // The names the part uses, from its root element.
    void setNames(WordNames names) { m_w = std::move(names); }
    // The notes that stand at their references; none: references are passed over.
    void setNotes(const DocxNotes* notes) { m_notes = notes; }

    // Walks one child element of w:body.
    void block(const pugi::xml_node& node);

private:
    void blockContent(const pugi::xml_node& node);
    void blocks(const pugi::xml_node& parent);
    void rows(const pugi::xml_node& parent);
    void paragraph(const pugi::xml_node& p);
    // A numbered paragraph's number, at its start.
    void number(const DocxStyles::Numbering& numbering, const std::string& style);
    void inlines(const pugi::xml_node& parent);
    void runContent(const pugi::xml_node& parent, int em);
    void ruby(const pugi::xml_node& ruby, int em);
    // A note's text at its reference.
    void note(const pugi::xml_node& reference, bool footnote);
    // Appends the text of n's runs (deleted text and field codes left out).
    void appendTextOf(const pugi::xml_node& n, std::u16string& out) const;
    pugi::xml_node firstRun(const pugi::xml_node& n) const;
    void text(std::string_view utf8, int em);
    // A character of a symbol font, as the font shows it.
    void symbol(char32_t code, const std::u16string& font, int em);
    // The East Asian layout of a run (w:eastAsianLayout), and the same set
    // on the story for what the run holds.
    EastAsianLayout runLayout(const pugi::xml_node& run) const;
    void setRunLayout(const pugi::xml_node& run);
    // The font of the run being read, from its own properties; empty when
    // they name none.
    std::u16string runFont() const;

    // A run's emphasis: its own properties' (direct or through its style),
    // else the paragraph style's, else the document default's.
    int runEmphasis(const pugi::xml_node& run) const;

    const DocxStyles& m_styles;
    StoryAssembler& m_story;
    LeftOut* m_leftOut;
    DocxNumbering* m_numbering;
    const DocxNotes* m_notes = nullptr;
    WordNames m_w;
    std::optional<int> m_paragraphEmphasis;  // of the current paragraph's style
    pugi::xml_node m_run;                    // the run being read, if any
    EastAsianLayout m_runLayout = EastAsianLayout::None;
    std::u16string m_text;
};

}  // namespace tessaly::wordproc
