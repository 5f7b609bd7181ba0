#include "wordproc/LeftOut.h"

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

namespace {

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
    return items;
}

}  // namespace tessaly::wordproc
