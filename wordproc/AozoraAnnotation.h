// What an Aozora Bunko annotation (［＃…］, as the archive's annotation
// manual defines them) asks for: emphasis dots over a stretch named before
// it or between a start and an end annotation, 縦中横, 割り注, the base of
// the ruby before it, or nothing a typesetter's text can carry (headings,
// indents, page breaks…, removed and reported by kind). And the character
// a 外字 annotation (※［＃…］) names.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tessaly::wordproc {

enum class AnnotationEffect {
    Emphasis,              // emphasis dots of a kind
    HorizontalInVertical,  // 縦中横
    Warichu,               // 割り注
    RubyBase,              // ルビは「X」にかかる: the base of the ruby just before
    Other,                 // removed from the text, counted by its kind
};

enum class AnnotationForm {
    Forward,     // 「X」に…: the text X just before it
    RangeStart,  // ［＃傍点］ … ［＃傍点終わり］
    RangeEnd,
    Standalone,  // applies to nothing in the text
};

struct Annotation {
    AnnotationEffect effect = AnnotationEffect::Other;
    AnnotationForm form = AnnotationForm::Standalone;
    std::u16string target;  // Forward, RubyBase: X
    // Emphasis: the kind as the manual names it (傍点, 白丸傍点…), the
    // model's emphasis mark for it (2 sesame, 1 solid circle) and whether
    // that mark only comes near it.
    std::u16string kind;
    int mark = 0;
    bool approximated = false;
    std::string label;  // Other: the kind in words for the report (字下げ, 見出し…)
};

// The annotation of the text between ［＃ and ］.
Annotation ClassifyAnnotation(std::u16string_view text);

// A 外字 annotation's character: by the plane-row-cell of JIS X 0213 it
// gives (第3水準1-87-5, 第4水準2-12-3, or the 1-1-52 of a character of JIS X
// 0208), or by U+XXXX; nothing when it names no code. kanji: the annotation
// describes a kanji (its text starts with 「).
struct Gaiji {
    std::u16string character;
    bool kanji = false;
};
std::optional<Gaiji> ResolveGaiji(std::u16string_view text);

}  // namespace tessaly::wordproc
