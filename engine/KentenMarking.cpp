#include "engine/Escaping.h"

namespace tessaly {
namespace {

struct KentenPass {
    int emphasisMark;
    std::u16string_view openingTag;
};

constexpr KentenPass kPassA{EmphasisOverSolidCircle, u"<CharStyle:圏点5>"};
constexpr KentenPass kPassB{EmphasisOverComma, u"<CharStyle:圏点1>"};

void RunKentenPass(SourceDocument& word, const KentenPass& pass, RunState& state, EngineHost& host) {
    Find& find = word.Selection().Find();
    find.ClearFormatting();
    find.SetFontEmphasisMark(pass.emphasisMark);
    word.Selection().HomeKey(Unit::Story);
    while (find.ExecuteFormatSearch()) {
        const std::u16string stretch = word.Selection().Text();
        if (stretch.find(kFieldMark) == std::u16string::npos) {
            ++state.ConvertedCount;
            host.ShowConvertedCount(state.ConvertedCount);
            std::u16string typed(pass.openingTag);
            typed += stretch;
            typed += u"<CharStyle:>";
            word.Selection().TypeText(typed);
        }
        word.Selection().MoveRight(Unit::Character);
    }
}

}  // namespace

std::u16string KentenScaleText(int16_t kentenRatio) {
    static constexpr std::u16string_view kScales[] = {u"0.5",  u"0.55", u"0.6", u"0.65", u"0.7",
                                                      u"0.75", u"0.8",  u"0.85", u"0.9", u"0.95"};
    if (kentenRatio >= 0 && kentenRatio <= 9) return std::u16string(kScales[kentenRatio]);
    return u"1.0";
}

std::u16string MarkKenten(SourceDocument& word, const ConversionOptions& options, RunState& state,
                          EngineHost& host) {
    if (options.ConvertBouten != kOn) return {};
    std::u16string scale = KentenScaleText(options.KentenRatio);

    word.Selection().EndKey(Unit::Story);
    word.Selection().SetFontEmphasisMark(EmphasisNone);
    word.Selection().HomeKey(Unit::Story);

    switch (options.KentenKind) {
    case kKentenBoth:
        RunKentenPass(word, kPassA, state, host);
        RunKentenPass(word, kPassB, state, host);
        break;
    case kKentenDot: RunKentenPass(word, kPassA, state, host); break;
    case kKentenSesame: RunKentenPass(word, kPassB, state, host); break;
    default: break;
    }
    return scale;
}

}  // namespace tessaly
