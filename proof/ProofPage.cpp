#include "proof/ProofPage.h"

#include "engine/Text.h"
#include "platform/Files.h"

namespace tessaly::proof {
namespace {

constexpr const char* kStyle = R"(
body { font-family: "IPAMincho", "Noto Serif CJK JP", serif; margin: 1.5em; color: #222; background: #fdfdf8; }
header h1 { font-size: 1.2em; margin: 0 0 .5em; }
.report { font-family: "IPAGothic", "Noto Sans CJK JP", sans-serif; font-size: .9em; background: #f3f0e6; padding: .6em 1em; border-radius: 4px; }
.report ul { margin: .3em 0; padding-left: 1.4em; }
.switch { margin: 1em 0 .5em; font-family: sans-serif; font-size: .9em; }
#vertical { margin-right: .4em; }
main { line-height: 2.1; font-size: 1.1em; }
#vertical:checked ~ main, #tate:target ~ main { writing-mode: vertical-rl; height: 80vh; overflow-x: auto; }
#tate:target ~ #vertical:checked ~ main { writing-mode: horizontal-tb; height: auto; overflow-x: visible; }
.switch .to-yoko, #tate:target ~ .switch .to-tate { display: none; }
#tate:target ~ .switch .to-yoko { display: inline; }
main p { margin: 0; text-indent: 0; }
main p:target { background: #fff3b0; }
.converted { text-decoration: underline; text-decoration-color: #8ab4e8; text-decoration-thickness: 2px; text-underline-offset: .25em; text-underline-position: left; }
ruby rt { font-size: .5em; }
.kenten.dot { text-emphasis: filled dot; -webkit-text-emphasis: filled dot; }
.kenten.sesame { text-emphasis: filled sesame; -webkit-text-emphasis: filled sesame; }
.warichu { display: inline-flex; flex-direction: column; font-size: .5em; line-height: 1.15; vertical-align: middle; }
.after-quarter { margin-inline-end: .25em; }
.after-half { margin-inline-end: .5em; }
)";
// Only on a page that has footnotes.
constexpr const char* kFootnoteStyle =
    ".note-ref { font-size: .6em; vertical-align: super; line-height: 0; }\n"
    "aside.note { font-size: .85em; margin: .2em 0 .6em 1.5em; }\n";
// Only on a page that has 縦中横, so that every other page stays as it was.
constexpr const char* kHorizontalInVerticalStyle =
    ".tcy { text-combine-upright: all; -webkit-text-combine: horizontal; }\n";

void AppendHtml(std::string& out, std::u16string_view text) {
    for (size_t i = 0; i < text.size();) {
        size_t units;
        const char32_t c = CodePointAt(text, i, &units);
        i += units;
        if (c == U'\n') out += "<br>";  // a forced line break inside a ruby, kenten or warichu
        else if (c == U'<') out += "&lt;";
        else if (c == U'>') out += "&gt;";
        else if (c == U'&') out += "&amp;";
        else if (c == U'"') out += "&quot;";
        else AppendUtf8CodePoint(out, c);
    }
}

void AppendHtml(std::string& out, const std::string& utf8) { AppendHtml(out, FromUtf8(utf8)); }

std::vector<std::u16string_view> Readings(std::u16string_view reading) {
    std::vector<std::u16string_view> parts;
    size_t from = 0;
    for (size_t i = 0; i <= reading.size(); ++i) {
        if (i == reading.size() || reading[i] == u'\u3000') {
            parts.push_back(reading.substr(from, i - from));
            from = i + 1;
        }
    }
    return parts;
}

void AppendRuby(std::string& out, const Inline& ruby) {
    const auto bases = Characters(ruby.text);
    const auto readings = Readings(ruby.reading);
    out += ruby.group ? "<ruby class=\"group converted\">" : "<ruby class=\"mono converted\">";
    if (!ruby.group && bases.size() == readings.size()) {
        // Mono ruby: one reading over each base character, as InDesign sets it.
        for (size_t i = 0; i < bases.size(); ++i) {
            AppendHtml(out, bases[i]);
            out += "<rt>";
            AppendHtml(out, readings[i]);
            out += "</rt>";
        }
    } else {
        AppendHtml(out, ruby.text);
        out += "<rt>";
        AppendHtml(out, ruby.reading);
        out += "</rt>";
    }
    out += "</ruby>";
}

void AppendWarichu(std::string& out, const Inline& note) {
    // Two lines, the first the longer by at most one character.
    const auto chars = Characters(note.text);
    const size_t firstLine = (chars.size() + 1) / 2;
    out += "<span class=\"warichu converted\"><span class=\"line\">";
    for (size_t i = 0; i < chars.size(); ++i) {
        if (i == firstLine) out += "</span><span class=\"line\">";
        AppendHtml(out, chars[i]);
    }
    out += "</span></span>";
}

void AppendText(std::string& out, const Inline& text) {
    const char* open = nullptr;
    if (text.kenten == Kenten::Dot) open = "<span class=\"kenten dot converted\">";
    else if (text.kenten == Kenten::Sesame) open = "<span class=\"kenten sesame converted\">";
    else if (text.style == u"文字後4分アキ") open = "<span class=\"after-quarter\">";
    else if (text.style == u"文字後半角アキ") open = "<span class=\"after-half\">";
    else if (text.style == u"縦中横") open = "<span class=\"tcy converted\">";
    if (open) out += open;
    AppendHtml(out, text.text);
    if (open) out += "</span>";
}

// The items of a paragraph or a note; a note's reference is its number in
// the text, its own items wait in notes for the end of the paragraph.
void AppendItems(std::string& html, const std::vector<Inline>& items, std::vector<const Inline*>& notes, size_t& noteNumber) {
    for (const auto& item : items) {
        switch (item.kind) {
        case Inline::Kind::Text: AppendText(html, item); break;
        case Inline::Kind::Ruby: AppendRuby(html, item); break;
        case Inline::Kind::Warichu: AppendWarichu(html, item); break;
        case Inline::Kind::LineBreak: html += "<br>"; break;
        case Inline::Kind::Footnote: {
            const std::string n = std::to_string(++noteNumber);
            html += "<sup class=\"note-ref converted\" id=\"r" + n + "\"><a href=\"#n" + n + "\">" + n + "</a></sup>";
            notes.push_back(&item);
            break;
        }
        }
    }
}

}  // namespace

std::string CountsLine(const Counts& c) {
    std::string line = "モノルビ " + std::to_string(c.monoRuns) + "（親文字 " + std::to_string(c.monoBases) + "）、グループルビ " +
                       std::to_string(c.groupRubies) + "、割注 " + std::to_string(c.warichu) + "、圏点 " + std::to_string(c.kentenStretches);
    if (c.horizontalInVertical > 0) line += "、縦中横 " + std::to_string(c.horizontalInVertical);
    if (c.footnotes > 0) line += "、脚注 " + std::to_string(c.footnotes);
    return line;
}

std::string ProofPageHtml(const TaggedText& text, const ProofReport& report) {
    std::string html = "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n<title>";
    AppendHtml(html, report.title);
    html += " — 校正用</title>\n<style>";
    html += kStyle;
    const Counts c = CountConverted(text);
    if (c.horizontalInVertical > 0) html += kHorizontalInVerticalStyle;
    if (c.footnotes > 0) html += kFootnoteStyle;
    // Vertical writing: the check box below, or the page opened as …#tate,
    // where the same box switches back to horizontal writing.
    html += "</style>\n</head>\n<body>\n<span id=\"tate\"></span>\n<header><h1>";
    AppendHtml(html, report.title);
    html += "</h1>\n<section class=\"report\" id=\"report\">\n<p>";
    html += CountsLine(c) + "</p>\n";
    if (report.items.empty()) {
        html += "<p>変換しなかったものはありません。</p>\n";
    } else {
        html += "<ul>\n";
        for (const auto& item : report.items) {
            html += "<li>";
            if (item.paragraph) html += "<a href=\"#p" + std::to_string(*item.paragraph) + "\">";
            AppendHtml(html, item.text);
            if (item.paragraph) html += "</a>";
            html += "</li>\n";
        }
        html += "</ul>\n";
    }
    html += "</section>\n</header>\n";
    html += "<input type=\"checkbox\" id=\"vertical\"><label class=\"switch\" for=\"vertical\"><span class=\"to-tate\">縦組みで表示する</span>"
            "<span class=\"to-yoko\">横組みで表示する</span></label>\n<main>\n";
    size_t number = 0, noteNumber = 0;
    std::vector<const Inline*> notes;
    for (const auto& p : text.paragraphs) {
        html += "<p id=\"p" + std::to_string(++number) + "\">";
        notes.clear();
        const size_t firstNote = noteNumber + 1;
        AppendItems(html, p.items, notes, noteNumber);
        if (p.items.empty()) html += "<br>";
        html += "</p>\n";
        // The paragraph's notes after it, each with its number.
        for (size_t k = 0; k < notes.size(); ++k) {
            const std::string n = std::to_string(firstNote + k);
            html += "<aside class=\"note\" id=\"n" + n + "\"><a href=\"#r" + n + "\">" + n + "</a> ";
            std::vector<const Inline*> none;
            size_t unused = 0;
            AppendItems(html, notes[k]->note, none, unused);
            html += "</aside>\n";
        }
    }
    html += "</main>\n</body>\n</html>\n";
    return html;
}

void WriteProofPage(const std::filesystem::path& file, const TaggedText& text, const ProofReport& report) {
    platform::WriteFileAtomically(file, ProofPageHtml(text, report));
}

}  // namespace tessaly::proof
