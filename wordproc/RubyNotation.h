// The ruby and emphasis notation that authors for web novel sites write as
// text: |漢字《かんじ》 (or ｜), 漢字《かんじ》 where the base is the run of
// kanji just before 《, and 《《傍点》》 for emphasis dots. Turned into the
// document model's own structures after reading: ruby fields that know where
// their reading ends, and the emphasis mark that becomes sesame kenten.
#pragma once

#include <cstddef>

#include "wordproc/DocumentModel.h"

namespace tessaly::wordproc {

// Whether a code point counts as kanji for a base without a bar: CJK unified
// ideographs and their extensions, 々, 〆 and ヶ.
bool IsNotationKanji(char32_t cp);

// What the notation in a story comes to.
struct NotationCount {
    size_t rubies = 0;    // ruby fields made
    size_t emphases = 0;  // 《《…》》 stretches marked
    size_t total() const { return rubies + emphases; }
};

// Rewrites the main story of the model: every ruby and emphasis written in
// the notation becomes a ruby field or emphasis-marked text; |《 becomes a
// literal 《. What is not complete notation within one paragraph (no
// matching 》, an empty reading, a base or reading with a field in it, no
// kanji before 《) stays text exactly as written, and existing fields are
// left alone.
NotationCount ApplyRubyNotation(DocumentModel& model);

// How many places the notation would change, without changing anything.
NotationCount CountRubyNotation(const DocumentModel& model);

}  // namespace tessaly::wordproc
