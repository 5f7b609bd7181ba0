#include <gtest/gtest.h>

#include "support/CompoundFile.h"
#include "support/Corpus.h"
#include "support/TestFiles.h"
#include "support/ReadFailure.h"
#include "wordproc/DocReader.h"
#include "wordproc/DocumentBuilder.h"
#include "wordproc/OleContainer.h"
#include "wordproc/Readers.h"

using namespace tessaly::wordproc;
using namespace tessaly::testing;

namespace {

std::u16string Markup(const std::filesystem::path& file) { return ToMarkup(*ReadDocument(file)); }

const auto Failure = ReadFailure;

const std::string kDamagedPrefix = ": ファイルが壊れているか途中で切れています（";

}  // namespace

TEST(DocReader, ManuscriptWrittenByAWordProcessor) {
    auto model = ReadDocument(TestData("ManuscriptFeatures.doc"));
    EXPECT_EQ(model->mainDocument().Name(), u"ManuscriptFeatures.doc");
    EXPECT_EQ(ToMarkup(*model),
              u"漢字の{かん|漢}{じ|字}と{とうきょう|東京}。\r"      // EQ ruby fields without result
              u"な[1黒丸]と[2ゴマ]と[3白丸]と[4下点]。\r"        // emphasis marks 1-4
              u"本文{ちゅうき★|注記}と[2スタイル]。\r"            // warichu; comma from a character style
              u"[1段落]無し\r"                                    // dot from the paragraph style
              u"タブ\t改行\na\\b<c>＜\r"
              u"セル1\rセル2a\rセル2b\r\r"                        // cell and row ends end paragraphs
              u"次頁«脚注»終わり\r");                              // the footnote at its reference
}

TEST(DocReader, SurrogatePairIsOnePosition) {
    auto model = ReadDocument(TestData("SurrogatePair.doc"));
    EXPECT_EQ(ToMarkup(*model), u"𠮷野と{よし|𠮷}。\r");
    ASSERT_EQ(model->size(), 6u);
    EXPECT_EQ(model->at(0).code, U'𠮷');
}

TEST(DocReader, SameManuscriptSavedBothWaysGivesTheSameModel) {
    EXPECT_EQ(Markup(TestData("ManuscriptFeatures.doc")), Markup(TestData("ManuscriptFeatures.docx")));
}

TEST(DocReader, StructuresPointingOutsideTheirStreams) {
    for (const char* name : {"PieceTableOutsideStream.doc", "CharacterPagesOutsideStream.doc", "StyleSheetOutsideStream.doc"}) {
        const auto [kind, message] = Failure(TestData(name));
        EXPECT_EQ(kind, ReadErrorKind::Damaged) << name;
        EXPECT_EQ(message, name + kDamagedPrefix + "1Table の範囲外を指しています）。");
    }
    const auto [kind, message] = Failure(TestData("ContainerChainLoop.doc"));
    EXPECT_EQ(kind, ReadErrorKind::Damaged);
    EXPECT_EQ(message, "ContainerChainLoop.doc" + kDamagedPrefix + "WordDocument が途中で切れています）。");
}

TEST(DocReader, TruncatedAtEverySixteenthIsAnErrorNeverACrash) {
    ExpectEveryTruncationRefused(TestData("ManuscriptFeatures.doc"));
}

TEST(DocReader, MacWrappersAreTakenOff) {
    std::string wrapped(128, '\0');
    wrapped[83] = 0, wrapped[84] = 0, wrapped[85] = 0x10, wrapped[86] = 0;  // data fork of 4096 bytes
    const std::string ole = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" + std::string(4088, 'x');
    EXPECT_EQ(UnwrapMacFile(wrapped + ole + "resource fork"), ole);
    std::string single("\x00\x05\x16\x00\x00\x02\x00\x00", 8);
    single += std::string(16, '\0') + std::string("\x00\x01", 2);
    single += std::string("\x00\x00\x00\x01\x00\x00\x00\x26\x00\x00\x00\x03", 12) + "abc";
    EXPECT_EQ(UnwrapMacFile(single), "abc");
    EXPECT_EQ(UnwrapMacFile("plain"), "plain");
}

TEST(DocReaderCorpus, RubyAndEmphasisMarks) {
    TESSALY_CORPUS_OR_SKIP(phonetic, "tika/testWORD_phonetic.doc");
    EXPECT_EQ(Markup(phonetic), u"{とうきょう|東京}\r\r");
    TESSALY_CORPUS_OR_SKIP(handmade, "generated/ja-features-handmade.doc");
    TESSALY_CORPUS_OR_SKIP(handmadeDocx, "generated/ja-features-handmade.docx");
    EXPECT_EQ(Markup(handmade), Markup(handmadeDocx));
    TESSALY_CORPUS_OR_SKIP(form, "generated/stress019-via-LibreOffice74.doc");
    const std::u16string m = Markup(form);
    EXPECT_NE(m.find(u"{ふり|担当者}"), std::u16string::npos);
    EXPECT_NE(m.find(u"{がな|氏}"), std::u16string::npos);
}

TEST(DocReaderCorpus, JapaneseTextInEveryWrapping) {
    const std::u16string sentence =
        u"Namazu は手軽に使えることを第一に目指した日本語全文検索システムです。このファイルはテスト用です。";
    TESSALY_CORPUS_OR_SKIP(word97, "namazu/word97.doc");
    EXPECT_EQ(Markup(word97), sentence + u"\r\rtest@namazu.org\r");
    for (const char* name : {"namazu/word98.doc", "namazu/word98-macbinary2.doc", "namazu/word2001-applesingle.doc"}) {
        TESSALY_CORPUS_OR_SKIP(file, name);
        EXPECT_EQ(Markup(file), sentence + u"\t\r\rtest@namazu.org\r") << name;
    }
    TESSALY_CORPUS_OR_SKIP(katakana, "poi/Bug34898.doc");
    EXPECT_EQ(Markup(katakana), u"ディレクトリ\r");
    TESSALY_CORPUS_OR_SKIP(test, "fess-crawler/test.doc");
    EXPECT_EQ(Markup(test), u"テスト\r");
    TESSALY_CORPUS_OR_SKIP(textBoxOnly, "fess-crawler/test_as.doc");
    EXPECT_EQ(Markup(textBoxOnly), u"\r");  // the text box is not part of the story
}

TEST(DocReaderCorpus, FastSavedAndMixedPieceTables) {
    TESSALY_CORPUS_OR_SKIP(chinese, "node-word-extractor/test11.doc");
    EXPECT_EQ(Markup(chinese), u"这是一个用来测试nodejs解析Word文档.doccccc\rThis is a test for parsing the Word file in node.\r");
    TESSALY_CORPUS_OR_SKIP(rasp, "poi/rasp.doc");
    const std::u16string text = ReadDocument(rasp)->plainText();
    EXPECT_NE(text.find(u"ХХХХХ"), std::u16string::npos);
    EXPECT_NE(text.find(u"УУУУУ"), std::u16string::npos);
    TESSALY_CORPUS_OR_SKIP(manyPieces, "poi/Bug33519.doc");
    EXPECT_NE(ReadDocument(manyPieces)->plainText().find(u"РУСЕНСКИ КЛУБ ЗА ПЪТЕШЕСТВИЯ БЯЛА ЗВЕЗДА\r"), std::u16string::npos);
    TESSALY_CORPUS_OR_SKIP(mixed, "poi/Bug46610_2.doc");
    EXPECT_TRUE(ReadDocument(mixed)->plainText().starts_with(u"0123456789112345678921234567893"));
    TESSALY_CORPUS_OR_SKIP(table, "poi/61490.doc");
    EXPECT_NE(Markup(table).find(u"\r31\r32\r33\r\r"), std::u16string::npos);
}

TEST(DocReaderCorpus, FieldsInNotesGiveTheirResults) {
    TESSALY_CORPUS_OR_SKIP(fields, "poi/test-fields.doc");
    EXPECT_EQ(Markup(fields), u"19/11/2010 14:49:00\rHere is a link to an endnote«Field in EndNote. File size: 0»\r"
                              u"Here is a link to a footnote«Footnote with field: Fridrich Strba» \rSome annotation linking here\r");
    EXPECT_EQ(ToMarkup(*ReadDocument(fields, ReadOptions{false, false, true})),
              u"19/11/2010 14:49:00\rHere is a link to an endnote\rHere is a link to a footnote \rSome annotation linking here\r");
    TESSALY_CORPUS_OR_SKIP(form, "node-word-extractor/test07.doc");
    EXPECT_TRUE(Markup(form).starts_with(u"CREDO REFERENCE\r\r03/599\r\r\rTHE ROBERT GORDON UNIVERSITY\r"));
}

TEST(DocReaderCorpus, EveryKindOfBadInputHasItsReason) {
    struct Case {
        const char* file;
        ReadErrorKind kind;
    };
    const Case cases[] = {
        {"tika/testWORD_protected_passtika.doc", ReadErrorKind::Encrypted},
        {"poi/PasswordProtected.doc", ReadErrorKind::Encrypted},
        {"poi/password_password_cryptoapi.doc", ReadErrorKind::Encrypted},
        {"msoffcrypto/rc4cryptoapi_password.doc", ReadErrorKind::Encrypted},
        {"tika/testWORD_protected_drm.doc", ReadErrorKind::Encrypted},
        {"tika/testWORD6.doc", ReadErrorKind::OldWordVersion},
        {"poi/Word95.doc", ReadErrorKind::OldWordVersion},
        {"namazu/word6.doc", ReadErrorKind::OldWordVersion},
        {"format-corpus/NEWSSLID.DOC", ReadErrorKind::OldWordVersion},
        {"format-corpus/testWordPerfect_50.doc", ReadErrorKind::NotWordDocument},
        {"format-corpus/testIBMDisplayWrite40.doc", ReadErrorKind::NotWordDocument},
        {"poi/clusterfuzz-testcase-minimized-POIHWPFFuzzer-5418937293340672.doc", ReadErrorKind::Damaged},
        {"node-word-extractor/badfile-01-bad-header.doc", ReadErrorKind::Damaged},
    };
    for (const auto& c : cases) {
        const auto path = CorpusFile(c.file);
        if (!path) continue;
        EXPECT_EQ(Failure(*path).first, c.kind) << c.file;
    }
    TESSALY_CORPUS_OR_SKIP(plain, "msoffcrypto/rc4cryptoapi_password_plain.doc");
    EXPECT_EQ(Markup(plain), u"lorem ipsum\r");
    const auto word6 = CorpusFile("poi/Word6.doc");
    if (word6) {
        EXPECT_EQ(Failure(*word6).second,
                  "Word6.doc: Word 6.0/95 以前の古い形式のため読み込めません。Word 97-2003 形式（.doc）または .docx で保存し直してください。");
    }
}

namespace {

// The streams of a .doc, read through the reader's own container.
std::string Stream(const std::string& file, const char* name) {
    const std::string bytes = ReadBytes(TestData(file.c_str()));
    return *OleContainer(bytes).readStream(name, size_t(1) << 30);
}

uint32_t Get32(const std::string& b, size_t at) {
    return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16 |
           uint32_t(uint8_t(b[at + 3])) << 24;
}
void Set32(std::string& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = char((v >> (8 * i)) & 0xFF);
}

}  // namespace

// A fast-saved document carries formatting in the piece table itself: each
// piece may name a group of sprms (a Prc of the piece table) that applies
// over the page's properties. Here every piece of a written document is
// given one with the emphasis mark 1.
TEST(DocReader, EmphasisFromThePiecesPropertyModifier) {
    std::string word = Stream("PlainText.doc", "WordDocument");
    const bool table1 = word[0x0B] & 0x02;
    std::string table = Stream("PlainText.doc", table1 ? "1Table" : "0Table");
    // The pairs of the FIB: after FibBase, csw and FibRgW97, cslw and FibRgLw97, cbRgFcLcb.
    const size_t csw = uint8_t(word[0x20]) | uint8_t(word[0x21]) << 8;
    const size_t lw = 0x22 + csw * 2;
    const size_t cslw = uint8_t(word[lw]) | uint8_t(word[lw + 1]) << 8;
    const size_t clxPair = lw + 2 + cslw * 4 + 2 + 33 * 8;
    const uint32_t fcClx = Get32(word, clxPair), lcbClx = Get32(word, clxPair + 4);
    std::string pcdt = table.substr(fcClx, lcbClx);
    ASSERT_EQ(pcdt[0], '\x02') << "a piece table without modifiers to start from";
    const uint32_t lcb = Get32(pcdt, 1);
    const size_t pieces = (lcb - 4) / 12;
    for (size_t i = 0; i < pieces; ++i) {
        const size_t prm = 5 + (pieces + 1) * 4 + i * 8 + 6;
        pcdt[prm] = 0x01;  // fComplex, the first Prc
        pcdt[prm + 1] = 0x00;
    }
    const std::string clx = std::string("\x01\x03\x00\x34\x2A\x01", 6) + pcdt;  // Prc: sprmCKcd 1
    Set32(word, clxPair, uint32_t(table.size()));
    Set32(word, clxPair + 4, uint32_t(clx.size()));
    table += clx;
    TempFolder folder;
    const auto file = folder.path() / "PieceModifier.doc";
    WriteBytes(file, WriteCompoundFile({{"WordDocument", word}, {table1 ? "1Table" : "0Table", table}}));
    const std::u16string plain = Markup(TestData("PlainText.doc"));
    std::u16string marked = u"[1";
    for (char16_t c : plain) marked += c == u'\r' ? std::u16string(u"]\r[1") : std::u16string(1, c);
    marked.resize(marked.size() - 2);  // no stretch after the last mark
    EXPECT_EQ(Markup(file), marked);
}
