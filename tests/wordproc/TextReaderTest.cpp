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
                         std::string("binary.txt: テキストの文字コードが UTF-8、UTF-16、Shift_JIS のどれでもないため読み込めません"
                                     "（UTF-8 としては 1 バイト目、Shift_JIS としては 1 バイト目が正しくありません）。")}));
}

// Every encoding a plain text comes in is read or refused with its reason:
// ISO-2022-JP (which is 7-bit, so it would pass for UTF-8) and UTF-32 are
// read; UTF-16 without its mark, and UTF-8 with its mark but broken, are
// refused saying so.
TEST(TextReader, OtherEncodingsReadOrRefusedPrecisely) {
    auto story = [](std::string_view bytes) { return ToMarkup(*ReadPlainText(bytes, "a.txt")); };
    // 漢字《かんじ》 in JIS X 0208, between ASCII, roman and half-width katakana.
    EXPECT_EQ(story("a\x1B$B4A;z!T$+$s$8!U\x1B(B\\\x1B(J\\~\x1B(I1\x1B(B\r\n"), u"a漢字《かんじ》\\¥‾ｱ\r");
    const std::u16string text = u"漢字𠮷\r\n次";
    std::string le("\xFF\xFE\0\0", 4), be("\0\0\xFE\xFF", 4);
    ForEachCodePoint(text, [&](char32_t c) {
        for (int k = 0; k < 4; ++k) le += char((c >> (8 * k)) & 0xFF), be += char((c >> (8 * (3 - k))) & 0xFF);
    });
    EXPECT_EQ(story(le), u"漢字𠮷\r次\r");
    EXPECT_EQ(story(be), u"漢字𠮷\r次\r");
    auto refusal = [](std::string_view bytes) {
        try {
            ReadPlainText(bytes, "a.txt");
        } catch (const ReadError& e) {
            return e.reason();
        }
        return std::string("read");
    };
    EXPECT_EQ(refusal(Utf16Bytes(u"本文は UTF-16\r\n", false)),
              "UTF-16 のテキストのようですが、バイト順マーク（BOM）がないため読み込めません。BOM 付きの UTF-16 か UTF-8 で保存し直してください。");
    EXPECT_EQ(refusal(Utf16Bytes(u"ascii text", true)), refusal(Utf16Bytes(u"ascii text", false)));
    EXPECT_EQ(refusal("\xEF\xBB\xBF" "ab\xC3"), "UTF-8 の印（BOM）がありますが、6 バイト目が UTF-8 として正しくないため読み込めません。");
    EXPECT_EQ(refusal(std::string("\xFF\xFE\0\0\0\0\x11\0", 8)), "UTF-32 のテキストの 4 バイト目までの文字が正しくないため読み込めません。");
    EXPECT_EQ(refusal("\x1B$(Dxx"), "ISO-2022-JP のテキストに知らない切り替え（1 バイト目）があるため読み込めません。");
    // A stray NUL in UTF-8 is a control character, not UTF-16.
    EXPECT_EQ(story(std::string("ab\0cd\n", 6)), u"abcd\r");
}

// A story beyond the limit is refused before its text is decoded or the
// story built: a long line takes no more memory than its bytes, a huge file
// not even those.
TEST(TextReader, TooLongIsRefusedBeforeItIsDecoded) {
    TempFolder folder;
    const auto line = folder.path() / "line.txt";
    WriteBytes(line, std::string(kMaxStoryPositions, 'a'));
    EXPECT_EQ(ReadFailure(line), (std::pair{ReadErrorKind::TooLarge, std::string("line.txt: 本文が上限（2,000 万文字）を超えるため読み込めません。")}));
    const auto sparse = folder.path() / "sparse.txt";
    { std::ofstream(sparse) << ""; }
    std::filesystem::resize_file(sparse, kMaxPlainTextBytes + 1);
    EXPECT_EQ(ReadFailure(sparse), (std::pair{ReadErrorKind::TooLarge, std::string("sparse.txt: 本文が上限（2,000 万文字）を超えるため読み込めません。")}));
}
