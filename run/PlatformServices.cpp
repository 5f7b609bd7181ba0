#include "run/PlatformServices.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

#include <memory>
#include <vector>

namespace tessaly::run {

MessageAnswer QtMessageService::show(const Message& message) {
    QMessageBox box(m_parent);
    box.setWindowTitle(QString::fromStdU16String(message.title));
    box.setText(QString::fromStdU16String(message.text));
    switch (message.icon) {
    case MessageIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MessageIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case MessageIcon::Critical: box.setIcon(QMessageBox::Critical); break;
    case MessageIcon::Question: box.setIcon(QMessageBox::Question); break;
    case MessageIcon::None: break;
    }
    switch (message.buttons) {
    case MessageButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case MessageButtons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case MessageButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case MessageButtons::RetryCancel: box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel); break;
    }
    switch (box.exec()) {
    case QMessageBox::Cancel: return MessageAnswer::Cancel;
    case QMessageBox::Yes: return MessageAnswer::Yes;
    case QMessageBox::No: return MessageAnswer::No;
    case QMessageBox::Retry: return MessageAnswer::Retry;
    default: return MessageAnswer::Ok;
    }
}

void SteadyPauseClock::processEvents() { QApplication::processEvents(); }
void SteadyPauseClock::processPaintEvents() { QApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

bool DesktopShell::open(const QString& path) {
    if (!QFileInfo(path).isFile()) return false;
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // The desktop's opener, whose answer tells whether a program took the
    // file: it ends with a status once it has handed the file on (or found
    // nothing to hand it to). One still running after a while has started a
    // program and is left to it.
    auto opener = std::make_unique<QProcess>();
    opener->start(QStringLiteral("xdg-open"), {path});
    if (!opener->waitForStarted(m_waitMilliseconds)) return false;
    if (!opener->waitForFinished(m_waitMilliseconds)) {
        // Left to run, even past the application's end (its object is never
        // destroyed, which would end it): the program it started goes on.
        static auto* stillOpening = new std::vector<QProcess*>;
        stillOpening->push_back(opener.release());
        return true;
    }
    return opener->exitStatus() == QProcess::NormalExit && opener->exitCode() == 0;
#else
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
#endif
}

}  // namespace tessaly::run
