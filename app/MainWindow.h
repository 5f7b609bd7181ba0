// The main window: drive list, folder list, file list with its file-type
// box and the remember switch, and the buttons 実行, ユーティリティ, 終了.
// Controls keep their designer names as object names.
#pragma once

#include <QHash>
#include <QList>
#include <QListWidget>
#include <QPointer>
#include <QWidget>

#include <memory>

#include "app/UtilityDialog.h"
#include "run/ConversionRun.h"
#include "settings/SettingsStore.h"

class QCheckBox;
class QComboBox;
class QPushButton;

namespace tessaly::app {

// The folder list: the path from the root down to the current folder, then
// its sub-folders; activating an entry opens it.
class FolderList : public QListWidget {
    Q_OBJECT
public:
    explicit FolderList(QWidget* parent = nullptr);
    QString path() const { return m_path; }
    // False when the folder cannot be read.
    bool setPath(const QString& path);

signals:
    void pathChanged(const QString& path);

private:
    QString m_path;
};

class MainWindow : public QWidget, public run::MainWindowAccess {
public:
    MainWindow(settings::KeyValueStore& store, RunState& state, run::RunServices services, QString appFolder,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // The load steps: file types, remembered drive and folder, first file.
    void load();

    // run::MainWindowAccess
    QString currentFolder() override;
    QString selectedFileName() override;
    void setFileControlsEnabled(bool enabled) override;
    void closeUtilityDialog() override;
    ConversionOptions captureOptions() override;
    void focusMainWindow() override;
    void showMainWindow() override;
    void minimiseMainWindow() override;
    QWidget* mainWidget() override { return this; }
    wordproc::ReadOptions readOptions() override {
        return {settings::FlagIsOn(m_store, settings::kRubyNotationKey), settings::FlagIsOn(m_store, settings::kNotesAsFootnotesKey),
                settings::FlagIsOn(m_store, settings::kNumbersAsTextKey), settings::FlagIsOn(m_store, settings::kNarouRubyKey)};
    }
    bool proofPage() override { return settings::FlagIsOn(m_store, settings::kProofPageKey); }

    // Selects a manuscript as a drop onto the window does: its drive,
    // folder and file. False when it is no file.
    bool selectFile(const QString& path);

    // Button handlers.
    void runClicked();
    void utilityClicked();
    void exitClicked();

    UtilityDialog* utilityDialog() const { return m_utility; }
    run::ConversionRun& conversionRun() { return m_run; }
    const ConversionOptions& options() const { return m_options; }

    // Changes the drive; on a drive without a medium asks to retry.
    void changeDrive(int index);
    void changeFolder(const QString& path);
    void changeFileType(const QString& pattern);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void fillDrives();
    void createControls();
    void layOut();
    void connectControls();
    void refreshFiles();
    void placeBeside(QWidget& dialog);
    void selectDriveFor(const QString& path);
    void fallBackToHome();
    QString driveRoot(int index) const;

    settings::KeyValueStore& m_store;
    RunState& m_state;
    run::RunServices m_services;
    QString m_appFolder;
    ConversionOptions m_options;
    run::ConversionRun m_run;
    QPointer<UtilityDialog> m_utility;

    QComboBox* m_drives;
    FolderList* m_folders;
    QListWidget* m_files;
    QComboBox* m_fileType;
    QCheckBox* m_remember;
    QPushButton* m_runButton;
    QPushButton* m_utilityButton;
    QPushButton* m_exitButton;
    bool m_changingDrive = false;
    // The file last selected in each folder shown, to select it again.
    QHash<QString, QString> m_lastFile;
};

// A mounted volume as the system lists it.
struct Volume {
    QString rootPath;
    QString fileSystemType;
    QString device;
    QString name;
};

// The volumes a user picks a manuscript from: removable media and mounted
// disks, not the system's own mount points, pseudo file systems or a
// sandbox's binds. The home folder is offered before them by the main window.
QList<Volume> UserVolumes(const QList<Volume>& mounted);

// The folder the defaults "C:" and "C:\" stand for on this system.
QString DefaultFolder();

}  // namespace tessaly::app
