// Stand-ins for the platform: scripted message boxes, a clock that moves a
// quarter second each time it is read, InDesign and the shell.
#pragma once

#include <QApplication>

#include <deque>
#include <functional>
#include <vector>

#include "run/RunServices.h"

namespace tessaly::testing {

struct ScriptedMessages : run::MessageService {
    std::vector<Message> shown;
    std::deque<MessageAnswer> answers;  // the default answer is Ok
    std::function<void(const Message&)> onShow;
    MessageAnswer show(const Message& m) override {
        shown.push_back(m);
        if (onShow) onShow(m);
        if (answers.empty()) return MessageAnswer::Ok;
        const auto a = answers.front();
        answers.pop_front();
        return a;
    }
    QString text(size_t i) const { return QString::fromStdU16String(shown.at(i).text); }
    QString title(size_t i) const { return QString::fromStdU16String(shown.at(i).title); }
};

struct SteppingClock : run::PauseClock {
    double now = 1000.0;
    double step = 0.25;
    int pumps = 0;
    std::function<void()> onPump;
    double seconds() override { return now += step; }
    void processEvents() override {
        ++pumps;
        QApplication::processEvents();
        if (onPump) onPump();
    }
    int paintPumps = 0;
    void processPaintEvents() override {
        ++paintPumps;
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
};

struct FakeInDesign : run::InDesignConnector {
    struct App : run::InDesignApplication {
        FakeInDesign& owner;
        explicit App(FakeInDesign& o) : owner(o) {}
        int documentCount() override { return owner.documents; }
        int activeDocumentTextFrameCount() override { return owner.frames; }
        void placeIntoFirstFrame(const QString& path) override { owner.placed.push_back(path); }
    };
    int documents = 1;
    int frames = 2;
    std::vector<QString> placed;
    std::unique_ptr<run::InDesignApplication> connect() override { return std::make_unique<App>(*this); }
};

struct FakeShell : run::ShellOpener {
    bool result = true;
    std::vector<QString> opened;
    bool open(const QString& path) override {
        opened.push_back(path);
        return result;
    }
};

}  // namespace tessaly::testing
