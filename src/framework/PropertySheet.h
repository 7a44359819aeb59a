#pragma once

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <string>
#include <vector>

#include "framework/Dialog.h"

namespace tidemark {

class CPropertySheet;

// A page of a property sheet, from a dialog template of the resources.
class CPropertyPage : public CDialog {
public:
    explicit CPropertyPage(UINT templateId) : CDialog(templateId) {}

    // Enables (or disables) the sheet's Apply button for this page.
    void SetModified(BOOL changed = TRUE);

protected:
    // Every activation but the first fills the controls from the members.
    virtual BOOL OnSetActive();
    // Leaving the page (also for OK and Apply) reads the controls.
    virtual BOOL OnKillActive();
    // OK or Apply: runs the page's OK step; FALSE keeps the sheet open.
    virtual BOOL OnApply();
    // The page's part of OK and Apply; nothing by default.
    void OnOK() override {}
    // The sheet's Cancel; nothing by default.
    void OnCancel() override {}
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    friend class CPropertySheet;
    static INT_PTR CALLBACK StaticPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    PROPSHEETPAGEA Describe();

    CPropertySheet *sheet_ = nullptr;
    bool firstActivation_ = true;
};

// A property sheet with OK, Cancel and Apply, run modally.
class CPropertySheet : public CWnd {
public:
    // The caption is the string resource `captionId`; the owner is the
    // application's main window.
    explicit CPropertySheet(UINT captionId, CWnd *parent = nullptr, UINT selectPage = 0);

    // Pages are shown in the order they were added; they must outlive the sheet.
    void AddPage(CPropertyPage *page);
    // IDOK when the sheet was closed with OK; IDCANCEL otherwise, also after
    // Apply (what Apply did stays done).
    INT_PTR DoModal();

private:
    friend class CPropertyPage;
    static int CALLBACK SheetCallback(HWND window, UINT message, LPARAM lParam);

    std::string caption_;
    CWnd *parent_;
    UINT startPage_;
    std::vector<CPropertyPage *> pages_;
    bool closedWithOk_ = false;
    ModalScope *modal_ = nullptr;  // while DoModal runs
};

}  // namespace tidemark
