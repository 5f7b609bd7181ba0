#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QRadioButton>
#include <QLabel>
#include <QTabWidget>
#include <QTest>

#include "settings/SettingsTable.h"
#include "app/UtilityDialog.h"
#include "support/GuiFakes.h"

using namespace tessaly;
using namespace tessaly::testing;

namespace {

struct DialogFixture : ::testing::Test {
    settings::MemoryStore store;
    ConversionOptions options;
    ScriptedMessages messages;
    FakeShell shell;
    template <class T>
    static T* control(QWidget& w, const char* name) {
        return w.findChild<T*>(QString::fromLatin1(name));
    }
};

}  // namespace

TEST_F(DialogFixture, ShowsTheDefaultsAfterAFirstStart) {
    settings::InitialiseIfEmpty(store);
    app::UtilityDialog dialog(store, options, messages, shell, QStringLiteral("/app"));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("ユーティリティ"));
    const char* expected[8] = {"モノルビ", "ひらがな", "デフォルト", "▼", "★", "（　）", " ・ 、（両方）", "70％"};
    const char* names[8] = {"Combo1", "Combo2", "Combo3", "Combo4", "Combo5", "Combo6", "Combo7", "Combo8"};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(control<QComboBox>(dialog, names[i])->currentText(), QString::fromUtf8(expected[i]));
    const bool ticked[6] = {false, true, false, false, true, true};
    const char* checks[6] = {"Check1", "Check2", "Check3", "Check4", "Check5", "Check6"};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(control<QCheckBox>(dialog, checks[i])->isChecked(), ticked[i]) << checks[i];
    // InDesign cannot be driven here: the result is opened as a text file,
    // and placing into InDesign is shown but cannot be chosen.
    EXPECT_TRUE(control<QRadioButton>(dialog, "Option2")->isChecked());
    EXPECT_FALSE(control<QRadioButton>(dialog, "Option3")->isChecked());
    EXPECT_FALSE(control<QRadioButton>(dialog, "Option3")->isEnabled());
    EXPECT_TRUE(control<QRadioButton>(dialog, "Option2")->isEnabled());
    EXPECT_TRUE(messages.shown.empty());
    ConversionOptions openTheFile = settings::DefaultOptions();
    openTheFile.ResultAction = 2;
    EXPECT_EQ(options, openTheFile);
    QStringList tabs;
    for (int i = 0; i < dialog.tabs()->count(); ++i) tabs << dialog.tabs()->tabText(i);
    EXPECT_EQ(tabs, (QStringList{QStringLiteral("設定1"), QStringLiteral("設定2"), QStringLiteral("設定3"), QStringLiteral("管理")}));
    EXPECT_EQ(dialog.tabs()->currentIndex(), 0);
}

TEST_F(DialogFixture, EveryChangeIsStoredAtOnce) {
    settings::InitialiseIfEmpty(store);
    app::UtilityDialog dialog(store, options, messages, shell, QStringLiteral("/app"));
    control<QComboBox>(dialog, "Combo8")->setCurrentIndex(10);
    EXPECT_EQ(store.read(QStringLiteral("Combo8")), QStringLiteral("10"));
    EXPECT_EQ(options.KentenRatio, 10);
    control<QCheckBox>(dialog, "Check1")->setChecked(true);
    EXPECT_EQ(store.read(QStringLiteral("Check1")), QStringLiteral("1"));
    control<QRadioButton>(dialog, "Option2")->setChecked(true);
    EXPECT_EQ(store.read(QStringLiteral("Option1")), QStringLiteral("False"));
    EXPECT_EQ(store.read(QStringLiteral("Option2")), QStringLiteral("True"));
    EXPECT_EQ(store.read(QStringLiteral("Option3")), QStringLiteral("False"));
    EXPECT_EQ(options.ResultAction, 2);
    dialog.tabs()->setCurrentIndex(2);
    EXPECT_EQ(dialog.tabs()->tabText(dialog.tabs()->currentIndex()), QStringLiteral("設定3"));
}

TEST_F(DialogFixture, UnreadableValueResetsWithOneWarning) {
    settings::WriteDefaults(store);
    store.write(QStringLiteral("Combo1"), QStringLiteral("1"));
    store.write(QStringLiteral("Combo7"), QStringLiteral("2"));
    store.write(QStringLiteral("Combo8"), QStringLiteral("11"));
    store.write(QStringLiteral("Check1"), QStringLiteral("1"));
    app::UtilityDialog dialog(store, options, messages, shell, QStringLiteral("/app"));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.title(0), QStringLiteral("確認"));
    EXPECT_EQ(messages.text(0), QStringLiteral("読み取れない情報があったため、一部または全ての設定を初期値に変更しました。\r\n設定を確認の上、実行して下さい。"));
    EXPECT_EQ(control<QComboBox>(dialog, "Combo1")->currentIndex(), 1);   // applied before the failure: kept
    EXPECT_EQ(control<QComboBox>(dialog, "Combo7")->currentIndex(), 2);
    EXPECT_EQ(control<QComboBox>(dialog, "Combo8")->currentIndex(), 4);   // the default from there on
    EXPECT_FALSE(control<QCheckBox>(dialog, "Check1")->isChecked());
    EXPECT_EQ(store.read(QStringLiteral("Combo1")), QStringLiteral("0"));  // the reset wrote every default
    dialog.close();                                                          // and the unload writes the controls back
    EXPECT_EQ(store.read(QStringLiteral("Combo1")), QStringLiteral("1"));
    EXPECT_EQ(store.read(QStringLiteral("Combo7")), QStringLiteral("2"));
    EXPECT_EQ(store.read(QStringLiteral("Combo8")), QStringLiteral("4"));
}

TEST_F(DialogFixture, NoOptionButtonSelectedAndAMissingManual) {
    settings::WriteDefaults(store);
    store.write(QStringLiteral("Option2"), QStringLiteral("False"));
    store.write(QStringLiteral("Option3"), QStringLiteral("False"));
    options.ResultAction = 0;
    app::UtilityDialog dialog(store, options, messages, shell, QStringLiteral("/opt/tessaly"));
    EXPECT_FALSE(control<QRadioButton>(dialog, "Option1")->isChecked());
    EXPECT_FALSE(control<QRadioButton>(dialog, "Option3")->isChecked());
    EXPECT_EQ(options.ResultAction, 0);
    shell.result = false;
    dialog.openManual();
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0], QStringLiteral("/opt/tessaly/使用説明書Win10対応.pdf"));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.text(0), QStringLiteral("使用説明書Win10対応.pdf を開くことができませんでした。\r\n\r\n") +
                                    QDir::toNativeSeparators(QStringLiteral("/opt/tessaly")) +
                                    QStringLiteral("\r\n\r\n上記のパスにファイルが存在するか、PDFファイルを開けるか\r\nを確認して下さい。"));
}

TEST_F(DialogFixture, TheManualIsBuiltBesideThePrograms) {
    // The build makes the manual in the programs' folder, the application
    // folder where it can be written; 使用説明書 opens it.
    const QString folder = QCoreApplication::applicationDirPath();
    QFile manual(folder + QStringLiteral("/使用説明書Win10対応.pdf"));
    ASSERT_TRUE(manual.open(QIODevice::ReadOnly));
    EXPECT_TRUE(manual.read(5).startsWith("%PDF-"));
    EXPECT_GT(manual.size(), 20000);
    settings::WriteDefaults(store);
    app::UtilityDialog dialog(store, options, messages, shell, folder);
    dialog.openManual();
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0], manual.fileName());
    EXPECT_TRUE(messages.shown.empty());
}

// A check box or option button carries no text: clicking its label is
// clicking it.
TEST_F(DialogFixture, ClickingALabelClicksItsControl) {
    settings::InitialiseIfEmpty(store);
    app::UtilityDialog dialog(store, options, messages, shell, QStringLiteral("/app"));
    auto label = [&](const QString& text) {
        for (QLabel* l : dialog.findChildren<QLabel*>())
            if (l->text() == text) return l;
        return static_cast<QLabel*>(nullptr);
    };
    QLabel* smallKana = label(QStringLiteral("拗促音を大文字に変換する"));
    ASSERT_NE(smallKana, nullptr);
    QTest::mouseClick(smallKana, Qt::LeftButton);
    EXPECT_TRUE(control<QCheckBox>(dialog, "Check1")->isChecked());
    EXPECT_EQ(store.read(QStringLiteral("Check1")), QStringLiteral("1"));
    QTest::mouseClick(label(QStringLiteral("変換のみ")), Qt::LeftButton);
    EXPECT_TRUE(control<QRadioButton>(dialog, "Option1")->isChecked());
    EXPECT_EQ(options.ResultAction, 1);
    QTest::mouseClick(label(QStringLiteral("アクティブなInDesign文書に流し込む")), Qt::LeftButton);
    EXPECT_FALSE(control<QRadioButton>(dialog, "Option3")->isChecked()) << "a disabled control stays as it is";
}
