// What both readers make of Word's East Asian layout (two lines in one,
// 縦中横), of symbol characters, of numbered paragraphs that end a table
// cell, of a style sheet whose last entry runs past its end, and of field
// results held in w:instrText.
#include <gtest/gtest.h>

#include "support/Corpus.h"
#include "support/MiniDoc.h"
#include "support/MiniDocx.h"
#include "support/TestFiles.h"
#include "wordproc/DocumentBuilder.h"
#include "wordproc/Readers.h"

using namespace tessaly;
using namespace tessaly::wordproc;
using namespace tessaly::testing;

namespace {

struct Read {
    std::u16string markup;
    ReadReport report;
};

Read ReadFile(const std::filesystem::path& file) {
    Read r;
    r.markup = ToMarkup(*ReadDocument(file, {}, &r.report));
    return r;
}

Read ReadDoc(const MiniDocContent& doc) {
    TempFolder folder;
    const auto file = folder.path() / "built.doc";
    WriteBytes(file, WriteMiniDoc(doc));
    return ReadFile(file);
}

Read ReadDocx(const std::string& paragraphs) {
    TempFolder folder;
    const auto file = folder.path() / "built.docx";
    WriteMiniDocx(file, paragraphs);
    return ReadFile(file);
}

std::string Fonts(const LeftOut& leftOut) {
    std::string s;
    for (const auto& f : leftOut.symbolFonts) s += f.font + ":" + std::to_string(f.count) + " ";
    return s;
}

std::string PropsRun(const std::string& rPr, const std::string& content) {
    return "<w:r><w:rPr>" + rPr + "</w:rPr>" + content + "</w:r>";
}

}  // namespace

TEST(EastAsianLayoutRead, SavedByAWordProcessorInBothFormats) {
    // Two lines in one in every bracket kind, 縦中横, two lines in one beside
    // a ruby and kenten, with kenten on it and a ruby in it; characters of
    // Symbol and of Wingdings; a numbered paragraph in a table cell.
    for (const char* name : {"EastAsianLayout.doc", "EastAsianLayout.docx"}) {
        const Read r = ReadFile(TestData(name));
        EXPECT_EQ(r.markup, u"本文{%1なしの割注}と{%2丸括弧の注}。\r"
                            u"{%3角括弧の注}、{%4山括弧の注}、{%5波括弧の注}。\r"
                            u"縦中横{%612}月\r"
                            u"{かんじ|漢字}{%2横の注}[1圏点]{%2圏点の横}。\r"
                            u"{%2点の付いた注}と{%2中に字のある注}。\r"
                            u"111 µg/mL、TEST®、αβ、矢印\uF0E0。\r"
                            u"1.番号付きのセル\r普通のセル\r\r終わり\r")
            << name;
        const LeftOut& left = r.report.leftOut;
        EXPECT_EQ(Fonts(left), "Wingdings:1 ") << name;
        EXPECT_EQ(left.layoutRubies, 1u) << name;
        EXPECT_EQ(left.layoutMarks, 1u) << name;
        EXPECT_EQ(left.writtenNumbers, 1u) << name;  // the one that ends a cell
        EXPECT_EQ(LeftOutSummary(left),
                  "記号フォント「Wingdings」の文字 1 個は、InDesign でもそのフォントで表示してください。"
                  "割注・縦中横の中のルビ 1 個所は親文字だけにしました。割注・縦中横の中の圏点 1 個所は付けていません。")
            << name;
        // Without numbers as text, the cell's number is counted as not written.
        ReadReport without;
        ReadDocument(TestData(name), ReadOptions{false, true, false}, &without);
        EXPECT_EQ(without.leftOut.unnumberedParagraphs, 1u) << name;
        EXPECT_EQ(without.leftOut.writtenNumbers, 0u) << name;
    }
}

TEST(EastAsianLayoutRead, DocStretchesAreToldApartByTheirNumbers) {
    MiniDocContent doc;
    doc.runs = {{u"前", ""},
                 {u"注一", SprmLayout(0x0102, 7)},  // round brackets, stretch 7
                 {u"注二", SprmLayout(0x0102, 7)},
                 {u"注三", SprmLayout(0x0102, 8)},
                 {u"注四", SprmLayout(0x0702, 8)},  // a bracket kind Word does not have: none
                 {u"12", SprmLayout(0x0001, 0)},
                 {u"点", SprmEmphasis(1) + SprmLayout(0x0002, 9)},
                 {u"後", SprmLayout(0x0000, 0)},
                 {u"\r", ""}};
    const Read r = ReadDoc(doc);
    EXPECT_EQ(r.markup, u"前{%2注一注二}{%2注三}{%1注四}{%612}{%1点}後\r");
    EXPECT_EQ(r.report.leftOut.layoutMarks, 1u);
}

TEST(EastAsianLayoutRead, DocSymbolCharactersAsTheirFontsShowThem) {
    MiniDocContent doc;
    doc.fonts = {u"Times New Roman", u"Symbol", u"Wingdings"};
    // Word's Insert Symbol writes "(" and names the font and code in the
    // run's properties.
    doc.runs = {{u"111 ", ""},
                 {u"(", SprmSymbol(1, 0xF06D)},
                 {u"g/mL TEST", ""},
                 {u"(", SprmSymbol(1, 0xF0D2)},
                 {u" ", ""},
                 {u"(", SprmSymbol(2, 0xF0E0)},
                 {u"(", SprmSymbol(2, 0xF0E8)},
                 {u"(", SprmSymbol(9, 0xF041)},  // a font the table does not have
                 {u" \uF061\uF062", SprmFont(1)},  // Symbol's codes typed as text
                 {u"\uF061\r", SprmFont(0)},       // the same code in a font that is not Symbol
                 {u"(", ""}};
    const Read r = ReadDoc(doc);
    EXPECT_EQ(r.markup, u"111 µg/mL TEST® \uF0E0\uF0E8\uF041 αβ\uF061\r(\r");
    EXPECT_EQ(Fonts(r.report.leftOut), "Wingdings:2 :1 Times New Roman:1 ");
    EXPECT_EQ(LeftOutItems(r.report.leftOut).at(1).first,
              "名前のない記号フォントの文字 1 個（私用領域の文字のままです。InDesign でもそのフォントを当ててください）");
}

TEST(EastAsianLayoutRead, DocStyleEntryPastTheSheetsEndIsAbsent) {
    // A paragraph style 0 with the emphasis mark 1, then an entry whose
    // stated length runs 22 bytes past the sheet.
    std::string sheet("\x04\x00\x02\x00\x0A\x00", 6);  // cbStshi, cstd 2, cbSTDBaseInFile 10
    std::string style("\x00\x00\xF1\xFF\x02\x00\x00\x00\x00\x00", 10);  // paragraph style, no base, two UPXs
    style += std::string("\x01\x00N\x00\x00\x00", 6);                   // its name
    style += std::string("\x02\x00\x00\x00", 4);                        // PAPX: istd 0
    style += std::string("\x03\x00", 2) + SprmEmphasis(1) + '\0';       // CHPX, padded
    sheet += char(style.size()) + std::string(1, '\0') + style;
    const std::string last("\x00\x00\xF2\xFF\x01\x00\x00\x00\x00\x00", 10);
    sheet += std::string("\x20\x00", 2) + last;  // states 32 bytes, holds 10
    MiniDocContent doc;
    doc.runs = {{u"本文\r", ""}};
    doc.styleSheet = sheet;
    EXPECT_EQ(ReadDoc(doc).markup, u"[1本文]\r");
    // The same sheet whole: the last entry is read and changes nothing.
    doc.styleSheet += std::string(22, '\0');
    EXPECT_EQ(ReadDoc(doc).markup, u"[1本文]\r");
}

TEST(EastAsianLayoutRead, DocxLayoutFromRunProperties) {
    const Read r = ReadDocx(
        "<w:p>" + PropsRun("<w:eastAsianLayout w:id=\"1\" w:combine=\"1\" w:combineBrackets=\"square\"/>", "<w:t>注一</w:t>") +
        PropsRun("<w:eastAsianLayout w:id=\"1\" w:combine=\"on\" w:combineBrackets=\"square\"/>", "<w:t>注二</w:t>") +
        PropsRun("<w:eastAsianLayout w:id=\"2\" w:combine=\"true\" w:combineBrackets=\"square\"/>", "<w:t>注三</w:t>") +
        PropsRun("<w:eastAsianLayout w:id=\"3\" w:combine=\"0\" w:vert=\"1\" w:vertCompress=\"1\"/>", "<w:t>10</w:t>") +
        PropsRun("<w:eastAsianLayout w:combine=\"false\"/>", "<w:t>地</w:t>") +
        "<w:r><w:ruby><w:rubyPr/><w:rt>" + TextRun("じ") + "</w:rt><w:rubyBase>" +
        PropsRun("<w:em w:val=\"dot\"/><w:eastAsianLayout w:combine=\"1\"/>", "<w:t>字</w:t>") + "</w:rubyBase></w:ruby></w:r>" +
        PropsRun("<w:eastAsianLayout w:combine=\"1\"/>", "<w:t>も</w:t><w:br/><w:t>注</w:t>") + "</w:p>");
    EXPECT_EQ(r.markup, u"{%3注一注二}{%3注三}{%610}地{%1字も\n注}\r");
    EXPECT_EQ(r.report.leftOut.layoutRubies, 1u);
    EXPECT_EQ(r.report.leftOut.layoutMarks, 1u);
}

TEST(EastAsianLayoutRead, DocxSymbolsAndTypedSymbolCodes) {
    const Read r = ReadDocx(
        "<w:p>" + TextRun("111 ") + "<w:r><w:sym w:font=\"Symbol\" w:char=\"F06D\"/></w:r>" + TextRun("g、") +
        "<w:r><w:sym w:font=\"SYMBOL\" w:char=\"00B4\"/><w:sym w:font=\"Wingdings\" w:char=\"F0E0\"/>"
        "<w:sym w:font=\"Wingdings\" w:char=\"2022\"/></w:r>" +
        PropsRun("<w:rFonts w:ascii=\"Symbol\" w:hAnsi=\"Symbol\"/>", "<w:t>a\uF061\uF0A5</w:t>") +
        PropsRun("<w:rFonts w:eastAsia=\"Webdings\"/>", "<w:t>\uF021</w:t>") + TextRun("\uF021") + "</w:p>");
    // A code outside the symbol ranges is an ordinary character; text
    // without a font of its own keeps its private-use character unreported.
    EXPECT_EQ(r.markup, u"111 µg、×\uF0E0•aα∞\uF021\uF021\r");
    EXPECT_EQ(Fonts(r.report.leftOut), "Wingdings:1 Webdings:1 ");
}

TEST(EastAsianLayoutRead, DocxFieldResultHeldInInstrText) {
    // A writer put a HYPERLINK's result after the separator as w:instrText.
    const Read r = ReadDocx(
        "<w:p>" + TextRun("4. ") + "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r>"
        "<w:r><w:instrText xml:space=\"preserve\"> HYPERLINK \"file://srv/share\" </w:instrText></w:r>"
        "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r><w:r><w:instrText>\\\\Mediaserver\\share</w:instrText></w:r>"
        "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r><w:r><w:instrText>stray</w:instrText></w:r></w:p>");
    EXPECT_EQ(r.markup, u"4. \\\\Mediaserver\\share\r");
}
