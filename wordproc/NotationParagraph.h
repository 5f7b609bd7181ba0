// One paragraph of a story rewritten by the notations of RubyNotation.h:
// first the annotations and 外字 are taken apart from the text (so that
// notation quoted inside an annotation is never read), then the rubies are
// made, then the annotations are applied to what they name, then 《《…》》.
#pragma once

#include <string>
#include <vector>

#include "wordproc/AozoraAnnotation.h"
#include "wordproc/LeftOut.h"
#include "wordproc/RubyNotation.h"
#include "wordproc/Story.h"

namespace tessaly::wordproc {

// Whether a paragraph may hold any of the notations: most hold none, and
// are not copied at all.
bool MayHoldNotation(const Story& story, size_t from, size_t to, const NotationOptions& options);

class ParagraphRewriter {
public:
    // story: the story read; target: the one that takes the new fields (the
    // same), null when only counting.
    ParagraphRewriter(const Story& story, Story* target, const NotationOptions& options, LeftOut* leftOut)
        : m_story(story), m_target(target), m_options(options), m_leftOut(leftOut) {}

    // Rewrites the cells of one paragraph (its mark not included), the
    // paragraph-th of the story from 1.
    std::vector<Cell> rewrite(const std::vector<Cell>& in, size_t paragraph, NotationCount& count);

    // Whether anything was rewritten that the counts do not count (|《).
    bool changed() const { return m_changed; }

    // A token of the paragraph: a cell of the story, or an annotation.
    struct Tok {
        Cell cell;
        bool literal = false;  // never notation: an escaped character, or a 外字's
        bool kanji = false;    // a 外字 of kanji, which a base takes as kanji
        int annotation = -1;   // an annotation: its index in m_annotations
        int stub = -1;         // only counting: where a new field would stand, its text's index in m_stubTexts
    };

private:
    std::vector<Tok> scan(const std::vector<Cell>& in, NotationCount& count);
    bool gaiji(const std::vector<Cell>& in, size_t& i, std::vector<Tok>& out, NotationCount& count);
    bool pixiv(const std::vector<Cell>& in, size_t& i, std::vector<Tok>& out, NotationCount& count);

    // An emphasis over a ruby: said in the report, once per stretch.
    void rubyWithoutKenten();
    std::vector<Tok> rubyPass(const std::vector<Tok>& in, NotationCount& count);
    size_t barRuby(const std::vector<Tok>& in, size_t i, std::vector<Tok>& out, NotationCount& count);
    size_t scriptRuby(const std::vector<Tok>& in, size_t i, std::vector<Tok>& out, NotationCount& count);
    size_t dendenRuby(const std::vector<Tok>& in, size_t i, std::vector<Tok>& out, NotationCount& count);
    size_t narouRuby(const std::vector<Tok>& in, size_t i, std::vector<Tok>& out, NotationCount& count);
    // Appends the rubies of a base and its reading: one a base character
    // when a reading split by bars has a part for each, else one for all.
    void appendRubies(const std::vector<Tok>& base, std::u16string reading, std::vector<Tok>& out, NotationCount& count);

    std::vector<Tok> annotationPass(const std::vector<Tok>& in, NotationCount& count);
    void applyAnnotation(const Annotation& a, std::vector<Tok>& out, std::vector<std::pair<Annotation, size_t>>& open,
                         NotationCount& count);
    void applyTo(const Annotation& a, std::vector<Tok>& out, size_t from, size_t to, NotationCount& count);
    void removed(const std::string& kind, NotationCount& count);

    std::vector<Cell> emphasisPass(const std::vector<Tok>& in, NotationCount& count);

    Tok field(std::u16string_view reading, std::u16string_view base, uint8_t emphasis);
    std::u16string textOf(const std::vector<Tok>& toks, size_t from, size_t to) const;

    const Story& m_story;
    Story* m_target;
    NotationOptions m_options;
    LeftOut* m_leftOut;
    std::vector<std::u16string> m_annotations;  // the texts of the paragraph's annotations
    std::vector<std::u16string> m_stubTexts;
    size_t m_budget = 0;  // the steps the paragraph's searches may still take    // when only counting: the texts of the fields that would be made
    size_t m_paragraph = 0;
    bool m_changed = false;
};

}  // namespace tessaly::wordproc
