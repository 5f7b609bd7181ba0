#include "engine/ConversionOptions.h"

#include <array>

namespace tessaly {
namespace {

constexpr std::u16string_view kRubyStyles[] = {u"モノルビ", u"グループルビ"};
constexpr std::u16string_view kKanaKinds[] = {u"ひらがな", u"カタカナ"};
constexpr std::u16string_view kTagHeaders[] = {u"デフォルト", u"カスタム"};
constexpr std::u16string_view kRubySeparators[] = {u"△", u"▲", u"▽", u"▼"};
constexpr std::u16string_view kWarichuSeparators[] = {u"☆", u"★", u"◇", u"◆"};
constexpr std::u16string_view kWarichuSurrounds[] = {
    u"なし",     u"4分アキ",  u"半角アキ", u"（　）", u"〔　〕",
    u"［　］", u"【　】", u"〈　〉", u"《　》", u"｛　｝"};
constexpr std::u16string_view kKentenKinds[] = {u" ・ 、（両方）", u" ・ （黒丸小）", u" 、 （ゴマ）"};
constexpr std::u16string_view kKentenRatios[] = {u"50％", u"55％", u"60％", u"65％",
                                                  u"70％", u"75％", u"80％", u"85％",
                                                  u"90％", u"95％", u"100％"};

}  // namespace

std::span<const std::u16string_view> ListItems(OptionList list) {
    switch (list) {
    case OptionList::Combo1: return kRubyStyles;
    case OptionList::Combo2: return kKanaKinds;
    case OptionList::Combo3: return kTagHeaders;
    case OptionList::Combo4: return kRubySeparators;
    case OptionList::Combo5: return kWarichuSeparators;
    case OptionList::Combo6: return kWarichuSurrounds;
    case OptionList::Combo7: return kKentenKinds;
    case OptionList::Combo8: return kKentenRatios;
    }
    return {};
}

std::u16string ListItemText(OptionList list, int index) {
    auto items = ListItems(list);
    if (index < 0 || static_cast<size_t>(index) >= items.size()) return {};
    return std::u16string(items[static_cast<size_t>(index)]);
}

std::u16string ConversionOptions::RubySeparatorText() const {
    return ListItemText(OptionList::Combo4, RubySeparator);
}
std::u16string ConversionOptions::WarichuSeparatorText() const {
    return ListItemText(OptionList::Combo5, WarichuSeparator);
}
std::u16string ConversionOptions::WarichuSurroundText() const {
    return ListItemText(OptionList::Combo6, WarichuSurround);
}

}  // namespace tessaly
