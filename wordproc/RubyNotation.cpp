#include "wordproc/RubyNotation.h"

#include <utility>
#include <vector>

#include "engine/SourceDocument.h"
#include "engine/Text.h"
#include "wordproc/NotationParagraph.h"

namespace tessaly::wordproc {
namespace {

// The text of the paragraph [from, to) as plain characters.
std::u16string ParagraphText(const Story& story, size_t from, size_t to) {
    std::u16string text;
    for (size_t k = from; k < to && text.size() < 64; ++k)
        if (!IsField(story[k])) AppendCodePoint(text, story[k].code);
    return text;
}

bool IsDashLine(std::u16string_view text) {
    return text.size() >= 20 && text.find_first_not_of(u"-－") == std::u16string_view::npos;
}

// The Aozora Bunko archive's explanation of its notation at the top of a
// work: a line of dashes, 【テキスト中に現れる記号について】 and what follows,
// up to the next line of dashes. The positions [first, last) it covers,
// its paragraph marks included; nothing when there is none.
std::pair<size_t, size_t> ExplanationBlock(const Story& story) {
    std::vector<std::pair<size_t, size_t>> paragraphs;  // the first 200
    size_t start = 0;
    for (size_t i = 0; i < story.size() && paragraphs.size() < 200; ++i) {
        if (IsField(story[i]) || story[i].code != kParagraphMark) continue;
        paragraphs.emplace_back(start, i);
        start = i + 1;
    }
    for (size_t p = 0; p + 2 < paragraphs.size(); ++p) {
        if (!IsDashLine(ParagraphText(story, paragraphs[p].first, paragraphs[p].second))) continue;
        if (!ParagraphText(story, paragraphs[p + 1].first, paragraphs[p + 1].second).starts_with(u"【テキスト中に現れる記号について】"))
            continue;
        for (size_t q = p + 2; q < paragraphs.size(); ++q)
            if (IsDashLine(ParagraphText(story, paragraphs[q].first, paragraphs[q].second)))
                return {paragraphs[p].first, paragraphs[q].second + 1};
        break;
    }
    return {0, 0};
}

NotationCount Rewrite(const Story& story, Story* target, const NotationOptions& options, LeftOut* leftOut) {
    NotationCount count;
    if (!MayHoldNotation(story, 0, story.size(), options)) return count;  // nothing is copied
    ParagraphRewriter rewriter(story, target, options, leftOut);
    const auto [skipFrom, skipTo] = ExplanationBlock(story);
    if (skipTo > skipFrom) {
        ++count.removed;
        if (target && leftOut) leftOut->notationExplanationRemoved = true;
    }
    std::vector<Cell> result, paragraph;
    result.reserve(story.size());
    size_t start = 0;  // the paragraph's first position
    size_t number = 0;
    for (size_t i = 0; i <= story.size(); ++i) {
        if (i < story.size() && (IsField(story[i]) || story[i].code != kParagraphMark)) continue;
        if (start >= skipFrom && i < skipTo) {  // a paragraph of the explanation
            start = i + 1;
            continue;
        }
        ++number;
        if (MayHoldNotation(story, start, i, options)) {
            paragraph.clear();
            for (size_t k = start; k < i; ++k) paragraph.push_back(story[k]);
            const std::vector<Cell> rewritten = rewriter.rewrite(paragraph, number, count);
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
           (cp >= 0x30000 && cp <= 0x323AF) || cp == U'々' || cp == U'仝' || cp == U'〆' || cp == U'〇' || cp == U'ヶ';
}

NotationCount ApplyRubyNotation(DocumentModel& model, const NotationOptions& options, LeftOut* leftOut) {
    Story& story = model.mainDocument().story();
    return Rewrite(story, &story, options, leftOut);
}

NotationCount CountRubyNotation(const DocumentModel& model, const NotationOptions& options) {
    return Rewrite(model.mainDocument().story(), nullptr, options, nullptr);
}

}  // namespace tessaly::wordproc
