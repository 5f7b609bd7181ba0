#include "engine/ReadingNormalisation.h"

#include <utility>

namespace tessaly {
namespace {

struct KnownReading {
    std::u16string_view reading;
    std::u16string_view base;
};

// Field text = reading + base; the split before the first character that is
// not kana would cut these in the wrong place.
constexpr KnownReading kKnownReadings[] = {
    {u"が", u"ケ"},         {u"け", u"ケ"},         {u"こ", u"ケ"},         {u"ん", u"ッ"},
    {u"ん", u"ツ"},         {u"ん", u"っ"},         {u"ん", u"つ"},         {u"っ", u"つ"},
    {u"っ", u"っ"},         {u"っ", u"ツ"},         {u"っ", u"ッ"},         {u"つ", u"つ"},
    {u"つ", u"っ"},         {u"つ", u"ツ"},         {u"つ", u"ッ"},         {u"か", u"か"},
    {u"か", u"カ"},         {u"か", u"ケ"},         {u"かしょ", u"か所"},   {u"かしょ", u"カ所"},
    {u"かしょ", u"ケ所"},   {u"かこく", u"か国"},   {u"かこく", u"カ国"},   {u"かこく", u"ケ国"},
    {u"かじょう", u"か条"}, {u"かじょう", u"カ条"}, {u"かじょう", u"ケ条"}, {u"かねん", u"か年"},
    {u"かねん", u"カ年"},   {u"かねん", u"ケ年"},   {u"かげつ", u"か月"},   {u"かげつ", u"カ月"},
    {u"かげつ", u"ケ月"},
};

constexpr std::pair<char16_t, char16_t> kSmallToLarge[] = {
    {u'ぁ', u'あ'}, {u'ぃ', u'い'}, {u'ぅ', u'う'}, {u'ぇ', u'え'}, {u'ぉ', u'お'}, {u'ゃ', u'や'},
    {u'ゅ', u'ゆ'}, {u'ょ', u'よ'}, {u'ゎ', u'わ'}, {u'っ', u'つ'}, {u'ァ', u'ア'}, {u'ィ', u'イ'},
    {u'ゥ', u'ウ'}, {u'ェ', u'エ'}, {u'ォ', u'オ'}, {u'ャ', u'ヤ'}, {u'ュ', u'ユ'}, {u'ョ', u'ヨ'},
    {u'ヮ', u'ワ'}, {u'ッ', u'ツ'}, {u'ヵ', u'カ'}, {u'ヶ', u'ケ'},
};

}  // namespace

void RewriteKnownReading(std::u16string& fieldText, std::u16string_view rubySeparator) {
    const std::u16string_view text(fieldText);
    for (const auto& known : kKnownReadings) {
        if (text.size() == known.reading.size() + known.base.size() && text.starts_with(known.reading) &&
            text.ends_with(known.base)) {
            fieldText.insert(known.reading.size(), rubySeparator);
            return;
        }
    }
}

char16_t ToLargeKana(char16_t c) {
    for (auto [small, large] : kSmallToLarge)
        if (c == small) return large;
    return c;
}

std::u16string NormaliseReading(std::u16string_view reading, const ConversionOptions& options) {
    std::u16string out;
    AppendNormalisedReading(out, reading, options);
    return out;
}

void AppendNormalisedReading(std::u16string& out, std::u16string_view reading, const ConversionOptions& options) {
    out.reserve(out.size() + reading.size());
    for (char16_t c : reading) {
        if (options.RubyStyle == kGroupRuby && c == u'\u3000') continue;
        if (options.KanaKind == kKatakana && c >= 0x3041 && c <= 0x3096) c = char16_t(c + 0x60);
        if (options.SmallKanaToFullSize == kOn && c != u'\u3000') c = ToLargeKana(c);
        out.push_back(c);
    }
}

}  // namespace tessaly
