// Plain-text manuscripts: their encoding found, their lines made paragraphs.
#include <gtest/gtest.h>

#include "engine/Text.h"
#include "support/EngineHarness.h"
#include "support/ReadFailure.h"
#include "wordproc/DocumentBuilder.h"
#include "wordproc/Readers.h"
#include "wordproc/TextReader.h"

using namespace tessaly;
using namespace tessaly::wordproc;
using namespace tessaly::testing;

TEST(TextReader, EveryEncodingGivesTheSameStory) {
    const std::u16string text = u"|漢字《かんじ》と《《傍点》》\r\n\t字下げ\r改行\n";
    const std::string shiftJis =
        "|\x8A\xBF\x8E\x9A\x81\x73\x82\xA9\x82\xF1\x82\xB6\x81\x74\x82\xC6\x81\x73\x81\x73\x96\x54\x93\x5F\x81\x74\x81\x74\r\n"
        "\t\x8E\x9A\x89\xBA\x82\xB0\r\x89\xFC\x8D\x73\n";
    TempFolder folder;
    const std::pair<const char*, std::string> files[] = {
        {"utf8.txt", ToUtf8(text)},
        {"bom.txt", "\xEF\xBB\xBF" + ToUtf8(text)},
        {"le.txt", "\xFF\xFE" + Utf16Bytes(text, false)},
        {"be.txt", "\xFE\xFF" + Utf16Bytes(text, true)},
        {"sjis.txt", shiftJis},
    };
    for (const auto& [name, bytes] : files) {
        WriteBytes(folder.path() / name, bytes);
        ReadReport report;
        const auto model = ReadDocument(folder.path() / name, {}, &report);
        EXPECT_EQ(ToMarkup(*model), u"{かんじ|漢字}と[2傍点]\r\t字下げ\r改行\r") << name;
        EXPECT_EQ(report.notationApplied.rubies, 1u) << name;
        EXPECT_EQ(report.notationApplied.emphases, 1u) << name;
        EXPECT_EQ(model->mainDocument().Name(), FromUtf8(name));
    }
}

TEST(TextReader, LinesAndParagraphs) {
    auto story = [](std::string_view bytes) { return ToMarkup(*ReadPlainText(bytes, "a.txt")); };
    EXPECT_EQ(story(""), u"\r");
    EXPECT_EQ(story("a"), u"a\r");
    EXPECT_EQ(story("a\r\nb\rc\nd\fe\r\n"), u"a\rb\rc\rd\re\r");
    EXPECT_EQ(story("a\n\nb\n"), u"a\r\rb\r");
    EXPECT_EQ(story("\ta\tb"), u"\ta\tb\r");
}

TEST(TextReader, TextInNoKnownEncodingIsRefused) {
    TempFolder folder;
    WriteBytes(folder.path() / "binary.txt", std::string("\x80\xFF\xFE\x81\x00\xFD", 6));
    EXPECT_EQ(ReadFailure(folder.path() / "binary.txt"),
              (std::pair{ReadErrorKind::NotWordDocument,
                         std::string("binary.txt: テキストの文字コードが UTF-8、UTF-16、Shift_JIS のどれでもないため読み込めません。")}));
}
