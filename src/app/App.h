#pragma once

#include <windows.h>

#include "framework/WinApp.h"

namespace tidemark {

// The tray program: one running copy per logon, COM on the user-interface
// thread, settings under HKEY_CURRENT_USER\Software\Brightfold\Tidemark, and
// the hidden main frame that does the rest.
class CApp : public CWinApp {
public:
    CApp() = default;

    BOOL InitInstance() override;
    int ExitInstance() override;
    bool OnCmdMsg(UINT id, CCmdUI *ui) override;

private:
    void OnAppAbout();

    // Held, open, until the process ends: a second copy finds it taken.
    HANDLE instanceMutex_ = nullptr;
};

}  // namespace tidemark
