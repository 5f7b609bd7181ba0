// What the conversion run needs from the platform, each behind a small
// interface so that tests can answer message boxes, move the clock and play
// the part of the window manager and of InDesign.
#pragma once

#include <QString>

#include <memory>

#include "engine/EngineHost.h"
#include "engine/WordStandIns.h"

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

// Rounds to the nearest whole number, halves to the even neighbour.
double RoundHalfEven(double value);

}  // namespace tessaly::run
