#include "engine/WordStandIns.h"

namespace tessaly {

Message ClipboardWarning1() {
    return Message{u"エラー",
                   u"一部の語句について、変換処理ができないデータがありました。\r\n"
                   u"\r\n"
                   u"Windowsを含む動作環境が不安定になっていることが主な原因です。\r\n"
                   u"PCを再起動すれば、ほとんどの場合変換可能です。\r\n"
                   u"\r\n"
                   u"OKを押すとそれ以外の対処方法が表示されますので、\r\n"
                   u"確認の上もう一度変換処理を実行して下さい。",
                   MessageIcon::Warning, MessageButtons::Ok};
}

Message ClipboardWarning2() {
    return Message{u"確認",
                   u"再起動しても同じエラーが出る場合は、以下を試して下さい。\r\n"
                   u"\r\n"
                   u"１．本ソフト実行中は、マウス・キーボードを操作しない。\r\n"
                   u"２．本ソフト実行中は、不要なソフトは起動させない。\r\n"
                   u"３．例えば10ページの変換を、5ページ2回に分けて変換する。\r\n"
                   u"４．OS・Office・IMEが、正しく最新の状態にインストールされて\r\n"
                   u"　　いるか確認し、必要ならアップデートや再インストールを行う。\r\n"
                   u"５．PC上のアプリや常駐ソフトの自動更新を一時中止する。\r\n"
                   u"６．その他のネット接続（OneDriveやIMEのクラウド候補など）をできるだけOFFにする。\r\n"
                   u"\r\n"
                   u"OKを押すと変換を中止し、実行前の画面に戻ります。",
                   MessageIcon::Warning, MessageButtons::Ok};
}

void ReadClipboardText(Clipboard& clipboard, RunState& state, EngineHost& host, std::u16string& text) {
    Clipboard::Status status = clipboard.ReadText(text);
    if (status == Clipboard::Status::Busy) {
        host.Pause(std::chrono::seconds(3));
        status = clipboard.ReadText(text);
    }
    // An empty field copies an empty text: that is a text, not a failure.
    if (status == Clipboard::Status::Ok && !state.EngineFailed) return;
    host.ShowMessage(ClipboardWarning1());
    host.ShowMessage(ClipboardWarning2());
    state.EngineFailed = true;
    text.clear();
}

void RereadThroughScratchDocument(SourceDocument& word, const std::u16string& documentName, std::u16string& scratchName,
                                  std::u16string& text) {
    if (text.find(u'?') == std::u16string::npos) return;
    if (scratchName.empty()) {
        word.Documents().Add();
        scratchName = word.ActiveDocument().Name();
    }
    word.Documents().Item(scratchName).Activate();
    word.Selection().WholeStory();
    word.Selection().Delete();
    word.Selection().PasteSpecial(PasteDataType::Text);
    word.Selection().HomeKey(Unit::Story, MoveMode::Extend);
    text = word.Selection().Text();
    word.Documents().Item(documentName).Activate();
}

void DisposeScratchDocument(SourceDocument& word, const std::u16string& documentName, const std::u16string& scratchName) {
    if (scratchName.empty()) return;
    word.Documents().Item(scratchName).Activate();
    word.Selection().WholeStory();
    word.Selection().Delete();
    word.ActiveDocument().Close(SaveChanges::DoNotSave);
    word.Documents().Item(documentName).Activate();
}

bool FindVisibleWordWindow(WindowSystem& windows) {
    if (!windows.findWindowOfClass(u"OpusApp")) return false;
    for (const auto window : windows.topLevelWindows()) {
        if (windows.title(window).find(u"Word") == std::u16string::npos) continue;
        if (windows.isVisible(window)) return true;
        windows.postClose(window);
    }
    return false;
}

bool MaximizeWordWindow(WindowSystem& windows) {
    const auto window = windows.findWindowOfClass(u"OpusApp");
    if (!window || !windows.isVisible(window)) return false;
    if (windows.isZoomed(window)) windows.showMinimised(window);
    windows.showMaximised(window);
    return true;
}

}  // namespace tessaly
