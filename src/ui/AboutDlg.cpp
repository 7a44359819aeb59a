#include "ui/AboutDlg.h"

#include "framework/FrameWnd.h"
#include "res/resource.h"

namespace tidemark {

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

BOOL CAboutDlg::OnInitDialog()
{
    // The template centres the box on its owner's screen; the owner, the
    // main frame, lies out of sight, on no screen at all.
    CentreOnPointerMonitor(hwnd_);
    return TRUE;
}

}  // namespace tidemark
