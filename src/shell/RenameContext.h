#pragma once

#include <windows.h>
#include <exdisp.h>

#include "shell/Clipboard.h"
#include "shell/ComPtr.h"

namespace tidemark {

// What the shell commands share for the whole run of the tray program: the
// clipboard snapshots, and the shell's list of open Explorer windows, which
// is kept because creating it costs a round trip to the shell. The list
// belongs to the Explorer process that made it: when Explorer ends, the list
// held answers every call with an error, and only a new one sees the windows
// of the Explorer that took its place.
class CRenameContext {
public:
    // Opens the clipboard in the name of `mainWindow` and creates the
    // shell's window list (COM must be initialised on this thread). A
    // failure is not fatal: the first query tries again.
    explicit CRenameContext(HWND mainWindow = nullptr);
    // Uses `shellWindows` (a reference is added; null is allowed) instead of
    // the system's window list.
    CRenameContext(HWND mainWindow, IShellWindows *shellWindows);

    CRenameContext(const CRenameContext &) = delete;
    CRenameContext &operator=(const CRenameContext &) = delete;

    HWND MainWindow() const { return clipboard_.MainWindow(); }
    void SetMainWindow(HWND window) { clipboard_.SetMainWindow(window); }
    CClipboardMgr &Clipboard() { return clipboard_; }
    const CClipboardMgr &Clipboard() const { return clipboard_; }

    // The window list held, possibly null.
    IShellWindows *ShellWindows() const { return shellWindows_.get(); }
    // The window list; when there is none yet, one more attempt is made to
    // create it (the shell may not have been ready when the program started).
    // Null when that fails too.
    IShellWindows *AcquireShellWindows();
    // Lets the list held go and creates a new one (null when that fails):
    // after Explorer has restarted, or when the list held fails.
    IShellWindows *RenewShellWindows();

private:
    CClipboardMgr clipboard_;
    ComPtr<IShellWindows> shellWindows_;
};

}  // namespace tidemark
