#include "ui/AboutDlg.h"

#include "res/resource.h"

namespace tidemark {

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

BOOL CAboutDlg::OnInitDialog()
{
    return TRUE;
}

}  // namespace tidemark
