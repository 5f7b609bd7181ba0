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

class DesktopShell : public ShellOpener {
public:
    bool open(const QString& path) override;
};

}  // namespace tessaly::run
