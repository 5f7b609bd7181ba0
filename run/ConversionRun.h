// One conversion run: the "実行" command with its pre-checks, and the driver
// that takes a document from its path to the final report, behind the
// preparation and progress windows. "Word" is the embedded word processor:
// starting it creates nothing, opening the document reads the file (the
// conversion step of convert/ does the reading and the converting).
#pragma once

#include <QPointer>
#include <QString>

#include <memory>

#include "convert/Conversion.h"
#include "engine/ConversionOptions.h"
#include "engine/RunState.h"
#include "run/ProgressWindows.h"
#include "run/RunServices.h"

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
    // The main window, over which the run's windows open (null: none).
    virtual QWidget* mainWidget() = 0;
    // What the reader makes of the manuscript: ruby notation in a Word
    // manuscript, notes as footnotes, numbers as text.
    virtual wordproc::ReadOptions readOptions() = 0;
    // Whether a proof page is made and shown after the run.
    virtual bool proofPage() = 0;
};

// Whether a file name is one the run converts: .doc, .docx or .txt, in any case.
bool IsManuscriptFileName(const QString& name);

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
    // The run's steps, in order; each returns false when the run ends there.
    bool checkCustomHeader();
    bool openDocument();
    bool confirmStart();
    bool checkInDesign();
    void commit();
    bool preparationPause();
    bool convertDocument();
    void finish();

    void warn(const QString& text, MessageIcon icon = MessageIcon::Warning);
    void closeWord();
    void closeRunWindows();
    void failed(const QString& reason);
    QString outputFolder() const;
    // Opens the proof page made beside the output, or says why there is none.
    void showProofPage();
    // Puts a run window over the main window.
    void place(QWidget& window);

    RunServices m_services;
    MainWindowAccess& m_main;
    RunState& m_state;
    QString m_appFolder;
    // The current run.
    ConversionOptions m_options;
    std::unique_ptr<convert::Manuscript> m_manuscript;  // the open document
    std::unique_ptr<InDesignApplication> m_inDesign;
    convert::ConversionResult m_result;
    std::optional<std::u16string> m_customHeader;  // read once the run starts
    double m_start = 0;
    QPointer<PreparationWindow> m_preparation;
    QPointer<ProgressWindow> m_progress;
};

}  // namespace tessaly::run
