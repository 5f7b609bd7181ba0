// Reading Tessaly's tagged text back gives the document again: its text,
// rubies, warichu and kenten, whatever the options.
#include <gtest/gtest.h>

#include <functional>

#include "settings/SettingsTable.h"
#include "proof/TaggedTextReader.h"
#include "support/EngineHarness.h"

using namespace tessaly;
using namespace tessaly::proof;
using namespace tessaly::testing;

namespace {

// Mono runs, a group ruby, a warichu, both kinds of bouten, characters that
// need escaping, forced line breaks and tabs (in the text, and inside every
// kind of tag: a reading, a base, a kenten stretch, a warichu and its
// base), an empty paragraph and a variation sequence.
const std::u16string kDocument = u"前{かん|漢}{じ|字}の{とう\tきょう<|東\n京>}と[1強\n<調>\t\\]と[2傍\t点]、"
                                 u"本文{ちゅ\nう<き>\t★|注\n記}。\r"
                                 u"a\\b<c>＜\n改行\r\r{くず|葛\U000E0100}城";

// The document's text as the tagged text carries it: each ruby by its base,
// a warichu by its base (its note apart), escapes undone (a backslash comes
// back as the yen sign the tagged text needs), CR between paragraphs.
const std::u16string kText = u"前漢字の東\n京>と強\n<調>\t¥と傍\t点、本文注\n記。\ra¥b<c>＜\n改行\r\r葛\U000E0100城";

// The text a reading gives: ordinary characters and ruby bases, not the
// warichu's note or the surround the options put around it.
std::u16string TextOf(const TaggedText& t, std::u16string_view surround) {
    std::u16string text;
    for (size_t p = 0; p < t.paragraphs.size(); ++p) {
        if (p > 0) text += u'\r';
        for (const auto& item : t.paragraphs[p].items) {
            if (item.kind == Inline::Kind::LineBreak) text += u'\n';
            if (item.kind != Inline::Kind::Text && item.kind != Inline::Kind::Ruby) continue;
            for (char16_t c : item.text)
                if (surround.find(c) == std::u16string_view::npos) text += c;
        }
    }
    return text;
}

std::vector<std::u16string> Notes(const TaggedText& t) {
    std::vector<std::u16string> notes;
    for (const auto& p : t.paragraphs)
        for (const auto& item : p.items)
            if (item.kind == Inline::Kind::Warichu) notes.push_back(item.text);
    return notes;
}

}  // namespace

TEST(TaggedTextReader, EveryOptionSetReadsBackToTheDocument) {
    // Each option at each of its values, the others at their defaults.
    std::vector<std::function<void(ConversionOptions&)>> sets = {[](ConversionOptions&) {}};
    for (int16_t v : {0, 1}) {
        sets.push_back([v](ConversionOptions& o) { o.RubyStyle = v; });
        sets.push_back([v](ConversionOptions& o) { o.KanaKind = v; });
        sets.push_back([v](ConversionOptions& o) { o.SmallKanaToFullSize = v; });
        sets.push_back([v](ConversionOptions& o) { o.OpenTypeRubyGlyphs = v; });
        sets.push_back([v](ConversionOptions& o) { o.HalfWidthWarichuParens = v; });
        sets.push_back([v](ConversionOptions& o) { o.WarichuRubyGlyphs = v; });
        sets.push_back([v](ConversionOptions& o) { o.ConvertBouten = v; });
        sets.push_back([v](ConversionOptions& o) { o.MacText = v; });
    }
    for (int16_t v = 0; v < 10; ++v) {
        sets.push_back([v](ConversionOptions& o) { o.WarichuSurround = v; });
        sets.push_back([v](ConversionOptions& o) { o.WarichuSurround = v, o.HalfWidthWarichuParens = 1, o.WarichuRubyGlyphs = 1; });
    }
    for (int16_t v = 0; v < 3; ++v) sets.push_back([v](ConversionOptions& o) { o.KentenKind = v; });
    for (int16_t v = 0; v < 11; ++v) sets.push_back([v](ConversionOptions& o) { o.KentenRatio = v; });

    const std::u16string surround = u"（）〔〕［］【】〈〉《》｛｝()\u2009\u2002";
    for (size_t i = 0; i < sets.size(); ++i) {
        ConversionOptions options = settings::DefaultOptions();
        options.MacText = 1;
        sets[i](options);
        Conversion conversion;
        conversion.run(kDocument, options);
        const TaggedText windows = ReadTaggedText(ReadBytes(conversion.outputFile()));
        EXPECT_EQ(TextOf(windows, surround), kText) << "set " << i;
        EXPECT_EQ(Notes(windows), std::vector<std::u16string>{u"ちゅ\nう<き>\t"}) << "set " << i;
        const Counts c = CountConverted(windows);
        EXPECT_EQ(c.warichu, 1u);
        const size_t kenten = options.ConvertBouten != 1 ? 0 : options.KentenKind == 0 ? 2 : 1;
        EXPECT_EQ(c.kentenStretches, kenten) << "set " << i;
        // Each ruby field is one converted place: in mono style each base
        // character has its field.
        if (options.RubyStyle == 0) {
            EXPECT_EQ(c.monoRuns, 2u) << "set " << i;
            EXPECT_EQ(c.monoBases + c.groupRubies + c.warichu + c.kentenStretches, size_t(conversion.state.ConvertedCount)) << "set " << i;
        }
        if (options.MacText == 1) {
            const TaggedText mac = ReadTaggedText(ReadBytes(conversion.macFile()));
            EXPECT_EQ(TextOf(mac, surround), kText) << "set " << i;
            EXPECT_EQ(CountConverted(mac), c) << "set " << i;
        }
    }
}

TEST(TaggedTextReader, RubiesAndKentenAsWritten) {
    Conversion conversion;
    ConversionOptions options = settings::DefaultOptions();
    options.KanaKind = 1;
    conversion.run(u"{か|下}{き|木}[2点]", options);
    const TaggedText t = ReadTaggedText(ReadBytes(conversion.outputFile()));
    ASSERT_EQ(t.paragraphs.size(), 1u);
    ASSERT_EQ(t.paragraphs[0].items.size(), 2u);
    const Inline& ruby = t.paragraphs[0].items[0];
    EXPECT_EQ(ruby.kind, Inline::Kind::Ruby);
    EXPECT_FALSE(ruby.group);
    EXPECT_EQ(ruby.text, u"下木");
    EXPECT_EQ(ruby.reading, u"カ\u3000キ");  // the reading InDesign receives
    EXPECT_EQ(t.paragraphs[0].items[1].kenten, Kenten::Sesame);
    EXPECT_EQ(t.paragraphs[0].items[1].text, u"点");
}

TEST(TaggedTextReader, WhatTessalyDoesNotWriteIsRefused) {
    const std::u16string header = u"<UNICODE-WIN>\r\n<ColorTable:=<Black:COLOR:CMYK:Process:0,0,0,1>>\r\n<ParaStyle:段落標準>";
    EXPECT_EQ(ReadTaggedTextBody(header + u"本文\r\n<ParaStyle:>").paragraphs.size(), 1u);
    for (const std::u16string body : {u"<CharStyle:太字>x<CharStyle:>\r\n<ParaStyle:>", u"<cTracking:50>x\r\n<ParaStyle:>",
                                      u"<CharStyle:モノルビ><cRuby:1>x\r\n<ParaStyle:>", u"本文", u"<CharStyle:割注>x",
                                      u"x<CharStyle:圏点5\r\n<ParaStyle:>", u"x\\"}) {
        EXPECT_THROW(ReadTaggedTextBody(header + body), TaggedTextError) << ToUtf8(body);
    }
    try {
        ReadTaggedTextBody(header + u"ab<CharStyle:太字>x<CharStyle:>\r\n<ParaStyle:>");
        ADD_FAILURE();
    } catch (const TaggedTextError& e) {
        EXPECT_EQ(std::string(e.what()), "知らない文字スタイルです: 太字（83 文字目）");
    }
}

TEST(TaggedTextReader, FootnotesHoldWhatAParagraphHoldsButParagraphs) {
    const std::u16string header = u"<UNICODE-WIN>\r\n<ParaStyle:段落標準>";
    const TaggedText t = ReadTaggedTextBody(header + u"本<FootnoteStart:>注の<CharStyle:モノルビ><cRuby:1><cRubyString:か>下<cRuby:>"
                                                     u"<cRubyString:><CharStyle:><CharStyle:圏点5>点<CharStyle:>\n二行<FootnoteEnd:>文"
                                                     u"<FootnoteStart:><FootnoteEnd:>\r\n<ParaStyle:>");
    ASSERT_EQ(t.paragraphs.size(), 1u);
    const auto& items = t.paragraphs[0].items;
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[1].kind, Inline::Kind::Footnote);
    ASSERT_EQ(items[1].note.size(), 5u);
    EXPECT_EQ(items[1].note[1].kind, Inline::Kind::Ruby);
    EXPECT_EQ(items[1].note[2].kenten, Kenten::Dot);
    EXPECT_EQ(items[1].note[3].kind, Inline::Kind::LineBreak);
    EXPECT_EQ(items[2].text, u"文");
    EXPECT_TRUE(items[3].note.empty());
    const Counts c = CountConverted(t);
    EXPECT_EQ(c.footnotes, 2u);
    EXPECT_EQ(c.monoRuns, 1u);  // a note's rubies and kenten count with the body's
    EXPECT_EQ(c.kentenStretches, 1u);
    // A note not closed, a paragraph ending in one, a note in a note.
    for (const std::u16string body : {u"<FootnoteStart:>注\r\n<ParaStyle:>", u"<FootnoteStart:>注\r続き<FootnoteEnd:>\r\n<ParaStyle:>",
                                      u"<FootnoteStart:>注<FootnoteStart:>中<FootnoteEnd:><FootnoteEnd:>\r\n<ParaStyle:>",
                                      u"<FootnoteStart:>注", u"<FootnoteEnd:>\r\n<ParaStyle:>"})
        EXPECT_THROW(ReadTaggedTextBody(header + body), TaggedTextError) << ToUtf8(body);
}
