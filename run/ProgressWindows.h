// The preparation window (the only place a run can be aborted) and the
// progress window with its bar, percentage, count and document name.
// Controls carry their designer names as object names.
#pragma once

#include <QPixmap>
#include <QSize>
#include <QWidget>

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

}  // namespace tessaly::run
