#pragma once

#include <windows.h>
#include <commctrl.h>

#include "framework/FrameWnd.h"
#include "framework/WinApp.h"

namespace tidemark {

// One data exchange between a dialog's members and its controls.
class CDataExchange {
public:
    CDataExchange(HWND dialog, bool saveAndValidate) : dialog_(dialog), saveAndValidate_(saveAndValidate) {}
    HWND dialog() const { return dialog_; }
    // True: from the controls into the members; false: the other way.
    bool saveAndValidate() const { return saveAndValidate_; }

private:
    HWND dialog_;
    bool saveAndValidate_;
};

// A hotkey control (msctls_hotkey32).
class CHotKeyCtrl {
public:
    HWND GetSafeHwnd() const { return hwnd_; }
    void Attach(HWND window) { hwnd_ = window; }
    // `virtualKey` in the low byte, HOTKEYF_ flags in the high byte.
    void SetHotKey(WORD keyAndFlags) { SendMessageA(hwnd_, HKM_SETHOTKEY, keyAndFlags, 0); }
    WORD GetHotKey() const { return LOWORD(SendMessageA(hwnd_, HKM_GETHOTKEY, 0, 0)); }

private:
    HWND hwnd_ = nullptr;
};

// Binds `control` to the dialog's control `id` (once).
void DDX_Control(CDataExchange &dx, int id, CHotKeyCtrl &control);
// Exchanges the check box `id` with `value` (TRUE when ticked).
void DDX_Check(CDataExchange &dx, int id, BOOL &value);

// A dialog from a dialog template of the program's resources.
class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId) : templateId_(templateId) {}

    // Runs the dialog modally, owned by the application's main window, and
    // returns how it ended (IDOK, IDCANCEL).
    INT_PTR DoModal();
    // Data exchange: from the controls with `saveAndValidate`, else to them.
    BOOL UpdateData(BOOL saveAndValidate = TRUE);
    HWND GetDlgItem(int id) const { return ::GetDlgItem(hwnd_, id); }
    void EndDialog(INT_PTR result) { ::EndDialog(hwnd_, result); }

protected:
    // Fills the controls from the members; TRUE lets the system set the focus.
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange &dx) { (void)dx; }
    virtual void OnOK();
    virtual void OnCancel();
    // A notification (BN_CLICKED, EN_CHANGE, ...) from control `id`; true
    // when it was handled.
    virtual bool OnCommand(UINT id, UINT code);
    // Every other message; the result as a dialog procedure returns it.
    virtual INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam);

    // The procedure shared by dialogs and property pages, for `self` once known.
    static INT_PTR Dispatch(CDialog *self, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    UINT templateId_;

private:
    static INT_PTR CALLBACK StaticDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    ModalScope *modal_ = nullptr;  // while DoModal runs
};

}  // namespace tidemark
