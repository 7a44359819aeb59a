#include "ui/SystemTray.h"

#include <cstring>

#include "framework/FrameWnd.h"
#include "framework/WinApp.h"

namespace tidemark {

namespace {

const char kTip[] = "Click here to configure Tidemark";
static_assert(sizeof kTip <= sizeof NOTIFYICONDATAA::szTip);

}  // namespace

CSystemTray::CSystemTray()
{
    std::memset(&data_, 0, sizeof data_);
}

CSystemTray::~CSystemTray()
{
    DeleteIcon();
}

HICON CSystemTray::LoadTrayIcon(WORD resourceId)
{
    // The small-icon size is what the notification area shows; the image of
    // that size is picked from the icon instead of a larger one scaled down.
    return static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resourceId), IMAGE_ICON,
                                         GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
}

BOOL CSystemTray::AddIcon(CWnd *frame, HICON icon)
{
    if (LOBYTE(LOWORD(GetVersion())) < 4) {
        added_ = FALSE;
        return FALSE;
    }
    data_.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data_.hWnd = frame != nullptr ? frame->GetSafeHwnd() : nullptr;
    data_.hIcon = icon;
    data_.uID = kIconId;
    data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data_.uCallbackMessage = kCallbackMessage;
    std::memcpy(data_.szTip, kTip, sizeof kTip);
    added_ = Shell_NotifyIconA(NIM_ADD, &data_);
    return added_;
}

BOOL CSystemTray::ChangeIcon(WORD resourceId)
{
    // Kept even when no icon is shown, so that ShowAgain shows this one.
    data_.hIcon = LoadTrayIcon(resourceId);
    if (!added_) {
        return FALSE;
    }
    data_.uFlags = NIF_ICON;
    return Shell_NotifyIconA(NIM_MODIFY, &data_);
}

BOOL CSystemTray::ShowAgain()
{
    if (data_.hWnd == nullptr) {
        return FALSE;
    }
    // The new notification area knows nothing of the icon: it is added as
    // at start, whatever the old area had.
    data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    added_ = Shell_NotifyIconA(NIM_ADD, &data_);
    return added_;
}

void CSystemTray::DeleteIcon()
{
    if (added_) {
        data_.uFlags = 0;
        Shell_NotifyIconA(NIM_DELETE, &data_);
        added_ = FALSE;
    }
}

LRESULT CSystemTray::HandleIconMessage(WPARAM wParam, LPARAM lParam)
{
    if (wParam != data_.uID) {
        return 0;
    }
    CWinApp *app = CWinApp::Current();
    CFrameWnd *mainWindow = app != nullptr ? app->MainWindow() : nullptr;
    const UINT mouseMessage = LOWORD(lParam);
    if ((mouseMessage != WM_LBUTTONUP && mouseMessage != WM_RBUTTONUP) || mainWindow == nullptr) {
        return 1;
    }
    // While the settings or the About box is open, the click shows that
    // window: none of the menu's commands may run before it is closed.
    if (app->ActivateModalWindow()) {
        return 1;
    }
    const HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(data_.uID));
    if (menu == nullptr) {
        return 0;
    }
    const HMENU popup = GetSubMenu(menu, 0);
    if (popup == nullptr) {
        DestroyMenu(menu);
        return 0;
    }
    POINT cursor{};
    GetCursorPos(&cursor);
    const HWND owner = mainWindow->GetSafeHwnd();
    app->NoteUserWindow();
    // The menu closes on a click elsewhere only when its owner is in front.
    SetForegroundWindow(owner);
    TrackPopupMenu(popup, 0, cursor.x, cursor.y, 0, owner, nullptr);
    // Lets the foreground switch complete before the next click on the icon.
    PostMessageA(owner, WM_NULL, 0, 0);
    DestroyMenu(menu);
    return 1;
}

}  // namespace tidemark
