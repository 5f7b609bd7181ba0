// Ruby and emphasis written as text, turned into the model's own structures.
#include <gtest/gtest.h>

#include "engine/Text.h"
#include "wordproc/DocumentBuilder.h"
#include "wordproc/RubyNotation.h"

using namespace tessaly::wordproc;

namespace {

// The story the notation in markup comes to, and the counts.
std::pair<std::u16string, size_t> Applied(std::u16string_view markup) {
    auto model = ModelFromMarkup(markup);
    const NotationCount counted = CountRubyNotation(*model);
    const NotationCount applied = ApplyRubyNotation(*model);
    EXPECT_EQ(counted.rubies, applied.rubies) << "counting finds what applying changes";
    EXPECT_EQ(counted.emphases, applied.emphases);
    EXPECT_EQ(counted.horizontalInVertical, applied.horizontalInVertical);
    EXPECT_EQ(counted.warichu, applied.warichu);
    EXPECT_EQ(counted.gaiji, applied.gaiji);
    EXPECT_EQ(counted.removed, applied.removed);
    return {ToMarkup(*model), applied.total()};
}
std::u16string Notation(std::u16string_view markup) { return Applied(markup).first; }

}  // namespace

TEST(RubyNotation, EachForm) {
    EXPECT_EQ(Notation(u"|漢字《かんじ》と｜東京《とうきょう》"), u"{かんじ|漢字}と{とうきょう|東京}\r");
    // With the bar, any base; without, the run of kanji just before 《.
    EXPECT_EQ(Notation(u"|ジョン《john》。これは漢字《かんじ》だ"), u"{john|ジョン}。これは{かんじ|漢字}だ\r");
    EXPECT_EQ(Notation(u"人々《ひとびと》と〆切《しめきり》と三ヶ月《さんかげつ》"), u"{ひとびと|人々}と{しめきり|〆切}と{さんかげつ|三ヶ月}\r");
    EXPECT_EQ(Notation(u"𠮷野《よしの》、葛\U000E0100城《かつらぎ》"), u"{よしの|𠮷野}、{かつらぎ|葛\U000E0100城}\r");
    // 《《text》》: the sesame mark, unless the text has a mark of its own.
    EXPECT_EQ(Notation(u"《《傍点》》と[1《《強調》》]"), u"[2傍点]と[1強調]\r");
    // |《 is a literal 《, the bar dropped.
    EXPECT_EQ(Notation(u"|《題名》と漢|《字》"), u"《題名》と漢《字》\r");
    // The emphasis of a ruby made from notation is its base's.
    EXPECT_EQ(Notation(u"[1漢字]《かんじ》"), u"[1{かんじ|漢字}]\r");
    EXPECT_EQ(Applied(u"|漢字《かんじ》《《傍点》》").second, 2u);
}

TEST(RubyNotation, NearMissesStayAsWritten) {
    for (const std::u16string text : {u"、《かな》", u"漢字《かんじ", u"漢字《》", u"a|b", u"《《》》", u"《《開いたまま",
                                      u"漢字《か\rんじ》", u"|ひら\r、《かな》", u"《《傍\r点》》", u"［＃閉じない", u"※［＃「注」",
                                      u"`{漢字|`}", u"`{|かんじ`}", u"`{漢字`}", u"`[`[rb:漢字`]`]", u"`[`[rb: > かんじ`]`]",
                                      u"漢字(かんじ)"}) {
        const auto [story, changed] = Applied(text);
        EXPECT_EQ(changed, 0u) << tessaly::ToUtf8(text);
        EXPECT_EQ(story, text + u"\r");
    }
    // A field in a base or a reading leaves the notation as text, and a ruby
    // field keeps its text whatever it holds.
    EXPECT_EQ(Notation(u"|漢{x|y}字《かんじ》"), u"|漢{x|y}字《かんじ》\r");
    EXPECT_EQ(Notation(u"漢字《か{x|y}ん》"), u"漢字《か{x|y}ん》\r");
    EXPECT_EQ(Notation(u"{`|漢《かん》|字}"), u"{`|漢《かん》|字}\r");
    // An incomplete bar notation opens nothing for a base without a bar.
    EXPECT_EQ(Notation(u"|漢字《》と|《"), u"|漢字《》と《\r");
    // Around a ruby, 《《 》》 marks the text but leaves the ruby's own mark.
    EXPECT_EQ(Notation(u"《《本{よ|読}》》"), u"[2本]{よ|読}\r");
    EXPECT_EQ(Notation(u"《《漢字《かんじ》》》"), u"{かんじ|漢字}\r");
}

namespace {

std::u16string Narou(std::u16string_view markup) {
    auto model = ModelFromMarkup(markup);
    ApplyRubyNotation(*model, NotationOptions{true});
    return ToMarkup(*model);
}

struct AppliedReport {
    std::u16string story;
    LeftOut leftOut;
};

AppliedReport WithReport(std::u16string_view markup) {
    AppliedReport r;
    auto model = ModelFromMarkup(markup);
    ApplyRubyNotation(*model, {}, &r.leftOut);
    r.story = ToMarkup(*model);
    return r;
}

}  // namespace

TEST(RubyNotation, AozoraBasesOfOneKindOfCharacter) {
    // Without a bar the base is the run of one kind of character before 《.
    EXPECT_EQ(Notation(u"Massacre《マッサカー》とＡＢＣ《アルファベット》とλ《ラムダ》"),
              u"{マッサカー|Massacre}と{アルファベット|ＡＢＣ}と{ラムダ|λ}\r");
    EXPECT_EQ(Notation(u"漢字ひらがな《よみ》、カタカナ《かたかな》、〇〇《まるまる》年"),
              u"漢字{よみ|ひらがな}、{かたかな|カタカナ}、{まるまる|〇〇}年\r");
    // A reading split by bars gives each base character its part, when the
    // parts match the characters.
    EXPECT_EQ(Notation(u"熟語《じゅく|ご》と単語《たん｜ご》と三日月《みか|づき》"),
              u"{じゅく|熟}{ご|語}と{たん|単}{ご|語}と{みかづき|三日月}\r");
    // ［＃ルビは「X」にかかる］ names the base.
    EXPECT_EQ(Notation(u"日本の歴史《れきし》［＃ルビは「の歴史」にかかる］だ"), u"日本{れきし|の歴史}だ\r");
}

TEST(RubyNotation, AozoraAnnotationsAreTakenApartFirst) {
    // A 外字 is the character its code names, and a base takes it as kanji.
    EXPECT_EQ(Notation(u"喉を掻き※［＃「てへん+劣」、第3水準1-84-77］《むし》って、※［＃「木+共」、第3水準1-85-65］"),
              u"喉を掻き{むし|挘}って、栱\r");
    EXPECT_EQ(Notation(u"※［＃「口+世」、U+546D、123-4］と※［＃「二の字点」、第4水準2-1-1］"), u"呭と\U00020089\r");
    // A character it names by its JIS code is that character, never notation.
    EXPECT_EQ(Notation(u"※［＃始め二重山括弧、1-1-52］題※［＃終わり二重山括弧、1-1-53］"), u"《題》\r");
    // Notation quoted inside an annotation is the annotation's; an annotation
    // between a base and its 《 stays out of the base.
    const AppliedReport r = WithReport(u"大西洋《たいせいよう》の［＃「大西洋《たいせいよう》の」は底本では「太西洋《たいせいよう》の」］と"
                                        u"｜吾［＃「吾」は太字］《われ》");
    EXPECT_EQ(r.story, u"{たいせいよう|大西洋}のと{われ|吾}\r");
    ASSERT_EQ(r.leftOut.removedNotation.size(), 2u);
    EXPECT_EQ(r.leftOut.removedNotation[0].kind, "底本との違い");
    EXPECT_EQ(r.leftOut.removedNotation[1].kind, "太字");
    // An annotation naming no code stays as written, and is said.
    const AppliedReport g = WithReport(u"一\r二※［＃「さんずい＋蔑」］");
    EXPECT_EQ(g.story, u"一\r二※［＃「さんずい＋蔑」］\r");
    ASSERT_EQ(g.leftOut.unresolvedGaiji.size(), 1u);
    EXPECT_EQ(g.leftOut.unresolvedGaiji[0].paragraph, 2u);
    EXPECT_EQ(LeftOutItems(g.leftOut).at(0).first, "2 段落目の外字注記「※［＃「さんずい＋蔑」］」（コードがないため、そのまま残しました）");
}

TEST(RubyNotation, AozoraEmphasisHorizontalInVerticalAndWarichu) {
    // The text named before the annotation, the nearest when it occurs more
    // than once, a ruby taken whole: the ruby's own style holds no kenten,
    // so the characters beside it take them and the ruby is said.
    EXPECT_EQ(Notation(u"これ［＃「これ」に傍点］を、ああ［＃「あ」に丸傍点］"), u"[2これ]を、あ[1あ]\r");
    const AppliedReport overRuby = WithReport(u"来《き》た［＃「来た」に傍点］、《《見《み》る》》\r［＃傍点］来《き》［＃傍点終わり］");
    EXPECT_EQ(overRuby.story, u"{き|来}[2た]、{み|見}[2る]\r{き|来}\r");
    EXPECT_EQ(LeftOutSummary(overRuby.leftOut), "ルビのある文字の傍点 3 個所は、ルビの親文字には付けていません。");
    EXPECT_EQ(LeftOutItems(overRuby.leftOut).at(0),
              std::pair(std::string("ルビのある文字の傍点 3 個所（ルビの親文字には付けていません。1、2 段落目）"), std::optional<size_t>(1)));
    // A range, and the kinds InDesign has no style for, at the nearer one.
    const AppliedReport r = WithReport(u"［＃白丸傍点］白い丸［＃白丸傍点終わり］と［＃ばつ傍点］罰［＃ばつ傍点終わり］と［＃白丸傍点］丸");
    EXPECT_EQ(r.story, u"[1白い丸]と[2罰]と[1丸]\r");
    ASSERT_EQ(r.leftOut.approximatedKenten.size(), 2u);
    EXPECT_EQ(r.leftOut.approximatedKenten[0].count, 2u);
    EXPECT_EQ(LeftOutSummary(r.leftOut), "白丸傍点 2 個所は圏点5（黒丸）、ばつ傍点 1 個所は圏点1（ゴマ）で表しました。");
    EXPECT_EQ(Notation(u"昭和２０［＃「２０」は縦中横］年、［＃縦中横］12［＃縦中横終わり］月"), u"昭和{%6２０}年、{%612}月\r");
    EXPECT_EQ(Notation(u"本文［＃割り注］注の文［＃割り注終わり］続き"), u"本文{%7注の文}続き\r");
    EXPECT_EQ(Applied(u"［＃傍点］点［＃傍点終わり］［＃「点」は縦中横］［＃割り注］注［＃割り注終わり］").second, 3u);
}

TEST(RubyNotation, AozoraWhatNoTextCarriesIsRemovedAndSaid) {
    const AppliedReport r = WithReport(u"作品\r著者\r\r-------------------------------------------------------\r"
                                       u"【テキスト中に現れる記号について】\r\r《》：ルビ\r（例）塵埃《ほこり》\r"
                                       u"-------------------------------------------------------\r"
                                       u"［＃５字下げ］第一章［＃「第一章」は中見出し］\r本文［＃改ページ］\r［＃２字下げ］次［＃「次」は未知の注記］\r"
                                       u"［＃傍点終わり］");
    EXPECT_EQ(r.story, u"作品\r著者\r\r第一章\r本文\r次\r\r");
    EXPECT_TRUE(r.leftOut.notationExplanationRemoved);
    EXPECT_EQ(LeftOutSummary(r.leftOut), "【テキスト中に現れる記号について】を取り除きました。"
                                         "記法の注記 6 個所（字下げ 2、見出し 1、改ページ 1、注記 1、始まりのない注記 1）を取り除きました。");
    const auto items = LeftOutItems(r.leftOut);
    EXPECT_EQ(items.at(1).first, "注記「字下げ」 2 個所（取り除きました。4、6 段落目）");
    EXPECT_EQ(items.at(1).second, std::optional<size_t>(4));
}

TEST(RubyNotation, PixivDendenAndNarou) {
    const AppliedReport r = WithReport(u"`[`[rb:漢字 > かんじ`]`]と`[newpage`]\r`[chapter:第一章 始まり`]\r`[jump:3`]先");
    EXPECT_EQ(r.story, u"{かんじ|漢字}と\r第一章 始まり\r先\r");
    ASSERT_EQ(r.leftOut.removedNotation.size(), 3u);
    EXPECT_EQ(r.leftOut.removedNotation[1].kind, "章見出し（pixiv）");
    EXPECT_EQ(Notation(u"`{漢字|かんじ`}、`{漢字|かん|じ`}、`{漢字|か|ん|じ`}"), u"{かんじ|漢字}、{かん|漢}{じ|字}、{かんじ|漢字}\r");
    // なろう's parentheses only when asked for: a run of at most ten kanji
    // and a reading of kana; |( escapes.
    EXPECT_EQ(Notation(u"漢字(かんじ)"), u"漢字(かんじ)\r");
    EXPECT_EQ(Narou(u"漢字(かんじ)と東京（とうきょう）と｜ＡＢＣ(えーびーしー)と|(かっこ)と漢字(Kanji)と一二三四五六七八九十一(かず)"),
              u"{かんじ|漢字}と{とうきょう|東京}と{えーびーしー|ＡＢＣ}と(かっこ)と漢字(Kanji)と一二三四五六七八九十一(かず)\r");
    // The notation's forms are counted for the hint too.
    auto model = ModelFromMarkup(u"［＃改ページ］※［＃「木+共」、第3水準1-85-65］`{漢字|かんじ`}");
    const NotationCount c = CountRubyNotation(*model);
    EXPECT_EQ(c.removed + c.gaiji + c.rubies, 3u);
    EXPECT_EQ(ToMarkup(*model), u"［＃改ページ］※［＃「木+共」、第3水準1-85-65］`{漢字|かんじ`}\r");
}

TEST(RubyNotation, SearchesStayWithinTheirBounds) {
    // An annotation of a thousand characters and more is text; the text an
    // annotation names is looked for in the thousand characters before it.
    const std::u16string long1000(1000, u'あ');
    EXPECT_EQ(Notation(u"［＃" + std::u16string(995, u'あ') + u"］"), u"\r");
    EXPECT_EQ(Notation(u"［＃" + std::u16string(998, u'あ') + u"］"), u"［＃" + std::u16string(998, u'あ') + u"］\r");
    EXPECT_EQ(Notation(u"字" + long1000 + u"［＃「字」に傍点］"), u"字" + long1000 + u"\r");
    EXPECT_EQ(Notation(u"字" + std::u16string(990, u'あ') + u"［＃「字」に傍点］"), u"[2字]" + std::u16string(990, u'あ') + u"\r");
    EXPECT_EQ(Notation(u"`[`[rb:" + long1000 + u" > よ`]`]"), u"`[`[rb:" + long1000 + u" > よ`]`]\r");
    // Sixty-four ranges stand open at once; a sixty-fifth start is removed.
    std::u16string starts;
    for (int k = 0; k < 65; ++k) starts += u"［＃傍点］";
    const AppliedReport r = WithReport(starts + u"点");
    EXPECT_EQ(r.story, u"[2点]\r");
    EXPECT_EQ(LeftOutSummary(r.leftOut), "記法の注記 1 個所（終わりのない注記 1）を取り除きました。");
    // A paragraph made to defeat those bounds spends its searches and keeps
    // the rest as text; the next paragraph has searches of its own.
    std::u16string opens;
    for (int k = 0; k < 2000; ++k) opens += u"［＃";
    EXPECT_EQ(Notation(opens + u"あ［＃改ページ］\rい［＃改ページ］"), opens + u"あ［＃改ページ］\rい\r");
    // 《《 without its 》》, many times after the last one closed: text.
    EXPECT_EQ(Notation(u"《《あ》》《《い《《う"), u"[2あ]《《い《《う\r");
}
