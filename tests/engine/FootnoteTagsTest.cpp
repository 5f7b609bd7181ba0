// Notes at their references become InDesign's footnote tags, their text
// converted as the body's is.
#include <gtest/gtest.h>

#include "ExpectedHeader.h"
#include "settings/SettingsTable.h"
#include "support/EngineHarness.h"
#include "support/ExpectedTags.h"

using namespace tessaly;
using namespace tessaly::testing;

namespace {

std::u16string Body(Conversion& conversion, std::u16string_view markup) {
    conversion.run(markup, settings::DefaultOptions());
    const std::u16string text = conversion.windowsText();
    return text.substr(kDefaultWindowsHeader.size(), text.size() - kDefaultWindowsHeader.size() - 14);
}

}  // namespace

TEST(FootnoteTags, ANoteIsConvertedAsTheBodyIs) {
    Conversion conversion;
    const std::u16string text = u"注の{か|下}{ご|語}と[1点]、{ちゅう★|注}<\\>";
    const std::u16string asBody = Body(conversion, text);
    EXPECT_EQ(asBody, u"注の" + Mono(u"か\u3000ご", u"下語") + u"と" + Kenten(5, u"点") + u"、注（<CharStyle:割注>ちゅう<CharStyle:>）\\<¥\\>");
    EXPECT_EQ(Body(conversion, u"本文«" + text + u"»。«一\n二»\r次"),
              u"本文<FootnoteStart:>" + asBody + u"<FootnoteEnd:>。<FootnoteStart:>一\n二<FootnoteEnd:>\r次");
    EXPECT_EQ(conversion.state.ConvertedCount, 4);
    // The marks carry no emphasis: a stretch around a note ends at each of them.
    EXPECT_EQ(Body(conversion, u"[1強«注»調]"), Kenten(5, u"強") + u"<FootnoteStart:>" + Kenten(5, u"注") + u"<FootnoteEnd:>" + Kenten(5, u"調"));
    // Rubies either side of a note are runs of their own.
    EXPECT_EQ(Body(conversion, u"{か|下}«注»{ご|語}"), Mono(u"か", u"下") + u"<FootnoteStart:>注<FootnoteEnd:>" + Mono(u"ご", u"語"));
}
