// The page's settings: the settings table as JSON for the page to build its
// controls from, and the values the page keeps in the browser's storage,
// read back as the settings of a conversion.
#pragma once

#include <string>
#include <string_view>

#include "settings/SettingsTable.h"

namespace tessaly::web {

// The custom header is chosen but no header.txt was given to the page.
inline constexpr std::string_view kNoHeaderChosenText =
    "タグのヘッダ部分が「カスタム」に設定されていますが、\r\nheader.txt が選ばれていません。\r\n\r\n"
    "設定3でヘッダファイルを選んでから、再度実行して下さい。";

// The values from "key=value" lines with the store's value texts (a list's
// index, "1" or "0" for a switch, "True" or "False" for each result button).
// A key that is missing, or whose value cannot be read, keeps its default.
settings::SettingValues ParseWebSettings(std::string_view text);

// Every setting the utility dialog shows: its key, kind, page and place,
// group, label and note, a list's items, and its default as stored; the
// pages' names, the result buttons' labels and kNoHeaderChosenText beside
// them.
std::string SettingsTableJson();

}  // namespace tessaly::web
