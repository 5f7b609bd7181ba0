// The run's services on a desktop: Qt message boxes, a steady clock, the
// desktop's file opener.
#pragma once

#include <QElapsedTimer>

#include "run/RunServices.h"

class QWidget;

namespace tessaly::run {

class QtMessageService : public MessageService {
public:
    explicit QtMessageService(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }
    MessageAnswer show(const Message& message) override;

private:
    QWidget* m_parent;
};

class SteadyPauseClock : public PauseClock {
public:
    SteadyPauseClock() { m_timer.start(); }
    double seconds() override { return m_timer.nsecsElapsed() / 1e9; }
    void processEvents() override;
    void processPaintEvents() override;

private:
    QElapsedTimer m_timer;
};

// The program associated with a file's type, through the desktop's opener.
// A file that is not there, or that no program takes (the opener ends with
// a failure), is not opened.
class DesktopShell : public ShellOpener {
public:
    explicit DesktopShell(int waitMilliseconds = 5000) : m_waitMilliseconds(waitMilliseconds) {}
    bool open(const QString& path) override;

private:
    int m_waitMilliseconds;
};

}  // namespace tessaly::run
