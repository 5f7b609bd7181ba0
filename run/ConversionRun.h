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

#include "wordproc/Readers.h"

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
    // Whether ruby and emphasis written as text are converted in a Word manuscript.
    virtual bool rubyNotation() = 0;
    // Whether a proof page is made and shown after the run.
    virtual bool proofPage() = 0;
};

// The fixed pauses, in seconds: the preparation window's (the only time a
// run can be aborted) and the completion's. A benchmark sets them to zero.
struct RunPauses {
    double preparation = 5;
    double completion = 1;
};

struct RunServices {
    MessageService& messages;
    PauseClock& clock;
    WindowSystem& windows;
    InDesignConnector& inDesign;
    ShellOpener& shell;
    RunPauses pauses = {};
};

// Whether a file name is one the run converts: .doc, .docx or .txt, in any case.
bool IsManuscriptFileName(const QString& name);

// The progress window as the engine drives it: the bar and the count are
// repainted when the shown percentage changes or a frame's time (1/30 s) has
// passed, and the user interface is given its turn at most that often, so
// that a book of a hundred thousand rubies costs the display no more than a
// few hundred repaints. The count shown is the latest whenever it is painted.
class ThrottledProgress : public EngineHost {
public:
    static constexpr double kFrameSeconds = 1.0 / 30;

    ThrottledProgress(ProgressWindow& progress, RunServices& services) : m_progress(progress), m_services(services) {}
    void UpdateProgress(int value, int max, float width, const std::u16string& caption) override;
    void ShowConvertedCount(int32_t count) override;
    void Yield() override;
    MessageAnswer ShowMessage(const Message& message) override { return m_services.messages.show(message); }
    void Pause(std::chrono::milliseconds duration) override;

private:
    void paint(double now);

    ProgressWindow& m_progress;
    RunServices& m_services;
    int m_value = 0, m_max = 100;
    float m_width = 0;
    QString m_caption;
    int m_shownPercent = -1;
    int32_t m_count = 0;
    bool m_countShown = true;
    double m_lastPaint = -1e9;
    double m_lastYield = -1e9;
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
    // Writes the proof page beside the output and opens it.
    void showProofPage(const QString& outputFolder);
    // Puts a run window over the main window.
    void place(QWidget& window);

    RunServices m_services;
    MainWindowAccess& m_main;
    RunState& m_state;
    QString m_appFolder;
    std::unique_ptr<wordproc::DocumentModel> m_word;  // the open document
    wordproc::ReadReport m_readReport;                // what reading it left out
    QPointer<PreparationWindow> m_preparation;
    QPointer<ProgressWindow> m_progress;
};

}  // namespace tessaly::run
