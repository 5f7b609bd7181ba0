#include "wordproc/AozoraAnnotation.h"

#include "engine/Text.h"
#include "wordproc/JapaneseEncodings.h"

namespace tessaly::wordproc {
namespace {

struct EmphasisKind {
    std::u16string_view name;
    int mark;  // 2: sesame (圏点1), 1: solid circle (圏点5)
    bool approximated;
};

// The kinds of emphasis dots the manual names; those InDesign's two kenten
// styles do not show come to the nearer of them.
constexpr EmphasisKind kEmphasisKinds[] = {
    {u"白ゴマ傍点", 2, true}, {u"白丸傍点", 1, true},   {u"黒三角傍点", 1, true}, {u"白三角傍点", 1, true},
    {u"二重丸傍点", 1, true}, {u"蛇の目傍点", 1, true}, {u"ばつ傍点", 2, true},   {u"丸傍点", 1, false},
    {u"傍点", 2, false},
};

const EmphasisKind* EmphasisNamed(std::u16string_view name) {
    for (const auto& k : kEmphasisKinds)
        if (k.name == name) return &k;
    return nullptr;
}

// Where the 「 at from is closed, nested quotes counted; npos when it is not.
size_t QuoteEnd(std::u16string_view text, size_t from) {
    int depth = 0;
    for (size_t i = from; i < text.size(); ++i) {
        if (text[i] == u'「') ++depth;
        else if (text[i] == u'」' && --depth == 0) return i;
    }
    return std::u16string_view::npos;
}

bool Contains(std::u16string_view text, std::u16string_view part) { return text.find(part) != std::u16string_view::npos; }

// The kind of an annotation that no text carries, by the words it is made of.
std::string LabelOf(std::u16string_view text) {
    static constexpr std::pair<std::u16string_view, const char*> kKinds[] = {
        {u"底本では", "底本との違い"}, {u"ママ", "ママ"},       {u"改ページ", "改ページ"}, {u"改丁", "改丁"},
        {u"改段", "改段"},            {u"改見開き", "改見開き"}, {u"見出し", "見出し"},     {u"地付き", "地付き"},
        {u"地から", "地寄せ"},        {u"地寄せ", "地寄せ"},    {u"字下げ", "字下げ"},     {u"字上げ", "字上げ"},
        {u"字詰め", "字詰め"},        {u"左に", "左側の注記"},  {u"傍線", "傍線"},         {u"鎖線", "傍線"},
        {u"破線", "傍線"},            {u"波線", "傍線"},        {u"太字", "太字"},         {u"斜体", "斜体"},
        {u"罫囲み", "罫囲み"},        {u"横組み", "横組み"},    {u"小書き", "小書き"},     {u"上付き", "小書き"},
        {u"下付き", "小書き"},        {u"挿絵", "挿絵"},        {u"画像", "挿絵"},         {u"ページの左右中央", "左右中央"},
        {u"注記", "注記"},            {u"ルビ", "ルビの注記"},
    };
    // Quoted text is what the annotation is about, not its kind.
    std::u16string words;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'「') {
            const size_t end = QuoteEnd(text, i);
            if (end == std::u16string_view::npos) break;
            i = end;
            continue;
        }
        words += text[i];
    }
    for (const auto& [part, label] : kKinds)
        if (Contains(words, part)) return label;
    // Kanbun reading marks: 返り点 (一, 二, レ…) and 訓点送り仮名 in parentheses.
    if (!words.empty() && words.find_first_not_of(u"一二三四上中下甲乙丙丁天地人レ") == std::u16string::npos) return "返り点";
    if (words.starts_with(u"（") && words.ends_with(u"）")) return "訓点送り仮名";
    return "その他の注記";
}

// A number in half-width or full-width digits at i; moves i past it.
std::optional<int> NumberAt(std::u16string_view text, size_t& i) {
    int n = 0;
    size_t digits = 0;
    for (; i < text.size() && digits < 4; ++i, ++digits) {
        const char16_t c = text[i];
        const int d = c >= u'0' && c <= u'9' ? c - u'0' : c >= u'０' && c <= u'９' ? c - u'０' : -1;
        if (d < 0) break;
        n = n * 10 + d;
    }
    if (digits == 0) return std::nullopt;
    return n;
}

bool IsDash(char16_t c) { return c == u'-' || c == u'－'; }

bool IsDigit(char16_t c) { return (c >= u'0' && c <= u'9') || (c >= u'０' && c <= u'９'); }

// The first plane-row-cell (1-87-5) of a text.
std::optional<std::u16string> ByPlaneRowCell(std::u16string_view text) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (!IsDigit(text[i]) || (i > 0 && IsDigit(text[i - 1]))) continue;
        size_t k = i;
        const auto plane = NumberAt(text, k);
        if (!plane || k >= text.size() || !IsDash(text[k])) continue;
        ++k;
        const auto row = NumberAt(text, k);
        if (!row || k >= text.size() || !IsDash(text[k])) continue;
        ++k;
        const auto cell = NumberAt(text, k);
        if (!cell) continue;
        const std::u16string c = JisX0213Character(*plane, *row, *cell);
        if (!c.empty()) return c;
    }
    return std::nullopt;
}

std::optional<std::u16string> ByCodePoint(std::u16string_view text) {
    const size_t at = text.find(u"U+");
    if (at == std::u16string_view::npos) return std::nullopt;
    char32_t cp = 0;
    size_t digits = 0;
    for (size_t i = at + 2; i < text.size() && digits < 6; ++i, ++digits) {
        const char16_t c = text[i];
        const int d = c >= u'0' && c <= u'9' ? c - u'0' : c >= u'A' && c <= u'F' ? c - u'A' + 10 : c >= u'a' && c <= u'f' ? c - u'a' + 10 : -1;
        if (d < 0) break;
        cp = cp * 16 + char32_t(d);
    }
    if (digits < 4 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF) || cp < 0x20) return std::nullopt;
    std::u16string s;
    AppendCodePoint(s, cp);
    return s;
}

}  // namespace

Annotation ClassifyAnnotation(std::u16string_view text) {
    Annotation a;
    if (text.starts_with(u"ルビは「")) {
        const size_t end = QuoteEnd(text, 3);
        if (end != std::u16string_view::npos && text.substr(end + 1) == u"にかかる") {
            a.effect = AnnotationEffect::RubyBase;
            a.form = AnnotationForm::Forward;
            a.target = std::u16string(text.substr(4, end - 4));
            return a;
        }
    }
    std::u16string_view kind = text;
    if (text.starts_with(u"「")) {
        const size_t end = QuoteEnd(text, 0);
        if (end != std::u16string_view::npos && end > 1) {
            const std::u16string_view rest = text.substr(end + 1);
            a.target = std::u16string(text.substr(1, end - 1));
            a.form = AnnotationForm::Forward;
            if (rest == u"は縦中横") {
                a.effect = AnnotationEffect::HorizontalInVertical;
                return a;
            }
            if (rest.starts_with(u"に")) kind = rest.substr(1);
            else kind = {};
        }
    } else if (text.ends_with(u"終わり")) {
        a.form = AnnotationForm::RangeEnd;
        kind = text.substr(0, text.size() - 3);
    } else {
        a.form = AnnotationForm::RangeStart;
    }
    if (a.form != AnnotationForm::Forward && (kind == u"縦中横" || kind == u"割り注")) {
        a.effect = kind == u"縦中横" ? AnnotationEffect::HorizontalInVertical : AnnotationEffect::Warichu;
        return a;
    }
    if (const EmphasisKind* e = EmphasisNamed(kind)) {
        a.effect = AnnotationEffect::Emphasis;
        a.kind = std::u16string(e->name);
        a.mark = e->mark;
        a.approximated = e->approximated;
        return a;
    }
    a.effect = AnnotationEffect::Other;
    a.form = AnnotationForm::Standalone;
    a.target.clear();
    a.label = LabelOf(text);
    return a;
}

std::optional<Gaiji> ResolveGaiji(std::u16string_view text) {
    std::optional<std::u16string> c = ByPlaneRowCell(text);
    if (!c) c = ByCodePoint(text);
    if (!c) return std::nullopt;
    return Gaiji{*c, text.starts_with(u"「")};
}

}  // namespace tessaly::wordproc
