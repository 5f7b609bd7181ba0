// Fixed texts that both front ends show, with CR LF between their lines as
// the desktop's message boxes have them (the command line drops the CRs).
#pragma once

#include <string>

namespace tessaly::convert {

// The custom header was chosen but header.txt is missing from the
// application folder's temp folder.
inline std::string MissingHeaderText(const std::string& appFolder) {
    return "タグのヘッダ部分が「カスタム」に設定されていますが、\r\n" + appFolder +
           " 内の temp フォルダに\r\nheader.txt が見つかりませんでした。\r\n"
           "\r\n"
           "ヘッダファイルを確認の上、再度実行して下さい。";
}

}  // namespace tessaly::convert
