// What a reader leaves out of the model, recorded beside it for the front
// ends' reports: the stories other than the main one, EQ fields that are not
// ruby (their arguments' text stands in the body), and list and heading
// numbers that were not written. The engine never sees it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tessaly::wordproc {

// A story other than the main one: footnotes, headers, comments, text boxes…
struct OtherStory {
    std::string kind;   // in words for the user: 脚注, テキストボックス, …
    size_t rubies = 0;  // the rubies in it
    size_t count = 0;   // how many of them (text boxes), when known
    bool hasText = false;
};

// An EQ field that is not ruby: the text it became, and where.
struct FormulaField {
    std::u16string text;
    size_t paragraph = 0;     // of the main story, from 1
    std::u16string context;   // the characters before it in the paragraph
};

// Characters of a symbol font that have no Unicode equivalent (Wingdings,
// Webdings…): kept as the private-use characters the document has, which
// InDesign shows only in that font.
struct SymbolFontCharacters {
    std::string font;  // empty when the document does not name it
    size_t count = 0;
};

// How many places, and the first three paragraphs they stand in.
struct ParagraphPlaces {
    size_t count = 0;
    std::vector<size_t> paragraphs;
    bool elsewhere = false;  // places in paragraphs beyond those three
    void add(size_t paragraph);
    // "1、2 段落目" or "1、2、5 段落目ほか"
    std::string text() const;
};

// What a notation's annotations asked for that no text carries: removed,
// by kind, with where they stood.
struct RemovedNotation {
    std::string kind;
    ParagraphPlaces places;
};

// Emphasis dots of a kind InDesign's kenten styles do not have, shown as
// the nearer of them.
struct ApproximatedKenten {
    std::string kind;
    bool sesame = false;  // 圏点1 (sesame), else 圏点5 (solid circle)
    size_t count = 0;
};

// A 外字 annotation that names no code: it stands in the text as written.
struct UnresolvedGaiji {
    std::u16string text;
    size_t paragraph = 0;
};

struct LeftOut {
    std::vector<OtherStory> stories;  // only those with text or rubies
    std::vector<FormulaField> formulas;
    size_t unnumberedParagraphs = 0;  // paragraphs whose list or heading number was not written
    size_t writtenNumbers = 0;        // list and heading numbers written as text (not left out)
    size_t footnotesWritten = 0;      // notes written at their references (not left out)
    size_t endnotesWritten = 0;
    size_t controls = 0;              // control characters dropped from the text
    size_t brokenCharacters = 0;      // surrogates without their other half, shown as U+FFFD
    std::vector<SymbolFontCharacters> symbolFonts;
    // Inside two lines in one or 縦中横, which hold plain text: the rubies
    // written as their base text, and the stretches whose emphasis marks
    // were not written.
    size_t layoutRubies = 0;
    size_t layoutMarks = 0;
    std::vector<RemovedNotation> removedNotation;
    std::vector<ApproximatedKenten> approximatedKenten;
    std::vector<UnresolvedGaiji> unresolvedGaiji;
    // An emphasis of the notation over a ruby: the ruby's own character
    // style has no kenten, so only the characters beside it take them.
    ParagraphPlaces rubyKenten;
    bool notationExplanationRemoved = false;  // the archive's 【テキスト中に現れる記号について】
    bool empty() const {
        return stories.empty() && formulas.empty() && unnumberedParagraphs == 0 && controls == 0 && brokenCharacters == 0 &&
               symbolFonts.empty() && layoutRubies == 0 && layoutMarks == 0 && removedNotation.empty() &&
               approximatedKenten.empty() && unresolvedGaiji.empty() && rubyKenten.count == 0 &&
               !notationExplanationRemoved;
    }

    // Adds a story of that kind unless it is empty.
    void addStory(OtherStory story);
    // Counts a character of a symbol font kept as it is.
    void addSymbolCharacter(std::string_view font);
    void addRemovedNotation(const std::string& kind, size_t paragraph);
    void addApproximatedKenten(const std::string& kind, bool sesame);
    void addRubyKenten(size_t paragraph);
};

// The one line a front end shows when anything was left out, e.g.
// 「脚注のルビ 3 個所とテキストボックス 2 個は変換していません。数式フィールド 1 個を文字にしました。」;
// empty when nothing was.
std::string LeftOutSummary(const LeftOut& leftOut);

// Each thing left out, in words, with the paragraph it stands in when known.
std::vector<std::pair<std::string, std::optional<size_t>>> LeftOutItems(const LeftOut& leftOut);

}  // namespace tessaly::wordproc
