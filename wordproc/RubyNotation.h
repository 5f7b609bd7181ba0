// The notations that writers and archives use to write ruby, emphasis and
// more as text, turned into the document model's own structures after
// reading:
// - |漢字《かんじ》 (or ｜), and 漢字《かんじ》 whose base is the run of one
//   kind of character just before 《 (kanji, hiragana, katakana, full-width
//   or half-width letters and digits); a reading split by | or ｜ gives each
//   base character its part; 《《傍点》》 for emphasis dots;
// - Aozora Bunko's annotations: ［＃「X」に傍点］ and ［＃傍点］…［＃傍点終わり］
//   in every kind of dots, 縦中横, 割り注, ［＃ルビは「X」にかかる］, 外字
//   (※［＃…、第3水準1-87-5］) as the character it names, every other
//   annotation removed and reported, and the archive's explanation of its
//   notation at the top removed;
// - pixiv's [[rb:漢字 > かんじ]], [newpage], [chapter:…] and [jump:…];
// - でんでん's {漢字|かんじ} and {漢字|かん|じ};
// - なろう's 漢字(かんじ) and ｜base(reading), when asked for.
// What is not complete notation within one paragraph stays text exactly as
// written, and existing fields are left alone.
#pragma once

#include <cstddef>

#include "wordproc/DocumentModel.h"
#include "wordproc/LeftOut.h"

namespace tessaly::wordproc {

// Whether a code point counts as kanji for a base without a bar: CJK unified
// ideographs and their extensions, 々, 仝, 〆, 〇 and ヶ.
bool IsNotationKanji(char32_t cp);

struct NotationOptions {
    bool narou = false;  // なろう's parentheses: ordinary prose has parentheses too
};

// What the notation in a story comes to.
struct NotationCount {
    size_t rubies = 0;                // ruby fields made
    size_t emphases = 0;              // stretches marked with emphasis
    size_t horizontalInVertical = 0;  // 縦中横 stretches
    size_t warichu = 0;               // 割り注
    size_t gaiji = 0;                 // 外字 annotations
    size_t removed = 0;               // annotations and commands no text carries
    size_t total() const { return rubies + emphases + horizontalInVertical + warichu + gaiji + removed; }
};

// Rewrites the main story of the model. What was removed, approximated or
// left as it stands goes to leftOut, when given, with its paragraph.
NotationCount ApplyRubyNotation(DocumentModel& model, const NotationOptions& options = {}, LeftOut* leftOut = nullptr);

// How many places the notation would change, without changing anything.
NotationCount CountRubyNotation(const DocumentModel& model, const NotationOptions& options = {});

}  // namespace tessaly::wordproc
