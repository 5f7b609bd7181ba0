// Fixed texts of the desktop's conversion run (those tessaly-convert shows
// as well are convert/Texts.h's).
#pragma once

#include <QString>

#include "convert/Texts.h"

namespace tessaly::run {

// Nothing was converted in the document.
inline QString NothingConvertedText() {
    return QStringLiteral("ユーザーにより変換が取り消されたか、または\r\n"
                          "処理した結果、ルビや圏点が見つからないか変換されませんでした。\r\n"
                          "\r\n"
                          "対象文書や設定を確認の上、再度実行して下さい。");
}

// The custom header was chosen but header.txt is missing.
inline QString MissingHeaderText(const QString& appFolder) {
    return QString::fromStdString(convert::MissingHeaderText(appFolder.toStdString()));
}

// The custom header is there but cannot serve: reason says why.
inline QString UnusableHeaderText(const QString& file, const QString& reason) {
    return QStringLiteral("タグのヘッダ部分が「カスタム」に設定されていますが、\r\n") + file + QStringLiteral("\r\nは") + reason +
           QStringLiteral("。\r\n\r\nヘッダファイルを確認の上、再度実行して下さい。");
}

// Any failure of the run: the fixed warning (after the reason, where it is
// known, and a blank line).
inline QString RunFailedText() {
    return QStringLiteral("処理を開始または続行することができませんでした。\r\n"
                          "以下の点が原因となっている可能性があります。\r\n"
                          "\r\n"
                          "１．本ソフト以外のウィンドウで、ダイアログ入力待ちがある。\r\n"
                          "２．InDesignのテキストフレームに流し込みができない。\r\n"
                          "３．本ソフトで処理できない部分（予期しないデータ構造など）が、\r\n"
                          "\u3000\u3000対象データに含まれている。\r\n"
                          "４．本ソフト及びInDesignを「管理者として実行」していない。\r\n"
                          "\r\n"
                          "上記に原因が見当たらない場合は、関係するアプリケーション\r\n"
                          "および本ソフトを一旦終了してから、再度実行して下さい。");
}

inline QString StartConfirmationText(const QString& documentPath, bool intoInDesign) {
    QString text = QStringLiteral("以下のドキュメントのルビ変換を開始します。\r\n\r\n") + documentPath;
    if (intoInDesign) text += QStringLiteral("\r\n\r\n注）空のフレームのInDesign文書が必要です");
    return text;
}

inline QString DocumentNameText() {
    return QStringLiteral("対象文書を発見または特定できませんでした。\r\n\r\n"
                          "対象文書のファイル名やパスを確認の上、再度実行して下さい。");
}

inline QString NoInDesignDocumentText() {
    return QStringLiteral("InDesign文書が見つかりませんでした。\r\n\r\n"
                          "流し込み確認用のInDesign文書を開き、再度実行して下さい。");
}

inline QString NoInDesignFrameText() {
    return QStringLiteral("InDesign文書にフレームが見つかりませんでした。\r\n\r\n"
                          "空のフレームを作成して、再度実行して下さい。");
}

// The final report: its one line break is LF followed by CR.
inline QString FinalReportText(const QString& seconds, int convertedCount) {
    return QStringLiteral("ルビ変換処理が終了しました。\n\r処理にかかった時間は ") + seconds + QStringLiteral(" 秒で、") +
           QString::number(convertedCount) + QStringLiteral(" 個所変換しました。");
}

// outputFolder: the RubyData folder with its trailing separator, as the
// platform writes paths.
inline QString OpenFailedText(const QString& outputFileName, const QString& outputFolder) {
    return outputFileName + QStringLiteral(" を開くことができませんでした。\r\n\r\n") + outputFolder +
           QStringLiteral("\r\n\r\n上記のパスにファイルが存在するか、txtファイルを開けるか\r\nを確認して下さい。");
}

inline QString WordRunningText() {
    return QStringLiteral("ルビ変換処理を実行する前に、\r\n起動しているWordは終了する必要があります。\r\n\r\n"
                          "Wordを終了してから、再度実行して下さい。");
}

// Places that look like ruby written as text, left as text because the
// option is off.
inline QString NotationLeftText(size_t places) { return QString::fromStdString(convert::NotationLeftText(places)); }

inline QString NotDocFileText() { return QStringLiteral("Word形式の文書（doc）を選択して下さい\u3000"); }

inline QString AbortQuestionText() { return QStringLiteral("ルビ変換処理を中止しますか？\u3000\u3000\u3000"); }

inline const QString kPreparingCaption = QStringLiteral("ルビ変換処理の準備中です...\u3000");
inline const QString kRunningCaption = QStringLiteral("ルビ変換処理を実行中です...\u3000");
inline const QString kFinishingCaption = QStringLiteral("ルビ変換処理の完了中です... ");

}  // namespace tessaly::run
