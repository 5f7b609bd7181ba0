// What the readers leave out of the model, recorded for the reports:
// other stories, formulas, list and heading numbers.
#include <gtest/gtest.h>

#include "support/Corpus.h"
#include "support/EngineHarness.h"
#include "support/MiniDocx.h"
#include "wordproc/DocumentBuilder.h"
#include "wordproc/Readers.h"

using namespace tessaly;
using namespace tessaly::wordproc;
using namespace tessaly::testing;

namespace {

ReadReport Report(const std::filesystem::path& file, const ReadOptions& options = {}) {
    ReadReport report;
    ReadDocument(file, options, &report);
    return report;
}

// Notes and numbers left where they are, as with both switches off.
const ReadOptions kMainStoryOnly{false, false, false};

std::string Stories(const LeftOut& leftOut) {
    std::string s;
    for (const auto& story : leftOut.stories)
        s += story.kind + ":" + std::to_string(story.rubies) + "/" + std::to_string(story.count) + (story.hasText ? "/text " : " ");
    return s;
}

}  // namespace

TEST(LeftOut, OtherStoriesAndNumbersFromBothReaders) {
    // A heading numbered 第1章, a numbered list of two, a footnote with two
    // rubies, a comment, a header with a ruby and a text box with a ruby,
    // saved by another word processor, read with notes and numbers left out.
    const ReadReport doc = Report(TestData("LeftOutStories.doc"), kMainStoryOnly);
    EXPECT_EQ(Stories(doc.leftOut), "脚注:2/0/text ヘッダー・フッター:1/0/text コメント:0/0/text テキストボックス:1/0/text ");
    EXPECT_EQ(doc.leftOut.unnumberedParagraphs, 3u);
    EXPECT_EQ(LeftOutSummary(doc.leftOut),
              "脚注のルビ 2 個所とヘッダー・フッターのルビ 1 個所とコメントのテキストとテキストボックスのルビ 1 個所は変換していません。"
              "段落番号・見出し番号 3 個所は書き出していません。");
    const ReadReport docx = Report(TestData("LeftOutStories.docx"), kMainStoryOnly);
    EXPECT_EQ(Stories(docx.leftOut), "テキストボックス:1/1/text 脚注:2/0/text コメント:0/0/text ヘッダー:1/0/text ");
    EXPECT_EQ(docx.leftOut.unnumberedParagraphs, 3u);
    EXPECT_EQ(LeftOutSummary(docx.leftOut),
              "テキストボックスのルビ 1 個所と脚注のルビ 2 個所とコメントのテキストとヘッダーのルビ 1 個所は変換していません。"
              "段落番号・見出し番号 3 個所は書き出していません。");
    // The main story itself is read as ever.
    EXPECT_EQ(ToMarkup(*ReadDocument(TestData("LeftOutStories.docx"), kMainStoryOnly)), u"見出し\r本文の{かん|漢}字と注記。\r一つ目\r二つ目\r箱の外。\r");
    // A manuscript of the main story alone leaves nothing out.
    EXPECT_TRUE(Report(TestData("RubyBoundaries.docx")).leftOut.empty());
    EXPECT_EQ(LeftOutSummary(LeftOut{}), "");
}

TEST(LeftOut, FormulasWithTheirPlace) {
    TempFolder folder;
    const auto file = folder.path() / "formulas.docx";
    auto field = [](const std::string& instr, const std::string& result) {
        return "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText xml:space=\"preserve\">" + instr +
               "</w:instrText></w:r><w:r><w:fldChar w:fldCharType=\"separate\"/></w:r>" + TextRun(result) +
               "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>";
    };
    WriteMiniDocx(file, "<w:p>" + TextRun("前の段落") + "</w:p><w:p>" + TextRun("分数は") + field(" EQ \\f(1,4) ", "1/4") +
                            TextRun("、印は") + field(" eq \\o\\ac(○,印)", "○") + field(" EQ \\o\\ad(\\s\\up 9(よ),読) ", "読") + "</w:p>");
    const ReadReport docx = Report(file);
    ASSERT_EQ(docx.leftOut.formulas.size(), 2u);
    EXPECT_EQ(docx.leftOut.formulas[0].text, u"14");
    EXPECT_EQ(docx.leftOut.formulas[0].paragraph, 2u);
    EXPECT_EQ(docx.leftOut.formulas[0].context, u"分数は");
    EXPECT_EQ(docx.leftOut.formulas[1].text, u"○印");
    EXPECT_EQ(docx.leftOut.formulas[1].context, u"分数は14、印は");
    const auto items = LeftOutItems(docx.leftOut);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0], std::pair(std::string("2 段落目「…分数は」の後の数式フィールドを「14」にしました"), std::optional<size_t>(2)));
    EXPECT_EQ(LeftOutSummary(docx.leftOut), "数式フィールド 2 個を文字にしました。");

    // In a .doc: a ruby field of a real manuscript made into an overlay (\s\do).
    std::string bytes = ReadBytes(TestData("ManuscriptFeatures.doc"));
    const std::string up("\\\0s\0\\\0u\0p\0", 10), down("\\\0s\0\\\0d\0o\0", 10);
    const size_t at = bytes.find(up);
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at, up.size(), down);
    WriteBytes(folder.path() / "overlay.doc", bytes);
    const ReadReport doc = Report(folder.path() / "overlay.doc");
    ASSERT_EQ(doc.leftOut.formulas.size(), 1u);
    EXPECT_EQ(doc.leftOut.formulas[0].text, u"かん漢");
    EXPECT_EQ(doc.leftOut.formulas[0].paragraph, 1u);
    EXPECT_EQ(doc.leftOut.formulas[0].context, u"漢字の");
}
