// Manuscripts that write ruby and emphasis as text, in plain text and in
// Word, converted from the command line: the same tags as Word's own ruby
// and emphasis give.
#include <gtest/gtest.h>


#include "engine/Text.h"
#include "support/EngineHarness.h"
#include "support/ExpectedTags.h"
#include "support/ToolRun.h"
#include "support/MiniDocx.h"
#include "support/Corpus.h"
#include "wordproc/TextReader.h"

using namespace tessaly;
using namespace tessaly::testing;
namespace fs = std::filesystem;

namespace {

struct NotationFixture : CommandLine {
    std::string err;

    // The Windows output's body (after the header), as UTF-8.
    std::string convert(const fs::path& file, std::vector<std::string> flags = {}) {
        std::vector<std::string> args = {"--defaults", "--no-mac", "-o", out().string()};
        args.insert(args.end(), flags.begin(), flags.end());
        args.push_back(file.string());
        const ToolRun r = run(args);
        EXPECT_EQ(r.status, 0) << r.err;
        err = r.err;
        return body(OutputName(file));
    }
    static std::string OutputName(const fs::path& file) { return file.stem().string() + "_ruby.txt"; }
};

const std::string kBody =
    "<ParaStyle:段落標準><CharStyle:グループルビ><cRuby:1><cRubyString:かんじ>漢字<cRuby:><cRubyString:><CharStyle:>と"
    "<CharStyle:モノルビ><cRuby:1><cRubyString:か>火<cRuby:><cRubyString:><CharStyle:>と"
    "<CharStyle:圏点1>傍点<CharStyle:>。《題》\r\t二行目\r\n<ParaStyle:>";

}  // namespace

TEST_F(NotationFixture, PlainTextInEveryEncodingGivesTheSameBytes) {
    const std::u16string text = u"｜漢字《かんじ》と火《か》と《《傍点》》。|《題》\r\n\t二行目\r\n";
    const std::string shiftJis =
        "\x81\x62\x8A\xBF\x8E\x9A\x81\x73\x82\xA9\x82\xF1\x82\xB6\x81\x74\x82\xC6\x89\xCE\x81\x73\x82\xA9\x81\x74\x82\xC6"
        "\x81\x73\x81\x73\x96\x54\x93\x5F\x81\x74\x81\x74\x81\x42|\x81\x73\x91\xE8\x81\x74\r\n\t\x93\xF1\x8D\x73\x96\xDA\r\n";
    std::string first;
    for (const auto& [name, bytes] :
         {std::pair{"utf8.txt", ToUtf8(text)}, std::pair{"bom.txt", "\xEF\xBB\xBF" + ToUtf8(text)},
          std::pair{"le.txt", "\xFF\xFE" + Utf16Bytes(text, false)}, std::pair{"be.txt", "\xFE\xFF" + Utf16Bytes(text, true)},
          std::pair{"sjis.txt", shiftJis}}) {
        WriteBytes(folder.path() / name, bytes);
        EXPECT_EQ(convert(folder.path() / name), kBody) << name;
        const std::string whole = ReadBytes(out() / OutputName(folder.path() / name));
        if (first.empty()) first = whole;
        EXPECT_EQ(whole, first) << name;
    }
}

TEST_F(NotationFixture, WordManuscriptWithAndWithoutTheOption) {
    // The notation, and the same manuscript as Word writes ruby and emphasis.
    const fs::path notation = folder.path() / "notation.docx", word = folder.path() / "word.docx";
    WriteMiniDocx(notation, "<w:p>" + TextRun("｜漢字《かんじ》と火《か》と《《傍点》》。|《題》") + "</w:p><w:p>" +
                                TextRun("\t二行目") + "</w:p>");
    WriteMiniDocx(word, "<w:p>" + Ruby("かんじ", "漢字") + TextRun("と") + Ruby("か", "火") + TextRun("と") +
                            TextRun("傍点", R"(<w:em w:val="comma"/>)") + TextRun("。《題》") + "</w:p><w:p>" +
                            TextRun("\t二行目") + "</w:p>");
    EXPECT_EQ(convert(notation, {"--ruby-notation"}), kBody);
    EXPECT_EQ(err, "");
    EXPECT_EQ(convert(word), kBody);
    // Off by default: the text stays as written, and the run says how to turn it on.
    EXPECT_EQ(convert(notation), "<ParaStyle:段落標準>｜漢字《かんじ》と火《か》と《《傍点》》。|《題》\r\t二行目\r\n<ParaStyle:>");
    EXPECT_EQ(err, "tessaly-convert: " + notation.string() +
                       ": ルビ・圏点・割注が見つからないか、変換されませんでした。対象の原稿と設定を確認してください。\n"
                       "tessaly-convert: " + notation.string() +
                       ": ルビ記法（|漢字《かんじ》）らしい個所が 3 個所ありますが、変換していません（変換するには --ruby-notation を指定してください）。\n");
}

// Control characters other than TAB, LF and CR never reach the model: in a
// plain text (where U+0013 to U+0015 would stand for field marks) and raw or
// as references in a .docx (where a NUL would end its text); they are
// dropped, the rest of the text kept, and the run says how many. A UTF-16
// surrogate without its other half becomes U+FFFD.
TEST_F(NotationFixture, ControlCharactersAndBrokenSurrogatesNeverReachTheOutput) {
    const fs::path text = folder.path() / "controls.txt";
    WriteBytes(text, "まえ\x13漢字\x14《かんじ》\x15後\x01\x7F\xC2\x85。\n");
    EXPECT_EQ(convert(text), "<ParaStyle:段落標準>まえ" + Group("かんじ", "漢字") + "後。\r\n<ParaStyle:>");
    EXPECT_EQ(err, "tessaly-convert: " + text.string() + ": 制御文字 6 個を取り除きました。\n");

    const fs::path docx = folder.path() / "controls.docx";
    WriteMiniDocx(docx, "<w:p>" + TextRun("前&#0;後&#x15;。") + Ruby("か&#00;ん", "漢") + TextRun(std::string("a\0b", 3)) + "</w:p>");
    EXPECT_EQ(convert(docx), "<ParaStyle:段落標準>前後。" + Mono("かん", "漢") + "ab\r\n<ParaStyle:>");
    EXPECT_EQ(err, "tessaly-convert: " + docx.string() + ": 制御文字 4 個を取り除きました。\n");

    const fs::path utf16 = folder.path() / "broken.txt";
    WriteBytes(utf16, "\xFF\xFE" + Utf16Bytes(u"前\xD800後\xDC00、字《じ》\n", false));
    EXPECT_EQ(convert(utf16), "<ParaStyle:段落標準>前\uFFFD後\uFFFD、" + Mono("じ", "字") + "\r\n<ParaStyle:>");
    EXPECT_EQ(err, "tessaly-convert: " + utf16.string() + ": 壊れた文字 2 個を「\uFFFD」にしました。\n");
}

namespace {

// The body of the Aozora Bunko features manuscript, as InDesign receives it.
const std::string kAozoraBody =
    "<ParaStyle:段落標準>記法の見本\r作者不詳\r\r\r第一章\r"
    "　" + Group("かんじ", "漢字") + "と" + Group("おやもじ", "親文字") + "、" + Group("よみ", "ひらがな") + "、" + Group("かたかな", "カタカナ") +
    "、" + Group("えーびーしー", "ＡＢＣ") + "、" + Group("とうきょう", "Tokyo") + "。\r"
    "　" + Mono("じゅく　ご", "熟語") + "と日本" + Group("れきし", "の歴史") + "。\r"
    "　" + Kenten(1, "傍点") + "、" + Kenten(1, "白ゴマ") + "、" + Kenten(5, "丸") + "、" + Kenten(5, "白丸") + "、" + Kenten(5, "黒三角") + "、" +
    Kenten(5, "白三角") + "、" + Kenten(5, "二重丸") + "、" + Kenten(5, "蛇の目") + "、" + Kenten(1, "ばつ") + "。\r"
    "　" + Kenten(1, "範囲の傍点") + "と" + Mono("き", "来") + Kenten(5, "た") + "。\r"
    "　昭和<CharStyle:縦中横>２０<CharStyle:>年<CharStyle:縦中横>12<CharStyle:>月。\r"
    "　本文（" + Warichu("割り注の文") + "）の続き。\r"
    "　掻き" + Mono("むし", "挘") + "る、\xF0\xA0\x82\x89、呭、栱、※［＃「さんずい＋蔑」］。\r\r"
    "　" + Group("たいせいよう", "大西洋") + "。\r（終わり）\r\n<ParaStyle:>";

}  // namespace

TEST_F(NotationFixture, AozoraBunkoAnnotationsInEveryEncoding) {
    // Shift_JIS-2004 as written (it holds 栱, which code page 932 has not),
    // and the same text in UTF-8 and UTF-16.
    const std::string sjis2004 = ReadBytes(TestData("aozora/Features.txt"));
    const std::u16string text = wordproc::DecodePlainText(sjis2004, "Features.txt");
    std::string first;
    for (const auto& [name, bytes] :
         {std::pair{"Features.txt", sjis2004}, std::pair{"utf8.txt", ToUtf8(text)}, std::pair{"bom.txt", "\xEF\xBB\xBF" + ToUtf8(text)},
          std::pair{"le.txt", "\xFF\xFE" + Utf16Bytes(text, false)}, std::pair{"be.txt", "\xFE\xFF" + Utf16Bytes(text, true)}}) {
        WriteBytes(folder.path() / name, bytes);
        EXPECT_EQ(convert(folder.path() / name), kAozoraBody) << name;
        const std::string whole = ReadBytes(out() / OutputName(folder.path() / name));
        if (first.empty()) first = whole;
        EXPECT_EQ(whole, first) << name;
    }
    EXPECT_EQ(err, "tessaly-convert: " + (folder.path() / "be.txt").string() +
                       ": 【テキスト中に現れる記号について】を取り除きました。記法の注記 5 個所（字下げ 1、見出し 1、改ページ 1、底本との違い 1、地寄せ 1）"
                       "を取り除きました。白ゴマ傍点 1 個所は圏点1（ゴマ）、白丸傍点 1 個所は圏点5（黒丸）、黒三角傍点 1 個所は圏点5（黒丸）、"
                       "白三角傍点 1 個所は圏点5（黒丸）、二重丸傍点 1 個所は圏点5（黒丸）、蛇の目傍点 1 個所は圏点5（黒丸）、ばつ傍点 1 個所は圏点1（ゴマ）"
                       "で表しました。ルビのある文字の傍点 1 個所は、ルビの親文字には付けていません。コードのない外字注記 1 個所はそのまま残しました。\n");
}

TEST_F(NotationFixture, AnAozoraBunkoWorkComesOutWhole) {
    // 宮沢賢治「やまなし」 as the archive writes it, and a long work made of
    // it: no annotation is left in the text, every ruby is a ruby tag.
    const std::string work = ReadBytes(TestData("aozora/Yamanashi.txt"));
    const std::string text = convert(TestData("aozora/Yamanashi.txt"));
    EXPECT_EQ(text.find("［＃"), std::string::npos);
    EXPECT_EQ(text.find("《"), std::string::npos);
    EXPECT_EQ(text.find("テキスト中に現れる記号"), std::string::npos);
    EXPECT_TRUE(text.starts_with("<ParaStyle:段落標準>やまなし\r宮沢賢治\r\r\r　小さな谷川の底を写した二枚の青い" + Group("げんとう", "幻燈") + "です。"));
    EXPECT_NE(text.find("二" + Mono("ひき", "疋") + "の" + Mono("かに", "蟹") + "の子供ら"), std::string::npos);
    EXPECT_NE(text.find("又" + Group("こんごうせき", "金剛石") + "の粉"), std::string::npos);
    std::string rubies;
    for (size_t at = text.find("<cRuby:1>"); at != std::string::npos; at = text.find("<cRuby:1>", at + 1)) rubies += "r";
    EXPECT_EQ(rubies.size(), 56u);
    EXPECT_EQ(err, "tessaly-convert: " + TestData("aozora/Yamanashi.txt").string() + ": 【テキスト中に現れる記号について】を取り除きました。\n");
    // Forty times the body in one file: 2,240 rubies, the explanation once.
    const size_t start = work.find("\r\n\r\n\x81\x40");  // after the explanation: the first indented paragraph
    ASSERT_NE(start, std::string::npos);
    std::string longWork = work;
    for (int k = 0; k < 39; ++k) longWork += work.substr(start);
    WriteBytes(folder.path() / "long.txt", longWork);
    const ToolRun r = run({"--defaults", "--no-mac", "-o", out().string(), (folder.path() / "long.txt").string()});
    EXPECT_NE(r.out.find(": 2240 個所変換しました"), std::string::npos) << r.out;
    EXPECT_EQ(CommandLine::body("long_ruby.txt").find("［＃"), std::string::npos);
}
