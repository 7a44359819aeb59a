#include "app/App.h"

#include <memory>

#include "app/MainFrame.h"
#include "res/resource.h"
#include "ui/AboutDlg.h"

namespace tidemark {

BOOL CApp::InitInstance()
{
    CoInitialize(nullptr);
    // Deliberately never closed: the system releases the mutex with the
    // process, however the process ends.
    instanceMutex_ = CreateMutexA(nullptr, TRUE, "BrightfoldTidemarkMutex");
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        DoMessageBox("There is another runnnig Tidemark instance!", MB_OK);
        return FALSE;
    }
    SetRegistryKey("Brightfold");
    CFrameWnd *frame = SetMainWindow(std::make_unique<CMainFrame>());
    // Without its window the program could do nothing but hold the mutex,
    // and no later start could replace it.
    if (!frame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr, nullptr)) {
        return FALSE;
    }
    // Explorer keeps the foreground: the hotkeys act on the window in front.
    ShowWindow(frame->GetSafeHwnd(), SW_SHOWNOACTIVATE);
    UpdateWindow(frame->GetSafeHwnd());
    return TRUE;
}

int CApp::ExitInstance()
{
    CoUninitialize();
    return CWinApp::ExitInstance();
}

bool CApp::OnCmdMsg(UINT id, CCmdUI *ui)
{
    static constexpr CommandEntry<CApp> kCommands[] = {
        {ID_APP_ABOUT, &CApp::OnAppAbout, nullptr},
    };
    return RouteCommand<CApp>(*this, kCommands, id, ui) || CWinApp::OnCmdMsg(id, ui);
}

void CApp::OnAppAbout()
{
    CAboutDlg about;
    about.DoModal();
}

}  // namespace tidemark
