// The passes of ParagraphRewriter after the rubies: the annotations applied
// to what they name, then 《《…》》.
#include <algorithm>

#include "engine/Text.h"
#include "wordproc/NotationParagraph.h"
#include "wordproc/NotationTokens.h"

namespace tessaly::wordproc {

using namespace notation;

std::vector<Tok> ParagraphRewriter::annotationPass(const std::vector<Tok>& in, NotationCount& count) {
    std::vector<Tok> out;
    out.reserve(in.size());
    std::vector<std::pair<Annotation, size_t>> open;  // range starts and where they stand
    for (const Tok& t : in) {
        if (t.annotation < 0) {
            out.push_back(t);
            continue;
        }
        applyAnnotation(ClassifyAnnotation(m_annotations[size_t(t.annotation)]), out, open, count);
    }
    // A range its paragraph does not end runs to the paragraph's end.
    while (!open.empty()) {
        applyTo(open.back().first, out, open.back().second, out.size(), count);
        open.pop_back();
    }
    return out;
}

void ParagraphRewriter::applyAnnotation(const Annotation& a, std::vector<Tok>& out, std::vector<std::pair<Annotation, size_t>>& open,
                                        NotationCount& count) {
    if (a.effect == AnnotationEffect::Other) return removed(a.label, count);
    if (a.effect == AnnotationEffect::RubyBase) return removed("ルビの注記", count);
    if (a.form == AnnotationForm::RangeStart) {
        if (open.size() == kMaxOpenRanges) return removed("終わりのない注記", count);
        open.emplace_back(a, out.size());
        return;
    }
    if (a.form == AnnotationForm::RangeEnd) {
        for (size_t k = open.size(); k-- > 0;) {
            if (open[k].first.effect != a.effect || open[k].first.kind != a.kind) continue;
            applyTo(open[k].first, out, open[k].second, out.size(), count);
            open.erase(open.begin() + long(k));
            return;
        }
        return removed("始まりのない注記", count);
    }
    // Forward: the nearest X before the annotation, a ruby taken whole,
    // within the last characters before it (looked for just before first,
    // where it nearly always stands).
    if (a.target.empty()) return removed("対象の見つからない注記", count);
    for (size_t window = 2 * a.target.size();; window = std::min(2 * window, kMaxNotationLength)) {
        size_t first = out.size(), length = 0;
        while (first > 0 && length < window) length += textOf(out, first - 1, first).size(), --first;
        std::u16string text;
        std::vector<size_t> owner;  // the token of each unit of text
        for (size_t k = first; k < out.size(); ++k) {
            const std::u16string part = textOf(out, k, k + 1);
            text += part;
            owner.insert(owner.end(), part.size(), k);
        }
        if (const size_t at = text.rfind(a.target); at != kNpos)
            return applyTo(a, out, owner[at], owner[at + a.target.size() - 1] + 1, count);
        m_budget -= std::min(m_budget, 2 * (out.size() - first));
        if (first == 0 || window >= kMaxNotationLength || m_budget == 0) return removed("対象の見つからない注記", count);
    }
}

void ParagraphRewriter::applyTo(const Annotation& a, std::vector<Tok>& out, size_t from, size_t to, NotationCount& count) {
    if (from >= to) return;
    if (a.effect == AnnotationEffect::Emphasis) {
        // A ruby keeps its own character style, which holds no kenten: the
        // characters beside it take the emphasis, the ruby is said.
        bool overRuby = false;
        for (size_t k = from; k < to; ++k) {
            Cell& c = out[k].cell;
            if (out[k].stub >= 0 || IsNoteMark(c)) continue;
            if (IsField(c)) {
                overRuby = overRuby || m_story.fieldLayout(c) == EastAsianLayout::None;
                continue;
            }
            if (c.emphasis == EmphasisNone) c.emphasis = static_cast<uint8_t>(a.mark);
        }
        if (overRuby) rubyWithoutKenten();
        ++count.emphases;
        if (a.approximated && m_target && m_leftOut) m_leftOut->addApproximatedKenten(ToUtf8(a.kind), a.mark == EmphasisOverComma);
        return;
    }
    // 縦中横 and 割り注: one stretch of the text in that layout.
    const std::u16string text = textOf(out, from, to);
    const bool tcy = a.effect == AnnotationEffect::HorizontalInVertical;
    ++(tcy ? count.horizontalInVertical : count.warichu);
    Tok t;
    if (m_target) t.cell.code = m_target->addLayout(text, tcy ? EastAsianLayout::HorizontalInVertical : EastAsianLayout::Warichu);
    else t.stub = static_cast<int>(m_stubTexts.size()), m_stubTexts.push_back(text);
    out.erase(out.begin() + long(from), out.begin() + long(to));
    out.insert(out.begin() + long(from), t);
}

void ParagraphRewriter::rubyWithoutKenten() {
    if (m_target && m_leftOut) m_leftOut->addRubyKenten(m_paragraph);
}

// 《《text》》: the text takes the emphasis mark that becomes sesame kenten,
// unless it has one; fields keep theirs.
std::vector<Cell> ParagraphRewriter::emphasisPass(const std::vector<Tok>& in, NotationCount& count) {
    auto opens = [&](size_t k) { return Is(in[k], kOpen); };
    auto closes = [&](size_t k) { return !Opaque(in[k]) && in[k].cell.code == kClose; };
    std::vector<Cell> out;
    out.reserve(in.size());
    bool closesLeft = true;  // false once a search found no 》》 after it: none follows
    for (size_t i = 0; i < in.size(); ++i) {
        if (closesLeft && i + 1 < in.size() && opens(i) && opens(i + 1)) {
            size_t end = i + 2;
            while (end + 1 < in.size() && !(closes(end) && closes(end + 1))) ++end;
            closesLeft = end + 1 < in.size();
            if (end + 1 < in.size() && end > i + 2) {
                bool overRuby = false;
                for (size_t k = i + 2; k < end; ++k) {
                    Cell cell = in[k].cell;
                    if (!Opaque(in[k]) && cell.emphasis == EmphasisNone) cell.emphasis = EmphasisOverComma;
                    overRuby = overRuby || (in[k].stub < 0 && IsField(cell) && m_story.fieldLayout(cell) == EastAsianLayout::None);
                    out.push_back(cell);
                }
                if (overRuby) rubyWithoutKenten();
                ++count.emphases;
                i = end + 1;
                continue;
            }
        }
        out.push_back(in[i].cell);
    }
    return out;
}

}  // namespace tessaly::wordproc
