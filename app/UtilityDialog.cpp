#include "app/UtilityDialog.h"

#include "app/ControlLabel.h"

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

#include <algorithm>
#include <vector>

namespace tessaly::app {
namespace {

using settings::Setting;
using settings::SettingKind;

QString Text(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

QLabel* Note(const QString& text) {
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    return label;
}

// The settings of a page, from the top.
std::vector<const Setting*> PageSettings(int page) {
    std::vector<const Setting*> rows;
    for (const Setting& s : settings::Settings())
        if (s.dialog.page == page) rows.push_back(&s);
    std::sort(rows.begin(), rows.end(), [](const Setting* a, const Setting* b) { return a->dialog.order < b->dialog.order; });
    return rows;
}

}  // namespace

UtilityDialog::UtilityDialog(settings::KeyValueStore& store, ConversionOptions& options, run::MessageService& messages,
                             run::ShellOpener& shell, QString appFolder, QWidget* parent)
    : QDialog(parent), m_store(store), m_options(options), m_messages(messages), m_shell(shell),
      m_appFolder(std::move(appFolder)) {
    setWindowTitle(QStringLiteral("ユーティリティ"));
    setObjectName(QStringLiteral("UtilityDialog"));
    setModal(false);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("SSTab1"));
    buildPages();

    auto* page3 = new QWidget;
    auto* g5 = new QGridLayout(page3);
    auto* manual = new QPushButton(QStringLiteral("使用説明書"));
    manual->setObjectName(QStringLiteral("Command1"));
    g5->addWidget(manual, 0, 0);
    g5->addWidget(new QLabel(QStringLiteral("オンラインマニュアルを表示します（PDF版）")), 0, 1);
    g5->setRowStretch(1, 1);
    m_tabs->addTab(page3, QStringLiteral("管理"));
    connect(manual, &QPushButton::clicked, this, [this] { openManual(); });

    (new QVBoxLayout(this))->addWidget(m_tabs);
    load();
}

QWidget* UtilityDialog::makeControl(const Setting& s) {
    const QString key = settings::KeyOf(s.key);
    switch (s.kind) {
    case SettingKind::List: {
        auto* combo = new QComboBox(this);
        combo->setObjectName(key);
        for (auto item : ListItems(*s.list)) combo->addItem(QString::fromStdU16String(std::u16string(item)));
        connect(combo, &QComboBox::currentIndexChanged, this, [this, &s] { changed(s); });
        return combo;
    }
    case SettingKind::Switch:
    case SettingKind::Flag: {
        auto* check = new QCheckBox(this);
        // The dialog's own switches are named as their keys; the two of
        // their own keys, Check and the key.
        check->setObjectName(s.kind == SettingKind::Switch ? key : QStringLiteral("Check") + key);
        connect(check, &QCheckBox::toggled, this, [this, &s] { changed(s); });
        return check;
    }
    case SettingKind::ResultButtons: {
        m_resultButtons = new QButtonGroup(this);
        for (int i = 0; i < 3; ++i) {
            auto* button = new QRadioButton(this);
            button->setObjectName(settings::KeyOf(settings::kResultButtonKeys[i]));
            m_resultButtons->addButton(button, i + 1);
        }
        // Shown with its label, but not to be chosen where InDesign cannot be driven.
        m_resultButtons->button(kPlaceIntoInDesign)->setEnabled(settings::kBuildPlacesIntoInDesign);
        connect(m_resultButtons, &QButtonGroup::idToggled, this, [this, &s](int, bool on) {
            if (on) changed(s);
        });
        return nullptr;
    }
    case SettingKind::Text: break;
    }
    return nullptr;
}

void UtilityDialog::addToGroup(QGridLayout* grid, int& rows, const Setting& s, QWidget* control) {
    if (s.kind == SettingKind::ResultButtons) {
        for (int i = 0; i < 3; ++i) {
            grid->addWidget(new ControlLabel(Text(settings::kResultButtonLabels[i]), m_resultButtons->button(i + 1)), rows, 0);
            grid->addWidget(m_resultButtons->button(i + 1), rows++, 1);
        }
        return;
    }
    // A control with its label beside it; one beside the previous takes the
    // two columns after it on the same line.
    const bool beside = s.dialog.besideThePrevious && rows > 0;
    const int row = beside ? rows - 1 : rows++;
    grid->addWidget(new ControlLabel(Text(s.dialog.label), control), row, beside ? 2 : 0);
    grid->addWidget(control, row, beside ? 3 : 1);
    if (!s.dialog.note.empty()) grid->addWidget(Note(Text(s.dialog.note)), rows++, 0, 1, 2);
}

void UtilityDialog::buildPages() {
    for (int page = 0; page < 3; ++page) {
        auto* widget = new QWidget;
        auto* column = new QVBoxLayout(widget);
        QGridLayout* grid = nullptr;
        int rows = 0;
        std::string_view group;
        for (const Setting* s : PageSettings(page)) {
            if (!grid || s->dialog.group != group) {
                group = s->dialog.group;
                auto* box = new QGroupBox(Text(group));
                grid = new QGridLayout(box);
                rows = 0;
                column->addWidget(box);
            }
            QWidget* control = makeControl(*s);
            m_controls[s->key] = control;
            addToGroup(grid, rows, *s, control);
        }
        m_tabs->addTab(widget, Text(settings::kDialogPageNames[page]));
    }
}

void UtilityDialog::load() {
    m_tabs->setCurrentIndex(0);
    const settings::SettingValues loaded = settings::LoadSettings(m_store, [this] {
        m_messages.show(Message{u"確認", settings::ResetWarningText().toStdU16String(), MessageIcon::Warning, MessageButtons::Ok});
    });
    setValues(loaded);
}

// The store already holds what the controls get here (the stored values, or
// the defaults a reset wrote), so setting them writes nothing.
void UtilityDialog::setValues(const settings::SettingValues& v) {
    for (const Setting& s : settings::Settings()) {
        QWidget* control = m_controls.count(s.key) ? m_controls.at(s.key) : nullptr;
        if (s.kind == SettingKind::List) {
            const QSignalBlocker block(control);
            static_cast<QComboBox*>(control)->setCurrentIndex(v.options.*s.field);
        } else if (s.kind == SettingKind::Switch || s.kind == SettingKind::Flag) {
            const bool on = s.field ? v.options.*s.field == kOn : v.*s.flagField;
            const QSignalBlocker block(control);
            static_cast<QCheckBox*>(control)->setChecked(on);
        } else if (s.kind == SettingKind::ResultButtons) {
            const QSignalBlocker block(m_resultButtons);
            m_resultButtons->setExclusive(false);
            for (int i = 1; i <= 3; ++i) m_resultButtons->button(i)->setChecked(v.options.ResultAction == i);
            m_resultButtons->setExclusive(true);
        }
    }
    m_options = settings::CaptureOptions(values(), m_options.ResultAction);
}

settings::SettingValues UtilityDialog::values() const {
    settings::SettingValues v;
    for (const Setting& s : settings::Settings()) {
        QWidget* control = m_controls.count(s.key) ? m_controls.at(s.key) : nullptr;
        if (s.kind == SettingKind::List) {
            v.options.*s.field = static_cast<int16_t>(static_cast<QComboBox*>(control)->currentIndex());
        } else if (s.kind == SettingKind::Switch || s.kind == SettingKind::Flag) {
            const bool on = static_cast<QCheckBox*>(control)->isChecked();
            if (s.field) v.options.*s.field = on ? kOn : kOff;
            else v.*s.flagField = on;
        } else if (s.kind == SettingKind::ResultButtons) {
            v.options.ResultAction = static_cast<int16_t>(std::max(0, m_resultButtons->checkedId()));
        }
    }
    return v;
}

// Each change is stored at once and sets its options field.
void UtilityDialog::changed(const Setting& s) {
    settings::WriteSetting(m_store, s, values());
    m_options = settings::CaptureOptions(values(), m_options.ResultAction);
}

void UtilityDialog::saveAll() { settings::SaveDialogSettings(m_store, values()); }

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
