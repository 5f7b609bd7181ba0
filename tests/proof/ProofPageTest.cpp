// The proof page's markup: rubies, kenten, warichu and the report.
#include <gtest/gtest.h>

#include "settings/SettingsTable.h"
#include "proof/ProofPage.h"
#include "support/EngineHarness.h"

using namespace tessaly;
using namespace tessaly::proof;
using namespace tessaly::testing;

namespace {

bool Has(const std::string& html, const std::string& part) { return html.find(part) != std::string::npos; }

}  // namespace

TEST(ProofPage, ShowsWhatInDesignReceives) {
    Conversion conversion;
    conversion.run(u"{はる|春}{あさ|朝}と{あじさい|紫陽花}。[1ほんとう]と[2つぶやく]\r灯台{めいじきのけんぞう★|灯台}<&>\nです",
                   settings::DefaultOptions());
    const std::string html = ProofPageHtml(ReadTaggedText(ReadBytes(conversion.outputFile())),
                                           ProofReport{"作品A.doc", {{"脚注のルビ 3 個所", std::nullopt}, {"数式フィールド", 2}}});
    EXPECT_TRUE(html.starts_with("<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n<title>作品A.doc — 校正用</title>"));
    EXPECT_FALSE(Has(html, "<script"));
    EXPECT_FALSE(Has(html, "http"));  // nothing from the network
    // Mono ruby: one reading over each base character; group ruby: one over all.
    EXPECT_TRUE(Has(html, "<p id=\"p1\"><ruby class=\"mono converted\">春<rt>はる</rt>朝<rt>あさ</rt></ruby>と"
                          "<ruby class=\"group converted\">紫陽花<rt>あじさい</rt></ruby>。"
                          "<span class=\"kenten dot converted\">ほんとう</span>と<span class=\"kenten sesame converted\">つぶやく</span></p>"));
    // The warichu in two lines in its brackets; escaped characters as themselves; a forced line break.
    EXPECT_TRUE(Has(html, "<p id=\"p2\">灯台灯台（<span class=\"warichu converted\"><span class=\"line\">めいじきの</span>"
                          "<span class=\"line\">けんぞう</span></span>）&lt;&amp;&gt;<br>です</p>"));
    // A forced line break inside a kenten stretch or a base.
    conversion.run(u"[1強\n調]{よみ|読\n字}", settings::DefaultOptions());
    const std::string breaks = ProofPageHtml(ReadTaggedText(ReadBytes(conversion.outputFile())), ProofReport{"x", {}});
    EXPECT_TRUE(Has(breaks, "<p id=\"p1\"><span class=\"kenten dot converted\">強<br>調</span>"
                            "<ruby class=\"group converted\">読<br>字<rt>よみ</rt></ruby></p>")) << breaks;
    // The report: counts and what was left out, linked to its place.
    EXPECT_TRUE(Has(html, "<p>モノルビ 1（親文字 2）、グループルビ 1、割注 1、圏点 2</p>"));
    EXPECT_TRUE(Has(html, "<li>脚注のルビ 3 個所</li>\n<li><a href=\"#p2\">数式フィールド</a></li>"));
}

TEST(ProofPage, WordsEastAsianLayoutAsInDesignSetsIt) {
    Conversion conversion;
    ConversionOptions options = settings::DefaultOptions();
    options.HalfWidthWarichuParens = kOn;
    conversion.run(u"第{%612}回{%3角の注}と{%1注}", options);
    const TaggedText text = ReadTaggedText(ReadBytes(conversion.outputFile()));
    const Counts counts = CountConverted(text);
    EXPECT_EQ(counts.warichu, 2u);
    EXPECT_EQ(counts.horizontalInVertical, 1u);
    EXPECT_EQ(CountsLine(counts), "モノルビ 0（親文字 0）、グループルビ 0、割注 2、圏点 0、縦中横 1");
    const std::string html = ProofPageHtml(text, ProofReport{"x", {}});
    EXPECT_TRUE(Has(html, "\n.tcy { text-combine-upright: all; -webkit-text-combine: horizontal; }\n</style>"));
    // 縦中横 upright in vertical writing; the notes in two lines, the
    // document's brackets beside them.
    EXPECT_TRUE(Has(html, "<p id=\"p1\">第<span class=\"tcy converted\">12</span>回［<span class=\"warichu converted\">"
                          "<span class=\"line\">角の</span><span class=\"line\">注</span></span>］と"
                          "<span class=\"warichu converted\"><span class=\"line\">注</span></span></p>"))
        << html;
    // A page without 縦中横 has neither the style nor the count.
    conversion.run(u"{%2注}", options);
    const TaggedText plain = ReadTaggedText(ReadBytes(conversion.outputFile()));
    const std::string page = ProofPageHtml(plain, ProofReport{"x", {}});
    EXPECT_FALSE(Has(page, "tcy"));
    EXPECT_TRUE(Has(page, "<p>モノルビ 0（親文字 0）、グループルビ 0、割注 1、圏点 0</p>"));
}

TEST(ProofPage, FootnotesByTheirNumbersAfterTheirParagraphs) {
    Conversion conversion;
    conversion.run(u"本文«注の{か|下}»と«二つ目\n二行»。\r次«三»", settings::DefaultOptions());
    const TaggedText text = ReadTaggedText(ReadBytes(conversion.outputFile()));
    const std::string html = ProofPageHtml(text, ProofReport{"x", {}});
    EXPECT_TRUE(Has(html, "<p id=\"p1\">本文<sup class=\"note-ref converted\" id=\"r1\"><a href=\"#n1\">1</a></sup>と"
                          "<sup class=\"note-ref converted\" id=\"r2\"><a href=\"#n2\">2</a></sup>。</p>\n"
                          "<aside class=\"note\" id=\"n1\"><a href=\"#r1\">1</a> 注の<ruby class=\"mono converted\">下<rt>か</rt></ruby></aside>\n"
                          "<aside class=\"note\" id=\"n2\"><a href=\"#r2\">2</a> 二つ目<br>二行</aside>\n"
                          "<p id=\"p2\">次<sup class=\"note-ref converted\" id=\"r3\"><a href=\"#n3\">3</a></sup></p>\n"
                          "<aside class=\"note\" id=\"n3\"><a href=\"#r3\">3</a> 三</aside>\n"))
        << html;
    EXPECT_TRUE(Has(html, "<p>モノルビ 1（親文字 1）、グループルビ 0、割注 0、圏点 0、脚注 3</p>"));
    EXPECT_TRUE(Has(html, "aside.note {"));
}
