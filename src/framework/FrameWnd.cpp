#include "framework/FrameWnd.h"

#include <cstdio>
#include <map>
#include <tuple>

#include "framework/WinApp.h"

namespace tidemark {

LRESULT CALLBACK CWnd::StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto *self = reinterpret_cast<CWnd *>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        self = static_cast<CWnd *>(reinterpret_cast<CREATESTRUCTA *>(lParam)->lpCreateParams);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        if (self != nullptr) {
            self->hwnd_ = window;
        }
    }
    // A few messages (WM_GETMINMAXINFO) come before WM_NCCREATE.
    if (self == nullptr) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    LRESULT result = 0;
    try {
        result = self->WindowProc(message, wParam, lParam);
    } catch (...) {
        // No exception may unwind through the system's code. A command that
        // failed this way has done nothing the user could rely on, which is
        // what a failed command means in this program anyway.
        result = DefWindowProcA(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->PostNcDestroy();  // may delete the object: nothing may follow
    }
    return result;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return Default(message, wParam, lParam);
}

LRESULT CWnd::Default(UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hwnd_, message, wParam, lParam);
}

void CentreOnPointerMonitor(HWND window)
{
    POINT cursor{};
    GetCursorPos(&cursor);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    RECT rect{};
    if (!GetMonitorInfoA(MonitorFromPoint(cursor, MONITOR_DEFAULTTOPRIMARY), &monitor) ||
        !GetWindowRect(window, &rect)) {
        return;
    }
    const RECT &work = monitor.rcWork;
    const LONG width = rect.right - rect.left;
    const LONG height = rect.bottom - rect.top;
    SetWindowPos(window, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

const char *RegisterFrameworkClass(UINT classStyle, HCURSOR cursor, HBRUSH background, HICON icon)
{
    static std::map<std::tuple<UINT, HCURSOR, HBRUSH, HICON>, std::string> registered;
    const auto key = std::make_tuple(classStyle, cursor, background, icon);
    auto found = registered.find(key);
    if (found != registered.end()) {
        return found->second.c_str();
    }
    char name[96];
    std::snprintf(name, sizeof name, "TidemarkFrame:%x:%p:%p:%p", classStyle, static_cast<void *>(cursor),
                  static_cast<void *>(background), static_cast<void *>(icon));
    WNDCLASSA wc{};
    wc.style = classStyle;
    wc.lpfnWndProc = CWnd::StaticWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hIcon = icon;
    wc.hCursor = cursor;
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    RegisterClassA(&wc);
    return registered.emplace(key, name).first->second.c_str();
}

BOOL CFrameWnd::LoadFrame(UINT resourceId, DWORD style, CWnd *parent, void *context)
{
    (void)context;
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    title_ = LoadResourceString(resourceId);
    CREATESTRUCTA cs{};
    cs.lpCreateParams = this;
    cs.hInstance = instance;
    cs.hMenu = LoadMenuA(instance, MAKEINTRESOURCEA(resourceId));
    cs.hwndParent = parent != nullptr ? parent->GetSafeHwnd() : nullptr;
    cs.style = style & ~FWS_ADDTOTITLE;
    cs.lpszName = title_.c_str();
    cs.x = cs.y = cs.cx = cs.cy = CW_USEDEFAULT;
    if (!PreCreateWindow(cs)) {
        if (cs.hMenu != nullptr) {
            DestroyMenu(cs.hMenu);
        }
        return FALSE;
    }
    const HWND window = CreateWindowExA(cs.dwExStyle, cs.lpszClass, cs.lpszName, cs.style, cs.x, cs.y, cs.cx, cs.cy,
                                        cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
    if (window == nullptr && cs.hMenu != nullptr) {
        DestroyMenu(cs.hMenu);
    }
    return window != nullptr;
}

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCTA &cs)
{
    if (cs.lpszClass == nullptr) {
        cs.lpszClass = RegisterFrameworkClass(CS_DBLCLKS, LoadCursor(nullptr, IDC_ARROW),
                                              reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1), nullptr);
    }
    return TRUE;
}

LRESULT CFrameWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    CWinApp *app = CWinApp::Current();
    switch (message) {
    case WM_COMMAND:
        // Menu items and accelerators; controls (lParam set) have no commands here.
        if (lParam == 0) {
            // The command that opened the modal window is still running:
            // another one (Exit among them) must wait until it has ended.
            if (app != nullptr && app->ActivateModalWindow()) {
                return 0;
            }
            if (RouteToHandlers(LOWORD(wParam), nullptr)) {
                return 0;
            }
        }
        break;
    case WM_INITMENUPOPUP:
        if (HIWORD(lParam) == 0) {  // not the window menu
            UpdateMenuItems(reinterpret_cast<HMENU>(wParam));
        }
        return 0;
    case WM_CLOSE:
        if (app != nullptr && app->ActivateModalWindow()) {
            return 0;
        }
        OnClose();
        return 0;
    case WM_NCDESTROY:
        if (app != nullptr && app->MainWindow() == this) {
            PostQuitMessage(0);
        }
        break;
    default:
        break;
    }
    return Default(message, wParam, lParam);
}

void CFrameWnd::OnClose()
{
    DestroyWindow(hwnd_);
}

bool CFrameWnd::RouteToHandlers(UINT id, CCmdUI *ui)
{
    if (OnCmdMsg(id, ui)) {
        return true;
    }
    CWinApp *app = CWinApp::Current();
    return app != nullptr && app->OnCmdMsg(id, ui);
}

void CFrameWnd::UpdateMenuItems(HMENU popup)
{
    const int count = GetMenuItemCount(popup);
    for (int index = 0; index < count; ++index) {
        const UINT id = GetMenuItemID(popup, index);
        if (id == 0 || id == static_cast<UINT>(-1)) {
            continue;  // separator or submenu
        }
        CCmdUI ui(popup, static_cast<UINT>(index), id);
        if (!RouteToHandlers(id, &ui)) {
            ui.Enable(false);
        }
    }
}

void CFrameWnd::PostNcDestroy()
{
    if (CWinApp *app = CWinApp::Current(); app != nullptr && app->MainWindow() == this) {
        app->ReleaseMainWindow(this);
    }
}

}  // namespace tidemark
