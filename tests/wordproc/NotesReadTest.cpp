// Footnotes and endnotes as both readers put them at their references, and
// as they were left out with the option off.
#include <gtest/gtest.h>

#include "support/Corpus.h"
#include "support/MiniDocx.h"
#include "support/TestFiles.h"
#include "wordproc/DocumentBuilder.h"
#include "wordproc/Readers.h"

using namespace tessaly::wordproc;
using namespace tessaly::testing;

namespace {

std::string Stories(const LeftOut& leftOut) {
    std::string s;
    for (const auto& story : leftOut.stories) s += story.kind + ":" + std::to_string(story.rubies) + " ";
    return s;
}

std::string Note(const std::string& id, const std::string& paragraphs, bool end = false) {
    const std::string tag = end ? "w:endnote" : "w:footnote";
    return "<" + tag + " w:id=\"" + id + "\">" + paragraphs + "</" + tag + ">";
}

std::string Reference(const std::string& id, bool end = false) {
    return std::string("<w:r><w:") + (end ? "endnoteReference" : "footnoteReference") + " w:id=\"" + id + "\"/></w:r>";
}

std::string OwnMark(bool end = false) { return std::string("<w:r><w:") + (end ? "endnoteRef" : "footnoteRef") + "/></w:r>"; }

}  // namespace

TEST(NotesRead, SavedByAWordProcessorInBothFormats) {
    // A ruby and kenten in a footnote, two footnotes in one paragraph, an
    // endnote, a mark of the author's own, a note of two paragraphs.
    for (const char* name : {"Footnotes.doc", "Footnotes.docx"}) {
        ReadReport report;
        EXPECT_EQ(ToMarkup(*ReadDocument(TestData(name), {}, &report)),
                  u"本文に注«注の{かん|漢}字と[1圏点]。»があり、二つ目«二つ目の注»もある。\r"
                  u"文末に«文末脚注の{ほん|本}文»。\r"
                  u"記号で«※記号の注»※示す。\r"
                  u"段落が二つ«一つ目の段落\n二つ目の段落»の注。\r")
            << name;
        EXPECT_EQ(report.leftOut.footnotesWritten, 4u) << name;
        EXPECT_EQ(report.leftOut.endnotesWritten, 1u) << name;
        EXPECT_TRUE(report.leftOut.stories.empty()) << name;
        // With the option off the notes stay out and are reported, as before.
        ReadReport off;
        EXPECT_EQ(ToMarkup(*ReadDocument(TestData(name), ReadOptions{false, false, true}, &off)),
                  u"本文に注があり、二つ目もある。\r文末に。\r記号で※示す。\r段落が二つの注。\r")
            << name;
        EXPECT_EQ(Stories(off.leftOut), "脚注:1 文末脚注:1 ") << name;
        EXPECT_EQ(off.leftOut.footnotesWritten, 0u) << name;
    }
}

TEST(NotesRead, DocxNotesHoldWhatTheBodyHolds) {
    TempFolder folder;
    const auto file = folder.path() / "notes.docx";
    const std::string numbering =
        "<w:abstractNum w:abstractNumId=\"0\"><w:lvl w:ilvl=\"0\"><w:start w:val=\"1\"/><w:numFmt w:val=\"decimal\"/>"
        "<w:lvlText w:val=\"%1.\"/><w:suff w:val=\"nothing\"/></w:lvl></w:abstractNum><w:num w:numId=\"1\"><w:abstractNumId w:val=\"0\"/></w:num>";
    auto numbered = [](const std::string& text) {
        return "<w:p><w:pPr><w:numPr><w:ilvl w:val=\"0\"/><w:numId w:val=\"1\"/></w:numPr></w:pPr>" + TextRun(text) + "</w:p>";
    };
    DocxParts parts;
    parts.numbering = numbering;
    parts.footnotes =
        Note("-1", "<w:p>" + TextRun("separator") + "</w:p>") +
        // Its own number and the space after it go to InDesign; a numbered
        // paragraph, a table and two lines in one inside.
        Note("1", "<w:p>" + OwnMark() + TextRun(" 注の") + Ruby("よ", "読") + "</w:p>" + numbered("項目") +
                      "<w:tbl><w:tr><w:tc><w:p>" + TextRun("セル") + "</w:p></w:tc></w:tr></w:tbl>"
                      "<w:p><w:r><w:rPr><w:eastAsianLayout w:combine=\"1\"/></w:rPr><w:t>割注</w:t></w:r></w:p>") +
        // A mark of the author's own: what follows it is the note's text.
        Note("2", "<w:p>" + TextRun(" ※印の注") + "</w:p>");
    parts.endnotes = Note("1", "<w:p>" + OwnMark(true) + TextRun("\t文末") + Reference("2") + "</w:p>", true);
    WriteDocx(file,
              numbered("本文") + "<w:p>" + TextRun("甲") + Reference("1") + TextRun("乙") + Reference("2") + Reference("9") +
                  TextRun("丙") + Reference("1", true) + "</w:p>" + numbered("次"),
              parts);
    ReadReport report;
    // The notes' list numbers count apart from the body's; a reference to a
    // note the part lacks, and one inside a note, give nothing.
    EXPECT_EQ(ToMarkup(*ReadDocument(file, {}, &report)),
              u"1.本文\r甲«注の{よ|読}\n1.項目\nセル\n\n{%1割注}»乙« ※印の注»丙«文末»\r2.次\r");
    EXPECT_EQ(report.leftOut.footnotesWritten, 2u);
    EXPECT_EQ(report.leftOut.endnotesWritten, 1u);
    EXPECT_EQ(report.leftOut.writtenNumbers, 3u);
}
