#include <gtest/gtest.h>

#include "settings/SettingsTable.h"
#include "engine/RubyRun.h"
#include "engine/WordStandIns.h"
#include "support/ExpectedTags.h"
#include "support/EngineHarness.h"

using namespace tessaly;
using namespace tessaly::testing;

namespace {

struct RunFixture : ::testing::Test {
    ConversionOptions options = settings::DefaultOptions();
    RunState state;
    RecordingHost host;

    // Examines the fields in order as one field run and returns the verdicts
    // and the emitted tags.
    std::pair<std::vector<FieldVerdict>, std::u16string> run(std::vector<std::u16string> fields) {
        const SeparatorTexts separators = ReadSeparatorTexts(options);
        RubyRun run(options, separators, state, host);
        std::vector<FieldVerdict> verdicts;
        for (const auto& f : fields) {
            verdicts.push_back(run.Examine(f));
            if (verdicts.back() != FieldVerdict::Accept) break;
        }
        std::u16string body;
        run.Emit(body);
        return {verdicts, body};
    }
    std::u16string tags(std::vector<std::u16string> fields) { return run(std::move(fields)).second; }

    // The same for one field whose reading the document says is length code points long.
    std::pair<FieldVerdict, std::u16string> told(const std::u16string& field, int32_t length) {
        const SeparatorTexts separators = ReadSeparatorTexts(options);
        RubyRun run(options, separators, state, host);
        const FieldVerdict verdict = run.Examine(field, length);
        std::u16string body;
        run.Emit(body);
        return {verdict, body};
    }
};

using V = FieldVerdict;

}  // namespace

TEST_F(RunFixture, SplittingRules) {
    // Without a boundary from the document, the reading is the run of kana
    // at the start; a variation selector after its last kana belongs to that
    // kana, which goes to the base with it.
    EXPECT_EQ(tags({u"かん\uFE00字"}), Group(u"か", u"ん\uFE00字"));
    EXPECT_EQ(tags({u"か\U000E0100"}), Mono(u"", u"か\U000E0100"));
    // ー counts as kana; the split falls before the first other character.
    EXPECT_EQ(tags({u"らーめん拉麺"}),
              Group(u"らーめん", u"拉麺"));
    // A separator at the start gives an empty reading.
    EXPECT_EQ(tags({u"▼字"}), Mono(u"", u"字"));
    // The ruby separator decides over the warichu one, which stays in the text.
    EXPECT_EQ(tags({u"ちゅう★き▼本"}),
              Mono(u"ちゅう★き", u"本"));
    // A surrogate pair is one base character: a single piece, joined with others.
    EXPECT_EQ(tags({u"よし𠮷", u"の野"}),
              Mono(u"よし\u3000の", u"𠮷野"));
    EXPECT_EQ(tags({u"よ▼𠮷", u"の野"}),
              Mono(u"よ\u3000の", u"𠮷野"));
}

TEST_F(RunFixture, ToldReadingLengthSplitsTheText) {
    const auto mono = [](std::u16string r, std::u16string b) {
        return u"<CharStyle:モノルビ><cRuby:1><cRubyString:" + r + u">" + b + u"<cRuby:><cRubyString:><CharStyle:>";
    };
    // The length counts code points: a surrogate pair in the reading is one.
    EXPECT_EQ(told(u"𠮷a字", 2), std::pair(V::Accept, mono(u"𠮷a", u"字")));
    // An empty reading, and a length past the text (all of it is reading).
    EXPECT_EQ(told(u"字", 0), std::pair(V::Accept, mono(u"", u"字")));
    EXPECT_EQ(told(u"よみ", 9), std::pair(V::Accept, mono(u"よみ", u"")));
    // A base of two characters is a long piece, alone.
    EXPECT_EQ(told(u"よみ読本", 2),
              std::pair(V::Alone, std::u16string(Group(u"よみ", u"読本"))));
    // A separator in the text decides before the told length.
    EXPECT_EQ(told(u"よ▼み読", 1).first, V::Alone);
    EXPECT_EQ(told(u"よみ▼読", 1), std::pair(V::Accept, mono(u"よみ", u"読")));
}

TEST_F(RunFixture, KanaOnlyFieldKeepsItsTextAsBase) {
    auto [verdicts, body] = run({u"かな", u"じ字"});
    EXPECT_EQ(verdicts, (std::vector<V>{V::Accept, V::Accept}));
    EXPECT_EQ(body, Mono(u"\u3000じ", u"かな字"));
    EXPECT_EQ(tags({u""}), Mono(u"", u""));
}

TEST_F(RunFixture, ReservedCharactersInReadingAndBaseAreEscaped) {
    EXPECT_EQ(tags({u"a<b>\\▼>"}),
              Mono(u"a\\<b\\", u"¥>\\>"));
    options.WarichuSurround = 1;
    EXPECT_EQ(tags({u"<注>★本<"}),
              u"本<CharStyle:文字後4分アキ>\\<<CharStyle:><CharStyle:割注>\\<注\\><CharStyle:>\u2009\u2009");
}

TEST_F(RunFixture, WarichuWithEachSurround) {
    options.WarichuSurround = 0;
    EXPECT_EQ(tags({u"ちゅうき★本文"}), u"本文<CharStyle:割注>ちゅうき<CharStyle:>");
    options.WarichuSurround = 3;
    EXPECT_EQ(tags({u"ちゅうき★本文"}), u"本文（<CharStyle:割注>ちゅうき<CharStyle:>）");
    options.HalfWidthWarichuParens = 1;
    EXPECT_EQ(tags({u"ちゅうき★本文"}),
              u"本文<CharStyle:文字前ベタ>（<CharStyle:><CharStyle:割注>ちゅうき<CharStyle:><CharStyle:文字後ベタ>）<CharStyle:>");
    options.WarichuSurround = 9;
    EXPECT_EQ(tags({u"ちゅうき★本文"}),
              u"本文<CharStyle:文字前ベタ>｛<CharStyle:><CharStyle:割注>ちゅうき<CharStyle:><CharStyle:文字後ベタ>｝<CharStyle:>");
    options.WarichuSurround = 1;  // spacing ignores the half-width switch
    EXPECT_EQ(tags({u"ちゅうき★本文"}),
              u"本<CharStyle:文字後4分アキ>文<CharStyle:><CharStyle:割注>ちゅうき<CharStyle:>\u2009\u2009");
    options.WarichuSurround = 2;
    EXPECT_EQ(tags({u"ちゅうき★本𠮷"}),
              u"本<CharStyle:文字後半角アキ>𠮷<CharStyle:><CharStyle:割注>ちゅうき<CharStyle:>\u2002");
    EXPECT_EQ(tags({u"ちゅうき★"}), u"<CharStyle:割注>ちゅうき<CharStyle:>\u2002");
}

TEST_F(RunFixture, WarichuKeepsScriptAndGetsRubyGlyphsOnRequest) {
    options.WarichuSurround = 0;
    options.KanaKind = 1;
    options.SmallKanaToFullSize = 1;
    EXPECT_EQ(tags({u"ちょっと★本"}), u"本<CharStyle:割注>ちょっと<CharStyle:>");
    options.WarichuRubyGlyphs = 1;
    EXPECT_EQ(tags({u"注ヶ★本"}),
              u"本<CharStyle:割注>注<cOTFContAlt:0><cOTFeatureList:ruby\\,1><rUseOTProGlyph:1>ヶ"
              u"<cOTFContAlt:><cOTFeatureList:><rUseOTProGlyph:><CharStyle:>");
}

TEST_F(RunFixture, WarichuPieceCutsARunThatIsEmittedAsRuby) {
    auto [verdicts, body] = run({u"か下", u"ちゅう★本"});
    EXPECT_EQ(verdicts, (std::vector<V>{V::Accept, V::CutBefore}));
    EXPECT_EQ(body, Mono(u"か", u"下"));
}

namespace {

struct ScriptedClipboard : Clipboard {
    struct Read {
        Status status;
        std::u16string text;
    };
    std::vector<Read> reads;
    size_t next = 0;
    Status ReadText(std::u16string& text) override {
        if (next == reads.size()) return Status::NoText;
        const Read& read = reads[next++];
        if (read.status == Status::Ok) text = read.text;
        return read.status;
    }
};

std::u16string ReadWith(ScriptedClipboard& clipboard, RunState& state, RecordingHost& host) {
    std::u16string text = u"前の語";  // what the previous field left
    ReadClipboardText(clipboard, state, host, text);
    return text;
}

}  // namespace

TEST(ReadClipboardText, BusyClipboardIsTriedOnceMoreAfterThreeSeconds) {
    ScriptedClipboard clipboard;
    clipboard.reads = {{Clipboard::Status::Busy, {}}, {Clipboard::Status::Ok, u"かん漢"}};
    RunState state;
    RecordingHost host;
    EXPECT_EQ(ReadWith(clipboard, state, host), u"かん漢");
    EXPECT_EQ(host.pauses, (std::vector<std::chrono::milliseconds>{std::chrono::seconds(3)}));
    EXPECT_TRUE(host.messages.empty());
    EXPECT_FALSE(state.EngineFailed);
}

TEST(ReadClipboardText, EmptyCopiedTextIsATextNotAFailure) {
    ScriptedClipboard clipboard;
    clipboard.reads = {{Clipboard::Status::Ok, u""}};
    RunState state;
    RecordingHost host;
    EXPECT_EQ(ReadWith(clipboard, state, host), u"");
    EXPECT_FALSE(state.EngineFailed);
    EXPECT_TRUE(host.messages.empty());
}

TEST(ReadClipboardText, FailureShowsBothWarningsAndSetsEngineFailed) {
    for (auto second : {ScriptedClipboard::Read{Clipboard::Status::Busy, {}}, ScriptedClipboard::Read{Clipboard::Status::NoText, {}}}) {
        ScriptedClipboard clipboard;
        clipboard.reads = {{Clipboard::Status::Busy, {}}, second};
        RunState state;
        RecordingHost host;
        EXPECT_EQ(ReadWith(clipboard, state, host), u"");
        EXPECT_TRUE(state.EngineFailed);
        ASSERT_EQ(host.messages.size(), 2u);
        EXPECT_EQ(host.messages[0].title, u"エラー");
        EXPECT_EQ(host.messages[0].icon, MessageIcon::Warning);
        EXPECT_TRUE(host.messages[0].text.starts_with(u"一部の語句について、変換処理ができないデータがありました。\r\n\r\nWindows"));
        EXPECT_EQ(host.messages[1].title, u"確認");
        EXPECT_NE(host.messages[1].text.find(u"インストールされて\r\n　　いるか確認し"), std::u16string::npos);
        EXPECT_TRUE(host.messages[1].text.ends_with(u"\r\n\r\nOKを押すと変換を中止し、実行前の画面に戻ります。"));
    }
}
