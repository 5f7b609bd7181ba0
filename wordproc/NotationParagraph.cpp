#include "wordproc/NotationParagraph.h"

#include <algorithm>

#include "engine/SourceDocument.h"
#include "engine/Text.h"
#include "wordproc/NotationTokens.h"

namespace tessaly::wordproc {

using namespace notation;

namespace {

bool IsCell(const Cell& c, char32_t code) { return !IsField(c) && c.code == code; }

// The kinds of character a base without a bar is a run of.
enum class Script { None, Kanji, Hiragana, Katakana, FullAlphanumeric, HalfAlphanumeric };

Script ScriptOf(const Tok& t) {
    if (t.kanji) return Script::Kanji;
    if (!Plain(t)) return Script::None;
    const char32_t c = t.cell.code;
    if (IsNotationKanji(c)) return Script::Kanji;
    if ((c >= 0x3041 && c <= 0x3096) || c == 0x309D || c == 0x309E) return Script::Hiragana;
    if ((c >= 0x30A1 && c <= 0x30FA) || (c >= 0x30FC && c <= 0x30FE)) return Script::Katakana;
    if ((c >= 0xFF10 && c <= 0xFF19) || (c >= 0xFF21 && c <= 0xFF3A) || (c >= 0xFF41 && c <= 0xFF5A) || (c >= 0x0391 && c <= 0x03C9) ||
        (c >= 0x0401 && c <= 0x045F))
        return Script::FullAlphanumeric;
    if ((c >= U'0' && c <= U'9') || (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z')) return Script::HalfAlphanumeric;
    return Script::None;
}

// なろう's readings are kana, and its bases without a bar kanji alone.
bool IsNarouKana(char32_t c) {
    return (c >= 0x3041 && c <= 0x3096) || (c >= 0x30A1 && c <= 0x30FA) || (c >= 0x30FC && c <= 0x30FE) || c == 0x309D || c == 0x309E;
}
bool IsNarouKanji(char32_t c) {
    return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x20000 && c <= 0x2EBEF) || (c >= 0xF900 && c <= 0xFAFF);
}
constexpr size_t kNarouBase = 10, kNarouReading = 20;

// Where the annotation whose ［ is at open ends (its ］), brackets nested and
// quoted text passed over; npos when the paragraph does not close it.
size_t AnnotationEnd(const std::vector<Cell>& in, size_t open, size_t& budget) {
    int depth = 0, quotes = 0;
    for (size_t k = open; k < in.size() && k - open < kMaxNotationLength && budget > 0; ++k, --budget) {
        if (IsField(in[k])) continue;
        const char32_t c = in[k].code;
        if (c == U'「') ++quotes;
        else if (c == U'」' && quotes > 0) --quotes;
        else if (quotes == 0 && c == U'［') ++depth;
        else if (quotes == 0 && c == U'］' && --depth == 0) return k;
    }
    return kNpos;
}

std::u16string CellsText(const std::vector<Cell>& in, size_t from, size_t to, const Story* story) {
    std::u16string text;
    for (size_t k = from; k < to; ++k) {
        if (IsField(in[k])) {
            if (story) text += story->fieldText(in[k]);
        } else {
            AppendCodePoint(text, in[k].code);
        }
    }
    return text;
}

bool StartsWith(const std::vector<Cell>& in, size_t at, std::u16string_view text) {
    size_t k = at;
    for (size_t i = 0; i < text.size(); ++i, ++k)
        if (k >= in.size() || !IsCell(in[k], text[i])) return false;
    return true;
}

// The first position from at, and before limit, that holds the character,
// with no field before it; npos when there is none.
size_t FindCell(const std::vector<Cell>& in, size_t at, char32_t c, size_t limit, size_t& budget) {
    for (size_t k = at; k < in.size() && k < limit && budget > 0; ++k, --budget) {
        if (IsField(in[k]) || IsNoteMark(in[k])) return kNpos;
        if (in[k].code == c) return k;
    }
    return kNpos;
}

std::u16string_view Trimmed(std::u16string_view s) {
    while (!s.empty() && (s.front() == u' ' || s.front() == u'　')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == u' ' || s.back() == u'　')) s.remove_suffix(1);
    return s;
}

// A reading's parts between its bars (| or ｜).
std::vector<std::u16string> Parts(std::u16string_view reading) {
    std::vector<std::u16string> parts(1);
    for (char16_t c : reading) {
        if (c == u'|' || c == u'｜') parts.emplace_back();
        else parts.back() += c;
    }
    return parts;
}

// A token that is just a cell of the story.
ParagraphRewriter::Tok CellTok(const Cell& cell) {
    ParagraphRewriter::Tok t;
    t.cell = cell;
    return t;
}

}  // namespace

bool MayHoldNotation(const Story& story, size_t from, size_t to, const NotationOptions& options) {
    for (size_t k = from; k < to; ++k) {
        const Cell& c = story[k];
        if (IsField(c)) continue;
        switch (c.code) {
        case U'《': case U'［': case U'[': case U'{': return true;
        case U'(': case U'（':
            if (options.narou) return true;
            break;
        default: break;
        }
    }
    return false;
}

std::vector<Cell> ParagraphRewriter::rewrite(const std::vector<Cell>& in, size_t paragraph, NotationCount& count) {
    m_paragraph = paragraph;
    m_budget = kSearchBudget * (in.size() + kMaxNotationLength);
    m_annotations.clear();
    m_stubTexts.clear();
    // Each pass's input freed as soon as the next has read it.
    std::vector<Tok> toks = scan(in, count);
    toks = rubyPass(toks, count);
    toks = annotationPass(toks, count);
    return emphasisPass(toks, count);
}

Tok ParagraphRewriter::field(std::u16string_view reading, std::u16string_view base, uint8_t emphasis) {
    Tok t;
    t.cell.emphasis = emphasis;
    if (m_target) {
        t.cell.code = m_target->addRuby(reading, base);
    } else {
        t.stub = static_cast<int>(m_stubTexts.size());
        m_stubTexts.emplace_back(base);
    }
    return t;
}

std::u16string ParagraphRewriter::textOf(const std::vector<Tok>& toks, size_t from, size_t to) const {
    std::u16string text;
    for (size_t k = from; k < to; ++k) {
        const Tok& t = toks[k];
        if (t.stub >= 0) text += m_stubTexts[size_t(t.stub)];
        if (t.annotation >= 0 || t.stub >= 0 || IsNoteMark(t.cell)) continue;
        if (!IsField(t.cell)) {
            AppendCodePoint(text, t.cell.code);
            continue;
        }
        // A ruby gives its base; any other field its text.
        const std::u16string_view whole = m_story.fieldText(t.cell);
        size_t units = 0;
        if (const auto reading = m_story.fieldReadingLength(t.cell))
            for (int32_t n = 0; n < *reading && units < whole.size(); ++n) units += CodePointAt(whole, units) >= 0x10000 ? 2 : 1;
        text += whole.substr(units);
    }
    return text;
}

void ParagraphRewriter::removed(const std::string& kind, NotationCount& count) {
    ++count.removed;
    if (m_target && m_leftOut) m_leftOut->addRemovedNotation(kind, m_paragraph);
}

// Annotations and 外字 taken apart from the text; pixiv's commands too.
std::vector<Tok> ParagraphRewriter::scan(const std::vector<Cell>& in, NotationCount& count) {
    std::vector<Tok> out;
    out.reserve(in.size());
    for (size_t i = 0; i < in.size(); ++i) {
        const Cell& c = in[i];
        if (!IsField(c)) {
            if (c.code == U'※' && gaiji(in, i, out, count)) continue;
            if (c.code == U'［' && i + 1 < in.size() && IsCell(in[i + 1], U'＃')) {
                if (const size_t end = AnnotationEnd(in, i, m_budget); end != kNpos) {
                    m_annotations.push_back(CellsText(in, i + 2, end, &m_story));
                    Tok t;
                    t.annotation = static_cast<int>(m_annotations.size() - 1);
                    out.push_back(t);
                    i = end;
                    continue;
                }
            }
            if (c.code == U'[' && pixiv(in, i, out, count)) continue;
        }
        out.push_back(CellTok(c));
    }
    return out;
}

bool ParagraphRewriter::gaiji(const std::vector<Cell>& in, size_t& i, std::vector<Tok>& out, NotationCount& count) {
    if (!StartsWith(in, i, u"※［＃")) return false;
    const size_t end = AnnotationEnd(in, i + 1, m_budget);
    if (end == kNpos) return false;
    const std::u16string text = CellsText(in, i + 3, end, &m_story);
    ++count.gaiji;
    if (const auto g = ResolveGaiji(text)) {
        ForEachCodePoint(g->character, [&](char32_t cp) {
            Tok t;
            t.cell = Cell{cp, in[i].emphasis};
            t.literal = true;
            t.kanji = g->kanji;
            out.push_back(t);
        });
    } else {
        // No code: the annotation stands as it is written, and is said.
        for (size_t k = i; k <= end; ++k) {
            Tok t;
            t.cell = in[k];
            t.literal = true;
            out.push_back(t);
        }
        if (m_target && m_leftOut) m_leftOut->unresolvedGaiji.push_back({u"※［＃" + text + u"］", m_paragraph});
    }
    i = end;
    return true;
}

bool ParagraphRewriter::pixiv(const std::vector<Cell>& in, size_t& i, std::vector<Tok>& out, NotationCount& count) {
    if (StartsWith(in, i, u"[newpage]")) {
        i += 8;
        removed("改ページ（pixiv）", count);
        return true;
    }
    for (const std::u16string_view command : {u"[jump:", u"[chapter:"}) {
        if (!StartsWith(in, i, command)) continue;
        const size_t end = FindCell(in, i + command.size(), U']', i + kMaxNotationLength, m_budget);
        if (end == kNpos) return false;
        // A chapter's title stays as the paragraph's text.
        if (command == u"[chapter:")
            for (size_t k = i + command.size(); k < end; ++k) out.push_back(CellTok(in[k]));
        removed(command == u"[jump:" ? "ジャンプ（pixiv）" : "章見出し（pixiv）", count);
        i = end;
        return true;
    }
    if (!StartsWith(in, i, u"[[rb:")) return false;
    size_t end = i + 5;
    while ((end = FindCell(in, end, U']', i + kMaxNotationLength, m_budget)) != kNpos && !(end + 1 < in.size() && IsCell(in[end + 1], U']')))
        ++end;
    if (end == kNpos) return false;
    const std::u16string content = CellsText(in, i + 5, end, nullptr);
    const size_t gt = content.find(u'>');
    if (gt == std::u16string::npos) return false;
    const std::u16string_view base = Trimmed(std::u16string_view(content).substr(0, gt));
    const std::u16string_view reading = Trimmed(std::u16string_view(content).substr(gt + 1));
    if (base.empty() || reading.empty()) return false;
    out.push_back(field(reading, base, in[i + 5].emphasis));
    ++count.rubies;
    i = end + 1;
    return true;
}

std::vector<Tok> ParagraphRewriter::rubyPass(const std::vector<Tok>& in, NotationCount& count) {
    std::vector<Tok> out;
    out.reserve(in.size());
    for (size_t i = 0; i < in.size(); ++i) {
        const Tok& t = in[i];
        if (!Plain(t)) {
            out.push_back(t);
            continue;
        }
        const char32_t c = t.cell.code;
        if (IsBar(c)) {
            i = barRuby(in, i, out, count);
        } else if (c == kOpen && i + 1 < in.size() && Is(in[i + 1], kOpen)) {
            out.push_back(t);  // 《《: emphasis, for the last pass
            out.push_back(in[i + 1]);
            ++i;
        } else if (c == kOpen) {
            i = scriptRuby(in, i, out, count);
        } else if (c == U'{') {
            i = dendenRuby(in, i, out, count);
        } else if (m_options.narou && (c == U'(' || c == U'（')) {
            i = narouRuby(in, i, out, count);
        } else {
            out.push_back(t);
        }
    }
    return out;
}

namespace {

// The end of a reading that starts at from: the first 》 with only
// characters other than 《 before it (no field); npos when there is none.
size_t ReadingEnd(const std::vector<Tok>& in, size_t from) {
    for (size_t k = from; k < in.size(); ++k) {
        if (Opaque(in[k]) || Is(in[k], kOpen)) return kNpos;
        if (Is(in[k], kClose)) return k;
    }
    return kNpos;
}

// The closing parenthesis of a なろう reading of kana at open: npos when the
// reading is not one.
size_t NarouReadingEnd(const std::vector<Tok>& in, size_t open) {
    const char32_t close = in[open].cell.code == U'(' ? U')' : U'）';
    for (size_t k = open + 1; k < in.size() && k <= open + kNarouReading + 1; ++k) {
        if (Is(in[k], close)) return k > open + 1 ? k : kNpos;
        if (!Plain(in[k]) || !IsNarouKana(in[k].cell.code)) return kNpos;
    }
    return kNpos;
}

bool IsParen(const Tok& t) { return Is(t, U'(') || Is(t, U'（'); }

}  // namespace

void ParagraphRewriter::appendRubies(const std::vector<Tok>& base, std::u16string reading, std::vector<Tok>& out,
                                     NotationCount& count) {
    std::u16string baseText;
    for (const Tok& t : base) AppendCodePoint(baseText, t.cell.code);
    const std::vector<std::u16string> parts = Parts(reading);
    if (parts.size() > 1) {
        const auto chars = Characters(baseText);
        const bool each = chars.size() == parts.size() && std::none_of(parts.begin(), parts.end(), [](const auto& p) { return p.empty(); });
        if (each) {
            // One ruby a base character, each over its own cells' emphasis.
            size_t cell = 0;
            for (size_t k = 0; k < chars.size(); ++k) {
                out.push_back(field(parts[k], chars[k], base[cell].cell.emphasis));
                cell += CodePointCount(chars[k]);
                ++count.rubies;
            }
            return;
        }
        reading.clear();
        for (const auto& p : parts) reading += p;
    }
    out.push_back(field(reading, baseText, base.front().cell.emphasis));
    ++count.rubies;
}

// At a bar (in[i]): |《 is a literal 《 (and, with なろう's form, |( a literal
// parenthesis); |base《reading》 a ruby whose base runs to the next 《 and
// holds no field; annotations between stay out of the base. Returns the
// last index taken.
size_t ParagraphRewriter::barRuby(const std::vector<Tok>& in, size_t i, std::vector<Tok>& out, NotationCount& count) {
    if (i + 1 < in.size() && (Is(in[i + 1], kOpen) || (m_options.narou && IsParen(in[i + 1])))) {
        Tok literal = in[i + 1];
        literal.literal = true;
        out.push_back(literal);
        m_changed = true;
        return i + 1;
    }
    size_t open = i + 1;
    bool blocked = false;
    std::vector<Tok> base, annotations;
    for (; open < in.size() && !Is(in[open], kOpen) && !(m_options.narou && IsParen(in[open])); ++open) {
        if (in[open].annotation >= 0) annotations.push_back(in[open]);
        else if (Opaque(in[open])) blocked = true;
        else base.push_back(in[open]);
    }
    if (open == in.size()) {
        out.push_back(in[i]);
        return i;
    }
    const bool narou = !Is(in[open], kOpen);
    const size_t close = narou ? NarouReadingEnd(in, open) : ReadingEnd(in, open + 1);
    if (!blocked && !base.empty() && close != kNpos && close > open + 1 && (!narou || base.size() <= kNarouBase)) {
        appendRubies(base, textOf(in, open + 1, close), out, count);
        out.insert(out.end(), annotations.begin(), annotations.end());
        return close;
    }
    // Not complete: all of it stays text, its 《 opening nothing else.
    const size_t end = close != kNpos ? close : open;
    for (size_t k = i; k <= end; ++k) {
        Tok t = in[k];
        if (Is(t, kOpen)) t.literal = true;
        out.push_back(t);
    }
    return end;
}

// At a 《 (in[i]) without a bar: base《reading》 where the base is the run of
// one kind of character just before, already in out, or the text a
// ［＃ルビは「X」にかかる］ right after the reading names. Annotations between
// the base and 《 stay out of it. Returns the last index taken.
size_t ParagraphRewriter::scriptRuby(const std::vector<Tok>& in, size_t i, std::vector<Tok>& out, NotationCount& count) {
    const size_t close = ReadingEnd(in, i + 1);
    size_t end = out.size();
    while (end > 0 && out[end - 1].annotation >= 0) --end;
    size_t from = end;
    bool named = false;
    if (close != kNpos && close + 1 < in.size() && in[close + 1].annotation >= 0) {
        const Annotation a = ClassifyAnnotation(m_annotations[size_t(in[close + 1].annotation)]);
        if (a.effect == AnnotationEffect::RubyBase) {
            // The base named: the last characters before 《, when they are it.
            std::u16string tail;
            size_t k = end;
            while (k > 0 && Plain(out[k - 1]) && tail.size() < a.target.size()) {
                --k;
                std::u16string one;
                AppendCodePoint(one, out[k].cell.code);
                tail.insert(0, one);
            }
            if (tail == a.target && !tail.empty()) from = k, named = true;
        }
    }
    if (!named && end > 0) {
        size_t last = end;
        while (last > 0 && IsVariationSelector(out[last - 1].cell.code) && Plain(out[last - 1])) --last;
        const Script script = last > 0 ? ScriptOf(out[last - 1]) : Script::None;
        if (script != Script::None) {
            from = last;
            while (from > 0 && (ScriptOf(out[from - 1]) == script || (IsVariationSelector(out[from - 1].cell.code) && Plain(out[from - 1]))))
                --from;
            while (from < end && IsVariationSelector(out[from].cell.code)) ++from;  // a selector needs its character
        }
    }
    if (from == end || close == kNpos || close == i + 1) {
        out.push_back(in[i]);
        return i;
    }
    const std::vector<Tok> base(out.begin() + long(from), out.begin() + long(end));
    const std::vector<Tok> annotations(out.begin() + long(end), out.end());
    out.resize(from);
    appendRubies(base, textOf(in, i + 1, close), out, count);
    out.insert(out.end(), annotations.begin(), annotations.end());
    return named ? close + 1 : close;
}

// At a { (in[i]): でんでん's {base|reading} (group ruby) or {base|r1|r2…} (a
// reading a base character).
size_t ParagraphRewriter::dendenRuby(const std::vector<Tok>& in, size_t i, std::vector<Tok>& out, NotationCount& count) {
    size_t bar = kNpos, close = kNpos;
    for (size_t k = i + 1; k < in.size(); ++k) {
        if (!Plain(in[k]) || in[k].cell.code == U'{') break;
        if (in[k].cell.code == U'|' && bar == kNpos) bar = k;
        if (in[k].cell.code == U'}') {
            close = k;
            break;
        }
    }
    if (bar == kNpos || close == kNpos || bar == i + 1 || bar + 1 == close) {
        out.push_back(in[i]);
        return i;
    }
    const std::u16string reading = textOf(in, bar + 1, close);
    const std::vector<std::u16string> parts = Parts(reading);
    if (std::any_of(parts.begin(), parts.end(), [](const auto& p) { return p.empty(); })) {
        out.push_back(in[i]);
        return i;
    }
    appendRubies(std::vector<Tok>(in.begin() + long(i) + 1, in.begin() + long(bar)), reading, out, count);
    return close;
}

// At a parenthesis (in[i]) of なろう's form: the run of kanji just before,
// at most ten, and a reading of kana, at most twenty.
size_t ParagraphRewriter::narouRuby(const std::vector<Tok>& in, size_t i, std::vector<Tok>& out, NotationCount& count) {
    const size_t close = NarouReadingEnd(in, i);
    size_t from = out.size();
    while (from > 0 && Plain(out[from - 1]) && IsNarouKanji(out[from - 1].cell.code)) --from;
    if (close == kNpos || from == out.size() || out.size() - from > kNarouBase) {
        out.push_back(in[i]);
        return i;
    }
    const std::vector<Tok> base(out.begin() + long(from), out.end());
    out.resize(from);
    appendRubies(base, textOf(in, i + 1, close), out, count);
    return close;
}

}  // namespace tessaly::wordproc
