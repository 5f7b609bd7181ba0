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
    for (const std::u16string text : {u"ひらがな《かな》", u"漢字《かんじ", u"漢字《》", u"a|b", u"《《》》", u"《《開いたまま",
                                      u"漢字《か\rんじ》", u"|ひら\rがな《かな》", u"《《傍\r点》》"}) {
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
