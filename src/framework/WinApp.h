#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "framework/CmdTarget.h"

namespace tidemark {

class CFrameWnd;

// Standard command ids of the framework.
constexpr UINT ID_APP_ABOUT = 0xE140;
constexpr UINT ID_APP_EXIT = 0xE141;
// The string resource with the application's title, its name by default.
constexpr UINT AFX_IDS_APP_TITLE = 0xE000;

// The application object: one global of a class derived from this one,
// which RunApplication (called by WinMain) finds and runs.
class CWinApp : public CCmdTarget {
public:
    // Without a name, the application takes the title string of its
    // resources (AFX_IDS_APP_TITLE).
    explicit CWinApp(const char *appName = nullptr);
    ~CWinApp() override;
    CWinApp(const CWinApp &) = delete;
    CWinApp &operator=(const CWinApp &) = delete;

    // The application object of the process, or null before it exists.
    static CWinApp *Current();

    // True to run the message loop, false to end at once.
    virtual BOOL InitInstance() { return TRUE; }
    // The process exit code: the code of the quit message (0 when none).
    virtual int ExitInstance() { return quitCode_; }

    HINSTANCE Instance() const { return instance_; }
    const std::string &AppName() const { return appName_; }

    // The main window, owned by the application until its window is gone.
    CFrameWnd *MainWindow() const { return mainWindow_.get(); }
    CFrameWnd *SetMainWindow(std::unique_ptr<CFrameWnd> frame);

    // The settings then live under HKEY_CURRENT_USER\Software\<company>\<AppName()>.
    void SetRegistryKey(const char *company);
    // The REG_DWORD `entry` of `section`, or `defaultValue` when there is
    // none (also when the value has another type or size). Opening the
    // section creates the missing keys.
    UINT GetProfileInt(const char *section, const char *entry, int defaultValue);
    BOOL WriteProfileInt(const char *section, const char *entry, int value);

    // A message box with the application's name as caption, owned by the
    // main window when there is one; an OK box gets the exclamation icon.
    int DoMessageBox(const char *text, UINT type = MB_OK);

    // The dialog or property sheet that the program runs modally now, or
    // null. While there is one, the frame runs no menu command and does not
    // close: the program is still inside the command that opened it.
    HWND ModalWindow() const { return modalWindow_; }
    // Brings the modal window to the front; false when there is none.
    bool ActivateModalWindow() const;

    // Notes the window in front, unless it is one of the program's own, as
    // the one that gets the foreground back when a modal window of the
    // program closes. Called when the user turns to the program (its menu).
    void NoteUserWindow();

    bool OnCmdMsg(UINT id, CCmdUI *ui) override;

private:
    friend int RunApplication(HINSTANCE instance);
    friend class CFrameWnd;
    friend class ModalScope;

    int Run();
    void OnAppExit();
    // Called by the frame when its window is gone: the object goes too.
    void ReleaseMainWindow(CFrameWnd *frame);
    // Called when a modal window has closed.
    void GiveBackForeground() const;

    HINSTANCE instance_ = nullptr;
    std::string appName_;
    std::string registryKey_;
    std::unique_ptr<CFrameWnd> mainWindow_;
    HWND modalWindow_ = nullptr;
    HWND userWindow_ = nullptr;  // see NoteUserWindow
    int quitCode_ = 0;
};

// Marks `window` as the application's modal window while it lives; when it
// ends, the window the user worked in gets the foreground back.
class ModalScope {
public:
    ModalScope() = default;
    ~ModalScope();
    ModalScope(const ModalScope &) = delete;
    ModalScope &operator=(const ModalScope &) = delete;
    void Enter(HWND window);

private:
    bool entered_ = false;
};

// The body of WinMain: initialises the application object, runs its message
// loop and returns the exit code.
int RunApplication(HINSTANCE instance);

// A string resource of the program, empty when there is none.
std::string LoadResourceString(UINT id);

}  // namespace tidemark
