#include <gtest/gtest.h>

#include "wordproc/DocumentBuilder.h"

using namespace tessaly;
using namespace tessaly::wordproc;

namespace {

std::unique_ptr<DocumentModel> Model(std::u16string_view markup) { return ModelFromMarkup(markup, u"原稿.doc"); }

}  // namespace

TEST(DocumentModelMoves, AdjacentFieldsAreOnePositionEach) {
    auto m = Model(u"a{かん漢}{じ字}b");
    Selection& sel = m->Selection();
    EXPECT_EQ(m->ActiveDocument().CharactersCount(), 5);  // a, two fields, b, final mark
    sel.MoveRight(Unit::Character);
    EXPECT_EQ(sel.Text(), u"\x15");
    sel.MoveRight(Unit::Character);
    EXPECT_EQ(sel.Text(), u"\x15");
    sel.MoveRight(Unit::Character);
    EXPECT_EQ(sel.Text(), u"b");
    EXPECT_EQ(sel.Range(), (TextRange{3, 3}));
    // Extending left from after a field selects the whole field.
    sel.MoveLeft(Unit::Character, 1);
    sel.MoveLeft(Unit::Character, 1, MoveMode::Extend);
    EXPECT_EQ(sel.Range(), (TextRange{1, 2}));
    sel.Copy();
    EXPECT_EQ(m->clipboardText(), u"かん漢");
}

TEST(DocumentModelMoves, EndOfStoryAndStart) {
    auto m = Model(u"ab");
    Selection& sel = m->Selection();
    sel.EndKey(Unit::Story);
    EXPECT_EQ(sel.Range(), (TextRange{2, 2}));  // before the final paragraph mark
    EXPECT_EQ(sel.Text(), u"\r");
    sel.MoveRight(Unit::Character);
    EXPECT_EQ(sel.Range(), (TextRange{2, 2}));  // nothing moves at the end
    EXPECT_EQ(sel.Text(), u"\r");
    sel.MoveLeft(Unit::Character, 5);
    EXPECT_EQ(sel.Range(), (TextRange{0, 0}));
    sel.EndKey(Unit::Story);
    sel.HomeKey(Unit::Story, MoveMode::Extend);
    EXPECT_EQ(sel.Range(), (TextRange{0, 2}));
    EXPECT_EQ(sel.Text(), u"ab");
}

TEST(DocumentModelMoves, MoveRightCollapsesAnExtendedSelectionToItsEnd) {
    auto m = Model(u"abcd");
    Selection& sel = m->Selection();
    sel.Select({1, 3});
    sel.MoveRight(Unit::Character);
    EXPECT_EQ(sel.Range(), (TextRange{3, 3}));
    sel.Select({1, 3});
    sel.MoveLeft(Unit::Character, 2);
    EXPECT_EQ(sel.Range(), (TextRange{0, 0}));
}

TEST(DocumentModelMoves, SurrogatePairIsOneCharacter) {
    auto m = Model(u"𠮷野");
    EXPECT_EQ(m->ActiveDocument().CharactersCount(), 3);
    EXPECT_EQ(m->Selection().Text(), u"𠮷");
    m->Selection().MoveRight(Unit::Character);
    EXPECT_EQ(m->Selection().Text(), u"野");
}

TEST(DocumentModelEditing, TypeTextReplacesSelectionAndTakesItsEmphasis) {
    auto m = Model(u"x[1abc]y");
    Selection& sel = m->Selection();
    sel.Select({1, 4});
    sel.TypeText(u"<S>abc<E>");
    EXPECT_EQ(sel.Range(), (TextRange{10, 10}));
    EXPECT_EQ(ToMarkup(*m), u"x[1<S>abc<E>]y\r");
    sel.MoveRight(Unit::Character);
    EXPECT_EQ(sel.Range(), (TextRange{11, 11}));
    // At an insertion point typed text takes the mark of the character before it.
    sel.Select({0, 0});
    sel.TypeText(u"A\rB");
    EXPECT_EQ(ToMarkup(*m), u"A\rBx[1<S>abc<E>]y\r");
    EXPECT_EQ(m->ActiveDocument().CharactersCount(), 15);
}

TEST(DocumentModelEditing, DeleteKeepsTheFinalParagraphMark) {
    auto m = Model(u"ab\rcd");
    m->Selection().WholeStory();
    EXPECT_EQ(m->Selection().Text(), u"ab\rcd\r");
    m->Selection().Delete();
    EXPECT_EQ(ToMarkup(*m), u"\r");
    EXPECT_EQ(m->ActiveDocument().CharactersCount(), 1);
}

TEST(DocumentModelEditing, EmphasisOfSelectionIsSet) {
    auto m = Model(u"[2ab]c");
    m->Selection().Select({1, 3});
    m->Selection().SetFontEmphasisMark(4);
    EXPECT_EQ(ToMarkup(*m), u"[2a][4bc]\r");
    m->Selection().EndKey(Unit::Story);
    m->Selection().SetFontEmphasisMark(0);  // an insertion point changes nothing
    EXPECT_EQ(ToMarkup(*m), u"[2a][4bc]\r");
}

TEST(DocumentModelFind, ReplaceAllTouchesOnlyTheExactCharacterOutsideFields) {
    auto m = Model(u"a\\b<c>d ＼＜＞ {x<y}[1<]");
    Find& find = m->Selection().Find();
    find.ClearFormatting();
    find.SetMatchByte(true);
    find.SetMatchWildcards(false);
    find.SetWrap(FindWrap::Continue);
    find.SetText(u"\\");
    find.SetReplacementText(u"¥");
    find.ExecuteReplaceAll();
    find.SetText(u"<");
    find.SetReplacementText(u"\\<");
    find.ExecuteReplaceAll();
    EXPECT_EQ(ToMarkup(*m), u"a¥b\\<c>d ＼＜＞ {x<y}[1\\<]\r");
    EXPECT_EQ(m->at(m->size() - 3).emphasis, 1);  // replacement keeps the mark
}

TEST(DocumentModelFind, MatchByteOffLetsFullWidthFormsMatch) {
    auto m = Model(u"<＜");
    Find& find = m->Selection().Find();
    find.SetWrap(FindWrap::Continue);
    find.SetMatchByte(false);
    find.SetText(u"<");
    find.SetReplacementText(u"-");
    find.ExecuteReplaceAll();
    EXPECT_EQ(ToMarkup(*m), u"--\r");
}

TEST(DocumentModelFind, SettingsPersistBetweenUses) {
    auto m = Model(u"aXbX");
    Find& find = m->Selection().Find();
    find.SetText(u"X");
    find.SetReplacementText(u"Y");
    find.SetWrap(FindWrap::Continue);
    find.ExecuteReplaceAll();
    EXPECT_EQ(ToMarkup(*m), u"aYbY\r");
    m->Selection().TypeText(u"X");
    // Fetched again, the find object still holds the same texts.
    m->Selection().Find().ExecuteReplaceAll();
    EXPECT_EQ(ToMarkup(*m), u"YaYbY\r");
}

TEST(DocumentModelFind, FormatSearchFindsMaximalStretches) {
    auto m = Model(u"[1ab][2c][1d]\r[1e]");
    Find& find = m->Selection().Find();
    find.ClearFormatting();
    find.SetFontEmphasisMark(1);
    ASSERT_TRUE(find.ExecuteFormatSearch());
    EXPECT_EQ(m->Selection().Range(), (TextRange{0, 2}));
    EXPECT_EQ(m->Selection().Text(), u"ab");
    m->Selection().MoveRight(Unit::Character);
    ASSERT_TRUE(find.ExecuteFormatSearch());
    EXPECT_EQ(m->Selection().Text(), u"d");
    m->Selection().MoveRight(Unit::Character);
    ASSERT_TRUE(find.ExecuteFormatSearch());  // the paragraph mark ends a stretch
    EXPECT_EQ(m->Selection().Range(), (TextRange{5, 6}));
    m->Selection().MoveRight(Unit::Character);
    EXPECT_FALSE(find.ExecuteFormatSearch());
    EXPECT_EQ(m->Selection().Range(), (TextRange{6, 6}));
    find.ClearFormatting();
    m->Selection().HomeKey(Unit::Story);
    EXPECT_FALSE(find.ExecuteFormatSearch());  // no format set: nothing to find
}

TEST(DocumentModelFind, FormatSearchTakesInFields) {
    auto m = Model(u"[1a{かん漢}b]");
    m->Selection().Find().SetFontEmphasisMark(1);
    ASSERT_TRUE(m->Selection().Find().ExecuteFormatSearch());
    EXPECT_EQ(m->Selection().Text(), u"a\x15" u"b");
}

TEST(DocumentModelDocuments, ScratchDocumentRoundTrip) {
    auto m = Model(u"{ü?漢}");
    m->Selection().Select({0, 1});
    m->Selection().Copy();
    Document& scratch = m->Documents().Add();
    const std::u16string name = scratch.Name();
    EXPECT_NE(name, u"原稿.doc");
    EXPECT_EQ(m->ActiveDocument().Name(), name);
    m->Documents().Item(name).Activate();
    m->Selection().WholeStory();
    m->Selection().Delete();
    m->Selection().PasteSpecial(PasteDataType::Text);
    m->Selection().HomeKey(Unit::Story, MoveMode::Extend);
    EXPECT_EQ(m->Selection().Text(), u"ü?漢");
    m->Documents().Item(u"原稿.doc").Activate();
    EXPECT_EQ(m->Selection().Range(), (TextRange{0, 1}));  // each document keeps its selection
    m->Documents().Item(name).Activate();
    m->ActiveDocument().Close(SaveChanges::DoNotSave);
    EXPECT_THROW(m->Documents().Item(name), DocumentError);
    EXPECT_EQ(m->ActiveDocument().Name(), u"原稿.doc");
}

TEST(DocumentModelDocuments, ClipboardHasNoLengthLimit) {
    std::u16string longText(100000, u'漢');
    longText += u"𠮷";
    auto m = std::make_unique<DocumentModel>(u"a.doc");
    {
        DocumentBuilder b(*m);
        b.appendField(longText);
        b.finish();
    }
    m->Selection().Select({0, 1});
    m->Selection().Copy();
    std::u16string text = u"earlier";
    EXPECT_EQ(m->ReadText(text), Clipboard::Status::Ok);
    EXPECT_EQ(text, longText);
}

TEST(DocumentModelCost, ReplacingStretchesFromStartToEndStaysCorrect) {
    // Many stretches replaced one after another through the gap buffer.
    std::u16string markup;
    for (int i = 0; i < 2000; ++i) markup += u"x[1ab]";
    auto m = Model(markup);
    Find& find = m->Selection().Find();
    find.SetFontEmphasisMark(1);
    m->Selection().HomeKey(Unit::Story);
    int found = 0;
    while (find.ExecuteFormatSearch()) {
        std::u16string typed(1, u'<');
        typed += m->Selection().Text();
        typed.push_back(u'>');
        m->Selection().TypeText(typed);
        m->Selection().MoveRight(Unit::Character);
        ++found;
    }
    EXPECT_EQ(found, 2000);
    EXPECT_EQ(m->ActiveDocument().CharactersCount(), 2000 * 5 + 1);
    std::u16string expected;
    for (int i = 0; i < 2000; ++i) expected += u"x[1<ab>]";
    EXPECT_TRUE(ToMarkup(*m) == expected + u"\r");
}
