#include "app/UtilityDialog.h"

#include "run/RunServices.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

#include "run/RunServices.h"

namespace tessaly::app {
namespace {

const char* const kComboNames[8] = {"Combo1", "Combo2", "Combo3", "Combo4", "Combo5", "Combo6", "Combo7", "Combo8"};
const char* const kCheckNames[6] = {"Check1", "Check2", "Check3", "Check4", "Check5", "Check6"};
const char* const kOptionNames[3] = {"Option1", "Option2", "Option3"};

QLabel* Note(const QString& text) {
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    return label;
}

}  // namespace

UtilityDialog::UtilityDialog(KeyValueStore& store, ConversionOptions& options, run::MessageService& messages,
                             run::ShellOpener& shell, QString appFolder, QWidget* parent)
    : QDialog(parent), m_store(store), m_options(options), m_messages(messages), m_shell(shell),
      m_appFolder(std::move(appFolder)) {
    setWindowTitle(QStringLiteral("ユーティリティ"));
    setObjectName(QStringLiteral("UtilityDialog"));
    setModal(false);

    for (int i = 0; i < 8; ++i) {
        m_combos[i] = new QComboBox(this);
        m_combos[i]->setObjectName(QString::fromLatin1(kComboNames[i]));
        for (auto item : ListItems(static_cast<OptionList>(i)))
            m_combos[i]->addItem(QString::fromStdU16String(std::u16string(item)));
    }
    for (int i = 0; i < 6; ++i) {
        m_checks[i] = new QCheckBox(this);
        m_checks[i]->setObjectName(QString::fromLatin1(kCheckNames[i]));
    }
    m_optionGroup = new QButtonGroup(this);
    for (int i = 0; i < 3; ++i) {
        m_options3[i] = new QRadioButton(this);
        m_options3[i]->setObjectName(QString::fromLatin1(kOptionNames[i]));
        m_optionGroup->addButton(m_options3[i], i + 1);
    }

    // A control with its label beside it.
    auto row = [](QGridLayout* grid, int r, const QString& label, QWidget* control) {
        grid->addWidget(new QLabel(label), r, 0);
        grid->addWidget(control, r, 1);
    };

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("SSTab1"));

    auto* page0 = new QWidget;
    auto* basics = new QGroupBox(QStringLiteral("基本設定"));
    auto* g0 = new QGridLayout(basics);
    row(g0, 0, QStringLiteral("ルビ種別"), m_combos[0]);
    row(g0, 1, QStringLiteral("かな種別"), m_combos[1]);
    row(g0, 2, QStringLiteral("拗促音を大文字に変換する"), m_checks[0]);
    row(g0, 3, QStringLiteral("OpenTypeのルビ字形を使用する"), m_checks[5]);
    row(g0, 4, QStringLiteral("ルビ区切り記号"), m_combos[3]);
    g0->addWidget(Note(QStringLiteral("注）ルビの末尾にルビ区切りがある場合、　　　強制的にルビと親文字を分離します")), 5, 0, 1, 2);
    m_rubyNotation = new QCheckBox(this);
    m_rubyNotation->setObjectName(QStringLiteral("CheckRubyNotation"));
    row(g0, 6, QStringLiteral("ルビ記法（|漢字《かんじ》）を変換する"), m_rubyNotation);
    (new QVBoxLayout(page0))->addWidget(basics);
    m_tabs->addTab(page0, QStringLiteral("設定1"));

    auto* page1 = new QWidget;
    auto* warichu = new QGroupBox(QStringLiteral("割注の設定"));
    auto* g1 = new QGridLayout(warichu);
    row(g1, 0, QStringLiteral("割注区切り記号"), m_combos[4]);
    g1->addWidget(Note(QStringLiteral("注）ルビの末尾に割注区切りがある場合、　　割注形式でルビ文字列を配置します")), 1, 0, 1, 2);
    row(g1, 2, QStringLiteral("割注の前後"), m_combos[5]);
    row(g1, 3, QStringLiteral("割注パーレンを半角にする"), m_checks[2]);
    row(g1, 4, QStringLiteral("ルビ字形に変換する"), m_checks[3]);
    auto* kenten = new QGroupBox(QStringLiteral("圏点の設定"));
    auto* g2 = new QGridLayout(kenten);
    row(g2, 0, QStringLiteral("一太郎の傍点を圏点に変換する"), m_checks[4]);
    g2->addWidget(new QLabel(QStringLiteral("種類")), 1, 0);
    g2->addWidget(m_combos[6], 1, 1);
    g2->addWidget(new QLabel(QStringLiteral("比率")), 1, 2);
    g2->addWidget(m_combos[7], 1, 3);
    auto* v1 = new QVBoxLayout(page1);
    v1->addWidget(warichu);
    v1->addWidget(kenten);
    m_tabs->addTab(page1, QStringLiteral("設定2"));

    auto* page2 = new QWidget;
    auto* output = new QGroupBox(QStringLiteral("テキスト出力時の設定"));
    auto* g3 = new QGridLayout(output);
    row(g3, 0, QStringLiteral("タグのヘッダ部分"), m_combos[2]);
    g3->addWidget(Note(QStringLiteral("注）カスタムの場合は、tempフォルダ内に　　　header.txtが必要です")), 1, 0, 1, 2);
    row(g3, 2, QStringLiteral("Mac用テキストを同時に作成する"), m_checks[1]);
    m_proofPage = new QCheckBox(this);
    m_proofPage->setObjectName(QStringLiteral("CheckProofPage"));
    row(g3, 3, QStringLiteral("校正用HTMLを作成して表示する"), m_proofPage);
    auto* result = new QGroupBox(QStringLiteral("結果の確認"));
    auto* g4 = new QGridLayout(result);
    row(g4, 0, QStringLiteral("変換のみ"), m_options3[0]);
    row(g4, 1, QStringLiteral("テキストファイルを表示する"), m_options3[1]);
    row(g4, 2, QStringLiteral("アクティブなInDesign文書に流し込む"), m_options3[2]);
    // Shown with its label, but not to be chosen where InDesign cannot be driven.
    m_options3[2]->setEnabled(run::kBuildDrivesInDesign);
    auto* v2 = new QVBoxLayout(page2);
    v2->addWidget(output);
    v2->addWidget(result);
    m_tabs->addTab(page2, QStringLiteral("設定3"));

    auto* page3 = new QWidget;
    auto* g5 = new QGridLayout(page3);
    auto* manual = new QPushButton(QStringLiteral("使用説明書"));
    manual->setObjectName(QStringLiteral("Command1"));
    g5->addWidget(manual, 0, 0);
    g5->addWidget(new QLabel(QStringLiteral("オンラインマニュアルを表示します（PDF版）")), 0, 1);
    g5->setRowStretch(1, 1);
    m_tabs->addTab(page3, QStringLiteral("管理"));

    (new QVBoxLayout(this))->addWidget(m_tabs);

    // Each change is stored at once and sets its options field.
    for (int i = 0; i < 8; ++i) {
        connect(m_combos[i], &QComboBox::currentIndexChanged, this, [this, i](int index) {
            m_store.write(QString::fromLatin1(kComboNames[i]), QString::number(index));
            writeOptions();
        });
    }
    for (int i = 0; i < 6; ++i) {
        connect(m_checks[i], &QCheckBox::toggled, this, [this, i](bool on) {
            m_store.write(QString::fromLatin1(kCheckNames[i]), on ? QStringLiteral("1") : QStringLiteral("0"));
            writeOptions();
        });
    }
    connect(m_optionGroup, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (!on) return;
        for (int k = 0; k < 3; ++k)
            m_store.write(QString::fromLatin1(kOptionNames[k]), m_options3[k]->isChecked() ? QStringLiteral("True") : QStringLiteral("False"));
        writeOptions();
    });
    connect(manual, &QPushButton::clicked, this, [this] { openManual(); });
    connect(m_rubyNotation, &QCheckBox::toggled, this,
            [this](bool on) { m_store.write(kRubyNotationKey, on ? QStringLiteral("1") : QStringLiteral("0")); });
    connect(m_proofPage, &QCheckBox::toggled, this,
            [this](bool on) { m_store.write(kProofPageKey, on ? QStringLiteral("1") : QStringLiteral("0")); });

    load();
}

void UtilityDialog::load() {
    m_tabs->setCurrentIndex(0);
    {
        const QSignalBlocker block(m_rubyNotation);
        m_rubyNotation->setChecked(LoadRubyNotation(m_store));
    }
    {
        const QSignalBlocker block(m_proofPage);
        m_proofPage->setChecked(LoadProofPage(m_store));
    }
    const DialogValues loaded = LoadDialogValues(m_store, [this] {
        m_messages.show(Message{u"確認", ResetWarningText().toStdU16String(), MessageIcon::Warning, MessageButtons::Ok});
    });
    setValues(loaded);
}

// The store already holds what the controls get here (the stored values, or
// the defaults a reset wrote), so setting them writes nothing.
void UtilityDialog::setValues(const DialogValues& v) {
    for (int i = 0; i < 8; ++i) {
        const QSignalBlocker block(m_combos[i]);
        m_combos[i]->setCurrentIndex(v.combo[i]);
    }
    for (int i = 0; i < 6; ++i) {
        const QSignalBlocker block(m_checks[i]);
        m_checks[i]->setChecked(v.check[i] == 1);
    }
    const QSignalBlocker block(m_optionGroup);
    m_optionGroup->setExclusive(false);
    for (int i = 0; i < 3; ++i) m_options3[i]->setChecked(v.option[i]);
    m_optionGroup->setExclusive(true);
    writeOptions();
}

DialogValues UtilityDialog::values() const {
    DialogValues v;
    for (int i = 0; i < 8; ++i) v.combo[i] = m_combos[i]->currentIndex();
    for (int i = 0; i < 6; ++i) v.check[i] = m_checks[i]->isChecked() ? 1 : 0;
    for (int i = 0; i < 3; ++i) v.option[i] = m_options3[i]->isChecked();
    return v;
}

void UtilityDialog::writeOptions() { m_options = CaptureOptions(values(), m_options.ResultAction); }

void UtilityDialog::saveAll() { SaveDialogValues(m_store, values()); }

void UtilityDialog::closeEvent(QCloseEvent* event) {
    saveAll();
    event->accept();
}

void UtilityDialog::openManual() {
    const QString manual = m_appFolder + QStringLiteral("/使用説明書Win10対応.pdf");
    if (m_shell.open(manual)) return;
    const QString text = QStringLiteral("使用説明書Win10対応.pdf を開くことができませんでした。\r\n\r\n") +
                         QDir::toNativeSeparators(m_appFolder) +
                         QStringLiteral("\r\n\r\n上記のパスにファイルが存在するか、PDFファイルを開けるか\r\nを確認して下さい。");
    m_messages.show(Message{u"確認", text.toStdU16String(), MessageIcon::Warning, MessageButtons::Ok});
}

}  // namespace tessaly::app
