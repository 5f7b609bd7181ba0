// The utility dialog: every conversion setting on four tabbed pages, each
// change stored at once. Its controls are the model the run captures the
// options from; it may be loaded without being shown.
#pragma once

#include <QDialog>

#include <array>

#include "app/SettingsStore.h"
#include "engine/ConversionOptions.h"
#include "run/RunServices.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QRadioButton;
class QTabWidget;

namespace tessaly::app {

class UtilityDialog : public QDialog {
public:
    // Loads the controls from the store (validating, with the reset warning
    // through messages). options is the process-wide record each change sets.
    UtilityDialog(KeyValueStore& store, ConversionOptions& options, run::MessageService& messages,
                  run::ShellOpener& shell, QString appFolder, QWidget* parent = nullptr);

    // The controls' values.
    DialogValues values() const;
    // Unload: every dialog key written from the controls.
    void saveAll();

    QTabWidget* tabs() const { return m_tabs; }
    void openManual();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void load();
    void setValues(const DialogValues& values);
    void writeOptions();

    KeyValueStore& m_store;
    ConversionOptions& m_options;
    run::MessageService& m_messages;
    run::ShellOpener& m_shell;
    QString m_appFolder;
    QTabWidget* m_tabs;
    std::array<QComboBox*, 8> m_combos{};
    std::array<QCheckBox*, 6> m_checks{};
    std::array<QRadioButton*, 3> m_options3{};
    QCheckBox* m_rubyNotation;  // stored under its own key
    QCheckBox* m_proofPage;     // likewise
    QButtonGroup* m_optionGroup;
    bool m_loading = false;
};

}  // namespace tessaly::app
