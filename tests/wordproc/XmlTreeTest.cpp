#include <gtest/gtest.h>
#include <zip.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/Corpus.h"
#include "support/XmlDescription.h"
#include "wordproc/XmlBlockScanner.h"
#include "wordproc/XmlTree.h"

using namespace tessaly::wordproc;
using namespace tessaly::testing;

namespace {

// The description pugixml's tree gives, or "error".
std::string FullParser(const std::string& xml) {
    pugi::xml_document doc;
    if (!doc.load_buffer(xml.data(), xml.size(), kDocxParseFlags)) return "error";
    return DescribeXml(doc.document_element());
}

// The description XmlTree's tree gives, or "declined".
std::string Fast(const std::string& xml) {  // the whole text as one element
    XmlTree tree;
    return tree.parse(xml) ? DescribeXml(tree.root()) : "declined";
}

// The body blocks of a .docx's main part.
std::vector<std::string> BodyBlocks(const std::filesystem::path& file) {
    int error = 0;
    zip_t* z = zip_open(file.c_str(), ZIP_RDONLY, &error);
    if (!z) return {};
    std::string xml;
    for (const char* part : {"word/document.xml", "text/main.xml"}) {  // the latter in a test package
        if (zip_file_t* f = zip_fopen(z, part, 0)) {
            char buffer[65536];
            for (zip_int64_t n; (n = zip_fread(f, buffer, sizeof buffer)) > 0;) xml.append(buffer, static_cast<size_t>(n));
            zip_fclose(f);
        }
    }
    zip_discard(z);
    std::vector<std::string> blocks;
    XmlBlockScanner scanner([](std::string_view) {}, [&](std::string_view block, size_t) { blocks.emplace_back(block); });
    scanner.feed(xml);
    return blocks;
}

}  // namespace

TEST(XmlTree, ReadsPlainXmlAsTheFullParserDoes) {
    const std::vector<std::string> cases = {
        // what a word processor writes for ruby
        R"(<w:r><w:ruby><w:rubyPr><w:rubyAlign w:val="distributeSpace"/><w:hps w:val="10"/></w:rubyPr>)"
        R"(<w:rt><w:r><w:rPr><w:sz w:val="10"/></w:rPr><w:t>かん</w:t></w:r></w:rt>)"
        R"(<w:rubyBase><w:r><w:t>漢</w:t></w:r></w:rubyBase></w:ruby></w:r>)",
        // entities, in text and in values, and the other quote inside a value
        R"(<a v="&lt;&gt;&amp;&apos;&quot;&#65;&#x3042;&#x20BB7;" w='it"s'>x&#12354;y'"&#x7f;</a>)",
        // whitespace alone is kept only as the single child
        "<a> </a>", "<a>\t\n</a>", "<a> <b/> </a>", "<a><b/> </a>", "<a> x </a>", "<a>\n<b>\n</b>\n</a>",
        // empty elements, spacing inside tags, names with digits, '-' and '.'
        "<w:sectPr/>", "<a />", "<a\tx='1'\ny=\"2\" />", "<a></a>", "<w14:p-x.y w14:paraId=\"1A2B\"><b\n></b></w14:p-x.y>",
        // '>' and "]]>" are plain text; text between children; deep nesting
        "<a>1 > 0 ]]></a>", "<a>x<b/>y<c>z</c></a>", "<a><b><c><d><e>deep</e></d></c></b></a>",
    };
    for (const auto& xml : cases) EXPECT_EQ(Fast(xml), FullParser(xml)) << xml;

    EXPECT_EQ(Fast(R"(<w:r><w:t xml:space="preserve"> a&amp;b </w:t><w:tab/></w:r>)"),
              "w:r[](w:t[xml:space=preserve;](' a&b ')w:tab[]())");
    EXPECT_EQ(Fast(R"(<a v="&#x20BB7;&quot;"/>)"), "a[v=\xF0\xA0\xAE\xB7\";]()");
    EXPECT_EQ(Fast("<a> <b/> </a>"), "a[](b[]())");
    EXPECT_EQ(Fast("<a> </a>"), "a[](' ')");
}

TEST(XmlTree, AnswersTheReadersQuestions) {
    XmlTree tree;
    ASSERT_TRUE(tree.parse(R"(<w:p w:a="1" w:b="" w:a="2" w:e="x&amp;y&#x3042;"><w:r/>p&lt;q<w:t>more</w:t></w:p>)"));
    const auto root = tree.root();
    EXPECT_EQ(root.name(), "w:p");
    EXPECT_EQ(root.attribute("w:a"), "1");  // the first of two
    EXPECT_EQ(root.attribute("w:b"), "");
    EXPECT_EQ(root.attribute("w:e"), "x&y\xE3\x81\x82");
    EXPECT_EQ(root.attribute("w:c"), std::nullopt);
    EXPECT_EQ(root.attribute("w"), std::nullopt);  // a prefix of a name is not the name
    EXPECT_EQ(root.text(), "p<q");                  // the first text child, after an element
    const auto run = root.firstChild();
    EXPECT_EQ(run.name(), "w:r");
    EXPECT_FALSE(run.isText());
    EXPECT_EQ(run.text(), "");
    EXPECT_TRUE(run.nextSibling().isText());
    EXPECT_EQ(run.nextSibling().name(), "");  // text has no name
    EXPECT_EQ(run.nextSibling().nextSibling().text(), "more");
    EXPECT_FALSE(run.nextSibling().nextSibling().nextSibling());
    EXPECT_FALSE(run.firstChild());
    const XmlTree::Node none;
    EXPECT_EQ(none.name(), "");
    EXPECT_EQ(none.attribute("w:a"), std::nullopt);
    EXPECT_EQ(none.text(), "");
    EXPECT_FALSE(none.firstChild());
}

// The scanner reads each element from the start of its buffer, where the
// element may be followed by more, or be cut short by the end of what has
// arrived so far.
TEST(XmlTree, ReadsTheElementAtTheStartOfALongerText) {
    XmlTree tree;
    size_t length = 0;
    EXPECT_EQ(tree.read("<a><b/></a><c/>", false, &length), XmlTree::Result::Read);
    EXPECT_EQ(length, 11u);
    EXPECT_EQ(DescribeXml(tree.root()), "a[](b[]())");
    EXPECT_EQ(tree.read("<w:r><w:t>text &am", false, &length), XmlTree::Result::NeedMore);
    EXPECT_EQ(tree.read("<w:r><w:t>text &am", true, &length), XmlTree::Result::Declined);
    EXPECT_EQ(tree.read("<w:r><w:t>text</w:t><w:rPr w:val=\"", false, &length), XmlTree::Result::NeedMore);
    // Declined where it stops far from the end, however much is still to come.
    EXPECT_EQ(tree.read("<w:r><!-- a comment --><w:t>a rather long text</w:t>", false, &length), XmlTree::Result::Declined);
}

TEST(XmlTree, DeclinesWhatItLeavesToTheFullParser) {
    const std::vector<std::string> cases = {
        "<a><!-- c --></a>", "<a><![CDATA[x]]></a>", "<a><?pi x?></a>", "<!-- c --><a/>", " <a/>", "",
        "<a>x\r\ny</a>", "<a x=\"1\r\"/>", "<a x=\"1\n\"/>", "<a x=\"\t\"/>", "<a x=\"<\"/>",
        "<a>&nbsp;</a>", "<a>&amp</a>", "<a>&#0;</a>", "<a>&#xD800;</a>", "<a>&#x110000;</a>", "<a>&#X41;</a>",
        "<a>&#;</a>", "<a>&#x000000041;</a>",
        "<a></b>", "<a><b></a></b>", "<a>", "<a>x", "<a/>x", "<a/><b/>", "<a></a >", "<a/ >", "<a></a",
        "<a x=1/>", "<a x = \"1\"/>", "<a x=\"1\"y=\"2\"/>", "<a x=\"1/>", "<\xC3\xA9/>", "< a/>", "<1a/>",
        std::string("<a>\0</a>", 8),
    };
    for (const auto& xml : cases) EXPECT_EQ(Fast(xml), "declined") << xml;

    // A tree that declined one text reads the next afresh.
    XmlTree tree;
    EXPECT_FALSE(tree.parse("<a><b x=\"1\"><!-- --></b></a>"));
    ASSERT_TRUE(tree.parse("<c/>"));
    EXPECT_EQ(DescribeXml(tree.root()), "c[]()");
}

// Content met again is copied from what the memo remembers: each text,
// read in turn by one tree with one memo, still reads as pugixml reads it.
TEST(XmlTree, MarkupMetAgainReadsAsTheFirstTime) {
    auto ruby = [](const std::string& reading, const std::string& base) {
        return R"(<w:r><w:ruby><w:rubyPr><w:rubyAlign w:val="distributeSpace"/><w:hps w:val="10"/></w:rubyPr>)"
               R"(<w:rt><w:r><w:t xml:space="preserve">)" + reading + R"(</w:t></w:r></w:rt><w:rubyBase><w:r>)"
               R"(<w:t xml:space="preserve">)" + base + "</w:t></w:r></w:rubyBase></w:ruby></w:r>";
    };
    auto run = [](const std::string& text) { return "<w:r><w:rPr><w:b/></w:rPr><w:t>" + text + "</w:t></w:r>"; };
    const std::vector<std::string> texts = {
        // runs that differ only in their texts, in one block and the next
        "<w:p>" + ruby("かん", "漢") + run("一") + ruby("とうきょう", "東京") + run("a>b") + "</w:p>",
        "<w:p>" + run("  lead") + ruby("x", "y") + "</w:p>",
        // a text the markup has no room for: whitespace alone, an entity,
        // none at all, an element inside, or different markup after it
        "<w:p>" + run(" ") + run("a&amp;b") + run("") + run("x<w:tab/>") + "</w:p>",
        "<w:p><w:r><w:rPr><w:b/></w:rPr><w:t>x</w:t><w:tab/></w:r>" + run("z") + "</w:p>",
        // texts between a run's children, and shapes enough to push out older ones
        "<w:p><w:r>x<w:t>y</w:t>z</w:r><w:r>p<w:t>q</w:t>r</w:r><w:r><w:t>1</w:t></w:r><w:r><w:tab/><w:t>2</w:t></w:r>"
        "<w:r><w:br/><w:t>3</w:t></w:r><w:r><w:cr/><w:t>4</w:t></w:r>" + run("5") + ruby("6", "7") + "</w:p>",
        // nested properties, whitespace alone, text between children
        R"(<w:p><w:pPr><w:jc w:val="both"/><w:rPr><w:b/><w:sz w:val="21"/></w:rPr></w:pPr><w:r><w:rPr><w:b/><w:sz w:val="21"/></w:rPr></w:r></w:p>)",
        R"(<w:p><w:pPr><w:jc w:val="both"/><w:rPr><w:b/><w:sz w:val="21"/></w:rPr></w:pPr><w:pPr> </w:pPr><w:pPr>x<y/>z</w:pPr></w:p>)",
        R"(<w:p><w:pPr> </w:pPr><w:pPr>x<y/>z</w:pPr><w:pPr><w:jc w:val="both"/><w:rPr><w:b/><w:sz w:val="21"/></w:rPr></w:pPr></w:p>)",
        // a property that is the whole block; entities and empty values
        R"(<w:sectPr><w:pgSz w:w="11906"/></w:sectPr>)", R"(<w:sectPr><w:pgSz w:w="11906"/></w:sectPr>)",
        R"(<w:r><w:rPr><w:x w:v="a&amp;b" w:e=""/>&lt;</w:rPr><w:rPr><w:x w:v="a&amp;b" w:e=""/>&lt;</w:rPr></w:r>)",
    };
    XmlTree tree;
    XmlTree::Memo memo;
    size_t length = 0;
    for (int round = 0; round < 2; ++round) {
        for (const auto& xml : texts) {
            ASSERT_EQ(tree.read(xml, true, &length, &memo), XmlTree::Result::Read) << xml;
            EXPECT_EQ(length, xml.size());
            EXPECT_EQ(DescribeXml(tree.root()), FullParser(xml)) << xml;
        }
    }
    // Remembered content is only taken whole, by an element of its own name.
    EXPECT_EQ(tree.read("<x><aPr><b/></aPr></x>", true, &length, &memo), XmlTree::Result::Read);
    EXPECT_EQ(tree.read("<x><ePr><b/></aPr></x>", true, &length, &memo), XmlTree::Result::Declined);
    EXPECT_EQ(tree.read("<x><ePr><b/></ePr></x>", true, &length, &memo), XmlTree::Result::Read);
    EXPECT_EQ(DescribeXml(tree.root()), "x[](ePr[](b[]()))");
    // Cut short, it waits for more; then the element ends where it did.
    EXPECT_EQ(tree.read("<w:p>" + run("一"), false, &length, &memo), XmlTree::Result::NeedMore);
    EXPECT_EQ(tree.read("<w:p>" + run("一").substr(0, 30), false, &length, &memo), XmlTree::Result::NeedMore);
    const std::string block = "<w:p>" + run("一") + "</w:p>";
    EXPECT_EQ(tree.read(block + "<w:p/>", false, &length, &memo), XmlTree::Result::Read);
    EXPECT_EQ(length, block.size());
    EXPECT_EQ(DescribeXml(tree.root()), "w:p[](w:r[](w:rPr[](w:b[]())w:t[]('一')))");
}

// A copy tells which content it was copied from and what its holes hold;
// once that content is asked for without nodes, its copies have no children
// but still their holes' texts.
TEST(XmlTree, CopiesTellTheirContentAndComeWithoutNodesWhenAsked) {
    auto run = [](const std::string& text) { return "<w:r><w:rPr><w:b/></w:rPr><w:t>" + text + "</w:t></w:r>"; };
    const std::string other = "<w:r><w:t>x</w:t></w:r>";
    XmlTree tree;
    XmlTree::Memo memo;
    size_t length = 0;
    const std::string first = "<w:p>" + run("一") + run("二") + other + other + run("三") + "</w:p>";
    ASSERT_EQ(tree.read(first, true, &length, &memo), XmlTree::Result::Read);
    std::vector<XmlTree::Node> runs;
    for (auto c = tree.root().firstChild(); c; c = c.nextSibling()) runs.push_back(c);
    ASSERT_EQ(runs.size(), 5u);
    EXPECT_EQ(runs[0].recalled().content, 0u);  // read, and remembered
    const auto second = runs[1].recalled();
    EXPECT_NE(second.content, 0u);
    EXPECT_TRUE(second.withNodes);
    ASSERT_EQ(second.holes, 1u);
    EXPECT_EQ(second.hole(0), "二");
    EXPECT_EQ(runs[3].recalled().hole(0), "x");
    EXPECT_NE(runs[3].recalled().content, second.content);
    EXPECT_EQ(runs[4].recalled().content, second.content);
    EXPECT_EQ(runs[4].recalled().hole(0), "三");
    EXPECT_EQ(runs[4].offsetOf(runs[4].firstChild().nextSibling().firstChild()), 4u);  // w:r, rPr, b, t, its text
    EXPECT_EQ(runs[4].at(4).value(), "三");
    EXPECT_EQ(DescribeXml(tree.root()), FullParser(first));

    memo.copyWithoutNodes(second.content);
    const std::string next = "<w:p>" + run("四") + other + run("五") + "</w:p>";
    ASSERT_EQ(tree.read(next, true, &length, &memo), XmlTree::Result::Read);
    EXPECT_EQ(length, next.size());
    EXPECT_EQ(DescribeXml(tree.root()), "w:p[](w:r[]()w:r[](w:t[]('x'))w:r[]())");
    const auto fourth = tree.root().firstChild().recalled();
    EXPECT_EQ(fourth.content, second.content);
    EXPECT_FALSE(fourth.withNodes);
    EXPECT_EQ(fourth.hole(0), "四");
    EXPECT_TRUE(tree.root().firstChild().nextSibling().recalled().withNodes);
    EXPECT_EQ(tree.root().firstChild().nextSibling().nextSibling().recalled().hole(0), "五");
}

// Every block of the test documents, and of the shared corpus when it is
// there: what XmlTree reads, it reads as pugixml does.
TEST(XmlTree, AgreesWithTheFullParserOnRealDocuments) {
    std::vector<std::filesystem::path> files = {TestData("ManuscriptFeatures.docx"),
                                                TestData("WordprocessingStructures.docx")};
    if (const auto corpus = CorpusFile("")) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(*corpus))
            if (entry.path().extension() == ".docx" && entry.file_size() < (8 << 20)) files.push_back(entry.path());
    }
    for (const auto& file : files) {
        size_t read = 0;
        const auto blocks = BodyBlocks(file);
        if (file.parent_path() == TestData("ManuscriptFeatures.docx").parent_path()) {
            EXPECT_GT(blocks.size(), 5u) << file;
        }
        XmlTree tree;
        XmlTree::Memo memo;  // as the reader reads them: in order, learning as it goes
        for (const auto& block : blocks) {
            const std::string fast = Fast(block);
            size_t length = 0;
            const bool withMemo = tree.read(block, true, &length, &memo) == XmlTree::Result::Read && length == block.size();
            ASSERT_EQ(withMemo, fast != "declined") << file;
            if (fast == "declined") continue;
            ++read;
            ASSERT_EQ(fast, FullParser(block)) << file;
            ASSERT_EQ(DescribeXml(tree.root()), fast) << file;
        }
        // LibreOffice's XML is all plain.
        if (file == TestData("ManuscriptFeatures.docx")) {
            EXPECT_EQ(read, blocks.size());
        }
    }
}

// However the part arrives, the scanner hands over the same blocks: trees for
// the plain ones, texts for the one the tree declines, each at its offset.
TEST(XmlBlockScanner, TreesAndTextsAgreeHoweverThePartArrives) {
    const std::string part =
        R"(<?xml version="1.0"?><w:document xmlns:w="x"><w:body>)"
        R"(<w:p><w:r><w:t xml:space="preserve"> a&amp;b </w:t></w:r></w:p>)"
        R"(<w:p><!-- declined --><w:r><w:t>c</w:t></w:r></w:p>)"
        R"(<w:tbl><w:tr><w:tc><w:p><w:r><w:t>d</w:t></w:r></w:p></w:tc></w:tr></w:tbl>)"
        R"(<w:sectPr/></w:body></w:document>)";
    auto scan = [&](size_t piece) {
        std::vector<std::string> seen;
        XmlBlockScanner scanner([&](std::string_view tag) { seen.push_back("root " + std::string(tag)); },
                                [&](std::string_view text, size_t offset) {
                                    seen.push_back("text@" + std::to_string(offset) + " " + std::string(text));
                                },
                                [&](std::unique_ptr<XmlTree>& tree, size_t offset) {
                                    seen.push_back("tree@" + std::to_string(offset) + " " + DescribeXml(tree->root()));
                                });
        for (size_t i = 0; i < part.size(); i += piece) scanner.feed(std::string_view(part).substr(i, piece));
        scanner.finish();
        EXPECT_TRUE(scanner.sawBody());
        return seen;
    };
    auto at = [&](const char* text) { return std::to_string(part.find(text)); };
    const std::vector<std::string> expected = {
        R"(root <w:document xmlns:w="x">)",
        "tree@" + at("<w:p>") + " w:p[](w:r[](w:t[xml:space=preserve;](' a&b ')))",
        "text@" + at("<w:p><!--") + " <w:p><!-- declined --><w:r><w:t>c</w:t></w:r></w:p>",
        "tree@" + at("<w:tbl>") + " w:tbl[](w:tr[](w:tc[](w:p[](w:r[](w:t[]('d'))))))",
        "tree@" + at("<w:sectPr/>") + " w:sectPr[]()",
    };
    for (size_t piece : {part.size(), size_t(1), size_t(5), size_t(64)}) EXPECT_EQ(scan(piece), expected) << piece;
}

// Trees read from the scanner's store keep their text while the scanner
// goes on, through new stores, and until they are released.
TEST(XmlBlockScanner, TreesKeptAfterTheScannerHasGoneOn) {
    std::string part = R"(<w:document xmlns:w="x"><w:body>)";
    std::vector<std::string> expected;
    for (int i = 0; i < 3000; ++i) {  // megabytes of paragraphs, in pieces of 64 KB
        const std::string text = std::to_string(i) + std::string(static_cast<size_t>(i % 700), 'x');
        part += "<w:p><w:r><w:t>" + text + "</w:t></w:r></w:p>";
        expected.push_back("w:p[](w:r[](w:t[]('" + text + "')))");
    }
    part += "</w:body></w:document>";
    std::vector<std::unique_ptr<XmlTree>> kept;
    XmlBlockScanner scanner([](std::string_view) {}, [](std::string_view, size_t) {},
                            [&](std::unique_ptr<XmlTree>& tree, size_t) { kept.push_back(std::move(tree)); });
    for (size_t i = 0; i < part.size(); i += 65536) {
        const std::string_view piece = std::string_view(part).substr(i, 65536);
        std::memcpy(scanner.room(piece.size()), piece.data(), piece.size());
        scanner.filled(piece.size());
    }
    scanner.finish();
    ASSERT_EQ(kept.size(), expected.size());
    for (size_t i = 0; i < kept.size(); ++i) ASSERT_EQ(DescribeXml(kept[i]->root()), expected[i]) << i;
    kept[0]->release();
    EXPECT_FALSE(kept[0]->root());
    EXPECT_EQ(kept[0]->size(), 0u);
}
