#include "settings/SettingsTable.h"

#include <stdexcept>

namespace tessaly::settings {
namespace {

using O = ConversionOptions;
using K = SettingKind;

constexpr std::string_view kBasics = "基本設定", kWarichu = "割注の設定", kKenten = "圏点の設定",
                           kOutput = "テキスト出力時の設定", kResult = "結果の確認";

std::vector<Setting> MakeTable() {
    const int16_t resultDefault = kBuildPlacesIntoInDesign ? kPlaceIntoInDesign : kOpenTextFile;
    return {
        // The main window's folder memory.
        {"ResumeFolder", K::Text, nullptr, {}, 0, "1", {}, {}, {}, {}},
        {"DriveName", K::Text, nullptr, {}, 0, "C:", {}, {}, {}, {}},
        {"DirName", K::Text, nullptr, {}, 0, "C:\\", {}, {}, {}, {}},
        {"File_Item", K::Text, nullptr, {}, 0, "*.doc;*.docx;*.txt", {}, {}, {}, {}},
        // The utility dialog's lists, switches and result buttons.
        {"Combo1", K::List, &O::RubyStyle, OptionList::Combo1, kMonoRuby, {}, {0, 10, kBasics, "ルビ種別"},
         "--ruby-style", {"mono", "group"}, "ルビ種別（モノルビ／グループルビ）"},
        {"Combo2", K::List, &O::KanaKind, OptionList::Combo2, kHiragana, {}, {0, 20, kBasics, "かな種別"},
         "--kana", {"hiragana", "katakana"}, "かな種別（カタカナにするとルビのひらがなをカタカナに）"},
        {"Combo3", K::List, &O::TagHeader, OptionList::Combo3, kBuiltInHeader, {},
         {2, 10, kOutput, "タグのヘッダ部分", "注）カスタムの場合は、tempフォルダ内に　　　header.txtが必要です"},
         "--header", {"default", "custom"},
         "タグのヘッダ部分（カスタム: temp フォルダの header.txt、または --header-file のファイル）"},
        {"Combo4", K::List, &O::RubySeparator, OptionList::Combo4, 3, {},
         {0, 50, kBasics, "ルビ区切り記号", "注）ルビの末尾にルビ区切りがある場合、　　　強制的にルビと親文字を分離します"},
         "--ruby-separator", {"△", "▲", "▽", "▼"}, "ルビ区切り記号"},
        {"Combo5", K::List, &O::WarichuSeparator, OptionList::Combo5, 1, {},
         {1, 10, kWarichu, "割注区切り記号", "注）ルビの末尾に割注区切りがある場合、　　割注形式でルビ文字列を配置します"},
         "--warichu-separator", {"☆", "★", "◇", "◆"}, "割注区切り記号"},
        {"Combo6", K::List, &O::WarichuSurround, OptionList::Combo6, kSurroundParens, {}, {1, 20, kWarichu, "割注の前後"},
         "--warichu-surround",
         {"none", "quarter", "half", "paren", "tortoise", "square", "lenticular", "angle", "double-angle", "brace"},
         "割注の前後（なし、4分アキ、半角アキ、（）〔〕［］【】〈〉《》｛｝）"},
        {"Combo7", K::List, &O::KentenKind, OptionList::Combo7, kKentenBoth, {}, {1, 60, kKenten, "種類"},
         "--kenten-kind", {"both", "dot", "sesame"}, "圏点の種類（両方／黒丸小／ゴマ）"},
        {"Combo8", K::List, &O::KentenRatio, OptionList::Combo8, 4, {}, {1, 70, kKenten, "比率", {}, true},
         "--kenten-ratio", {"50", "55", "60", "65", "70", "75", "80", "85", "90", "95", "100"}, "圏点の比率（％、5 刻み）"},
        {"Check1", K::Switch, &O::SmallKanaToFullSize, {}, kOff, {}, {0, 30, kBasics, "拗促音を大文字に変換する"},
         "full-size-kana", {}, "拗促音（ゃ・っ など）を大文字に変換する"},
        {"Check2", K::Switch, &O::MacText, {}, kOn, {}, {2, 20, kOutput, "Mac用テキストを同時に作成する"},
         "mac", {}, "Mac用テキストを同時に作成する"},
        {"Check3", K::Switch, &O::HalfWidthWarichuParens, {}, kOff, {}, {1, 30, kWarichu, "割注パーレンを半角にする"},
         "half-width-parens", {}, "割注パーレンを半角にする"},
        {"Check4", K::Switch, &O::WarichuRubyGlyphs, {}, kOff, {}, {1, 40, kWarichu, "ルビ字形に変換する"},
         "warichu-ruby-glyphs", {}, "割注をルビ字形に変換する"},
        {"Check5", K::Switch, &O::ConvertBouten, {}, kOn, {}, {1, 50, kKenten, "一太郎の傍点を圏点に変換する"},
         "kenten", {}, "一太郎の傍点を圏点に変換する"},
        {"Check6", K::Switch, &O::OpenTypeRubyGlyphs, {}, kOn, {}, {0, 40, kBasics, "OpenTypeのルビ字形を使用する"},
         "opentype-ruby", {}, "OpenTypeのルビ字形を使用する"},
        {"Option1", K::ResultButtons, &O::ResultAction, {}, resultDefault, {}, {2, 40, kResult, kResult}, {}, {}, {}},
        // Beside the dialog's keys, each under its own key.
        {kRubyNotationKey, K::Flag, nullptr, {}, kOff, {}, {0, 60, kBasics, "ルビ記法（|漢字《かんじ》）を変換する"},
         "ruby-notation", {}, "Word 原稿のルビ記法（|漢字《かんじ》、《《傍点》》）を変換する（.txt の原稿では常に変換）",
         &SettingValues::rubyNotation},
        {kNarouRubyKey, K::Flag, nullptr, {}, kOff, {}, {0, 65, kBasics, "なろう形式の括弧ルビ（漢字(かんじ)）も変換する"},
         "narou-ruby", {}, "「小説家になろう」形式の括弧のルビ（漢字(かんじ)、｜親文字(よみ)）も変換する（--ruby-notation=narou で両方）",
         &SettingValues::narouRuby},
        {kProofPageKey, K::Flag, nullptr, {}, kOff, {}, {2, 30, kOutput, "校正用HTMLを作成して表示する"}, {}, {}, {},
         &SettingValues::proofPage},
        {kNotesAsFootnotesKey, K::Flag, nullptr, {}, kOn, {}, {0, 70, kBasics, "脚注・文末脚注をInDesignの脚注にする"},
         "footnotes", {}, "脚注・文末脚注を InDesign の脚注にする（切ると脚注は変換せず報告のみ）", &SettingValues::notesAsFootnotes},
        {kNumbersAsTextKey, K::Flag, nullptr, {}, kOn, {}, {0, 80, kBasics, "段落番号を文字にする"},
         "numbers", {}, "段落番号・見出し番号を文字にする（切ると番号は書き出さず報告のみ）", &SettingValues::numbersAsText},
    };
}

}  // namespace

const std::vector<Setting>& Settings() {
    static const std::vector<Setting> table = MakeTable();
    return table;
}

const Setting& SettingOf(std::string_view key) {
    for (const Setting& s : Settings())
        if (s.key == key) return s;
    throw std::out_of_range("no setting " + std::string(key));
}

std::string DefaultText(const Setting& s) {
    switch (s.kind) {
    case SettingKind::Text: return std::string(s.defaultText);
    case SettingKind::List: return std::to_string(s.defaultValue);
    case SettingKind::Switch:
    case SettingKind::Flag: return s.defaultValue == kOn ? "1" : "0";
    case SettingKind::ResultButtons: return "";  // three keys: see DefaultValues
    }
    return {};
}

SettingValues DefaultValues() {
    SettingValues v;
    for (const Setting& s : Settings()) {
        if (s.field) v.options.*s.field = s.defaultValue;
        if (s.flagField) v.*s.flagField = s.defaultValue == kOn;
    }
    return v;
}

ConversionOptions DefaultOptions() { return DefaultValues().options; }

std::string CommandLineUsage(const Setting& s) {
    if (s.flag.empty()) return {};
    if (s.kind == SettingKind::List) {
        std::string usage(s.flag);
        usage += ' ';
        for (size_t i = 0; i < s.valueNames.size(); ++i) {
            if (i) usage += '|';
            usage += s.valueNames[i];
        }
        return usage;
    }
    std::string usage = "--";
    usage += s.flag;
    usage += ", --no-";
    usage += s.flag;
    return usage;
}

}  // namespace tessaly::settings
