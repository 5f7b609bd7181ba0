#include "engine/Escaping.h"

namespace tessaly {
namespace {

void ReplaceAllPass(Find& find, std::u16string_view text, std::u16string_view replacement) {
    find.SetText(std::u16string(text));
    find.SetReplacementText(std::u16string(replacement));
    find.SetForward(true);
    find.SetWrap(FindWrap::Continue);
    find.ExecuteReplaceAll();
}

}  // namespace

void EscapeReservedCharacters(SourceDocument& word) {
    Find& find = word.Selection().Find();
    find.ClearFormatting();
    find.ReplacementClearFormatting();
    find.SetText(u"\\");
    find.SetReplacementText(u"\u00A5");
    find.SetForward(true);
    find.SetWrap(FindWrap::Continue);
    find.SetFormat(false);
    find.SetMatchCase(false);
    find.SetMatchWholeWord(false);
    find.SetMatchByte(true);
    find.SetMatchAllWordForms(false);
    find.SetMatchSoundsLike(false);
    find.SetMatchWildcards(false);
    find.SetMatchFuzzy(false);
    find.ExecuteReplaceAll();
    // The backslashes typed by these two passes are the only ones left.
    ReplaceAllPass(word.Selection().Find(), u"<", u"\\<");
    ReplaceAllPass(word.Selection().Find(), u">", u"\\>");
}

}  // namespace tessaly
