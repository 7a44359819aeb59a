#include "framework/Dialog.h"

namespace tidemark {

void DDX_Control(CDataExchange &dx, int id, CHotKeyCtrl &control)
{
    if (control.GetSafeHwnd() == nullptr) {
        control.Attach(::GetDlgItem(dx.dialog(), id));
    }
}

void DDX_Check(CDataExchange &dx, int id, BOOL &value)
{
    if (dx.saveAndValidate()) {
        value = IsDlgButtonChecked(dx.dialog(), id) == BST_CHECKED;
    } else {
        CheckDlgButton(dx.dialog(), id, value ? BST_CHECKED : BST_UNCHECKED);
    }
}

INT_PTR CDialog::DoModal()
{
    CWinApp *app = CWinApp::Current();
    const HWND owner = app != nullptr && app->MainWindow() != nullptr ? app->MainWindow()->GetSafeHwnd() : nullptr;
    ModalScope modal;
    modal_ = &modal;
    const INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), owner,
                                           StaticDialogProc, reinterpret_cast<LPARAM>(this));
    modal_ = nullptr;
    return result;
}

BOOL CDialog::UpdateData(BOOL saveAndValidate)
{
    CDataExchange dx(hwnd_, saveAndValidate != FALSE);
    DoDataExchange(dx);
    return TRUE;
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    UpdateData(TRUE);
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

bool CDialog::OnCommand(UINT id, UINT code)
{
    (void)id;
    (void)code;
    return false;
}

INT_PTR CDialog::DialogProc(UINT message, WPARAM wParam, LPARAM)
{
    if (message != WM_COMMAND) {
        return FALSE;
    }
    const UINT id = LOWORD(wParam);
    if (id == IDOK) {
        OnOK();
        return TRUE;
    }
    if (id == IDCANCEL) {  // also Escape and the close button
        OnCancel();
        return TRUE;
    }
    return OnCommand(id, HIWORD(wParam));
}

INT_PTR CDialog::Dispatch(CDialog *self, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (self == nullptr) {
        return FALSE;
    }
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        self->hwnd_ = window;
        if (self->modal_ != nullptr) {
            self->modal_->Enter(window);
        }
    }
    INT_PTR result = FALSE;
    try {
        result = message == WM_INITDIALOG ? self->OnInitDialog() : self->DialogProc(message, wParam, lParam);
    } catch (...) {
        // Nothing may unwind through the system's dialog manager.
        result = FALSE;
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, DWLP_USER, 0);
        self->hwnd_ = nullptr;
    }
    return result;
}

INT_PTR CALLBACK CDialog::StaticDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto *self = message == WM_INITDIALOG ? reinterpret_cast<CDialog *>(lParam)
                                          : reinterpret_cast<CDialog *>(GetWindowLongPtrA(window, DWLP_USER));
    return Dispatch(self, window, message, wParam, lParam);
}

}  // namespace tidemark
