// What the conversion engine needs from around it: progress display, a yield
// to the user interface, message boxes, a pause, and the clipboard it reads
// field texts from. The GUI, the command-line tool and tests each provide
// their own; every method of EngineHost has a do-nothing default.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace tessaly {

enum class MessageIcon { None, Information, Warning, Critical, Question };
enum class MessageButtons { Ok, OkCancel, YesNo, RetryCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No, Retry };

struct Message {
    std::u16string title;
    std::u16string text;  // lines separated as the box shows them
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
};

class EngineHost {
public:
    virtual ~EngineHost() = default;
    // Moves the progress bar to value of max; caption is shown above it.
    virtual void UpdateProgress(int value, int max, float barWidth, const std::u16string& caption) {
        (void)value, (void)max, (void)barWidth, (void)caption;
    }
    // The converted-count display.
    virtual void ShowConvertedCount(int32_t count) { (void)count; }
    // Lets the user interface process pending events.
    virtual void Yield() {}
    // A modal message box; returns the button pressed.
    virtual MessageAnswer ShowMessage(const Message& message) {
        (void)message;
        return MessageAnswer::Ok;
    }
    // Waits; injectable so that no test waits for real.
    virtual void Pause(std::chrono::milliseconds duration) { (void)duration; }
};

// The clipboard the engine reads a copied field's text from.
class Clipboard {
public:
    virtual ~Clipboard() = default;
    enum class Status { Ok, Busy, NoText };
    // Ok: text is now the clipboard's text (empty when an empty selection
    // was copied). Busy: the clipboard could not be opened (worth a second
    // try); NoText: it holds no text at all. Text is left as it was unless
    // Ok: the engine reads every field through here, into one string.
    virtual Status ReadText(std::u16string& text) = 0;
};

}  // namespace tessaly
