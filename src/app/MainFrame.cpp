#include "app/MainFrame.h"

#include <iterator>

#include "framework/WinApp.h"
#include "res/resource.h"
#include "shell/ShellCommands.h"
#include "ui/SettingsSheet.h"

namespace tidemark {

namespace {

constexpr int kWidth = 256;
constexpr int kHeight = 180;

}  // namespace

CMainFrame::CMainFrame() = default;

CMainFrame::~CMainFrame() = default;

BOOL CMainFrame::PreCreateWindow(CREATESTRUCTA &cs)
{
    if (!CFrameWnd::PreCreateWindow(cs)) {
        return FALSE;
    }
    if (cs.hMenu != nullptr) {
        DestroyMenu(cs.hMenu);
        cs.hMenu = nullptr;
    }
    // Not visible yet: a window created visible is activated, and the
    // hotkeys would then find this window in front instead of Explorer. The
    // application shows it without activating it.
    cs.style = WS_POPUP | WS_CLIPSIBLINGS;
    // A tool window has no taskbar button.
    cs.dwExStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW;
    cs.x = GetSystemMetrics(SM_CXMAXIMIZED) - 286;
    cs.y = GetSystemMetrics(SM_CYMAXIMIZED) - 210;
    cs.cx = kWidth;
    cs.cy = kHeight;
    cs.lpszClass = RegisterFrameworkClass(CS_HREDRAW | CS_VREDRAW, LoadCursor(nullptr, IDC_ARROW),
                                          static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)), nullptr);
    return TRUE;
}

LRESULT CMainFrame::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    static constexpr MessageEntry<CMainFrame> kMessages[] = {
        {WM_CREATE, &CMainFrame::OnCreate},
        {WM_HOTKEY, &CMainFrame::OnHotKey},
        {WM_CHANGECBCHAIN, &CMainFrame::OnChangeCbChain},
        {WM_DRAWCLIPBOARD, &CMainFrame::OnDrawClipboard},
        {WM_DESTROY, &CMainFrame::OnDestroy},
        {CSystemTray::kCallbackMessage, &CMainFrame::OnTrayNotification},
    };
    // The shell sends this to every top-level window when it makes a new
    // notification area; without an answer the icon, and with it the only
    // way to the settings and to Exit, would be gone until the next start.
    // A new notification area means a new Explorer, too: the window list
    // held belongs to the one that ended and would find no window.
    static const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    if (message == taskbarCreated && taskbarCreated != 0) {
        tray_.ShowAgain();
        renameContext_.RenewShellWindows();
        return 0;
    }
    LRESULT result = 0;
    if (RouteMessage<CMainFrame>(*this, kMessages, message, wParam, lParam, result)) {
        return result;
    }
    return CFrameWnd::WindowProc(message, wParam, lParam);
}

bool CMainFrame::OnCmdMsg(UINT id, CCmdUI *ui)
{
    static constexpr CommandEntry<CMainFrame> kCommands[] = {
        {ID_DISABLE, &CMainFrame::OnDisable, &CMainFrame::OnUpdateDisable},
        {ID_SETTINGS, &CMainFrame::OnSettings, nullptr},
    };
    return RouteCommand<CMainFrame>(*this, kCommands, id, ui);
}

LRESULT CMainFrame::OnCreate(WPARAM wParam, LPARAM lParam)
{
    if (CFrameWnd::WindowProc(WM_CREATE, wParam, lParam) == -1) {
        return -1;
    }
    renameContext_.SetMainWindow(hwnd_);
    tray_.AddIcon(this, CSystemTray::LoadTrayIcon(IDI_TIDEMARK));
    nextClipboardViewer_ = SetClipboardViewer(hwnd_);
    LoadSettings(hotkeys_);
    bool allRegistered = true;
    for (std::size_t i = 0; i < hotkeys_.size(); ++i) {
        // Every hotkey is tried, whatever became of the ones before.
        if (!RegisterHotKey(hwnd_, kFirstHotkeyId + static_cast<int>(i), hotkeys_[i].modifiers,
                            hotkeys_[i].virtualKey)) {
            allRegistered = false;
        }
    }
    if (!allRegistered) {
        MessageBoxA(GetDesktopWindow(), "Failes to set one or more HotKeys\nPlease change the HotKey settings",
                    CWinApp::Current()->AppName().c_str(), MB_OK);
    }
    PositionOffScreen();
    return 0;
}

void CMainFrame::PositionOffScreen()
{
    SetWindowPos(hwnd_, nullptr, 4 * GetSystemMetrics(SM_CXMAXIMIZED), 4 * GetSystemMetrics(SM_CYMAXIMIZED), kWidth,
                 kHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CMainFrame::OnHotKey(WPARAM wParam, LPARAM)
{
    // Disabled means that the hotkeys rename nothing; they stay registered
    // so that no other program takes them meanwhile.
    if (!enabled_) {
        return 1;
    }
    const HWND foreground = GetForegroundWindow();
    switch (static_cast<int>(wParam) - kFirstHotkeyId) {
    case 0:
        RenameWithClipboardText(renameContext_, foreground);
        break;
    case 1:
        RenameSelectedFolder(renameContext_, true, foreground);
        break;
    case 2:
        RenameSelectedFolder(renameContext_, false, foreground);
        break;
    case 3:
        RenameSelectedPdf(renameContext_, foreground);
        break;
    default:
        break;
    }
    return 1;
}

LRESULT CMainFrame::OnChangeCbChain(WPARAM wParam, LPARAM lParam)
{
    if (reinterpret_cast<HWND>(wParam) == nextClipboardViewer_) {
        nextClipboardViewer_ = reinterpret_cast<HWND>(lParam);
    } else if (nextClipboardViewer_ != nullptr) {
        SendMessageA(nextClipboardViewer_, WM_CHANGECBCHAIN, wParam, lParam);
    }
    return 0;
}

LRESULT CMainFrame::OnDrawClipboard(WPARAM wParam, LPARAM lParam)
{
    if (nextClipboardViewer_ != nullptr) {
        SendMessageA(nextClipboardViewer_, WM_DRAWCLIPBOARD, wParam, lParam);
    }
    return 0;
}

LRESULT CMainFrame::OnDestroy(WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = CFrameWnd::WindowProc(WM_DESTROY, wParam, lParam);
    ChangeClipboardChain(hwnd_, nextClipboardViewer_);
    return result;
}

LRESULT CMainFrame::OnTrayNotification(WPARAM wParam, LPARAM lParam)
{
    return tray_.HandleIconMessage(wParam, lParam);
}

void CMainFrame::OnDisable()
{
    enabled_ = !enabled_;
    UpdateTrayIcon();
}

void CMainFrame::OnUpdateDisable(CCmdUI &ui)
{
    ui.Enable(true);
    ui.SetCheck(!enabled_);
}

void CMainFrame::OnSettings()
{
    CSettingsSheet sheet;
    const HotkeyTable defaults = DefaultHotkeys();
    for (std::size_t i = 0; i < hotkeys_.size(); ++i) {
        sheet.mainPage.hotkeys[i] = {static_cast<WORD>(hotkeys_[i].virtualKey), static_cast<WORD>(hotkeys_[i].modifiers)};
        sheet.mainPage.defaultHotkeys[i] = {static_cast<WORD>(defaults[i].virtualKey),
                                            static_cast<WORD>(defaults[i].modifiers)};
    }
    sheet.mainPage.disable = !enabled_;
    if (sheet.DoModal() == IDOK) {
        for (std::size_t i = 0; i < hotkeys_.size(); ++i) {
            hotkeys_[i] = {sheet.mainPage.hotkeys[i].key, sheet.mainPage.hotkeys[i].modifiers};
        }
        enabled_ = !sheet.mainPage.disable;
        // The new hotkeys take effect at the next start.
        SaveSettings(hotkeys_);
    }
    UpdateTrayIcon();
}

void CMainFrame::UpdateTrayIcon()
{
    tray_.ChangeIcon(enabled_ ? IDI_TIDEMARK : IDI_DISABLED);
}

}  // namespace tidemark
