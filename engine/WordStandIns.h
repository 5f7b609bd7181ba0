// What stands in for Microsoft Word's own behaviour, kept because the
// conversion is defined as it runs against Word, although the embedded word
// processor never shows it:
// - a busy clipboard: a copied field's text is read through a clipboard that
//   may be busy (tried once more after three seconds) or hold no text (two
//   warnings, and the engine gives up);
// - a field text with '?': Word's clipboard text went through code page 932,
//   which turns characters outside it into '?'; such a text is read again
//   through a scratch document;
// - Word's windows: a visible Word window refuses a run, an invisible one is
//   asked to close, and Word's main window is shown maximised. The embedded
//   word processor has no window (NoWordWindows).
// All of it is here, in one place, so that the rest of the engine and the
// desktop run read as what they do.
#pragma once

#include <string>
#include <vector>

#include "engine/EngineHost.h"
#include "engine/RunState.h"
#include "engine/SourceDocument.h"

namespace tessaly {

// The two warning boxes shown when the clipboard cannot be read.
Message ClipboardWarning1();
Message ClipboardWarning2();

// Reads the copied field's text (which may be empty: an empty field). A busy
// clipboard is tried once more after a pause of three seconds. When no text
// can be had the two warnings are shown, state.EngineFailed is set and the
// text emptied.
void ReadClipboardText(Clipboard& clipboard, RunState& state, EngineHost& host, std::u16string& text);

// A field text that holds '?' is read again: the clipboard's text is pasted
// as plain text into a scratch document (made at the first need, its name
// kept in scratchName) and read back from there; the source document is
// active again afterwards. Text without '?' is left as it is.
void RereadThroughScratchDocument(SourceDocument& word, const std::u16string& documentName, std::u16string& scratchName,
                                  std::u16string& text);
// Empties and closes the scratch document, if one was made.
void DisposeScratchDocument(SourceDocument& word, const std::u16string& documentName, const std::u16string& scratchName);

// The window manager as far as the Word window checks need it.
class WindowSystem {
public:
    using Handle = long long;
    virtual ~WindowSystem() = default;
    virtual Handle findWindowOfClass(const std::u16string& className) = 0;  // 0 when none
    virtual std::vector<Handle> topLevelWindows() = 0;
    virtual bool isVisible(Handle window) = 0;
    virtual bool isZoomed(Handle window) = 0;
    virtual void showMinimised(Handle window) = 0;
    virtual void showMaximised(Handle window) = 0;
    virtual std::u16string title(Handle window) = 0;
    virtual void postClose(Handle window) = 0;
};

// A desktop without Word windows: the embedded word processor has none.
class NoWordWindows : public WindowSystem {
public:
    Handle findWindowOfClass(const std::u16string&) override { return 0; }
    std::vector<Handle> topLevelWindows() override { return {}; }
    bool isVisible(Handle) override { return false; }
    bool isZoomed(Handle) override { return false; }
    void showMinimised(Handle) override {}
    void showMaximised(Handle) override {}
    std::u16string title(Handle) override { return {}; }
    void postClose(Handle) override {}
};

// True when a visible top-level window with "Word" in its title exists while
// a Word main window exists; invisible ones met before it are asked to close.
bool FindVisibleWordWindow(WindowSystem& windows);
// Shows a visible Word main window maximised; false when there is none.
bool MaximizeWordWindow(WindowSystem& windows);

}  // namespace tessaly
