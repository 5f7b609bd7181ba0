#include <gtest/gtest.h>

#include "settings/SettingsTable.h"
#include "engine/DocumentWalk.h"
#include "support/EngineHarness.h"

using namespace tessaly;
using namespace tessaly::testing;
using tessaly::wordproc::ModelFromMarkup;
using tessaly::wordproc::ToMarkup;

namespace {

const std::u16string kMonoOpen = u"<CharStyle:モノルビ><cRuby:1><cRubyString:";
const std::u16string kGroupOpen = u"<CharStyle:グループルビ><cRuby:1><cRubyString:";
const std::u16string kRubyClose = u"<cRuby:><cRubyString:><CharStyle:>";
std::u16string Mono(std::u16string_view r, std::u16string_view b) { return kMonoOpen + std::u16string(r) + u">" + std::u16string(b) + kRubyClose; }
std::u16string Group(std::u16string_view r, std::u16string_view b) { return kGroupOpen + std::u16string(r) + u">" + std::u16string(b) + kRubyClose; }

// A document that reports fewer characters than it has, as a word processor
// that counts differently might.
class UndercountingDocument : public SourceDocument {
public:
    UndercountingDocument(SourceDocument& inner, int32_t count) : m_inner(inner), m_doc(*this, count) {}
    class Documents& Documents() override { return m_inner.Documents(); }
    Document& ActiveDocument() override { return m_doc; }
    class Selection& Selection() override { return m_inner.Selection(); }

private:
    struct Doc : Document {
        Doc(UndercountingDocument& o, int32_t c) : owner(o), count(c) {}
        std::u16string Name() const override { return owner.m_inner.ActiveDocument().Name(); }
        int32_t CharactersCount() const override { return count; }
        void Activate() override { owner.m_inner.ActiveDocument().Activate(); }
        void Close(SaveChanges s) override { owner.m_inner.ActiveDocument().Close(s); }
        UndercountingDocument& owner;
        int32_t count;
    };
    SourceDocument& m_inner;
    Doc m_doc;
};

struct WalkFixture : ::testing::Test {
    ConversionOptions options = settings::DefaultOptions();
    RunState state;
    RecordingHost host;
    std::unique_ptr<wordproc::DocumentModel> model;

    std::u16string walk(std::u16string_view markup, SourceDocument* word = nullptr) {
        model = ModelFromMarkup(markup, u"doc.doc");
        state.DocumentName = u"doc.doc";
        EngineContext ctx{word ? *word : *model, *model, options, state, host, {}};
        std::u16string body;
        EXPECT_TRUE(WalkDocument(ctx, ReadSeparatorTexts(options), body));
        return body;
    }
    std::vector<int> progressValues() const {
        std::vector<int> v;
        for (auto& p : host.progress) v.push_back(p.value);
        return v;
    }
};

}  // namespace

TEST_F(WalkFixture, DocumentWithoutFieldsIsCopiedOnce) {
    EXPECT_EQ(walk(u"ab\rcd"), u"ab\rcd\r");
    EXPECT_TRUE(host.progress.empty());
    EXPECT_EQ(host.yields, 0);
    // The end sentinel stays in the document.
    EXPECT_EQ(ToMarkup(*model), u"ab\rcd\r\n\r");
}

TEST_F(WalkFixture, CutRunIsWalkedAgainFromTheCutField) {
    // The cut gives back the fields from the cut on, and the step counter
    // goes back by as many: the walk ends at the document's end.
    EXPECT_EQ(walk(u"{か下}{かんじ漢字}{ご語}だ"),
              Mono(u"か", u"下") + Group(u"かんじ", u"漢字") + Mono(u"ご", u"語") + u"だ\r");
    EXPECT_EQ(state.ConvertedCount, 3);
    // Each run's progress is taken at the same step: the third field's.
    EXPECT_EQ(progressValues(), (std::vector<int>{64, 64, 64}));
}

TEST_F(WalkFixture, FieldAloneLetsTheRestFormANewRun) {
    EXPECT_EQ(walk(u"{かんじ漢字}{か下}{き木}"), Group(u"かんじ", u"漢字") + Mono(u"か\u3000き", u"下木") + u"\r");
    EXPECT_EQ(progressValues(), (std::vector<int>{78, 78}));
}

TEST_F(WalkFixture, FieldAtTheEndOfTheText) {
    EXPECT_EQ(walk(u"a\r{か下}"), u"a\r" + Mono(u"か", u"下") + u"\r");
}

TEST_F(WalkFixture, QuestionMarkFieldGoesThroughTheScratchDocument) {
    EXPECT_EQ(walk(u"{な?▼何}{か下}"), Mono(u"な?\u3000か", u"何下") + u"\r");
    // The scratch document was closed again and the source is active.
    EXPECT_EQ(model->ActiveDocument().Name(), u"doc.doc");
    EXPECT_THROW(model->Documents().Item(u"文書1"), DocumentError);
}

TEST_F(WalkFixture, RunCountedPastTheTotalEndsWhereCountingStopped) {
    model = ModelFromMarkup(u"a{か下}{き木}b", u"doc.doc");
    UndercountingDocument word(*model, 2);
    state.DocumentName = u"doc.doc";
    EngineContext ctx{word, *model, options, state, host, {}};
    std::u16string body;
    ASSERT_TRUE(WalkDocument(ctx, ReadSeparatorTexts(options), body));
    EXPECT_EQ(body, u"a" + Mono(u"か\u3000き", u"下木"));
    EXPECT_EQ(progressValues(), (std::vector<int>{100}));
}

TEST(WalkProgressValue, RoundsHalfToEvenWithinTheBar) {
    EXPECT_EQ(WalkProgressValue(1, 4), 32);   // 32.5
    EXPECT_EQ(WalkProgressValue(3, 4), 78);   // 77.5
    EXPECT_EQ(WalkProgressValue(10, 10), 100);
    EXPECT_EQ(WalkProgressValue(11, 10), 100);
    EXPECT_EQ(WalkProgressValue(0, 10), 10);
}
