#include "app/App.h"

#include <memory>

#include "app/MainFrame.h"
#include "res/resource.h"

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
    ShowWindow(frame->GetSafeHwnd(), SW_SHOW);
    UpdateWindow(frame->GetSafeHwnd());
    return TRUE;
}

int CApp::ExitInstance()
{
    CoUninitialize();
    return CWinApp::ExitInstance();
}

}  // namespace tidemark
