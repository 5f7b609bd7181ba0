#include "run/ProgressWindows.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QWindow>

#include <stdexcept>

#include "run/RunMessages.h"

namespace tessaly::run {
namespace {

constexpr int kBarWidth = 300;

QLabel* Label(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

// The bar: a background box with the filled box drawn inside it.
QFrame* Box(QWidget* parent, const char* name, int width, const QString& colour) {
    auto* box = new QFrame(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setFixedSize(width, 18);
    box->setStyleSheet(QStringLiteral("background-color: %1;").arg(colour));
    return box;
}

QLineEdit* FocusBox(QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QStringLiteral("Text3"));
    box->setFixedWidth(12);
    box->setReadOnly(true);
    return box;
}

}  // namespace

QPixmap RubyPicture(int width, int height) {
    QPixmap picture(width, height);
    picture.fill(QColor(250, 248, 240));
    QPainter p(&picture);
    const int readingHeight = height / 4;
    p.drawText(QRect(0, 0, width, readingHeight), Qt::AlignCenter, QStringLiteral("るび"));
    QFont font = p.font();
    font.setPixelSize(height / 2);
    p.setFont(font);
    p.drawText(QRect(0, readingHeight, width, height - readingHeight), Qt::AlignCenter, QStringLiteral("字"));
    return picture;
}

void WaitUntilExposed(QWidget& window, PauseClock& clock) {
    const double start = clock.seconds();
    while (!(window.windowHandle() && window.windowHandle()->isExposed()) && clock.seconds() - start < 2)
        clock.processPaintEvents();
    clock.processPaintEvents();  // and drawn
}

// A dialog of the main window: the window manager keeps it on top of it
// (transient for it), and while it is shown the main window takes no input,
// so that no click there can bury the run's window and its abort button.
RunWindow::RunWindow(RunState& state, QWidget* parent) : QWidget(parent, Qt::Dialog), m_state(state) {
    setWindowTitle(QStringLiteral("進行状況"));
    setFixedSize(kRunWindowSize);
    if (parent) setWindowModality(Qt::WindowModal);
}

void RunWindow::closeEvent(QCloseEvent* event) {
    // A close from the title bar arrives as a spontaneous event.
    if (event->spontaneous() && m_state.RunInProgress) event->ignore();
    else event->accept();
}

PreparationWindow::PreparationWindow(RunState& state, MessageService& messages, QWidget* parent)
    : RunWindow(state, parent), m_messages(messages) {
    setObjectName(QStringLiteral("PreparationWindow"));
    auto* grid = new QGridLayout(this);
    grid->addWidget(Label(this, "Label1", kPreparingCaption), 0, 0, 1, 3);
    auto* background = Box(this, "Text1", kBarWidth, QStringLiteral("#ffffff"));
    auto* filled = Box(background, "Text2", kBarWidth / 20, QStringLiteral("#3060c0"));
    filled->move(0, 0);
    grid->addWidget(background, 1, 0, 1, 2);
    grid->addWidget(Label(this, "Label2", QStringLiteral("5％")), 1, 2);
    grid->addWidget(Label(this, "Label4", QStringLiteral("対象文書名 ：")), 2, 0);
    m_documentName = Label(this, "Label5", QString());
    grid->addWidget(m_documentName, 2, 1, 1, 2);
    grid->addWidget(Label(this, "Label6", QStringLiteral("処理中止ボタンで中止することができます")), 3, 0, 1, 2);
    auto* abort = new QPushButton(QStringLiteral("処理中止"), this);
    abort->setObjectName(QStringLiteral("Command1"));
    grid->addWidget(abort, 3, 2);
    grid->addWidget(FocusBox(this), 4, 0);
    connect(abort, &QPushButton::clicked, this, [this] { abortClicked(); });
}

void PreparationWindow::setDocumentName(const QString& name) { m_documentName->setText(name); }

void PreparationWindow::abortClicked() {
    const Message question{u"確認", AbortQuestionText().toStdU16String(), MessageIcon::Question, MessageButtons::YesNo};
    if (m_messages.show(question) == MessageAnswer::Yes) m_state.AbortRequested = true;
}

ProgressWindow::ProgressWindow(RunState& state, QWidget* parent) : RunWindow(state, parent) {
    setObjectName(QStringLiteral("ProgressWindow"));
    auto* grid = new QGridLayout(this);
    m_caption = Label(this, "Label1", QString());
    grid->addWidget(m_caption, 0, 0, 1, 3);
    m_background = Box(this, "Text1", kBarWidth, QStringLiteral("#ffffff"));
    m_bar = Box(m_background, "Text2", 0, QStringLiteral("#3060c0"));
    m_bar->move(0, 0);
    grid->addWidget(m_background, 1, 0, 1, 2);
    m_percentage = Label(this, "Label2", QString());
    grid->addWidget(m_percentage, 1, 2);
    grid->addWidget(Label(this, "Label8", QStringLiteral("変換されたルビ数 ：")), 2, 0);
    m_count = Label(this, "Label9", QStringLiteral("0"));
    grid->addWidget(m_count, 2, 1);
    grid->addWidget(Label(this, "Label11", QStringLiteral("対象文書名 ：")), 3, 0);
    m_documentName = Label(this, "Label10", QString());
    grid->addWidget(m_documentName, 3, 1, 1, 2);
    m_focus = FocusBox(this);
    grid->addWidget(m_focus, 4, 0);
    auto* image = new QLabel(this);
    image->setObjectName(QStringLiteral("Image1"));
    image->setPixmap(RubyPicture(40, 40));
    grid->addWidget(image, 0, 3, 3, 1);
}

float ProgressWindow::ShowProgress(const QString& caption) {
    const float full = static_cast<float>(m_background->width());
    m_bar->setFixedWidth(0);
    m_caption->setText(caption);
    show();
    m_focus->setFocus();
    return full;
}

void ProgressWindow::UpdateProgress(int done, int total, float fullWidth, const QString& caption) {
    if (total == 0) throw std::runtime_error("progress total of 0");
    m_caption->setText(caption);
    const double share = static_cast<double>(done) / total;
    const double units = RoundHalfEven(share * fullWidth);
    const double percent = RoundHalfEven(share * 100.0);
    m_focus->setFocus();
    m_bar->setFixedWidth(static_cast<int>(units * 0.98));
    m_percentage->setText(percent > 100 ? QStringLiteral("100％") : QString::number(static_cast<int>(percent)) + QStringLiteral("％"));
    repaint();
}

void ProgressWindow::FinishProgress(const QString& caption, PauseClock& clock, double pause) {
    m_caption->setText(caption);
    m_bar->setFixedWidth(static_cast<int>(m_background->width() * 0.98));
    m_percentage->setText(QStringLiteral("100％"));
    m_background->setStyleSheet(QStringLiteral("background-color: #ffffff; color: #ffffff;"));
    m_focus->setFocus();
    repaint();
    // The completion pause: the window is drawn, but no input is handled.
    const double start = clock.seconds();
    while (RoundHalfEven(clock.seconds() - start) < pause) clock.processPaintEvents();
    close();
}

void ProgressWindow::setConvertedCount(int count) { m_count->setText(QString::number(count)); }
void ProgressWindow::setDocumentName(const QString& name) { m_documentName->setText(name); }
QString ProgressWindow::caption() const { return m_caption->text(); }
QString ProgressWindow::percentage() const { return m_percentage->text(); }
int ProgressWindow::barWidth() const { return m_bar->width(); }

void ThrottledProgress::paint(double now) {
    if (!m_countShown) {
        m_progress.setConvertedCount(m_count);
        m_countShown = true;
    }
    m_progress.UpdateProgress(m_value, m_max, m_width, m_caption);  // repaints at once
    m_shownPercent = static_cast<int>(RoundHalfEven(100.0 * m_value / m_max));
    m_lastPaint = now;
}

void ThrottledProgress::UpdateProgress(int value, int max, float width, const std::u16string& caption) {
    if (max == 0) throw std::runtime_error("progress total of 0");
    m_value = value;
    m_max = max;
    m_width = width;
    if (m_caption.size() != static_cast<qsizetype>(caption.size()) || m_caption != QStringView(caption))
        m_caption = QString::fromStdU16String(caption);
    const double now = m_services.clock.seconds();
    if (static_cast<int>(RoundHalfEven(100.0 * value / max)) != m_shownPercent || now - m_lastPaint >= kFrameSeconds) paint(now);
}

void ThrottledProgress::ShowConvertedCount(int32_t count) {
    m_count = count;
    m_countShown = false;
}

void ThrottledProgress::Yield() {
    const double now = m_services.clock.seconds();
    if (now - m_lastYield < kFrameSeconds) return;
    // The latest count, before the window's turn, unless painted within the frame.
    if (!m_countShown && now - m_lastPaint >= kFrameSeconds) paint(now);
    m_services.clock.processEvents();
    m_lastYield = now;
}

void ThrottledProgress::Pause(std::chrono::milliseconds duration) {
    // The clipboard's second try waits without handling events.
    const double start = m_services.clock.seconds();
    while (RoundHalfEven(m_services.clock.seconds() - start) < duration.count() / 1000.0) {
    }
}

}  // namespace tessaly::run
