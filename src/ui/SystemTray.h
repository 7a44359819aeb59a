#pragma once

#include <windows.h>
#include <shellapi.h>

namespace tidemark {

class CWnd;

// The program's icon in the notification area, with the popup menu that a
// click on it opens. The icon stays until the object goes away.
class CSystemTray {
public:
    // The icon's id, which is also the resource id of its popup menu.
    static constexpr UINT kIconId = 144;
    // The message the icon sends to its window: WM_USER + 10.
    static constexpr UINT kCallbackMessage = 0x040A;

    CSystemTray();
    virtual ~CSystemTray();
    CSystemTray(const CSystemTray &) = delete;
    CSystemTray &operator=(const CSystemTray &) = delete;

    // Puts `icon` into the notification area for `frame`'s window; false when
    // it was not added.
    BOOL AddIcon(CWnd *frame, HICON icon);
    // Shows the icon resource `resourceId` instead; false when no icon is shown.
    BOOL ChangeIcon(WORD resourceId);
    // Takes the icon out of the notification area, if it is there.
    void DeleteIcon();
    // Puts the icon, as it now looks, into a notification area that was
    // made anew (Explorer restarted, or started after the program at logon),
    // or brings it up to date where the area still has it; false when there
    // is no icon to show or the area took neither.
    BOOL ShowAgain();
    // The icon's callback: a button released over it opens the popup menu.
    virtual LRESULT HandleIconMessage(WPARAM wParam, LPARAM lParam);

    // Icon `resourceId` of the program in the size of the notification area.
    // Shared: never destroyed.
    static HICON LoadTrayIcon(WORD resourceId);

private:
    BOOL added_ = FALSE;
    // The record of every Shell_NotifyIconA call, in the size that every
    // Windows version since 2000 takes.
    NOTIFYICONDATAA data_;
};

}  // namespace tidemark
