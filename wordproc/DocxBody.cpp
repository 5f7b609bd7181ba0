#include "wordproc/DocxBody.h"

#include <algorithm>
#include <cstdlib>

#include "engine/Text.h"
#include "wordproc/EqField.h"
#include "wordproc/SymbolFonts.h"

namespace tessaly::wordproc {

namespace {

struct ContentWalker : pugi::xml_tree_walker {
    const WordNames& w;
    PartContent content;
    // The open text boxes and mc:Choice elements above the node, by depth:
    // kept as the walk goes, so that no node looks up its ancestors.
    std::vector<std::pair<int, bool>> open;  // (depth, is a text box)
    int boxes = 0, choices = 0;              // of them
    explicit ContentWalker(const WordNames& names) : w(names) {}

    void push(bool isBox) {
        open.emplace_back(depth(), isBox);
        ++(isBox ? boxes : choices);
    }
    bool for_each(pugi::xml_node& n) override {
        while (!open.empty() && open.back().first >= depth()) {
            --(open.back().second ? boxes : choices);
            open.pop_back();
        }
        const bool box = boxes > 0;
        const std::string_view name = n.name();
        const std::string_view local = w.local(n);
        if (name.ends_with(":Choice") || name == "Choice") push(false);
        if (choices > 0) return true;  // what mc:Fallback repeats
        if (local == "txbxContent") {
            ++content.textBoxes;
            push(true);
            return true;
        }
        const bool ruby = local == "ruby" || (local == "instrText" && ParseEqField(FromUtf8(n.text().get())).value_or(EqField{}).isRuby);
        const bool text = local == "t" && std::string_view(n.text().get()).find_first_not_of(" \t") != std::string_view::npos;
        if (box) {
            if (ruby) ++content.textBoxRubies;
            if (text) content.textBoxText = true;
        } else {
            if (ruby) ++content.rubies;
            if (text) content.hasText = true;
        }
        return true;
    }
};

}  // namespace

PartContent ExamineContent(const pugi::xml_node& root, const WordNames& w) {
    ContentWalker walker(w);
    pugi::xml_node node = root;
    node.traverse(walker);
    return walker.content;
}

void DocxBody::block(const pugi::xml_node& c) {
    if (m_leftOut) {
        // Text boxes stand in runs the walk passes over.
        const PartContent boxes = ExamineContent(c, m_w);
        if (boxes.textBoxes > 0)
            m_leftOut->addStory({"テキストボックス", boxes.textBoxRubies, boxes.textBoxes, boxes.textBoxText || boxes.textBoxRubies > 0});
    }
    blockContent(c);
}

void DocxBody::blockContent(const pugi::xml_node& c) {
    if (m_w.isAlternateContent(c)) {
        blocks(m_w.fallbackOf(c));
        return;
    }
    const std::string_view l = m_w.local(c);
    if (l == "p") paragraph(c);
    else if (l == "tbl") rows(c);
    else if (l == "sdt") blocks(m_w.child(c, "sdtContent"));
    else if (l == "customXml" || l == "ins" || l == "moveTo") blocks(c);
}

void DocxBody::blocks(const pugi::xml_node& parent) {
    for (pugi::xml_node c : parent.children()) blockContent(c);
}

// Rows, possibly wrapped in content controls or custom XML; each cell's
// paragraphs in order, and the end of each row ends a paragraph.
void DocxBody::rows(const pugi::xml_node& parent) {
    for (pugi::xml_node c : parent.children()) {
        const std::string_view l = m_w.local(c);
        if (l == "tr") {
            for (pugi::xml_node cell : c.children()) {
                const std::string_view cl = m_w.local(cell);
                if (cl == "tc") blocks(cell);
                else if (cl == "sdt") rows(m_w.child(cell, "sdtContent"));
                else if (cl == "customXml") rows(cell);
            }
            m_story.paragraphEnd();
        } else if (l == "sdt") {
            rows(m_w.child(c, "sdtContent"));
        } else if (l == "customXml") {
            rows(c);
        } else if (l == "tc") {  // cells met through a wrapper inside a row
            blocks(c);
        }
    }
}

void DocxBody::paragraph(const pugi::xml_node& p) {
    std::string style = m_styles.defaultParagraphStyle();
    std::optional<DocxStyles::Numbering> numbering;  // its own, over its style's
    if (auto pPr = m_w.child(p, "pPr")) {
        if (auto pStyle = m_w.child(pPr, "pStyle"))
            if (const auto id = m_w.attribute(pStyle, "val")) style = *id;
        if (auto numPr = m_w.child(pPr, "numPr"))
            if (auto numId = m_w.child(numPr, "numId")) {
                numbering = DocxStyles::Numbering{0, std::nullopt};
                numbering->list = std::atoi(std::string(m_w.attribute(numId, "val").value_or("0")).c_str());
                if (auto ilvl = m_w.child(numPr, "ilvl"))
                    numbering->level = std::atoi(std::string(m_w.attribute(ilvl, "val").value_or("0")).c_str());
            }
    }
    if (!numbering && !style.empty()) numbering = m_styles.numbering(style);
    if (numbering && numbering->list != 0) number(*numbering, style);
    m_paragraphEmphasis = style.empty() ? std::nullopt : m_styles.emphasis(style);
    inlines(p);
    m_story.paragraphEnd();
}

void DocxBody::number(const DocxStyles::Numbering& numbering, const std::string& style) {
    if (!m_numbering) {
        if (m_leftOut) ++m_leftOut->unnumberedParagraphs;
        return;
    }
    const std::u16string shown = m_numbering->next(numbering.list, numbering.level, style, m_story.inNote());
    if (shown.empty()) return;
    m_story.text(shown, 0);
    if (m_leftOut) ++m_leftOut->writtenNumbers;
}

int DocxBody::runEmphasis(const pugi::xml_node& r) const {
    if (auto rPr = m_w.child(r, "rPr")) {
        if (auto em = m_w.child(rPr, "em")) return EmphasisValue(m_w.attribute(em, "val").value_or("none"));
        if (auto rStyle = m_w.child(rPr, "rStyle"))
            if (const auto id = m_w.attribute(rStyle, "val"))
                if (auto em = m_styles.emphasis(*id)) return *em;
    }
    if (m_paragraphEmphasis) return *m_paragraphEmphasis;
    return m_styles.defaultEmphasis().value_or(0);
}

namespace {

bool OnOff(std::optional<std::string_view> value) {
    return value && (*value == "1" || *value == "true" || *value == "on");
}

}  // namespace

EastAsianLayout DocxBody::runLayout(const pugi::xml_node& r) const {
    const pugi::xml_node layout = m_w.child(m_w.child(r, "rPr"), "eastAsianLayout");
    if (!layout) return EastAsianLayout::None;
    if (OnOff(m_w.attribute(layout, "combine"))) {
        const std::string_view brackets = m_w.attribute(layout, "combineBrackets").value_or("none");
        if (brackets == "round") return EastAsianLayout::TwoLinesParentheses;
        if (brackets == "square") return EastAsianLayout::TwoLinesSquareBrackets;
        if (brackets == "angle") return EastAsianLayout::TwoLinesAngleBrackets;
        if (brackets == "curly") return EastAsianLayout::TwoLinesCurlyBrackets;
        return EastAsianLayout::TwoLinesNoBrackets;
    }
    if (OnOff(m_w.attribute(layout, "vert"))) return EastAsianLayout::HorizontalInVertical;
    return EastAsianLayout::None;
}

void DocxBody::setRunLayout(const pugi::xml_node& r) {
    const pugi::xml_node layout = m_w.child(m_w.child(r, "rPr"), "eastAsianLayout");
    uint32_t id = 0;
    if (layout)
        if (const auto value = m_w.attribute(layout, "id")) id = static_cast<uint32_t>(std::strtoul(std::string(*value).c_str(), nullptr, 10));
    m_story.setLayout(m_runLayout = runLayout(r), id);
}

std::u16string DocxBody::runFont() const {
    const pugi::xml_node fonts = m_w.child(m_w.child(m_run, "rPr"), "rFonts");
    for (const char* which : {"ascii", "hAnsi", "eastAsia", "cs"})
        if (const auto font = m_w.attribute(fonts, which)) return FromUtf8(*font);
    return {};
}

void DocxBody::symbol(char32_t code, const std::u16string& font, int em) {
    const SymbolCharacter shown = ResolveSymbol(font, code);
    if (shown.privateUse && m_leftOut) m_leftOut->addSymbolCharacter(ToUtf8(font));
    m_story.character(shown.code, em);
}

void DocxBody::text(std::string_view utf8, int em) {
    m_text.clear();
    AppendUtf8(m_text, utf8);
    // Characters of a symbol font typed as text: shown as its font shows them.
    if (m_run && std::any_of(m_text.begin(), m_text.end(), [](char16_t c) { return IsSymbolFontCode(c); })) {
        const std::u16string font = runFont();
        if (!font.empty()) {
            size_t from = 0;
            for (size_t i = 0; i < m_text.size(); ++i) {
                if (!IsSymbolFontCode(m_text[i])) continue;
                m_story.text(std::u16string_view(m_text).substr(from, i - from), em);
                symbol(m_text[i], font, em);
                from = i + 1;
            }
            m_story.text(std::u16string_view(m_text).substr(from), em);
            return;
        }
    }
    m_story.text(m_text, em);
}

void DocxBody::inlines(const pugi::xml_node& parent) {
    for (pugi::xml_node c : parent.children()) {
        if (m_w.isAlternateContent(c)) {
            inlines(m_w.fallbackOf(c));
            continue;
        }
        const std::string_view l = m_w.local(c);
        if (l == "r") {
            m_run = c;
            setRunLayout(c);
            runContent(c, runEmphasis(c));
            m_story.setLayout(EastAsianLayout::None);
            m_runLayout = EastAsianLayout::None;
            m_run = pugi::xml_node();
        } else if (l == "fldSimple") {
            m_story.fieldBegin();
            text(m_w.attribute(c, "instr").value_or(""), 0);
            m_story.fieldSeparate();
            inlines(c);
            m_story.fieldEnd();
        } else if (l == "sdt") {
            inlines(m_w.child(c, "sdtContent"));
        } else if (l == "hyperlink" || l == "smartTag" || l == "customXml" || l == "ins" || l == "moveTo" || l == "dir" ||
                   l == "bdo") {
            inlines(c);
        }
    }
}

void DocxBody::runContent(const pugi::xml_node& parent, int em) {
    for (pugi::xml_node c : parent.children()) {
        if (m_w.isAlternateContent(c)) {
            runContent(m_w.fallbackOf(c), em);
            continue;
        }
        const std::string_view l = m_w.local(c);
        if (l.empty()) continue;
        const bool code = l == "instrText";
        if (code || l == "t") {
            // A field's instruction takes field code; everything after its
            // separator is its result, whichever element holds it; text
            // outside fields is shown.
            if (m_story.inFieldInstruction() == code || (code && m_story.inFieldResult())) text(c.text().get(), em);
        } else if (l == "tab" || l == "ptab") {
            m_story.character(U'\t', em);
        } else if (l == "br") {
            const auto type = m_w.attribute(c, "type");
            if (type == "page" || type == "column") m_story.breakParagraph();
            else m_story.character(U'\n', em);
        } else if (l == "cr") {
            m_story.character(U'\n', em);
        } else if (l == "noBreakHyphen") {
            m_story.character(U'\u2011', em);
        } else if (l == "softHyphen") {
            m_story.character(U'\u00AD', em);
        } else if (l == "sym") {
            const std::string hex(m_w.attribute(c, "char").value_or(""));
            char* end = nullptr;
            const unsigned long cp = std::strtoul(hex.c_str(), &end, 16);
            if (!hex.empty() && end && *end == '\0' && cp > 0 && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF))
                symbol(static_cast<char32_t>(cp), FromUtf8(m_w.attribute(c, "font").value_or("")), em);
        } else if (l == "fldChar") {
            const auto type = m_w.attribute(c, "fldCharType");
            if (type == "begin") m_story.fieldBegin();
            else if (type == "separate") m_story.fieldSeparate();
            else if (type == "end") m_story.fieldEnd();
        } else if (l == "ruby") {
            ruby(c, em);
        } else if (l == "footnoteRef" || l == "endnoteRef") {
            m_story.noteReferenceMark();
        } else if (l == "footnoteReference" || l == "endnoteReference") {
            note(c, l == "footnoteReference");
        }
    }
}

void DocxBody::note(const pugi::xml_node& reference, bool footnote) {
    if (!m_notes) return;
    const auto& notes = footnote ? m_notes->footnotes : m_notes->endnotes;
    const auto it = notes.find(m_w.attribute(reference, "id").value_or(""));
    if (it == notes.end() || !m_story.beginNote()) return;
    // The note's part names its elements by its own prefixes.
    const WordNames names = m_w;
    const pugi::xml_node run = m_run;
    const EastAsianLayout layout = m_runLayout;
    const std::optional<int> emphasis = m_paragraphEmphasis;
    m_w = footnote ? m_notes->footnoteNames : m_notes->endnoteNames;
    m_story.setLayout(EastAsianLayout::None);
    blocks(it->second);
    m_story.endNote();
    if (m_leftOut) ++(footnote ? m_leftOut->footnotesWritten : m_leftOut->endnotesWritten);
    m_w = names;
    m_run = run;
    m_runLayout = layout;
    m_story.setLayout(layout);
    m_paragraphEmphasis = emphasis;
}

void DocxBody::appendTextOf(const pugi::xml_node& n, std::u16string& out) const {
    for (pugi::xml_node c : n.children()) {
        const std::string_view l = m_w.local(c);
        if (l == "t") AppendUtf8(out, c.text().get());
        else if (l == "tab") out.push_back(u'\t');
        else if (l == "delText" || l == "instrText" || l == "del" || l == "rPr") continue;
        else if (m_w.isAlternateContent(c)) appendTextOf(m_w.fallbackOf(c), out);
        else appendTextOf(c, out);
    }
}

pugi::xml_node DocxBody::firstRun(const pugi::xml_node& n) const {
    for (pugi::xml_node c : n.children()) {
        if (m_w.is(c, "r")) return c;
        if (auto r = firstRun(c)) return r;
    }
    return {};
}

void DocxBody::ruby(const pugi::xml_node& rubyNode, int em) {
    const pugi::xml_node rt = m_w.child(rubyNode, "rt");
    const pugi::xml_node base = m_w.child(rubyNode, "rubyBase");
    const pugi::xml_node baseRun = firstRun(base);
    std::u16string reading, baseText;
    appendTextOf(rt, reading);
    appendTextOf(base, baseText);
    // A ruby inside a stretch in East Asian layout: the layout may be on the
    // run that holds the ruby or on the base's runs.
    if (m_runLayout == EastAsianLayout::None && baseRun) {
        const pugi::xml_node run = m_run;
        m_run = baseRun;
        setRunLayout(baseRun);
        m_story.ruby(reading, baseText, runEmphasis(baseRun));
        m_story.setLayout(EastAsianLayout::None);
        m_runLayout = EastAsianLayout::None;
        m_run = run;
        return;
    }
    m_story.ruby(reading, baseText, baseRun ? runEmphasis(baseRun) : em);
}

}  // namespace tessaly::wordproc
