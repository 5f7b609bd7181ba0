// The preparation window (the only place a run can be aborted) and the
// progress window with its bar, percentage, count and document name.
// Controls carry their designer names as object names.
#pragma once

#include <QPixmap>
#include <QSize>
#include <QWidget>

#include "engine/EngineHost.h"
#include "engine/RunState.h"
#include "run/RunServices.h"

class QLabel;
class QFrame;
class QLineEdit;
class QPushButton;

namespace tessaly::run {

// The product's small picture: a ruby over its base character.
QPixmap RubyPicture(int width, int height);

// Lets a window that was just shown be drawn: events other than the user's
// input are handled until the window system has exposed it (for at most two
// seconds), so that a wait that follows starts with the window on screen.
void WaitUntilExposed(QWidget& window, PauseClock& clock);

// The preparation and progress windows take the same size and place, over
// the main window, so that the display does not jump between them.
inline constexpr QSize kRunWindowSize(460, 170);

// Refuses a close from its own title bar while a run is active.
class RunWindow : public QWidget {
public:
    RunWindow(RunState& state, QWidget* parent);

protected:
    void closeEvent(QCloseEvent* event) override;
    RunState& m_state;
};

class PreparationWindow : public RunWindow {
public:
    PreparationWindow(RunState& state, MessageService& messages, QWidget* parent = nullptr);
    void setDocumentName(const QString& name);
    // The abort button: asks, and on Yes sets AbortRequested.
    void abortClicked();

private:
    MessageService& m_messages;
    QLabel* m_documentName;
};

class ProgressWindow : public RunWindow {
public:
    explicit ProgressWindow(RunState& state, QWidget* parent = nullptr);

    // Empty bar, caption shown, window shown; returns the full bar width.
    float ShowProgress(const QString& caption);
    // done of total: the bar (98 % of its share of the width) and the percentage.
    void UpdateProgress(int done, int total, float fullWidth, const QString& caption);
    // A full bar and "100％", a pause of a little over half a second (pause
    // seconds, rounded) during which the window is drawn but takes no input,
    // then closed.
    void FinishProgress(const QString& caption, PauseClock& clock, double pause = 1);

    void setConvertedCount(int count);
    void setDocumentName(const QString& name);

    QString caption() const;
    QString percentage() const;
    int barWidth() const;

private:
    QLabel* m_caption;
    QFrame* m_background;
    QFrame* m_bar;
    QLabel* m_percentage;
    QLabel* m_count;
    QLabel* m_documentName;
    QLineEdit* m_focus;
};

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

}  // namespace tessaly::run
