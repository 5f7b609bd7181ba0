// The desktop application as a user drives it: pick a file, press 実行,
// answer the boxes, get the tagged text and the report.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QUrl>

#include <QLineEdit>
#include <QTest>
#include <QWindow>

#include "app/MainWindow.h"
#include "platform/Files.h"
#include "run/PlatformServices.h"
#include "app/Startup.h"
#include "support/Corpus.h"
#include "support/EngineHarness.h"
#include "support/GuiFakes.h"
#include "support/MiniDocx.h"
#include "support/PosixOnly.h"

using namespace tessaly;
using namespace tessaly::testing;
namespace fs = std::filesystem;

namespace {

struct AppFixture : ::testing::Test {
    TempFolder folder;
    settings::MemoryStore store;
    RunState state;
    ScriptedMessages messages;
    SteppingClock clock;
    NoWordWindows windows;
    FakeInDesign inDesign;
    FakeShell shell;
    std::unique_ptr<app::MainWindow> window;
    fs::path documents;
    QString appFolder;

    void SetUp() override {
        documents = folder.path() / U8("原稿");
        fs::create_directories(documents);
        fs::copy_file(fs::path(TESSALY_SOURCE_DIR) / "samples/sample-manuscript.doc", documents / "sample-manuscript.doc");
        appFolder = QString::fromStdU16String((folder.path() / "app").u16string());
        fs::create_directories(folder.path() / "app");
        settings::WriteDefaults(store);
    }
    void start(int resultAction) {
        store.write(QStringLiteral("Option1"), resultAction == 1 ? QStringLiteral("True") : QStringLiteral("False"));
        store.write(QStringLiteral("Option2"), resultAction == 2 ? QStringLiteral("True") : QStringLiteral("False"));
        store.write(QStringLiteral("Option3"), resultAction == 3 ? QStringLiteral("True") : QStringLiteral("False"));
        window = std::make_unique<app::MainWindow>(store, state, run::RunServices{messages, clock, windows, inDesign, shell},
                                                   appFolder);
        window->load();
        openFolder(documents);
    }
    void openFolder(const fs::path& path) {
        const QString p = QString::fromStdU16String(path.u16string());
        window->findChild<app::FolderList*>(QStringLiteral("Dir1"))->setPath(p);
        window->changeFolder(p);
    }
    QListWidget* files() { return window->findChild<QListWidget*>(QStringLiteral("File1")); }
    void select(const QString& name) {
        auto items = files()->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << name.toStdString();
        files()->setCurrentItem(items[0]);
    }
    fs::path output() const { return folder.path() / "app" / "RubyData" / "sample-manuscript_ruby.txt"; }
};

const QRegularExpression kReport(QStringLiteral("^ルビ変換処理が終了しました。\n\r処理にかかった時間は (\\d+\\.\\d) 秒で、8 個所変換しました。$"));

}  // namespace

TEST_F(AppFixture, WholeRunWithEachResultAction) {
    for (int action : {1, 2, 3}) {
        SCOPED_TRACE(action);
        messages.shown.clear();
        start(action);
        EXPECT_EQ(window->selectedFileName(), QStringLiteral("sample-manuscript.doc"));  // the first file is selected
        window->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        ASSERT_EQ(messages.shown.size(), 2u) << messages.text(messages.shown.size() - 1).toStdString();
        const QString path = QString::fromStdU16String((documents / "sample-manuscript.doc").u16string());
        EXPECT_EQ(messages.title(0), QStringLiteral("Tessaly"));
        EXPECT_EQ(messages.text(0), QStringLiteral("以下のドキュメントのルビ変換を開始します。\r\n\r\n") + path +
                                        (action == 3 ? QStringLiteral("\r\n\r\n注）空のフレームのInDesign文書が必要です") : QString()));
        EXPECT_EQ(messages.shown[0].buttons, MessageButtons::OkCancel);
        const auto match = kReport.match(messages.text(1));
        ASSERT_TRUE(match.hasMatch()) << messages.text(1).toStdString();
        EXPECT_GE(match.captured(1).toDouble(), 5.0) << "both fixed pauses are in the time";
        EXPECT_TRUE(ToUtf8(DecodeWindowsFile(ReadBytes(output()))).find("<cRubyString:しょう　ねん>少年") != std::string::npos);
        EXPECT_TRUE(fs::exists(folder.path() / "app" / "temp"));
        EXPECT_FALSE(state.RunInProgress);
        EXPECT_TRUE(window->isMinimized());
        EXPECT_TRUE(window->findChild<QListWidget*>(QStringLiteral("File1"))->isEnabled());
        EXPECT_EQ(shell.opened.size(), action == 2 ? 1u : 0u);
        EXPECT_EQ(inDesign.placed.size(), action == 3 ? 1u : 0u);
        shell.opened.clear();
        inDesign.placed.clear();
    }
}

TEST_F(AppFixture, OpenFailureAndUnreachableInDesign) {
    shell.result = false;
    start(2);
    window->runClicked();
    ASSERT_EQ(messages.shown.size(), 3u);
    EXPECT_TRUE(kReport.match(messages.text(1)).hasMatch());
    EXPECT_EQ(messages.text(2), QStringLiteral("sample-manuscript_ruby.txt を開くことができませんでした。\r\n\r\n") +
                                    QDir::toNativeSeparators(appFolder + QStringLiteral("/RubyData/")) +
                                    QStringLiteral("\r\n\r\n上記のパスにファイルが存在するか、txtファイルを開けるか\r\nを確認して下さい。"));

    messages.shown.clear();
    run::UnreachableInDesign unreachable;
    window = std::make_unique<app::MainWindow>(store, state, run::RunServices{messages, clock, windows, unreachable, shell}, appFolder);
    window->load();
    openFolder(documents);
    // Where InDesign cannot be driven, a stored 3 (settings written on a
    // system that can) acts as 2 for the run: converted and opened.
    store.write(QStringLiteral("Option2"), QStringLiteral("False"));
    store.write(QStringLiteral("Option3"), QStringLiteral("True"));
    shell.result = true;
    shell.opened.clear();
    window->runClicked();
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_FALSE(messages.text(0).contains(QStringLiteral("InDesign")));  // the confirmation speaks of no InDesign
    EXPECT_TRUE(kReport.match(messages.text(1)).hasMatch()) << messages.text(1).toStdString();
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_TRUE(shell.opened[0].endsWith(QStringLiteral("/RubyData/sample-manuscript_ruby.txt")));
    EXPECT_EQ(store.read(QStringLiteral("Option3")), QStringLiteral("True"));  // the setting keeps its meaning
    EXPECT_FALSE(state.RunInProgress);
}

TEST_F(AppFixture, InDesignWithoutDocumentOrFrame) {
    inDesign.documents = 0;
    start(3);
    window->runClicked();
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.text(1), QStringLiteral("InDesign文書が見つかりませんでした。\r\n\r\n流し込み確認用のInDesign文書を開き、再度実行して下さい。"));
    inDesign.documents = 1;
    inDesign.frames = 0;
    messages.shown.clear();
    window->runClicked();
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.text(1), QStringLiteral("InDesign文書にフレームが見つかりませんでした。\r\n\r\n空のフレームを作成して、再度実行して下さい。"));
    EXPECT_FALSE(fs::exists(output()));
}

TEST_F(AppFixture, CancelAtTheConfirmation) {
    start(1);
    messages.answers = {MessageAnswer::Cancel};
    window->runClicked();
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_FALSE(fs::exists(output()));
    EXPECT_EQ(clock.pumps, 0);
}

TEST_F(AppFixture, AbortInThePreparationWindow) {
    for (auto answer : {MessageAnswer::Yes, MessageAnswer::No}) {
        messages.shown.clear();
        fs::remove_all(folder.path() / "app" / "RubyData");
        start(1);
        bool asked = false;
        clock.onPump = [&] {
            auto* prep = window->conversionRun().preparationWindow();
            if (!asked && prep && prep->isVisible()) {
                asked = true;
                messages.answers = {answer};
                prep->abortClicked();
            }
        };
        window->runClicked();
        clock.onPump = nullptr;
        EXPECT_TRUE(asked);
        if (answer == MessageAnswer::Yes) {
            EXPECT_EQ(messages.shown.size(), 2u) << "no message after the abort";
            EXPECT_FALSE(fs::exists(output()));
        } else {
            ASSERT_EQ(messages.shown.size(), 3u);
            EXPECT_TRUE(kReport.match(messages.text(2)).hasMatch());
        }
        EXPECT_FALSE(state.RunInProgress);
        EXPECT_TRUE(files()->isEnabled());
    }
}

// The run's windows are dialogs of the main window: kept on top of it by
// the window manager, and taking its input while they stand.
TEST_F(AppFixture, TheRunWindowsBelongToTheMainWindow) {
    start(1);
    int checked = 0;
    clock.onPump = [&] {
        for (QWidget* w : {static_cast<QWidget*>(window->conversionRun().preparationWindow()),
                           static_cast<QWidget*>(window->conversionRun().progressWindow())}) {
            if (!w || !w->isVisible()) continue;
            EXPECT_EQ(w->windowModality(), Qt::WindowModal);
            ASSERT_NE(w->windowHandle(), nullptr);
            EXPECT_EQ(w->windowHandle()->transientParent(), window->windowHandle());
            ++checked;
        }
    };
    window->runClicked();
    clock.onPump = nullptr;
    EXPECT_GT(checked, 1);
}

// A folder the output cannot be written into says why, before the fixed causes.
TEST_F(AppFixture, AnOutputFolderThatCannotBeWrittenSaysWhyFirst) {
    start(1);
    platform::SetFileStepHook([](platform::FileStep step, const fs::path&) { return step == platform::FileStep::BytesWritten ? EACCES : 0; });
    window->runClicked();
    platform::SetFileStepHook(nullptr);
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_TRUE(messages.text(1).startsWith(QStringLiteral("出力ファイルを書き込めません（書き込む権限がありません）: ") +
                                            QString::fromStdU16String(output().u16string()) + QStringLiteral("\r\n\r\n処理を開始")))
        << messages.text(1).toStdString();
}

// What the user types as the file type stays as typed.
TEST_F(AppFixture, ATypedFileTypeIsNotCompletedIntoAnother) {
    start(1);
    auto* types = window->findChild<QComboBox*>(QStringLiteral("Combo1"));
    types->setEditText(QString());
    QTest::keyClicks(types->lineEdit(), QStringLiteral("*.d"));
    EXPECT_EQ(types->currentText(), QStringLiteral("*.d"));
}

TEST_F(AppFixture, NothingConverted) {
    fs::copy_file(TestData("PlainText.doc"), documents / "plain.doc");
    start(1);
    select(QStringLiteral("plain.doc"));
    window->runClicked();
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.title(1), QStringLiteral("確認"));
    EXPECT_EQ(messages.text(1), QStringLiteral("ユーザーにより変換が取り消されたか、または\r\n処理した結果、ルビや圏点が見つからないか変換されませんでした。\r\n\r\n対象文書や設定を確認の上、再度実行して下さい。"));
    EXPECT_TRUE(fs::exists(folder.path() / "app" / "RubyData" / "plain_ruby.txt"));
}

TEST_F(AppFixture, NotADocFileAndAReaderError) {
    fs::copy_file(TestData("ManuscriptFeatures.docx"), documents / "new.docx");
    WriteBytes(documents / "broken.doc", "not a word document at all");
    WriteBytes(documents / "notes.rtf", "{\\rtf1 text}");
    start(1);
    window->changeFileType(QString());
    window->findChild<QComboBox*>(QStringLiteral("Combo1"))->setEditText(QStringLiteral("*.*; (全てのファイル)"));
    select(QStringLiteral("notes.rtf"));
    window->runClicked();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.text(0), QStringLiteral("Word形式の文書（doc）を選択して下さい　"));
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Warning);

    messages.shown.clear();
    select(QStringLiteral("broken.doc"));
    window->runClicked();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(messages.text(0).startsWith(QStringLiteral("Word 文書（.doc / .docx）ではありません。\r\n\r\n処理を開始または続行することができませんでした。\r\n以下の点が")))
        << messages.text(0).toStdString();
}

// A failure after the document was read says its reason as the command
// line does: here an output that cannot replace a folder of its name.
TEST_F(AppFixture, AnOutputThatCannotBeWrittenSaysWhy) {
    fs::create_directories(output() / "inside");
    start(2);
    window->runClicked();
    ASSERT_EQ(messages.shown.size(), 2u);  // the confirmation, then the failure
    EXPECT_TRUE(messages.text(1).startsWith(QStringLiteral("出力ファイルを書き込めません（同じ名前のフォルダーがあります）: ") +
                                            QString::fromStdU16String(output().u16string()) +
                                            QStringLiteral("\r\n\r\n処理を開始または続行することができませんでした。\r\n以下の点が")))
        << messages.text(1).toStdString();
    EXPECT_FALSE(state.RunInProgress);
    EXPECT_TRUE(files()->isEnabled());
    EXPECT_TRUE(shell.opened.empty());
    EXPECT_FALSE(window->conversionRun().progressWindow()->isVisible());
}

TEST_F(AppFixture, MissingCustomHeaderStopsBeforeAnythingStarts) {
    store.write(QStringLiteral("Combo3"), QStringLiteral("1"));
    start(1);
    window->runClicked();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.text(0), QStringLiteral("タグのヘッダ部分が「カスタム」に設定されていますが、\r\n") + QDir::toNativeSeparators(appFolder) +
                                    QStringLiteral(" 内の temp フォルダに\r\nheader.txt が見つかりませんでした。\r\n\r\nヘッダファイルを確認の上、再度実行して下さい。"));
    // One that is there but cannot serve says why, and nothing is read either.
    fs::create_directories(folder.path() / "app" / "temp");
    WriteBytes(folder.path() / "app" / "temp" / "header.txt", "<ASCII-WIN>");
    messages.shown.clear();
    window->runClicked();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.text(0), QStringLiteral("タグのヘッダ部分が「カスタム」に設定されていますが、\r\n") +
                                    QDir::toNativeSeparators(appFolder + QStringLiteral("/temp/header.txt")) +
                                    QStringLiteral("\r\nは<UNICODE-WIN> または <UNICODE-MAC> で始まっていないため使えません。\r\n\r\n"
                                                   "ヘッダファイルを確認の上、再度実行して下さい。"));
    EXPECT_FALSE(fs::exists(output()));
}

TEST_F(AppFixture, RunInProgressMakesTheButtonsDoNothing) {
    start(1);
    state.RunInProgress = true;
    window->show();
    window->runClicked();
    window->utilityClicked();
    window->exitClicked();
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(window->utilityDialog(), nullptr);
    EXPECT_TRUE(window->isVisible());
    state.RunInProgress = false;
}

TEST_F(AppFixture, FirstStartDefaultsAndTheRememberedFolder) {
    settings::MemoryStore empty;
    {
        app::MainWindow first(empty, state, run::RunServices{messages, clock, windows, inDesign, shell}, appFolder);
        app::RunStartup(empty, clock, first);
        EXPECT_EQ(empty.read(QStringLiteral("Combo8")), QStringLiteral("4"));
        EXPECT_EQ(first.currentFolder(), QDir::toNativeSeparators(app::DefaultFolder()));
        EXPECT_EQ(first.findChild<QComboBox*>(QStringLiteral("Combo1"))->currentText(), QStringLiteral("*.doc;*.docx;*.txt"));
        EXPECT_TRUE(first.findChild<QCheckBox*>(QStringLiteral("Check1"))->isChecked());
        const QString docs = QString::fromStdU16String(documents.u16string());
        first.findChild<app::FolderList*>(QStringLiteral("Dir1"))->setPath(docs);
        first.changeFolder(docs);
        first.close();
        EXPECT_EQ(empty.read(QStringLiteral("ResumeFolder")), QStringLiteral("1"));
        EXPECT_EQ(empty.read(QStringLiteral("DirName")), docs);
    }
    EXPECT_TRUE(messages.shown.empty());
    app::MainWindow second(empty, state, run::RunServices{messages, clock, windows, inDesign, shell}, appFolder);
    second.load();
    EXPECT_EQ(second.currentFolder(), QDir::toNativeSeparators(QString::fromStdU16String(documents.u16string())));
    EXPECT_EQ(second.selectedFileName(), QStringLiteral("sample-manuscript.doc"));
    second.findChild<QCheckBox*>(QStringLiteral("Check1"))->setChecked(false);
    second.close();
    EXPECT_EQ(empty.read(QStringLiteral("ResumeFolder")), QStringLiteral("0"));
    EXPECT_EQ(empty.read(QStringLiteral("DirName")), QStringLiteral("C:\\"));
    app::MainWindow third(empty, state, run::RunServices{messages, clock, windows, inDesign, shell}, appFolder);
    third.load();
    EXPECT_EQ(third.currentFolder(), QDir::toNativeSeparators(app::DefaultFolder()));
    EXPECT_FALSE(third.findChild<QCheckBox*>(QStringLiteral("Check1"))->isChecked());
}

TEST_F(AppFixture, SplashStandsForAboutTwoAndAHalfSecondsAndIsDrawn) {
    settings::MemoryStore empty;
    const double before = clock.now;
    app::MainWindow first(empty, state, run::RunServices{messages, clock, windows, inDesign, shell}, appFolder);
    app::RunStartup(empty, clock, first);
    // Two and a half seconds once it is on screen, after at most two of waiting for that.
    EXPECT_GE(clock.now - before, 2.5);
    EXPECT_LT(clock.now - before, 5.75);
    EXPECT_GT(clock.paintPumps, 8) << "drawn while it stands";
    EXPECT_EQ(clock.pumps, 0) << "and no input taken";
}

TEST_F(AppFixture, FreshSettingsConvertAndOpenTheResult) {
    // A first start where InDesign cannot be driven: the defaults open the
    // text file, so the sample is converted and opened.
    settings::MemoryStore fresh;
    run::UnreachableInDesign unreachable;
    app::MainWindow first(fresh, state, run::RunServices{messages, clock, windows, unreachable, shell}, appFolder);
    app::RunStartup(fresh, clock, first);
    EXPECT_EQ(fresh.read(QStringLiteral("Option2")), QStringLiteral("True"));
    const QString docs = QString::fromStdU16String(documents.u16string());
    first.findChild<app::FolderList*>(QStringLiteral("Dir1"))->setPath(docs);
    first.changeFolder(docs);
    first.runClicked();
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_TRUE(kReport.match(messages.text(1)).hasMatch()) << messages.text(1).toStdString();
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(fs::path(shell.opened[0].toStdU16String()), output());
}

TEST_F(AppFixture, DocxAndCapitalisedNamesAreManuscripts) {
    fs::copy_file(TestData("RubyBoundaries.docx"), documents / U8("新作.docx"));
    fs::copy_file(TestData("ManuscriptFeatures.doc"), documents / "UPPER.DOC");
    start(1);
    // The list offers .doc and .docx first and shows both.
    auto* types = window->findChild<QComboBox*>(QStringLiteral("Combo1"));
    EXPECT_EQ(types->itemText(0), QStringLiteral("*.doc;*.docx;*.txt"));
    EXPECT_EQ(types->itemText(1), QStringLiteral("*.doc;*.docx"));
    types->setEditText(QStringLiteral("*.doc;*.docx"));
    QStringList listed;
    for (int i = 0; i < files()->count(); ++i) listed << files()->item(i)->text();
    EXPECT_EQ(listed, (QStringList{QStringLiteral("sample-manuscript.doc"), QStringLiteral("UPPER.DOC"), QStringLiteral("新作.docx")}));
    for (const char* name : {"新作.docx", "UPPER.DOC"}) {
        messages.shown.clear();
        select(QString::fromUtf8(name));
        window->runClicked();
        ASSERT_EQ(messages.shown.size(), 2u) << name;
        EXPECT_TRUE(messages.text(1).startsWith(QStringLiteral("ルビ変換処理が終了しました。"))) << messages.text(1).toStdString();
    }
    EXPECT_TRUE(fs::exists(folder.path() / "app" / "RubyData" / U8("新作_ruby.txt")));
    EXPECT_TRUE(fs::exists(folder.path() / "app" / "RubyData" / "UPPER_ruby.txt"));
}

TEST_F(AppFixture, DropDoubleClickAndTheRememberedFile) {
    fs::copy_file(TestData("RubyBoundaries.docx"), documents / "b.docx");
    const fs::path other = folder.path() / "他";
    fs::create_directories(other);
    fs::copy_file(TestData("ManuscriptFeatures.doc"), other / "c.doc");
    start(1);
    window->findChild<QComboBox*>(QStringLiteral("Combo1"))->setEditText(QStringLiteral("*.doc;*.docx"));
    // A manuscript dropped onto the window is selected: its folder and file.
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdU16String((other / "c.doc").u16string()))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &drop);
    EXPECT_EQ(window->currentFolder(), QDir::toNativeSeparators(QString::fromStdU16String(other.u16string())));
    EXPECT_EQ(window->selectedFileName(), QStringLiteral("c.doc"));
    // Back in the first folder, its last selected file is selected again.
    openFolder(documents);
    select(QStringLiteral("b.docx"));
    openFolder(other);
    openFolder(documents);
    EXPECT_EQ(window->selectedFileName(), QStringLiteral("b.docx"));
    // Double-click (activation) on a file runs it as the button does.
    emit files()->itemActivated(files()->currentItem());
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_TRUE(fs::exists(folder.path() / "app" / "RubyData" / "b_ruby.txt"));
    // A file deleted meanwhile is gone from the list when the window is active again.
    fs::remove(documents / "b.docx");
    window->show();
    QApplication::setActiveWindow(window.get());
    QEvent activation(QEvent::ActivationChange);
    QCoreApplication::sendEvent(window.get(), &activation);
    EXPECT_TRUE(files()->findItems(QStringLiteral("b.docx"), Qt::MatchExactly).isEmpty());
    EXPECT_EQ(window->selectedFileName(), QStringLiteral("sample-manuscript.doc"));
}

TEST(UserVolumes, OnlyWhatAUserMounts) {
    const QList<app::Volume> mounted = {
        {QStringLiteral("/"), QStringLiteral("ext4"), QStringLiteral("/dev/sda2"), {}},
        {QStringLiteral("/boot/efi"), QStringLiteral("vfat"), QStringLiteral("/dev/sda1"), {}},
        {QStringLiteral("/proc"), QStringLiteral("proc"), QStringLiteral("proc"), {}},
        {QStringLiteral("/run/user/1000"), QStringLiteral("tmpfs"), QStringLiteral("tmpfs"), {}},
        {QStringLiteral("/snap/core/1"), QStringLiteral("squashfs"), QStringLiteral("/dev/loop0"), {}},
        {QStringLiteral("/etc/hosts"), QStringLiteral("ext4"), QStringLiteral("/dev/sdb1"), {}},  // a sandbox's bind
        {QStringLiteral("/work"), QStringLiteral("overlay"), QStringLiteral("overlay"), {}},
        {QStringLiteral("/media/user/USB"), QStringLiteral("vfat"), QStringLiteral("/dev/sdc1"), QStringLiteral("USB")},
        {QStringLiteral("/run/media/user/DVD"), QStringLiteral("iso9660"), QStringLiteral("/dev/sr0"), QStringLiteral("DVD")},
        {QStringLiteral("/data"), QStringLiteral("ext4"), QStringLiteral("/dev/sdd1"), {}},
        {QStringLiteral("/mnt/share"), QStringLiteral("cifs"), QStringLiteral("//server/share"), {}},
    };
    QStringList roots;
    for (const auto& v : app::UserVolumes(mounted)) roots << v.rootPath;
    EXPECT_EQ(roots, (QStringList{QStringLiteral("/media/user/USB"), QStringLiteral("/run/media/user/DVD"), QStringLiteral("/data"),
                                  QStringLiteral("/mnt/share")}));
}

TEST(QtTexts, StandardButtonsSpeakJapanese) {
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_TRUE(box.button(QMessageBox::Yes)->text().startsWith(QStringLiteral("はい"))) << box.button(QMessageBox::Yes)->text().toStdString();
    EXPECT_TRUE(box.button(QMessageBox::No)->text().startsWith(QStringLiteral("いいえ")));
    EXPECT_TRUE(box.button(QMessageBox::Cancel)->text().startsWith(QStringLiteral("キャンセル")));
    EXPECT_TRUE(box.button(QMessageBox::Ok)->text().startsWith(QStringLiteral("OK")));
}

TEST_F(AppFixture, RubyNotationInTextAndWordManuscripts) {
    WriteBytes(documents / "notes.txt", "|漢字《かんじ》と《《傍点》》\n");
    WriteMiniDocx(documents / "word.docx", "<w:p>" + TextRun("|漢字《かんじ》と《《傍点》》") + "</w:p>");
    start(1);
    window->findChild<QComboBox*>(QStringLiteral("Combo1"))->setEditText(QStringLiteral("*.doc;*.docx;*.txt"));
    const QRegularExpression report(QStringLiteral("^ルビ変換処理が終了しました。\n\r処理にかかった時間は \\d+\\.\\d 秒で、2 個所変換しました。$"));
    auto body = [&](const char* output) {
        const std::string text = ToUtf8(DecodeWindowsFile(ReadBytes(folder.path() / "app" / "RubyData" / output)));
        return text.substr(text.find("<ParaStyle:段落標準>"));
    };
    const std::string converted =
        "<ParaStyle:段落標準><CharStyle:グループルビ><cRuby:1><cRubyString:かんじ>漢字<cRuby:><cRubyString:><CharStyle:>と"
        "<CharStyle:圏点1>傍点<CharStyle:>\r\n<ParaStyle:>";
    // A plain-text manuscript: always converted.
    select(QStringLiteral("notes.txt"));
    window->runClicked();
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_TRUE(report.match(messages.text(1)).hasMatch()) << messages.text(1).toStdString();
    EXPECT_EQ(body("notes_ruby.txt"), converted);
    // A Word manuscript with the option off: left as text, and the report says so.
    messages.shown.clear();
    select(QStringLiteral("word.docx"));
    window->runClicked();
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_TRUE(messages.text(1).startsWith(QStringLiteral("ユーザーにより変換が取り消されたか")));
    EXPECT_TRUE(messages.text(1).endsWith(QStringLiteral("\r\n\r\nルビ記法（|漢字《かんじ》）らしい個所が 2 個所ありますが、変換していません。\r\n"
                                                         "変換するには、ユーティリティの設定1で「ルビ記法（|漢字《かんじ》）を変換する」をオンにして下さい。")))
        << messages.text(1).toStdString();
    // Turned on in 設定1, stored under its own key: converted as the text was.
    window->utilityClicked();
    window->utilityDialog()->findChild<QCheckBox*>(QStringLiteral("CheckRubyNotation"))->setChecked(true);
    EXPECT_EQ(store.read(QStringLiteral("RubyNotation")), QStringLiteral("1"));
    messages.shown.clear();
    window->runClicked();
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_TRUE(report.match(messages.text(1)).hasMatch()) << messages.text(1).toStdString();
    EXPECT_EQ(body("word_ruby.txt"), converted);
}

TEST_F(AppFixture, TheReportSaysWhatWasLeftOutAndTheProofPageOpens) {
    fs::copy_file(TestData("LeftOutStories.docx"), documents / "stories.docx");
    start(1);
    window->findChild<QComboBox*>(QStringLiteral("Combo1"))->setEditText(QStringLiteral("*.doc;*.docx;*.txt"));
    select(QStringLiteral("stories.docx"));
    // With the proof page on (設定3, its own key), it is written and opened after the run.
    window->utilityClicked();
    window->utilityDialog()->findChild<QCheckBox*>(QStringLiteral("CheckProofPage"))->setChecked(true);
    EXPECT_EQ(store.read(QStringLiteral("ProofPage")), QStringLiteral("1"));
    window->runClicked();
    ASSERT_EQ(messages.shown.size(), 2u);
    // The footnote's two rubies are converted with the body's.
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^ルビ変換処理が終了しました。\n\r処理にかかった時間は \\d+\\.\\d 秒で、3 個所変換しました。"
                                                  "\r\n\r\nテキストボックスのルビ 1 個所とコメントのテキストとヘッダーのルビ 1 個所は"
                                                  "変換していません。$"))
                    .match(messages.text(1))
                    .hasMatch())
        << messages.text(1).toStdString();
    const fs::path page = folder.path() / "app" / "RubyData" / "stories_proof.html";
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(fs::path(shell.opened[0].toStdU16String()), page);
    EXPECT_NE(ReadBytes(page).find("<ruby class=\"mono converted\">漢<rt>かん</rt></ruby>"), std::string::npos);
    EXPECT_NE(ReadBytes(page).find("<aside class=\"note\" id=\"n1\"><a href=\"#r1\">1</a> 注の"), std::string::npos);
    // With the notes and numbers switches off (設定1, their own keys), both are only said.
    window->utilityClicked();
    for (const char* name : {"CheckNotesAsFootnotes", "CheckNumbersAsText"}) {
        QCheckBox* box = window->utilityDialog()->findChild<QCheckBox*>(QString::fromLatin1(name));
        ASSERT_TRUE(box) << name;
        EXPECT_TRUE(box->isChecked()) << name << ": on by default";
        box->setChecked(false);
    }
    EXPECT_EQ(store.read(QStringLiteral("NotesAsFootnotes")), QStringLiteral("0"));
    EXPECT_EQ(store.read(QStringLiteral("NumbersAsText")), QStringLiteral("0"));
    window->runClicked();
    ASSERT_EQ(messages.shown.size(), 4u);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("1 個所変換しました。\r\n\r\nテキストボックスのルビ 1 個所と脚注のルビ 2 個所とコメントのテキストと"
                                                  "ヘッダーのルビ 1 個所は変換していません。段落番号・見出し番号 3 個所は書き出していません。$"))
                    .match(messages.text(3))
                    .hasMatch())
        << messages.text(3).toStdString();
}

// The desktop's opener: a file that no program takes (the opener ends with a
// failure) is not opened, and says so; one the opener hands on is.
TEST(DesktopShell, TheOpenersAnswerIsTheAnswer) {
#if TESSALY_POSIX
    TempFolder folder;
    const fs::path file = folder.path() / "a_ruby.txt";
    WriteBytes(file, "x");
    const QByteArray path = qgetenv("PATH");
    auto openWith = [&](const std::string& script, int wait) {
        WriteBytes(folder.path() / "xdg-open", "#!/bin/sh\n" + script + "\n");
        fs::permissions(folder.path() / "xdg-open", fs::perms::owner_all);
        qputenv("PATH", QByteArray::fromStdString(folder.path().string()) + ":" + path);
        const bool opened = run::DesktopShell(wait).open(QString::fromStdU16String(file.u16string()));
        qputenv("PATH", path);
        return opened;
    };
    EXPECT_FALSE(openWith("exit 3", 5000));
    EXPECT_TRUE(openWith("exit 0", 5000));
    EXPECT_TRUE(openWith("sleep 2", 50)) << "still handing the file on: taken";
    EXPECT_FALSE(run::DesktopShell().open(QString::fromStdU16String((folder.path() / "missing.txt").u16string())));
#else
    SKIP_WITHOUT_POSIX("xdg-open (the desktop opens files through the shell)");
#endif
}
