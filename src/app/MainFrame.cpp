#include "app/MainFrame.h"

#include <iterator>
#include <optional>
#include <utility>

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
    // A tool window has no taskbar button. Not topmost: the windows it owns
    // (the settings, the About box, the messages) would be topmost too and
    // float above every other window of the desktop.
    cs.dwExStyle = WS_EX_TOOLWINDOW;
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
        {kRunEndedMessage, &CMainFrame::OnRunEnded},
        {WM_QUERYENDSESSION, &CMainFrame::OnQueryEndSession},
        {WM_ENDSESSION, &CMainFrame::OnEndSession},
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
    // Exit waits for the run to stop: nothing new is begun meanwhile.
    if (closing_ && (message == WM_COMMAND || message == CSystemTray::kCallbackMessage)) {
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
    startHotkeys_ = hotkeys_;
    if (!RegisterHotkeys()) {
        ReportHotkeysNotSet();
    }
    PositionOffScreen();
    return 0;
}

bool CMainFrame::RegisterHotkeys()
{
    bool allRegistered = true;
    for (std::size_t i = 0; i < startHotkeys_.size(); ++i) {
        const HotkeyBinding &hotkey = startHotkeys_[i];
        // A cleared hotkey: the user left this command without one.
        if (hotkey.virtualKey == 0) {
            continue;
        }
        // Every hotkey is tried, whatever became of the ones before.
        if (!HasCtrlOrAlt(hotkey) ||
            !RegisterHotKey(hwnd_, kFirstHotkeyId + static_cast<int>(i), hotkey.modifiers, hotkey.virtualKey)) {
            allRegistered = false;
        }
    }
    return allRegistered;
}

void CMainFrame::UnregisterHotkeys()
{
    for (std::size_t i = 0; i < startHotkeys_.size(); ++i) {
        UnregisterHotKey(hwnd_, kFirstHotkeyId + static_cast<int>(i));
    }
}

void CMainFrame::ReportHotkeysNotSet()
{
    // Modal like the settings: an Exit meanwhile (from the icon's menu, or
    // the installer's) waits until it is closed, and the frame is still
    // there when it returns, also while the frame is being created.
    CWinApp::Current()->ShowModalMessage(
        hwnd_, "Failes to set one or more HotKeys\nPlease change the HotKey settings", MB_OK);
}

void CMainFrame::SetEnabled(BOOL enabled)
{
    const bool changed = (enabled != FALSE) != (enabled_ != FALSE);
    enabled_ = enabled;
    UpdateTrayIcon();
    if (!changed) {
        return;
    }
    if (!enabled_) {
        UnregisterHotkeys();
    } else if (!RegisterHotkeys()) {
        // Another program took one of them while Tidemark was disabled.
        ReportHotkeysNotSet();
    }
}

void CMainFrame::PositionOffScreen()
{
    SetWindowPos(hwnd_, nullptr, 4 * GetSystemMetrics(SM_CXMAXIMIZED), 4 * GetSystemMetrics(SM_CYMAXIMIZED), kWidth,
                 kHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CMainFrame::OnHotKey(WPARAM wParam, LPARAM)
{
    // A press that came before Disable took the hotkeys away renames nothing.
    if (!enabled_) {
        return 1;
    }
    // One run at a time: a hotkey pressed meanwhile is not kept for later,
    // when the window in front may be another.
    if (runner_.Running()) {
        return 1;
    }
    TakeEndedRun();
    using Command = RunRequest::Command;
    static constexpr Command kCommands[] = {Command::kClipboardText, Command::kFolderTree, Command::kFolder,
                                            Command::kFile};
    const std::size_t index = static_cast<std::size_t>(wParam) - kFirstHotkeyId;
    if (index >= std::size(kCommands)) {
        return 1;
    }
    // The window list is an object of this thread; only the renames move to
    // the runner's thread.
    if (std::optional<RunRequest> request = PrepareRun(renameContext_, kCommands[index], GetForegroundWindow())) {
        runner_.Start(std::move(*request), hwnd_, kRunEndedMessage);
    }
    return 1;
}

LRESULT CMainFrame::OnRunEnded(WPARAM, LPARAM)
{
    TakeEndedRun();
    if (closing_) {
        DestroyWindow(hwnd_);
    }
    return 0;
}

void CMainFrame::TakeEndedRun()
{
    if (const std::optional<RunResult> result = runner_.Finish()) {
        RunEnded(*result);
    }
}

void CMainFrame::RunEnded(const RunResult &result)
{
    FinishRun(renameContext_, result);
}

void CMainFrame::OnClose()
{
    // Exit (also the installer's) while a run goes on: the run stops after
    // the file it is on, and the window goes when it has ended, so that no
    // move is cut off and the journal says how far the run got.
    if (runner_.Running()) {
        closing_ = true;
        runner_.RequestStop();
        return;
    }
    TakeEndedRun();
    CFrameWnd::OnClose();
}

LRESULT CMainFrame::OnQueryEndSession(WPARAM, LPARAM)
{
    // Log-off or shutdown: the run is asked to stop now, while the system
    // asks the other programs, so that it has ended when the session does.
    // Should the end of the session be called off, the run stays stopped;
    // its journal entry says what it did not reach.
    runner_.RequestStop();
    return TRUE;
}

LRESULT CMainFrame::OnEndSession(WPARAM wParam, LPARAM)
{
    // The process may be ended as soon as this returns: wait for the run to
    // finish the file it is on and write its end to the journal.
    if (wParam) {
        runner_.RequestStop();
        TakeEndedRun();
    }
    return 0;
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
    SetEnabled(!enabled_);
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
        // The new hotkeys take effect at the next start.
        SaveSettings(hotkeys_);
        SetEnabled(!sheet.mainPage.disable);
    } else {
        UpdateTrayIcon();
    }
}

void CMainFrame::UpdateTrayIcon()
{
    tray_.ChangeIcon(enabled_ ? IDI_TIDEMARK : IDI_DISABLED);
}

}  // namespace tidemark
