#include "framework/PropertySheet.h"

#include "framework/DialogTemplate.h"
#include "framework/FrameWnd.h"

namespace tidemark {

namespace {

// The sheet whose window PropertySheetA is creating: its callback has no
// room for the object.
CPropertySheet *g_creatingSheet = nullptr;

void setResult(HWND page, LONG_PTR result)
{
    SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
}

}  // namespace

void CPropertyPage::SetModified(BOOL changed)
{
    const HWND sheet = GetParent(hwnd_);
    SendMessageA(sheet, changed ? PSM_CHANGED : PSM_UNCHANGED, reinterpret_cast<WPARAM>(hwnd_), 0);
}

BOOL CPropertyPage::OnSetActive()
{
    if (firstActivation_) {
        firstActivation_ = false;
    } else {
        UpdateData(FALSE);
    }
    return TRUE;
}

BOOL CPropertyPage::OnKillActive()
{
    return UpdateData(TRUE);
}

BOOL CPropertyPage::OnApply()
{
    OnOK();
    return TRUE;
}

INT_PTR CPropertyPage::DialogProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND) {
        return OnCommand(LOWORD(wParam), HIWORD(wParam));
    }
    if (message != WM_NOTIFY) {
        return FALSE;
    }
    const auto *notice = reinterpret_cast<const PSHNOTIFY *>(lParam);
    switch (notice->hdr.code) {
    case PSN_SETACTIVE:
        setResult(hwnd_, OnSetActive() ? 0 : -1);
        return TRUE;
    case PSN_KILLACTIVE:
        setResult(hwnd_, OnKillActive() ? FALSE : TRUE);
        return TRUE;
    case PSN_APPLY: {
        const BOOL applied = OnApply();
        // lParam tells OK (TRUE) from Apply.
        if (applied && notice->lParam != 0 && sheet_ != nullptr) {
            sheet_->closedWithOk_ = true;
        }
        setResult(hwnd_, applied ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE);
        return TRUE;
    }
    case PSN_RESET:
        OnCancel();
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK CPropertyPage::StaticPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CDialog *self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CPropertyPage *>(reinterpret_cast<const PROPSHEETPAGEA *>(lParam)->lParam);
    } else {
        self = reinterpret_cast<CDialog *>(GetWindowLongPtrA(window, DWLP_USER));
    }
    return Dispatch(self, window, message, wParam, lParam);
}

PROPSHEETPAGEA CPropertyPage::Describe()
{
    PROPSHEETPAGEA page{};
    page.dwSize = sizeof page;
    page.dwFlags = PSP_DEFAULT;
    page.hInstance = GetModuleHandleA(nullptr);
    page.pszTemplate = MAKEINTRESOURCEA(templateId_);
    page.pfnDlgProc = StaticPageProc;
    page.lParam = reinterpret_cast<LPARAM>(this);
    return page;
}

CPropertySheet::CPropertySheet(UINT captionId, CWnd *parent, UINT selectPage)
    : caption_(LoadResourceString(captionId)), parent_(parent), startPage_(selectPage)
{
}

void CPropertySheet::AddPage(CPropertyPage *page)
{
    page->sheet_ = this;
    pages_.push_back(page);
}

int CALLBACK CPropertySheet::SheetCallback(HWND window, UINT message, LPARAM lParam)
{
    // The sheet measures its pages in its own font: with the font of the
    // pages, they fit it exactly, buttons and tabs included.
    if (message == PSCB_PRECREATE && g_creatingSheet != nullptr && !g_creatingSheet->pages_.empty()) {
        if (const auto font = ResourceDialogFont(g_creatingSheet->pages_.front()->templateId_)) {
            ReplaceDialogFont(reinterpret_cast<void *>(lParam), *font);
        }
    }
    if (message == PSCB_INITIALIZED && g_creatingSheet != nullptr) {
        g_creatingSheet->hwnd_ = window;
        if (g_creatingSheet->modal_ != nullptr) {
            g_creatingSheet->modal_->Enter(window);
        }
        CentreOnPointerMonitor(window);
    }
    return 0;
}

INT_PTR CPropertySheet::DoModal()
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    std::vector<PROPSHEETPAGEA> pages;
    for (CPropertyPage *page : pages_) {
        page->firstActivation_ = true;
        pages.push_back(page->Describe());
    }
    CWinApp *app = CWinApp::Current();
    CWnd *owner = parent_ != nullptr ? parent_ : (app != nullptr ? app->MainWindow() : nullptr);

    PROPSHEETHEADERA header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_USECALLBACK;
    header.hwndParent = owner != nullptr ? owner->GetSafeHwnd() : nullptr;
    header.hInstance = GetModuleHandleA(nullptr);
    header.pszCaption = caption_.c_str();
    header.nPages = static_cast<UINT>(pages.size());
    header.nStartPage = startPage_;
    header.ppsp = pages.data();
    header.pfnCallback = SheetCallback;

    closedWithOk_ = false;
    ModalScope modal;
    modal_ = &modal;
    g_creatingSheet = this;
    PropertySheetA(&header);
    g_creatingSheet = nullptr;
    modal_ = nullptr;
    hwnd_ = nullptr;
    return closedWithOk_ ? IDOK : IDCANCEL;
}

}  // namespace tidemark
