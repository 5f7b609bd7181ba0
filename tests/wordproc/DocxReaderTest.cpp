#include <gtest/gtest.h>

#include <tuple>

#include "support/Corpus.h"
#include "support/EngineHarness.h"
#include "support/MiniDocx.h"
#include "support/ReadFailure.h"
#include "wordproc/DocumentBuilder.h"
#include "wordproc/Readers.h"

using namespace tessaly::wordproc;
using namespace tessaly::testing;

namespace {

std::u16string Markup(const std::filesystem::path& file) { return ToMarkup(*ReadDocument(file)); }

ReadErrorKind ErrorKind(const std::filesystem::path& file, std::string* message = nullptr) {
    auto [kind, text] = ReadFailure(file);
    if (message) *message = text;
    return kind;
}

}  // namespace

TEST(DocxReader, ManuscriptWrittenByAWordProcessor) {
    auto model = ReadDocument(TestData("ManuscriptFeatures.docx"));
    EXPECT_EQ(model->mainDocument().Name(), u"ManuscriptFeatures.docx");
    EXPECT_EQ(ToMarkup(*model),
              u"漢字の{かん|漢}{じ|字}と{とうきょう|東京}。\r"
              u"な[1黒丸]と[2ゴマ]と[3白丸]と[4下点]。\r"
              u"本文{ちゅうき★|注記}と[2スタイル]。\r"  // warichu; comma from a character style
              u"[1段落]無し\r"                          // dot from the paragraph style, direct none wins
              u"タブ\t改行\na\\b<c>＜\r"
              u"セル1\rセル2a\rセル2b\r\r"              // the row end ends a paragraph
              u"次頁«脚注»終わり\r");                    // a page break at the start ends nothing; the footnote at its reference
}

// The second package has the same blocks, each with a comment and a CR LF
// between its elements, which change nothing.
TEST(DocxReader, StructuresOfTheMarkup) {
    for (const char* file : {"WordprocessingStructures.docx", "WordprocessingStructuresCommented.docx"}) {
        EXPECT_EQ(Markup(TestData(file)),
                  u"前[1{せい|青}]後\r"                        // EQ ruby over five instruction runs, mark of its base
                  u"○印著者名前.docx{かん|漢}\r"                // enclosed character, field results, simple EQ field
                  u"リンクタグカスタムコントロール挿入旧\r"    // wrappers kept, deletion left out, fallback content
                  u"a\tb\nc\n\u2011\u00AD★\rde\r"            // tab, breaks, hyphens, symbol, column break
                  u"[4既][3派][2直][4輪]\r"                    // defaults, basedOn chain, direct, style cycle
                  u"標準\r"
                  u"囲み\rA\rB\r\rC\r\r終\r")
            << file;
    }
}

TEST(DocxReader, BadInputGetsItsReason) {
    std::string message;
    EXPECT_EQ(ErrorKind(TestData("PackageWithoutMainDocument.docx"), &message), ReadErrorKind::NotWordDocument);
    EXPECT_EQ(message, "PackageWithoutMainDocument.docx: パッケージに Word 文書の本文が見つからないため読み込めません。");
    EXPECT_EQ(ErrorKind(TestData("MalformedDocumentXml.docx"), &message), ReadErrorKind::Damaged);
    EXPECT_NE(message.find("word/document.xml、"), std::string::npos) << message;
    EXPECT_NE(message.find(" バイト目"), std::string::npos) << message;
    EXPECT_EQ(ErrorKind(TestData("InflatesBeyondLimit.docx"), &message), ReadErrorKind::TooLarge);
    EXPECT_EQ(ErrorKind(TestData("sources/ManuscriptFeatures.fodt"), &message), ReadErrorKind::NotWordDocument);
    EXPECT_EQ(message, "ManuscriptFeatures.fodt: Word 文書（.doc / .docx）ではありません。");
    EXPECT_EQ(ErrorKind(TestData("no-such-file.docx"), &message), ReadErrorKind::CannotOpen);
    EXPECT_EQ(ErrorKind(TestData("sources"), &message), ReadErrorKind::CannotOpen);
}

// A main part of megabytes is read back whole and in order; a part whose
// bytes were altered fails its check, and malformed XML is reported with
// the byte where it lies.
TEST(DocxReader, LongMainPartKeepsItsOrderAndItsFaults) {
    auto paragraphs = [](int count, std::u16string* markup) {
        std::string xml;
        for (int i = 0; i < count; ++i) {
            xml += "<w:p>" + TextRun("段落" + std::to_string(i)) + Ruby("よみ", "読") + TextRun("end") + "</w:p>";
            *markup += u"段落";
            for (char c : std::to_string(i)) *markup += static_cast<char16_t>(c);
            *markup += u"{よみ|読}end\r";
        }
        return xml;
    };
    TempFolder folder;
    const auto file = folder.path() / "long.docx";
    std::u16string expected;
    WriteMiniDocx(file, paragraphs(12000, &expected));
    EXPECT_EQ(Markup(file), expected);

    // Stored, so that a byte of the part can be altered in the file.
    auto writeAltered = [&](const std::string& body) {
        WriteMiniDocx(file, body + "<w:p>" + TextRun("LAST") + "</w:p>", true);
        std::string bytes = ReadBytes(file);
        bytes[bytes.rfind("LAST")] = 'M';
        WriteBytes(file, bytes);
    };
    std::u16string ignored;
    const std::string body = paragraphs(3000, &ignored);  // several chunks
    writeAltered(body);
    std::string message;
    EXPECT_EQ(ErrorKind(file, &message), ReadErrorKind::Damaged);
    EXPECT_EQ(message, "long.docx: ファイルが壊れているか途中で切れています（word/document.xml を展開できません）。");
    // A malformed paragraph late in a part that is otherwise whole.
    const size_t late = body.find("<w:p>", body.size() * 3 / 4);
    WriteMiniDocx(file, body.substr(0, late) + "<w:p><w:r></w:p></w:r>" + body.substr(late), true);
    EXPECT_EQ(ErrorKind(file, &message), ReadErrorKind::Damaged);
    EXPECT_TRUE(message.starts_with("long.docx: XML が壊れています（word/document.xml、")) << message;
    EXPECT_TRUE(message.ends_with(" バイト目: Start-end tags mismatch）。")) << message;
}

// libzip checks each part's CRC: a stored CRC that the intact bytes do not
// match is refused as damaged.
TEST(DocxReader, PartWhoseCrcDiffersIsDamaged) {
    TempFolder folder;
    const auto file = folder.path() / "crc.docx";
    const std::string body = "<w:p>" + TextRun("本文") + Ruby("よみ", "読") + "</w:p>";
    WriteMiniDocx(file, body);
    EXPECT_EQ(Markup(file), u"本文{よみ|読}\r");

    // The part's CRC altered in both of its headers, its bytes left whole.
    WriteMiniDocx(file, body, true);
    std::string altered = ReadBytes(file);
    const std::string name = "word/document.xml";
    for (const auto& [signature, crcAt, nameAt] : {std::tuple{std::string("PK\x03\x04"), 14, 30}, std::tuple{std::string("PK\x01\x02"), 16, 46}}) {
        for (size_t i = altered.find(signature); i != std::string::npos; i = altered.find(signature, i + 4))
            if (altered.compare(i + nameAt, name.size(), name) == 0) altered[i + crcAt] ^= 0x55;
    }
    WriteBytes(file, altered);
    std::string message;
    EXPECT_EQ(ErrorKind(file, &message), ReadErrorKind::Damaged);
    EXPECT_EQ(message, "crc.docx: ファイルが壊れているか途中で切れています（word/document.xml を展開できません）。");
}

// Runs keep their own emphasis (direct or through a character style) and
// otherwise take their paragraph style's, paragraph by paragraph; no text is
// taken into a field's instruction.
TEST(DocxReader, EmphasisOfRunsAndParagraphStyles) {
    const std::string styles =
        R"(<w:style w:type="paragraph" w:styleId="Dots"><w:rPr><w:em w:val="dot"/></w:rPr></w:style>)"
        R"(<w:style w:type="paragraph" w:styleId="Rings"><w:rPr><w:em w:val="circle"/></w:rPr></w:style>)"
        R"(<w:style w:type="character" w:styleId="Commas"><w:rPr><w:em w:val="comma"/></w:rPr></w:style>)";
    auto styled = [](const std::string& style) { return style.empty() ? "<w:p>" : "<w:p><w:pPr><w:pStyle w:val=\"" + style + "\"/></w:pPr>"; };
    const std::string under = R"(<w:em w:val="underDot"/>)";
    const std::string commas = R"(<w:rStyle w:val="Commas"/>)";
    auto underRuby = [&](const std::string& reading, const std::string& base) {
        return "<w:r><w:ruby><w:rubyPr/><w:rt>" + TextRun(reading) + "</w:rt><w:rubyBase>" + TextRun(base, under) +
               "</w:rubyBase></w:ruby></w:r>";
    };
    const std::string runs = TextRun("甲") + TextRun("一") + TextRun("乙", under) + TextRun("二", under) +
                             TextRun("丙", commas) + TextRun("三", commas) + Ruby("よ", "読") + Ruby("み", "見") +
                             underRuby("か", "書") + underRuby("き", "聞") + TextRun("丁", "<w:b/>") + TextRun("戊");
    const std::string field = R"(<w:r><w:fldChar w:fldCharType="begin"/></w:r>)" + TextRun("甲") +
                              R"(<w:r><w:instrText> EQ \o\ad(\s\up 9(ふ),符)</w:instrText></w:r><w:r><w:fldChar w:fldCharType="separate"/></w:r>)" +
                              TextRun("戊") + R"(<w:r><w:fldChar w:fldCharType="end"/></w:r>)";
    std::string body;
    for (const char* style : {"Dots", "Rings", "", "Dots"}) body += styled(style) + runs + field + "</w:p>";
    TempFolder folder;
    const auto file = folder.path() / "again.docx";
    WriteMiniDocx(file, body, false, styles);
    EXPECT_EQ(Markup(file),
              u"[1甲一][4乙二][2丙三][1{よ|読}{み|見}][4{か|書}{き|聞}][1丁戊{ふ|符}]\r"
              u"[3甲一][4乙二][2丙三][3{よ|読}{み|見}][4{か|書}{き|聞}][3丁戊{ふ|符}]\r"
              u"甲一[4乙二][2丙三]{よ|読}{み|見}[4{か|書}{き|聞}]丁戊{ふ|符}\r"
              u"[1甲一][4乙二][2丙三][1{よ|読}{み|見}][4{か|書}{き|聞}][1丁戊{ふ|符}]\r");
}

TEST(DocxReader, TruncatedPackagesAreDamagedNeverACrash) {
    ExpectEveryTruncationRefused(TestData("ManuscriptFeatures.docx"));
}

TEST(DocxReaderCorpus, RubyInOtherProjectsFiles) {
    TESSALY_CORPUS_OR_SKIP(phonetic, "tika/testWORD_phonetic.docx");
    EXPECT_EQ(Markup(phonetic), u"{とうきょう|東京}\r\r");
    TESSALY_CORPUS_OR_SKIP(aspose, "aspose/Phonetic guide.docx");
    EXPECT_EQ(Markup(aspose), u"{ruby|base}\r");
    TESSALY_CORPUS_OR_SKIP(handmade, "generated/ja-features-handmade.docx");
    EXPECT_EQ(Markup(handmade),
              u"なし[1黒丸傍点]と[2ゴマ傍点]と[3白丸傍点]と[4下点]。\r"
              u"これは{かんじ|漢字}と{とうきょう|東京}のルビ。\r本文{%2割注の例}続き。\rフィールド{よみ|読}の例。\r");
}

TEST(DocxReaderCorpus, FormWithSplitReadingAndEnclosedCharacters) {
    TESSALY_CORPUS_OR_SKIP(form, "poi/stress019.docx");
    const std::u16string m = Markup(form);
    EXPECT_NE(m.find(u"{ふり|担当者}"), std::u16string::npos);
    EXPECT_NE(m.find(u"{がな|氏名}"), std::u16string::npos);
    size_t fields = 0, enclosed = 0;
    for (size_t p = m.find(u'{'); p != std::u16string::npos; p = m.find(u'{', p + 1)) fields += p == 0 || m[p - 1] != u'`';
    for (size_t p = m.find(u"○印"); p != std::u16string::npos; p = m.find(u"○印", p + 1)) ++enclosed;
    EXPECT_EQ(fields, 2u);
    EXPECT_EQ(enclosed, 2u);
}

TEST(DocxReaderCorpus, FieldsGiveResultsNeverCodes) {
    TESSALY_CORPUS_OR_SKIP(codes, "poi/FieldCodes.docx");
    const std::u16string text = ReadDocument(codes)->plainText();
    EXPECT_GT(text.size(), 10u);
    EXPECT_EQ(text.find(u"AUTHOR"), std::u16string::npos);
    EXPECT_EQ(text.find(u"CREATEDATE"), std::u16string::npos);
    TESSALY_CORPUS_OR_SKIP(simple, "poi/FldSimple.docx");
    EXPECT_NE(ReadDocument(simple)->plainText().find(u"FldSimple.docx"), std::u16string::npos);
    TESSALY_CORPUS_OR_SKIP(strict, "openxml-sdk/instrText-Field Definitions-EQ-Array-AlignLeft.docx");
    EXPECT_EQ(Markup(strict), u"MilkEggsDetergentVeggies\r");
    TESSALY_CORPUS_OR_SKIP(complex, "openxml-sdk/complex0.docx");
    auto model = ReadDocument(complex);
    for (size_t i = 0; i < model->size(); ++i) ASSERT_FALSE(model->at(i).isField) << "no EQ there is ruby";
}

TEST(DocxReaderCorpus, JapaneseTextAndEncryptedPackages) {
    TESSALY_CORPUS_OR_SKIP(namazu, "namazu/word2007.docx");
    EXPECT_EQ(Markup(namazu),
              u"Namazu は手軽に使えることを第一に目指した日本語全文検索システムです。このファイルはテスト用です。\t\r\rtest@namazu.org\r");
    for (const char* name : {"tika/testWORD_protected_passtika.docx", "msoffcrypto/ecma376standard_password.docx",
                             "poi/bug53475-password-is-pass.docx"}) {
        TESSALY_CORPUS_OR_SKIP(encrypted, name);
        EXPECT_EQ(ErrorKind(encrypted), ReadErrorKind::Encrypted) << name;
    }
    TESSALY_CORPUS_OR_SKIP(truncated, "poi/truncated62886.docx");
    std::string message;
    EXPECT_EQ(ErrorKind(truncated, &message), ReadErrorKind::Damaged);
    EXPECT_EQ(message, "truncated62886.docx: ZIP 形式が壊れているか、途中で切れています。");
}

TEST(DocxReaderCorpus, EncryptedPackageIsPasswordProtectedWhateverItsStreamsAreCalled) {
    TESSALY_CORPUS_OR_SKIP(encrypted, "msoffcrypto/ecma376standard_password.docx");
    const std::string expected =
        ": パスワードで保護（暗号化）されているため読み込めません。保護を解除して保存し直してください。";
    std::string message;
    EXPECT_EQ(ErrorKind(encrypted, &message), ReadErrorKind::Encrypted);
    EXPECT_EQ(message, "ecma376standard_password.docx" + expected);
    // The same container with its streams' names in capitals.
    std::string bytes = ReadBytes(encrypted);
    for (const auto& [from, to] : {std::pair{std::string("E\0n\0c\0r\0y\0p\0t\0i\0o\0n\0I\0n\0f\0o\0", 28),
                                             std::string("E\0N\0C\0R\0Y\0P\0T\0I\0O\0N\0I\0N\0F\0O\0", 28)}}) {
        const size_t at = bytes.find(from);
        ASSERT_NE(at, std::string::npos);
        bytes.replace(at, from.size(), to);
    }
    TempFolder folder;
    WriteBytes(folder.path() / "upper.docx", bytes);
    EXPECT_EQ(ErrorKind(folder.path() / "upper.docx", &message), ReadErrorKind::Encrypted);
    EXPECT_EQ(message, "upper.docx" + expected);
}

TEST(DocxReader, StoryBeyondTheLimitIsRefused) {
    // One text node of more characters than any book: refused once the
    // story would pass its limit, not read into memory many times over.
    TempFolder folder;
    const auto file = folder.path() / "huge.docx";
    WriteMiniDocx(file, "<w:p>" + TextRun(std::string(kMaxStoryPositions + 1, 'x')) + "</w:p>");
    std::string message;
    EXPECT_EQ(ErrorKind(file, &message), ReadErrorKind::TooLarge);
    EXPECT_EQ(message, "huge.docx: 本文が上限（2,000 万文字）を超えるため読み込めません。");
    // Exactly at the limit, with the final paragraph mark, it is read.
    WriteMiniDocx(file, "<w:p>" + TextRun(std::string(kMaxStoryPositions - 1, 'x')) + "</w:p>");
    EXPECT_EQ(ReadDocument(file)->size(), kMaxStoryPositions);
}

// A page or column break ends its paragraph; the paragraph mark that
// follows it then makes no empty paragraph, and one at a paragraph's start
// ends nothing.
TEST(DocxReader, BreaksEndTheirParagraphWithoutAnEmptyOne) {
    TempFolder folder;
    const auto file = folder.path() / "breaks.docx";
    WriteMiniDocx(file, "<w:p>" + TextRun("前") + "<w:r><w:br w:type=\"page\"/></w:r></w:p>"
                        "<w:p>" + TextRun("中") + "<w:r><w:br w:type=\"column\"/></w:r>" + TextRun("続き") + "</w:p>"
                        "<w:p><w:r><w:br w:type=\"page\"/></w:r>" + TextRun("後") + "</w:p>"
                        "<w:p><w:r><w:br/></w:r>" + TextRun("改行") + "</w:p>");
    EXPECT_EQ(Markup(file), u"前\r中\r続き\r後\r\n改行\r");
}
