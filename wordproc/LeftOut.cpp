#include "wordproc/LeftOut.h"

#include <algorithm>

#include "engine/Text.h"

namespace tessaly::wordproc {

void LeftOut::addStory(OtherStory story) {
    if (!story.hasText && story.rubies == 0) return;
    for (auto& s : stories) {
        if (s.kind != story.kind) continue;  // several parts of one kind count as one story
        s.rubies += story.rubies;
        s.count += story.count;
        s.hasText = s.hasText || story.hasText;
        return;
    }
    stories.push_back(std::move(story));
}

void LeftOut::addSymbolCharacter(std::string_view font) {
    for (auto& f : symbolFonts)
        if (f.font == font) {
            ++f.count;
            return;
        }
    symbolFonts.push_back({std::string(font), 1});
}

void ParagraphPlaces::add(size_t paragraph) {
    ++count;
    if (!paragraphs.empty() && paragraphs.back() == paragraph) return;
    if (paragraphs.size() < 3) paragraphs.push_back(paragraph);
    else elsewhere = true;
}

std::string ParagraphPlaces::text() const {
    std::string places;
    for (size_t p : paragraphs) places += (places.empty() ? "" : "、") + std::to_string(p);
    return places + " 段落目" + (elsewhere ? "ほか" : "");
}

void LeftOut::addRemovedNotation(const std::string& kind, size_t paragraph) {
    auto r = std::find_if(removedNotation.begin(), removedNotation.end(), [&](const RemovedNotation& n) { return n.kind == kind; });
    if (r == removedNotation.end()) r = removedNotation.insert(removedNotation.end(), RemovedNotation{kind, {}});
    r->places.add(paragraph);
}

void LeftOut::addRubyKenten(size_t paragraph) { rubyKenten.add(paragraph); }

void LeftOut::addApproximatedKenten(const std::string& kind, bool sesame) {
    for (auto& k : approximatedKenten)
        if (k.kind == kind) {
            ++k.count;
            return;
        }
    approximatedKenten.push_back({kind, sesame, 1});
}

namespace {

std::string ShownAs(const ApproximatedKenten& k) { return k.sesame ? "圏点1（ゴマ）" : "圏点5（黒丸）"; }

std::string FontName(const SymbolFontCharacters& f) { return f.font.empty() ? "名前のない記号フォント" : "記号フォント「" + f.font + "」"; }

std::string StoryPhrase(const OtherStory& s) {
    if (s.rubies > 0) return s.kind + "のルビ " + std::to_string(s.rubies) + " 個所";
    if (s.count > 0) return s.kind + " " + std::to_string(s.count) + " 個";
    return s.kind + "のテキスト";
}

}  // namespace

std::string LeftOutSummary(const LeftOut& leftOut) {
    std::string line;
    if (!leftOut.stories.empty()) {
        for (size_t i = 0; i < leftOut.stories.size(); ++i) line += (i ? "と" : "") + StoryPhrase(leftOut.stories[i]);
        line += "は変換していません。";
    }
    if (!leftOut.formulas.empty()) line += "数式フィールド " + std::to_string(leftOut.formulas.size()) + " 個を文字にしました。";
    if (leftOut.unnumberedParagraphs > 0)
        line += "段落番号・見出し番号 " + std::to_string(leftOut.unnumberedParagraphs) + " 個所は書き出していません。";
    if (leftOut.controls > 0) line += "制御文字 " + std::to_string(leftOut.controls) + " 個を取り除きました。";
    if (leftOut.brokenCharacters > 0)
        line += "壊れた文字 " + std::to_string(leftOut.brokenCharacters) + " 個を「\uFFFD」にしました。";
    if (!leftOut.symbolFonts.empty()) {
        for (size_t i = 0; i < leftOut.symbolFonts.size(); ++i)
            line += (i ? "と" : "") + FontName(leftOut.symbolFonts[i]) + "の文字 " + std::to_string(leftOut.symbolFonts[i].count) + " 個";
        line += "は、InDesign でもそのフォントで表示してください。";
    }
    if (leftOut.layoutRubies > 0)
        line += "割注・縦中横の中のルビ " + std::to_string(leftOut.layoutRubies) + " 個所は親文字だけにしました。";
    if (leftOut.layoutMarks > 0) line += "割注・縦中横の中の圏点 " + std::to_string(leftOut.layoutMarks) + " 個所は付けていません。";
    if (leftOut.notationExplanationRemoved) line += "【テキスト中に現れる記号について】を取り除きました。";
    if (!leftOut.removedNotation.empty()) {
        size_t total = 0;
        std::string kinds;
        for (const auto& r : leftOut.removedNotation) {
            total += r.places.count;
            kinds += (kinds.empty() ? "" : "、") + r.kind + " " + std::to_string(r.places.count);
        }
        line += "記法の注記 " + std::to_string(total) + " 個所（" + kinds + "）を取り除きました。";
    }
    for (size_t i = 0; i < leftOut.approximatedKenten.size(); ++i) {
        const auto& k = leftOut.approximatedKenten[i];
        line += (i ? "、" : "") + k.kind + " " + std::to_string(k.count) + " 個所は" + ShownAs(k);
        if (i + 1 == leftOut.approximatedKenten.size()) line += "で表しました。";
    }
    if (leftOut.rubyKenten.count > 0)
        line += "ルビのある文字の傍点 " + std::to_string(leftOut.rubyKenten.count) + " 個所は、ルビの親文字には付けていません。";
    if (!leftOut.unresolvedGaiji.empty())
        line += "コードのない外字注記 " + std::to_string(leftOut.unresolvedGaiji.size()) + " 個所はそのまま残しました。";
    return line;
}

std::vector<std::pair<std::string, std::optional<size_t>>> LeftOutItems(const LeftOut& leftOut) {
    std::vector<std::pair<std::string, std::optional<size_t>>> items;
    for (const auto& s : leftOut.stories) {
        std::string text = s.kind + "（変換していません）";
        if (s.count > 0) text += ": " + std::to_string(s.count) + " 個";
        if (s.rubies > 0) text += std::string(s.count > 0 ? "、" : ": ") + "ルビ " + std::to_string(s.rubies) + " 個所";
        items.emplace_back(text, std::nullopt);
    }
    for (const auto& f : leftOut.formulas) {
        items.emplace_back(std::to_string(f.paragraph) + " 段落目「…" + ToUtf8(f.context) + "」の後の数式フィールドを「" + ToUtf8(f.text) +
                               "」にしました",
                           f.paragraph);
    }
    if (leftOut.unnumberedParagraphs > 0)
        items.emplace_back("段落番号・見出し番号のある段落 " + std::to_string(leftOut.unnumberedParagraphs) + " 個所（番号は書き出していません）",
                           std::nullopt);
    if (leftOut.controls > 0)
        items.emplace_back("制御文字 " + std::to_string(leftOut.controls) + " 個（取り除きました）", std::nullopt);
    if (leftOut.brokenCharacters > 0)
        items.emplace_back("壊れた文字（対のないサロゲート） " + std::to_string(leftOut.brokenCharacters) + " 個（「\uFFFD」にしました）",
                           std::nullopt);
    for (const auto& f : leftOut.symbolFonts)
        items.emplace_back(FontName(f) + "の文字 " + std::to_string(f.count) + " 個（私用領域の文字のままです。InDesign でもそのフォントを当ててください）",
                           std::nullopt);
    if (leftOut.writtenNumbers > 0)
        items.emplace_back("段落番号・見出し番号 " + std::to_string(leftOut.writtenNumbers) + " 個所（文字にしました）", std::nullopt);
    if (leftOut.footnotesWritten > 0 || leftOut.endnotesWritten > 0) {
        std::string notes;
        if (leftOut.footnotesWritten > 0) notes = "脚注 " + std::to_string(leftOut.footnotesWritten) + " 個";
        if (leftOut.endnotesWritten > 0) notes += (notes.empty() ? "" : "・") + std::string("文末脚注 ") + std::to_string(leftOut.endnotesWritten) + " 個";
        items.emplace_back(notes + "（InDesign の脚注にしました）", std::nullopt);
    }
    if (leftOut.layoutRubies > 0)
        items.emplace_back("割注・縦中横の中のルビ " + std::to_string(leftOut.layoutRubies) + " 個所（親文字だけにしました）", std::nullopt);
    if (leftOut.layoutMarks > 0)
        items.emplace_back("割注・縦中横の中の圏点 " + std::to_string(leftOut.layoutMarks) + " 個所（付けていません）", std::nullopt);
    if (leftOut.notationExplanationRemoved) items.emplace_back("【テキスト中に現れる記号について】（取り除きました）", std::nullopt);
    for (const auto& r : leftOut.removedNotation)
        items.emplace_back("注記「" + r.kind + "」 " + std::to_string(r.places.count) + " 個所（取り除きました。" + r.places.text() + "）",
                           r.places.paragraphs.front());
    for (const auto& k : leftOut.approximatedKenten)
        items.emplace_back("傍点「" + k.kind + "」 " + std::to_string(k.count) + " 個所（" + ShownAs(k) + "で表しました）", std::nullopt);
    if (leftOut.rubyKenten.count > 0)
        items.emplace_back("ルビのある文字の傍点 " + std::to_string(leftOut.rubyKenten.count) + " 個所（ルビの親文字には付けていません。" +
                               leftOut.rubyKenten.text() + "）",
                           leftOut.rubyKenten.paragraphs.front());
    for (const auto& g : leftOut.unresolvedGaiji)
        items.emplace_back(std::to_string(g.paragraph) + " 段落目の外字注記「" + ToUtf8(g.text) + "」（コードがないため、そのまま残しました）",
                           g.paragraph);
    return items;
}

}  // namespace tessaly::wordproc
