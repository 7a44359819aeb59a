#pragma once

#include <windows.h>

#include "app/Settings.h"
#include "framework/FrameWnd.h"
#include "shell/RenameContext.h"
#include "shell/RenameRunner.h"
#include "ui/SystemTray.h"

namespace tidemark {

// The program's only top-level window, never seen: it owns the hotkeys, the
// notification-area icon and the program's place in the clipboard viewer
// chain, and runs the commands.
class CMainFrame : public CFrameWnd {
public:
    // The ids of the four hotkeys, in the order of the hotkey table.
    static constexpr int kFirstHotkeyId = 256;
    // Posted by the runner when a run has ended.
    static constexpr UINT kRunEndedMessage = WM_APP + 1;

    CMainFrame();
    ~CMainFrame() override;

    // Shows icon 130 while enabled, 161 while disabled.
    void UpdateTrayIcon();

protected:
    BOOL PreCreateWindow(CREATESTRUCTA &cs) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnCmdMsg(UINT id, CCmdUI *ui) override;
    void OnClose() override;

private:
    LRESULT OnCreate(WPARAM wParam, LPARAM lParam);
    LRESULT OnHotKey(WPARAM wParam, LPARAM lParam);
    LRESULT OnRunEnded(WPARAM wParam, LPARAM lParam);
    LRESULT OnQueryEndSession(WPARAM wParam, LPARAM lParam);
    LRESULT OnEndSession(WPARAM wParam, LPARAM lParam);
    LRESULT OnChangeCbChain(WPARAM wParam, LPARAM lParam);
    LRESULT OnDrawClipboard(WPARAM wParam, LPARAM lParam);
    LRESULT OnDestroy(WPARAM wParam, LPARAM lParam);
    LRESULT OnTrayNotification(WPARAM wParam, LPARAM lParam);
    void OnDisable();
    void OnUpdateDisable(CCmdUI &ui);
    void OnSettings();
    void PositionOffScreen();

    // Takes the hotkeys while enabled and gives them back to the system
    // while disabled, so that other programs can have them meanwhile.
    void SetEnabled(BOOL enabled);
    // Registers the hotkeys taken at start; false when one of them could
    // not be registered.
    bool RegisterHotkeys();
    void UnregisterHotkeys();
    void ReportHotkeysNotSet();
    // Hands the run that has ended, if any, to RunEnded.
    void TakeEndedRun();
    // What the program does when a run has ended, on this thread.
    void RunEnded(const RunResult &result);

    // Not saved: every start begins enabled.
    BOOL enabled_ = TRUE;
    CSystemTray tray_;
    HWND nextClipboardViewer_ = nullptr;
    // As the settings store has them; changes take effect at the next start.
    HotkeyTable hotkeys_{};
    // As read at start: the hotkeys that enabling registers.
    HotkeyTable startHotkeys_{};
    CRenameContext renameContext_;
    // Destroyed before the context: a run that goes on stops first.
    CRenameRunner runner_;
    // Exit came while a run went on: the window goes when the run has ended.
    bool closing_ = false;
};

}  // namespace tidemark
