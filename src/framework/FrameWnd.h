#pragma once

#include <windows.h>

#include <string>

#include "framework/CmdTarget.h"

namespace tidemark {

// A window of the program: the object behind one HWND, whose messages
// arrive at the virtual WindowProc.
class CWnd : public CCmdTarget {
public:
    CWnd() = default;
    CWnd(const CWnd &) = delete;
    CWnd &operator=(const CWnd &) = delete;

    HWND GetSafeHwnd() const { return hwnd_; }

    // The window procedure of every class the framework registers.
    static LRESULT CALLBACK StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

protected:
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The last call for the object, after its window is gone.
    virtual void PostNcDestroy() {}
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
};

// The flag of LoadFrame's style that asks for the title to be added.
constexpr DWORD FWS_ADDTOTITLE = 0x00008000;

// A frame window: routes menu commands to itself and then to the
// application, greys the items of an opening popup that nobody handles,
// and ends the message loop when it is the main window and goes away.
class CFrameWnd : public CWnd {
public:
    // Creates the window: the title is string `resourceId`, the menu is menu
    // `resourceId` when there is one. PreCreateWindow may change all of it.
    BOOL LoadFrame(UINT resourceId, DWORD style = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, CWnd *parent = nullptr,
                   void *context = nullptr);

protected:
    virtual BOOL PreCreateWindow(CREATESTRUCTA &cs);
    // WM_CLOSE once no modal window of the program is open: destroys the
    // window. A frame that must first finish something may wait instead.
    virtual void OnClose();
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override;

private:
    bool RouteToHandlers(UINT id, CCmdUI *ui);
    void UpdateMenuItems(HMENU popup);

    std::string title_;
};

// Moves `window` to the middle of the work area of the screen under the
// mouse pointer, which is where the user just clicked (the icon's menu) or
// is looking: the program's own frame lies far out of sight, so centring on
// it could open a window on another screen of the desk.
void CentreOnPointerMonitor(HWND window);

// Registers (once) a window class of the framework with these properties
// and returns its name.
const char *RegisterFrameworkClass(UINT classStyle, HCURSOR cursor, HBRUSH background, HICON icon);

}  // namespace tidemark
