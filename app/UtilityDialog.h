// The utility dialog: every conversion setting on four tabbed pages, each
// change stored at once. Its controls, their labels and their places come
// from the settings table; they are the model the run captures the options
// from, and the dialog may be loaded without being shown.
#pragma once

#include <QDialog>

#include <map>
#include <string_view>

#include "engine/ConversionOptions.h"
#include "run/RunServices.h"
#include "settings/SettingsStore.h"

class QButtonGroup;
class QGridLayout;
class QTabWidget;

namespace tessaly::app {

class UtilityDialog : public QDialog {
public:
    // Loads the controls from the store (validating, with the reset warning
    // through messages). options is the process-wide record each change sets.
    UtilityDialog(settings::KeyValueStore& store, ConversionOptions& options, run::MessageService& messages,
                  run::ShellOpener& shell, QString appFolder, QWidget* parent = nullptr);

    // The controls' values.
    settings::SettingValues values() const;
    // Unload: every dialog key written from the controls.
    void saveAll();

    QTabWidget* tabs() const { return m_tabs; }
    void openManual();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The control of a setting, made and connected.
    QWidget* makeControl(const settings::Setting& setting);
    // The setting's row in its group's grid.
    void addToGroup(QGridLayout* grid, int& rows, const settings::Setting& setting, QWidget* control);
    void buildPages();
    void load();
    void setValues(const settings::SettingValues& values);
    void changed(const settings::Setting& setting);

    settings::KeyValueStore& m_store;
    ConversionOptions& m_options;
    run::MessageService& m_messages;
    run::ShellOpener& m_shell;
    QString m_appFolder;
    QTabWidget* m_tabs;
    std::map<std::string_view, QWidget*> m_controls;  // by key; the result buttons' group under Option1
    QButtonGroup* m_resultButtons = nullptr;
};

}  // namespace tessaly::app
