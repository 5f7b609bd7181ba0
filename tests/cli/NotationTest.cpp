// Manuscripts that write ruby and emphasis as text, in plain text and in
// Word, converted from the command line: the same tags as Word's own ruby
// and emphasis give.
#include <gtest/gtest.h>


#include "engine/Text.h"
#include "support/EngineHarness.h"
#include "support/ExpectedTags.h"
#include "support/ToolRun.h"
#include "support/MiniDocx.h"

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
