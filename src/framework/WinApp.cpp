#include "framework/WinApp.h"

#include "framework/FrameWnd.h"
#include "framework/RegistryKey.h"

namespace tidemark {

namespace {

CWinApp *g_app = nullptr;

}  // namespace

std::string LoadResourceString(UINT id)
{
    char buffer[512];
    const int length = LoadStringA(GetModuleHandleA(nullptr), id, buffer, sizeof buffer);
    return std::string(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
}

CWinApp::CWinApp(const char *appName) : appName_(appName != nullptr ? appName : "")
{
    g_app = this;
}

CWinApp::~CWinApp()
{
    if (g_app == this) {
        g_app = nullptr;
    }
}

CWinApp *CWinApp::Current()
{
    return g_app;
}

CFrameWnd *CWinApp::SetMainWindow(std::unique_ptr<CFrameWnd> frame)
{
    mainWindow_ = std::move(frame);
    return mainWindow_.get();
}

void CWinApp::ReleaseMainWindow(CFrameWnd *frame)
{
    if (mainWindow_.get() == frame) {
        mainWindow_.reset();
    }
}

void CWinApp::SetRegistryKey(const char *company)
{
    registryKey_ = company;
}

namespace {

// HKEY_CURRENT_USER\Software\<company>\<app>\<section>, the keys below
// "Software" created when missing. Empty when the registry key was not set.
RegistryKey openSection(const std::string &company, const std::string &app, const char *section)
{
    RegistryKey software;
    RegistryKey key;
    if (company.empty() || !software.Open(HKEY_CURRENT_USER, "software", KEY_READ | KEY_WRITE)) {
        return key;
    }
    RegistryKey companyKey;
    RegistryKey appKey;
    if (companyKey.Create(software.get(), company.c_str(), KEY_READ | KEY_WRITE) &&
        appKey.Create(companyKey.get(), app.c_str(), KEY_READ | KEY_WRITE)) {
        key.Create(appKey.get(), section, KEY_READ | KEY_WRITE);
    }
    return key;
}

}  // namespace

UINT CWinApp::GetProfileInt(const char *section, const char *entry, int defaultValue)
{
    const RegistryKey key = openSection(registryKey_, appName_, section);
    if (!key) {
        return static_cast<UINT>(defaultValue);
    }
    DWORD type = REG_NONE;
    DWORD value = 0;
    DWORD size = sizeof value;
    // Longer data fails the query. Shorter data, or data of another type,
    // was not written by WriteProfileInt and would leave bytes unread.
    if (RegQueryValueExA(key.get(), entry, nullptr, &type, reinterpret_cast<BYTE *>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value) {
        return static_cast<UINT>(defaultValue);
    }
    return value;
}

BOOL CWinApp::WriteProfileInt(const char *section, const char *entry, int value)
{
    const RegistryKey key = openSection(registryKey_, appName_, section);
    const DWORD data = static_cast<DWORD>(value);
    return key && RegSetValueExA(key.get(), entry, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&data),
                                 sizeof data) == ERROR_SUCCESS;
}

int CWinApp::DoMessageBox(const char *text, UINT type)
{
    if ((type & MB_ICONMASK) == 0 && ((type & MB_TYPEMASK) == MB_OK || (type & MB_TYPEMASK) == MB_OKCANCEL)) {
        type |= MB_ICONEXCLAMATION;
    }
    const HWND owner = mainWindow_ != nullptr ? mainWindow_->GetSafeHwnd() : nullptr;
    return ::MessageBoxA(owner, text, appName_.c_str(), type);
}

bool CWinApp::ActivateModalWindow() const
{
    if (modalWindow_ == nullptr) {
        return false;
    }
    SetForegroundWindow(modalWindow_);
    return true;
}

namespace {

bool isOwnWindow(HWND window)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    return processId == GetCurrentProcessId();
}

// The taskbar of the primary screen, or of another one.
bool isTaskbar(HWND window)
{
    char name[32] = "";
    GetClassNameA(window, name, sizeof name);
    return lstrcmpA(name, "Shell_TrayWnd") == 0 || lstrcmpA(name, "Shell_SecondaryTrayWnd") == 0;
}

// The window that the system would activate if `window` went away: the
// first visible window below it in z-order that has a taskbar button.
HWND windowBelow(HWND window)
{
    for (HWND below = GetWindow(window, GW_HWNDNEXT); below != nullptr; below = GetWindow(below, GW_HWNDNEXT)) {
        if (IsWindowVisible(below) && (GetWindowLongPtrA(below, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) == 0 &&
            !isOwnWindow(below)) {
            return below;
        }
    }
    return nullptr;
}

}  // namespace

void CWinApp::NoteUserWindow()
{
    HWND front = GetForegroundWindow();
    // A click on the icon makes the taskbar the foreground window: the
    // user worked in the window it took the foreground from.
    if (front != nullptr && isTaskbar(front)) {
        front = windowBelow(front);
    }
    if (front != nullptr && !isOwnWindow(front)) {
        userWindow_ = front;
    }
}

void CWinApp::GiveBackForeground() const
{
    // The system activates the owner of a modal window that closes: the
    // main frame, which lies out of sight. The hotkeys act on the window in
    // front, so it goes back to the one the user worked in. A window of
    // another program that has taken the foreground meanwhile keeps it.
    const HWND front = GetForegroundWindow();
    if (userWindow_ != nullptr && IsWindow(userWindow_) && (front == nullptr || isOwnWindow(front))) {
        SetForegroundWindow(userWindow_);
    }
}

bool CWinApp::OnCmdMsg(UINT id, CCmdUI *ui)
{
    static constexpr CommandEntry<CWinApp> kCommands[] = {
        {ID_APP_EXIT, &CWinApp::OnAppExit, nullptr},
    };
    return RouteCommand<CWinApp>(*this, kCommands, id, ui);
}

void CWinApp::OnAppExit()
{
    if (mainWindow_ != nullptr && mainWindow_->GetSafeHwnd() != nullptr) {
        SendMessageA(mainWindow_->GetSafeHwnd(), WM_CLOSE, 0, 0);
    }
}

int CWinApp::Run()
{
    MSG message{};
    BOOL got;
    while ((got = GetMessageA(&message, nullptr, 0, 0)) != 0 && got != -1) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    quitCode_ = got == 0 ? static_cast<int>(message.wParam) : -1;
    return ExitInstance();
}

ModalScope::~ModalScope()
{
    if (entered_ && g_app != nullptr) {
        g_app->modalWindow_ = nullptr;
        g_app->GiveBackForeground();
    }
}

void ModalScope::Enter(HWND window)
{
    if (g_app != nullptr) {
        g_app->modalWindow_ = window;
        entered_ = true;
    }
}

int RunApplication(HINSTANCE instance)
{
    CWinApp *app = CWinApp::Current();
    if (app == nullptr) {
        return -1;
    }
    app->instance_ = instance;
    if (app->appName_.empty()) {
        app->appName_ = LoadResourceString(AFX_IDS_APP_TITLE);
    }
    if (!app->InitInstance()) {
        if (CFrameWnd *frame = app->MainWindow(); frame != nullptr && frame->GetSafeHwnd() != nullptr) {
            DestroyWindow(frame->GetSafeHwnd());
        }
        return app->ExitInstance();
    }
    return app->Run();
}

}  // namespace tidemark
