#pragma once

#include <windows.h>

#include "app/Settings.h"
#include "framework/FrameWnd.h"
#include "shell/RenameContext.h"
#include "ui/SystemTray.h"

namespace tidemark {

// The program's only top-level window, never seen: it owns the hotkeys, the
// notification-area icon and the program's place in the clipboard viewer
// chain, and runs the commands.
class CMainFrame : public CFrameWnd {
public:
    // The ids of the four hotkeys, in the order of the hotkey table.
    static constexpr int kFirstHotkeyId = 256;

    CMainFrame();
    ~CMainFrame() override;

    // Shows icon 130 while enabled, 161 while disabled.
    void UpdateTrayIcon();

protected:
    BOOL PreCreateWindow(CREATESTRUCTA &cs) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnCmdMsg(UINT id, CCmdUI *ui) override;

private:
    LRESULT OnCreate(WPARAM wParam, LPARAM lParam);
    LRESULT OnHotKey(WPARAM wParam, LPARAM lParam);
    LRESULT OnChangeCbChain(WPARAM wParam, LPARAM lParam);
    LRESULT OnDrawClipboard(WPARAM wParam, LPARAM lParam);
    LRESULT OnDestroy(WPARAM wParam, LPARAM lParam);
    LRESULT OnTrayNotification(WPARAM wParam, LPARAM lParam);
    void OnDisable();
    void OnUpdateDisable(CCmdUI &ui);
    void OnSettings();
    void PositionOffScreen();

    // Not saved: every start begins enabled. While disabled, the hotkeys do
    // nothing.
    BOOL enabled_ = TRUE;
    CSystemTray tray_;
    HWND nextClipboardViewer_ = nullptr;
    HotkeyTable hotkeys_{};
    CRenameContext renameContext_;
};

}  // namespace tidemark
