#include <gtest/gtest.h>
#include <zip.h>

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

// Property content met again is copied from what the tree remembers: each
// text, read by one tree in turn, still reads as pugixml reads it on its own.
TEST(XmlTree, PropertiesMetAgainReadAsTheFirstTime) {
    const std::string ruby =
        R"(<w:ruby><w:rubyPr><w:rubyAlign w:val="distributeSpace"/><w:hps w:val="10"/><w:lid w:val="ja-JP"/></w:rubyPr>)"
        R"(<w:rt><w:r><w:t>かん</w:t></w:r></w:rt><w:rubyBase><w:r><w:t>漢</w:t></w:r></w:rubyBase></w:ruby>)";
    const std::vector<std::string> texts = {
        "<w:p><w:r>" + ruby + "</w:r><w:r>" + ruby + "</w:r></w:p>",  // twice in one block
        "<w:r>" + ruby + "</w:r>",                                     // and again in the next
        // nested properties, whitespace alone, text between children
        R"(<w:p><w:pPr><w:jc w:val="both"/><w:rPr><w:b/><w:sz w:val="21"/></w:rPr></w:pPr><w:r><w:rPr><w:b/><w:sz w:val="21"/></w:rPr></w:r></w:p>)",
        R"(<w:p><w:pPr><w:jc w:val="both"/><w:rPr><w:b/><w:sz w:val="21"/></w:rPr></w:pPr><w:pPr> </w:pPr><w:pPr>x<y/>z</w:pPr></w:p>)",
        R"(<w:p><w:pPr> </w:pPr><w:pPr>x<y/>z</w:pPr><w:pPr><w:jc w:val="both"/><w:rPr><w:b/><w:sz w:val="21"/></w:rPr></w:pPr></w:p>)",
        // the same bytes with other content after them, and a property that is the whole block
        R"(<w:sectPr><w:pgSz w:w="11906"/></w:sectPr>)", R"(<w:sectPr><w:pgSz w:w="11906"/></w:sectPr>)",
        R"(<w:r><w:rPr><w:b/></w:rPr><w:rPr><w:b/><w:i/></w:rPr><w:rPr><w:b/></w:rPr></w:r>)",
        // entities and empty values
        R"(<w:r><w:rPr><w:x w:v="a&amp;b" w:e=""/>&lt;</w:rPr><w:rPr><w:x w:v="a&amp;b" w:e=""/>&lt;</w:rPr></w:r>)",
    };
    XmlTree tree;
    for (int round = 0; round < 2; ++round) {
        for (const auto& xml : texts) {
            ASSERT_TRUE(tree.parse(xml)) << xml;
            EXPECT_EQ(DescribeXml(tree.root()), FullParser(xml)) << xml;
        }
    }
    // Remembered content is only taken whole, by an element of its own name.
    ASSERT_TRUE(tree.parse("<x><aPr><b/></aPr></x>"));
    EXPECT_FALSE(tree.parse("<x><ePr><b/></aPr></x>"));
    ASSERT_TRUE(tree.parse("<x><ePr><b/></ePr></x>"));
    EXPECT_EQ(DescribeXml(tree.root()), "x[](ePr[](b[]()))");
    size_t length = 0;
    ASSERT_TRUE(tree.parse(R"(<w:r><w:rPr><w:b/><w:sz w:val="21"/></w:rPr></w:r>)"));
    EXPECT_EQ(tree.read(R"(<w:r><w:rPr><w:b/><w:sz w:val="21"/></w:rP)", false, &length), XmlTree::Result::NeedMore);
    const std::string properties = R"(<w:rPr><w:b/><w:sz w:val="21"/></w:rPr>)";
    EXPECT_EQ(tree.read(properties + "<w:r/>", false, &length), XmlTree::Result::Read);
    EXPECT_EQ(length, properties.size());
    EXPECT_EQ(DescribeXml(tree.root()), "w:rPr[](w:b[]()w:sz[w:val=21;]())");
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
        for (const auto& block : blocks) {
            const std::string fast = Fast(block);
            if (fast == "declined") continue;
            ++read;
            ASSERT_EQ(fast, FullParser(block)) << file;
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
