#include "shell/RenameContext.h"

#include <exdisp.h>

namespace tidemark {

namespace {

// In-process, handler, local and remote servers: whichever the shell
// registered its window list with.
constexpr DWORD kAnyServer = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;

ComPtr<IShellWindows> createShellWindows()
{
    // A failed creation leaves the pointer null, which is all that the
    // queries look at.
    ComPtr<IShellWindows> windows;
    CoCreateInstance(CLSID_ShellWindows, nullptr, kAnyServer, IID_IShellWindows, windows.putVoid());
    return windows;
}

}  // namespace

CRenameContext::CRenameContext(HWND mainWindow) : clipboard_(mainWindow), shellWindows_(createShellWindows()) {}

CRenameContext::CRenameContext(HWND mainWindow, IShellWindows *shellWindows)
    : clipboard_(mainWindow), shellWindows_(shellWindows)
{
}

IShellWindows *CRenameContext::AcquireShellWindows()
{
    if (!shellWindows_) {
        shellWindows_ = createShellWindows();
    }
    return shellWindows_.get();
}

IShellWindows *CRenameContext::RenewShellWindows()
{
    shellWindows_ = createShellWindows();
    return shellWindows_.get();
}

}  // namespace tidemark
