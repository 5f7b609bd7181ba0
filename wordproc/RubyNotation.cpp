#include "wordproc/RubyNotation.h"

#include <vector>

#include "engine/SourceDocument.h"
#include "engine/Text.h"

namespace tessaly::wordproc {
namespace {

constexpr char32_t kOpen = U'《', kClose = U'》';

bool IsBar(const Cell& c) { return c.code == U'|' || c.code == U'｜'; }
bool Is(const Cell& c, char32_t code) { return !IsField(c) && c.code == code; }
// A field, or the mark of a note's start or end: what no ruby's base or
// reading takes in, and what takes no emphasis.
bool IsOpaque(const Cell& c) { return IsField(c) || c.code == kNoteStart || c.code == kNoteEnd; }

// A cell of the rewritten paragraph; literal: a 《 written as |《, which
// opens nothing.
struct Out {
    Cell cell;
    bool literal = false;
};

class ParagraphRewriter {
public:
    // target: the story that takes the new ruby fields; null when only counting.
    explicit ParagraphRewriter(Story* target) : m_target(target) {}

    // Whether anything was rewritten that the counts do not count (|《).
    bool changed() const { return m_changed; }

    // Rewrites the cells of one paragraph (its mark not included).
    std::vector<Cell> rewrite(const std::vector<Cell>& in, NotationCount& count) {
        const std::vector<Out> rubies = rubyPass(in, count);
        return emphasisPass(rubies, count);
    }

private:
    // The end of a reading that starts at from: the first 》 with only
    // ordinary characters other than 《 before it; npos when there is none.
    static size_t readingEnd(const std::vector<Cell>& in, size_t from) {
        for (size_t k = from; k < in.size(); ++k) {
            if (IsOpaque(in[k]) || in[k].code == kOpen) return std::string::npos;
            if (in[k].code == kClose) return k;
        }
        return std::string::npos;
    }

    std::u16string textOf(const std::vector<Cell>& in, size_t from, size_t to) const {
        std::u16string text;
        for (size_t k = from; k < to; ++k) AppendCodePoint(text, in[k].code);
        return text;
    }

    // A ruby field over in[baseFrom, baseTo) with the reading in
    // in[baseTo + 1, close).
    Out ruby(const std::vector<Cell>& in, size_t baseFrom, size_t baseTo, size_t close) {
        Cell field{0, in[baseFrom].emphasis};
        if (m_target) field.code = m_target->addRuby(textOf(in, baseTo + 1, close), textOf(in, baseFrom, baseTo));
        return {field};
    }

    std::vector<Out> rubyPass(const std::vector<Cell>& in, NotationCount& count) {
        std::vector<Out> out;
        out.reserve(in.size());
        for (size_t i = 0; i < in.size(); ++i) {
            const Cell& c = in[i];
            if (IsField(c)) {
                out.push_back({c});
            } else if (IsBar(c)) {
                i = barRuby(in, i, out, count);
            } else if (c.code == kOpen && i + 1 < in.size() && Is(in[i + 1], kOpen)) {
                out.push_back({c});  // 《《: emphasis, for the second pass
                out.push_back({in[i + 1]});
                ++i;
            } else if (c.code == kOpen) {
                i = kanjiRuby(in, i, out, count);
            } else {
                out.push_back({c});
            }
        }
        return out;
    }

    // At a bar (in[i]): |《 is a literal 《; |base《reading》 a ruby whose base
    // runs to the next 《 and holds no field. Returns the last index taken.
    size_t barRuby(const std::vector<Cell>& in, size_t i, std::vector<Out>& out, NotationCount& count) {
        if (i + 1 < in.size() && Is(in[i + 1], kOpen)) {
            out.push_back({in[i + 1], true});
            m_changed = true;
            return i + 1;
        }
        size_t open = i + 1;
        bool field = false;
        for (; open < in.size() && !Is(in[open], kOpen); ++open)
            if (IsOpaque(in[open])) field = true;
        if (open == in.size()) {
            out.push_back({in[i]});
            return i;
        }
        const size_t close = readingEnd(in, open + 1);
        if (!field && open > i + 1 && close != std::string::npos && close > open + 1) {
            out.push_back(ruby(in, i + 1, open, close));
            ++count.rubies;
            return close;
        }
        // Not complete: all of it stays text, its 《 opening nothing else.
        const size_t end = close != std::string::npos ? close : open;
        for (size_t k = i; k <= end; ++k) out.push_back({in[k], Is(in[k], kOpen)});
        return end;
    }

    // At a 《 (in[i]) without a bar: base《reading》 where the base is the run
    // of kanji just before, already in out. Returns the last index taken.
    size_t kanjiRuby(const std::vector<Cell>& in, size_t i, std::vector<Out>& out, NotationCount& count) {
        size_t from = out.size();
        while (from > 0 && !out[from - 1].literal && !IsOpaque(out[from - 1].cell) &&
               (IsNotationKanji(out[from - 1].cell.code) || IsVariationSelector(out[from - 1].cell.code)))
            --from;
        while (from < out.size() && IsVariationSelector(out[from].cell.code)) ++from;  // a selector needs its kanji
        const size_t close = readingEnd(in, i + 1);
        if (from == out.size() || close == std::string::npos || close == i + 1) {
            out.push_back({in[i]});
            return i;
        }
        std::vector<Cell> base;
        for (size_t k = from; k < out.size(); ++k) base.push_back(out[k].cell);
        out.resize(from);
        base.push_back(in[i]);
        for (size_t k = i + 1; k <= close; ++k) base.push_back(in[k]);
        out.push_back(ruby(base, 0, base.size() - (close - i) - 1, base.size() - 1));
        ++count.rubies;
        return close;
    }

    // 《《text》》: the text takes the emphasis mark that becomes sesame
    // kenten, unless it has one; fields keep theirs.
    std::vector<Cell> emphasisPass(const std::vector<Out>& in, NotationCount& count) {
        auto opens = [&](size_t k) { return !in[k].literal && Is(in[k].cell, kOpen); };
        auto closes = [&](size_t k) { return Is(in[k].cell, kClose); };
        std::vector<Cell> out;
        out.reserve(in.size());
        for (size_t i = 0; i < in.size(); ++i) {
            if (i + 1 < in.size() && opens(i) && opens(i + 1)) {
                size_t end = i + 2;
                while (end + 1 < in.size() && !(closes(end) && closes(end + 1))) ++end;
                if (end + 1 < in.size() && end > i + 2) {
                    for (size_t k = i + 2; k < end; ++k) {
                        Cell cell = in[k].cell;
                        if (!IsOpaque(cell) && cell.emphasis == EmphasisNone) cell.emphasis = EmphasisOverComma;
                        out.push_back(cell);
                    }
                    ++count.emphases;
                    i = end + 1;
                    continue;
                }
            }
            out.push_back(in[i].cell);
        }
        return out;
    }

    Story* m_target;
    bool m_changed = false;
};

// Whether a cell can take part in the notation: only a paragraph that holds
// 《 can hold any (a bar alone opens nothing), and most hold none.
bool OpensNotation(const Cell& c) { return Is(c, kOpen); }

NotationCount Rewrite(const Story& story, Story* target) {
    NotationCount count;
    size_t first = 0;
    while (first < story.size() && !OpensNotation(story[first])) ++first;
    if (first == story.size()) return count;  // no notation anywhere: nothing is copied
    ParagraphRewriter rewriter(target);
    std::vector<Cell> result, paragraph;
    result.reserve(story.size());
    size_t start = 0;  // the paragraph's first position
    for (size_t i = 0; i <= story.size(); ++i) {
        if (i < story.size() && (IsField(story[i]) || story[i].code != kParagraphMark)) continue;
        bool notation = false;
        for (size_t k = start; k < i && !notation; ++k) notation = OpensNotation(story[k]);
        if (notation) {
            paragraph.clear();
            for (size_t k = start; k < i; ++k) paragraph.push_back(story[k]);
            const std::vector<Cell> rewritten = rewriter.rewrite(paragraph, count);
            result.insert(result.end(), rewritten.begin(), rewritten.end());
        } else {
            for (size_t k = start; k < i; ++k) result.push_back(story[k]);  // as it is
        }
        if (i < story.size()) result.push_back(story[i]);
        start = i + 1;
    }
    if (target && (count.total() > 0 || rewriter.changed())) target->assign(result);
    return count;
}

}  // namespace

bool IsNotationKanji(char32_t cp) {
    return (cp >= 0x4E00 && cp <= 0x9FFF) || (cp >= 0x3400 && cp <= 0x4DBF) || (cp >= 0x20000 && cp <= 0x2EBEF) ||
           (cp >= 0x30000 && cp <= 0x323AF) || cp == U'々' || cp == U'〆' || cp == U'ヶ';
}

NotationCount ApplyRubyNotation(DocumentModel& model) {
    Story& story = model.mainDocument().story();
    return Rewrite(story, &story);
}

NotationCount CountRubyNotation(const DocumentModel& model) { return Rewrite(model.mainDocument().story(), nullptr); }

}  // namespace tessaly::wordproc
