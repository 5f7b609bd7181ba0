// Fixed texts that the front ends show, with CR LF between their lines as
// the desktop's message boxes have them (the command line drops the CRs).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tessaly::convert {

// The custom header was chosen but header.txt is missing from the
// application folder's temp folder.
inline std::string MissingHeaderText(const std::string& appFolder) {
    return "タグのヘッダ部分が「カスタム」に設定されていますが、\r\n" + appFolder +
           " 内の temp フォルダに\r\nheader.txt が見つかりませんでした。\r\n"
           "\r\n"
           "ヘッダファイルを確認の上、再度実行して下さい。";
}

// Places that look like ruby written as text, left as text because the
// option is off.
inline std::string NotationLeftText(size_t places) {
    return "ルビ記法（|漢字《かんじ》）らしい個所が " + std::to_string(places) +
           " 個所ありますが、変換していません。\r\n"
           "変換するには、ユーティリティの設定1で「ルビ記法（|漢字《かんじ》）を変換する」をオンにして下さい。";
}

// A manuscript in which nothing was converted.
inline constexpr std::string_view kNothingFoundText =
    "ルビ・圏点・割注が見つからないか、変換されませんでした。対象の原稿と設定を確認してください。";

}  // namespace tessaly::convert
