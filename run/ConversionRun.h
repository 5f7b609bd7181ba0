// One conversion run: the "実行" command with its pre-checks, and the driver
// that takes a document from its path to the final report, behind the
// preparation and progress windows. "Word" is the embedded word processor:
// starting it creates nothing, opening the document reads the file.
#pragma once

#include <QPointer>
#include <QString>

#include <memory>

#include "engine/ConversionOptions.h"
#include "engine/RunState.h"
#include "run/ProgressWindows.h"
#include "run/RunServices.h"

namespace tessaly::wordproc {
class DocumentModel;
}

namespace tessaly::run {

// What the run needs of the main window and the utility dialog.
class MainWindowAccess {
public:
    virtual ~MainWindowAccess() = default;
    virtual QString currentFolder() = 0;     // the folder list's path
    virtual QString selectedFileName() = 0;  // the file list's selected entry, or empty
    virtual void setFileControlsEnabled(bool enabled) = 0;
    virtual void closeUtilityDialog() = 0;
    // Reloads the utility dialog's model from the store and captures the options.
    virtual ConversionOptions captureOptions() = 0;
    virtual void focusMainWindow() = 0;
    virtual void showMainWindow() = 0;
    virtual void minimiseMainWindow() = 0;
};

struct RunServices {
    MessageService& messages;
    PauseClock& clock;
    WindowSystem& windows;
    InDesignConnector& inDesign;
    ShellOpener& shell;
};

class ConversionRun {
public:
    ConversionRun(RunServices services, MainWindowAccess& main, RunState& state, QString appFolder);
    ~ConversionRun();

    // The "実行" button.
    void RunCommand();
    // One conversion of state.DocumentPath with the captured options.
    void RunConversion(const ConversionOptions& options);

    // The windows of the current run (null when not loaded).
    PreparationWindow* preparationWindow() const { return m_preparation; }
    ProgressWindow* progressWindow() const { return m_progress; }

private:
    void warn(const QString& text, MessageIcon icon = MessageIcon::Warning);
    void closeWord();
    void closeRunWindows();
    void failed(const QString& reason);

    RunServices m_services;
    MainWindowAccess& m_main;
    RunState& m_state;
    QString m_appFolder;
    std::unique_ptr<wordproc::DocumentModel> m_word;  // the open document
    QPointer<PreparationWindow> m_preparation;
    QPointer<ProgressWindow> m_progress;
};

}  // namespace tessaly::run
