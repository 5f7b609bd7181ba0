// Fixed texts of the conversion run that both front ends show.
#pragma once

#include <QString>

namespace tessaly::app {

// Nothing was converted in the document.
inline QString NothingConvertedText() {
    return QStringLiteral("ユーザーにより変換が取り消されたか、または\r\n"
                          "処理した結果、ルビや圏点が見つからないか変換されませんでした。\r\n"
                          "\r\n"
                          "対象文書や設定を確認の上、再度実行して下さい。");
}

// The custom header was chosen but header.txt is missing.
inline QString MissingHeaderText(const QString& appFolder) {
    return QStringLiteral("タグのヘッダ部分が「カスタム」に設定されていますが、\r\n") + appFolder +
           QStringLiteral(" 内の temp フォルダに\r\nheader.txt が見つかりませんでした。\r\n"
                          "\r\n"
                          "ヘッダファイルを確認の上、再度実行して下さい。");
}

}  // namespace tessaly::app
