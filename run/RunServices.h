// What the conversion run needs from the platform, each behind a small
// interface so that tests can answer message boxes, move the clock and play
// the part of the window manager and of InDesign.
#pragma once

#include <QString>

#include <memory>
#include <vector>

#include "engine/EngineHost.h"

namespace tessaly::run {

// Modal message boxes.
class MessageService {
public:
    virtual ~MessageService() = default;
    virtual MessageAnswer show(const Message& message) = 0;
};

// The clock of the fixed pauses, and the step that lets the windows work.
class PauseClock {
public:
    virtual ~PauseClock() = default;
    virtual double seconds() = 0;      // a clock that never goes back
    virtual void processEvents() = 0;  // yields to the user interface
    // Lets the windows be drawn (paint and expose events) while keeping the
    // user's input out: the waits during which no interaction is wanted.
    virtual void processPaintEvents() = 0;
};

// Opening a file with the program associated with its type.
class ShellOpener {
public:
    virtual ~ShellOpener() = default;
    virtual bool open(const QString& path) = 0;
};

// The part of InDesign's automation the run uses. connect() throws
// std::runtime_error when no InDesign can be reached.
class InDesignApplication {
public:
    virtual ~InDesignApplication() = default;
    virtual int documentCount() = 0;
    virtual int activeDocumentTextFrameCount() = 0;
    // Places the tagged text into the first text frame of the active document.
    virtual void placeIntoFirstFrame(const QString& path) = 0;
};

class InDesignConnector {
public:
    virtual ~InDesignConnector() = default;
    // Whether this build has a way to drive InDesign at all. Where it has
    // none, placing into InDesign (result action 3) is not offered and a
    // stored 3 acts as 2 (open the text file).
    virtual bool canDrive() const { return true; }
    virtual std::unique_ptr<InDesignApplication> connect() = 0;
};

// Where no InDesign can be driven: every connection fails.
class UnreachableInDesign : public InDesignConnector {
public:
    bool canDrive() const override { return false; }
    std::unique_ptr<InDesignApplication> connect() override;
};

// Whether the desktop application as built drives InDesign: no InDesign
// connector is built in yet, so the application uses UnreachableInDesign and
// its settings default to opening the text file.
inline constexpr bool kBuildDrivesInDesign = false;

// The window manager as far as the Word window checks need it.
class WindowSystem {
public:
    using Handle = long long;
    virtual ~WindowSystem() = default;
    virtual Handle findWindowOfClass(const QString& className) = 0;  // 0 when none
    virtual std::vector<Handle> topLevelWindows() = 0;
    virtual bool isVisible(Handle window) = 0;
    virtual bool isZoomed(Handle window) = 0;
    virtual void showMinimised(Handle window) = 0;
    virtual void showMaximised(Handle window) = 0;
    virtual QString title(Handle window) = 0;
    virtual void postClose(Handle window) = 0;
};

// A desktop without Word windows: the embedded word processor has none.
class NoWordWindows : public WindowSystem {
public:
    Handle findWindowOfClass(const QString&) override { return 0; }
    std::vector<Handle> topLevelWindows() override { return {}; }
    bool isVisible(Handle) override { return false; }
    bool isZoomed(Handle) override { return false; }
    void showMinimised(Handle) override {}
    void showMaximised(Handle) override {}
    QString title(Handle) override { return {}; }
    void postClose(Handle) override {}
};

// True when a visible top-level window with "Word" in its title exists while
// a Word main window exists; invisible ones met before it are asked to close.
bool FindVisibleWordWindow(WindowSystem& windows);
// Shows a visible Word main window maximised; false when there is none.
bool MaximizeWordWindow(WindowSystem& windows);

// Rounds to the nearest whole number, halves to the even neighbour.
double RoundHalfEven(double value);

}  // namespace tessaly::run
