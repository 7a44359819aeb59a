#include "Harness.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <map>
#include <stdexcept>

#include <commctrl.h>
#include <prsht.h>
#include <tlhelp32.h>

namespace tidemark::testing {

bool waitUntil(const std::function<bool()> &condition, DWORD limitMs)
{
    const ULONGLONG end = GetTickCount64() + limitMs;
    while (!condition()) {
        if (GetTickCount64() > end) {
            return false;
        }
        Sleep(20);
    }
    return true;
}

double nowMs()
{
    LARGE_INTEGER frequency;
    LARGE_INTEGER t;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

bool sendTo(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT *result)
{
    DWORD_PTR answer = 0;
    const bool answered = SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, 20000, &answer) != 0;
    if (result != nullptr) {
        *result = static_cast<LRESULT>(answer);
    }
    return answered;
}

// ---- Desktop ---------------------------------------------------------------

namespace {

// What Wine's shell32 sends, by WM_COPYDATA with the NIM_ message as
// dwData, to the window of the class "Shell_TrayWnd" (dlls/shell32/systray.c
// in Wine 8): this record, then the icon's mask bits and colour bits when
// the call carries an icon.
struct WineNotifyData {
    LONG hWnd;
    UINT uID;
    UINT uFlags;
    UINT uCallbackMessage;
    WCHAR szTip[128];
    DWORD dwState;
    DWORD dwStateMask;
    WCHAR szInfo[256];
    UINT uTimeoutOrVersion;
    WCHAR szInfoTitle[64];
    DWORD dwInfoFlags;
    GUID guidItem;
    UINT width;
    UINT height;
    UINT planes;
    UINT bpp;
};
static_assert(sizeof(WineNotifyData) == 960);

constexpr UINT kRunMessage = WM_APP + 1;
const char kDesktopClass[] = "TidemarkTestDesktop";
const char kTrayClass[] = "Shell_TrayWnd";

std::string narrow(const WCHAR *text)
{
    char buffer[512];
    const int n = WideCharToMultiByte(CP_ACP, 0, text, -1, buffer, sizeof buffer, nullptr, nullptr);
    return n > 0 ? std::string(buffer) : std::string();
}

IconEvent parseIconEvent(const COPYDATASTRUCT &data)
{
    IconEvent event;
    event.message = static_cast<DWORD>(data.dwData);
    if (data.cbData < sizeof(WineNotifyData)) {
        return event;
    }
    WineNotifyData record;
    std::memcpy(&record, data.lpData, sizeof record);
    event.window = reinterpret_cast<HWND>(static_cast<LONG_PTR>(record.hWnd));
    event.id = record.uID;
    event.flags = record.uFlags;
    event.callbackMessage = record.uCallbackMessage;
    record.szTip[127] = 0;
    event.tip = narrow(record.szTip);
    if (record.uFlags & NIF_ICON) {
        const std::size_t colourSize =
            (static_cast<std::size_t>(record.planes) * record.width * record.height * record.bpp + 15) / 16 * 2;
        if (data.cbData >= sizeof record + colourSize) {
            const auto *end = static_cast<const std::uint8_t *>(data.lpData) + data.cbData;
            event.colourBits.assign(end - colourSize, end);
        }
    }
    return event;
}

void putClipboardData(const std::string &text)
{
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (memory == nullptr) {
        return;
    }
    std::memcpy(GlobalLock(memory), text.c_str(), text.size() + 1);
    GlobalUnlock(memory);
    if (SetClipboardData(CF_TEXT, memory) == nullptr) {
        GlobalFree(memory);
    }
}

}  // namespace

Desktop::Desktop()
{
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([this, ready] { threadMain(ready); });
    WaitForSingleObject(ready, INFINITE);
    CloseHandle(ready);
    if (control_ == nullptr || tray_ == nullptr) {
        throw std::runtime_error("cannot create the test's desktop windows");
    }
}

Desktop::~Desktop()
{
    run([this] {
        if (viewerB_ != nullptr) {
            ChangeClipboardChain(viewerB_, nextB_);
        }
        if (viewerA_ != nullptr) {
            ChangeClipboardChain(viewerA_, nextA_);
        }
        for (HWND window : {viewerA_, viewerB_, owner_, tray_}) {
            if (window != nullptr) {
                DestroyWindow(window);
            }
        }
        for (HWND window : opened_) {
            DestroyWindow(window);
        }
    });
    PostMessageA(control_, WM_QUIT, 0, 0);
    thread_.join();
}

void Desktop::threadMain(HANDLE ready)
{
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    static const bool registered = [instance] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = windowProc;
        wc.hInstance = instance;
        wc.lpszClassName = kDesktopClass;
        RegisterClassA(&wc);
        wc.lpszClassName = kTrayClass;
        RegisterClassA(&wc);
        return true;
    }();
    (void)registered;
    auto make = [&](const char *cls) {
        return CreateWindowExA(WS_EX_TOOLWINDOW, cls, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, instance, this);
    };
    control_ = make(kDesktopClass);
    owner_ = make(kDesktopClass);
    viewerA_ = make(kDesktopClass);
    viewerB_ = make(kDesktopClass);
    // On top of the others, so that the shell finds this one first.
    tray_ = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kTrayClass, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                            instance, this);
    SetEvent(ready);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        DispatchMessageA(&message);
    }
    if (control_ != nullptr) {
        DestroyWindow(control_);
    }
}

LRESULT CALLBACK Desktop::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA *>(lParam)->lpCreateParams));
    }
    auto *self = reinterpret_cast<Desktop *>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    return self->handle(window, message, wParam, lParam);
}

LRESULT Desktop::handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kRunMessage) {
        (*reinterpret_cast<const std::function<void()> *>(lParam))();
        return 0;
    }
    if (window == tray_ && message == WM_COPYDATA) {
        IconEvent event = parseIconEvent(*reinterpret_cast<const COPYDATASTRUCT *>(lParam));
        const std::lock_guard lock(mutex_);
        const std::pair<HWND, UINT> icon{event.window, event.id};
        switch (event.message) {
        case NIM_ADD:
            event.accepted = icons_.insert(icon).second;
            break;
        case NIM_MODIFY:
            event.accepted = icons_.count(icon) != 0;
            break;
        case NIM_DELETE:
            event.accepted = icons_.erase(icon) != 0;
            break;
        default:
            break;
        }
        events_.push_back(event);
        return event.accepted;
    }
    if (window == owner_ && message == WM_RENDERFORMAT && wParam == CF_TEXT) {
        ++renderRequests_;
        std::string text;
        {
            const std::lock_guard lock(mutex_);
            text = offered_;
        }
        putClipboardData(text);
        return 0;
    }
    if ((window == viewerA_ || window == viewerB_) &&
        (message == WM_DRAWCLIPBOARD || message == WM_CHANGECBCHAIN)) {
        HWND &next = window == viewerA_ ? nextA_ : nextB_;
        if (message == WM_DRAWCLIPBOARD) {
            ++(window == viewerA_ ? noticesA_ : noticesB_);
        } else if (reinterpret_cast<HWND>(wParam) == next) {
            next = reinterpret_cast<HWND>(lParam);
            return 0;
        }
        if (next != nullptr) {
            SendMessageA(next, message, wParam, lParam);
        }
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void Desktop::run(const std::function<void()> &work)
{
    SendMessageA(control_, kRunMessage, 0, reinterpret_cast<LPARAM>(&work));
}

std::vector<IconEvent> Desktop::iconEvents() const
{
    const std::lock_guard lock(mutex_);
    return events_;
}

void Desktop::newNotificationArea()
{
    const std::lock_guard lock(mutex_);
    icons_.clear();
}

bool Desktop::waitForIconEvents(std::size_t count) const
{
    return waitUntil([&] { return iconEvents().size() >= count; });
}

void Desktop::offerText(const std::string &text)
{
    {
        const std::lock_guard lock(mutex_);
        offered_ = text;
    }
    run([this] {
        if (OpenClipboard(owner_)) {
            EmptyClipboard();
            SetClipboardData(CF_TEXT, nullptr);
            CloseClipboard();
        }
    });
}

void Desktop::putText(const std::string &text)
{
    run([this, &text] {
        if (OpenClipboard(owner_)) {
            EmptyClipboard();
            putClipboardData(text);
            CloseClipboard();
        }
    });
}

std::string Desktop::clipboardText()
{
    std::string text;
    run([this, &text] {
        if (OpenClipboard(control_)) {
            if (HANDLE data = GetClipboardData(CF_TEXT)) {
                if (const char *p = static_cast<const char *>(GlobalLock(data))) {
                    text.assign(p, strnlen(p, GlobalSize(data)));
                    GlobalUnlock(data);
                }
            }
            CloseClipboard();
        }
    });
    return text;
}

void Desktop::joinViewers()
{
    run([this] {
        nextA_ = SetClipboardViewer(viewerA_);
        nextB_ = SetClipboardViewer(viewerB_);
    });
}

namespace {

// A window of a class of this name that does nothing of its own.
HWND makeWindow(const char *cls, DWORD style, HWND parent)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = cls;
    RegisterClassA(&wc);  // fails harmlessly the second time
    return CreateWindowExA(0, cls, "", style, 40, 40, 480, 320, parent, nullptr, wc.hInstance, nullptr);
}

}  // namespace

HWND Desktop::openWindow(const char *cls)
{
    HWND window = nullptr;
    run([&] {
        window = makeWindow(cls, WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr);
        opened_.push_back(window);
    });
    return window;
}

HWND Desktop::openTab(HWND explorer, bool onShow)
{
    HWND tab = nullptr;
    run([&] {
        tab = makeWindow("ShellTabWindowClass", WS_CHILD | (onShow ? WS_VISIBLE : 0), explorer);
        SetWindowPos(tab, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    });
    return tab;
}

bool Desktop::bringToFront(HWND window)
{
    run([window] { SetForegroundWindow(window); });
    return GetForegroundWindow() == window;
}

void Desktop::leaveViewerB()
{
    run([this] {
        ChangeClipboardChain(viewerB_, nextB_);
        DestroyWindow(viewerB_);
        viewerB_ = nullptr;
    });
}

// ---- the process -----------------------------------------------------------

std::string tidemarkExe()
{
    const char *path = std::getenv("TIDEMARK_EXE");
    return path != nullptr ? path : "Tidemark.exe";
}

TidemarkProcess::TidemarkProcess(const std::string &exe)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::string commandLine = "\"" + exe + "\"";
    if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info_)) {
        throw std::runtime_error("cannot start " + exe);
    }
    WaitForInputIdle(info_.hProcess, 20000);
}

TidemarkProcess::~TidemarkProcess()
{
    if (running()) {
        TerminateProcess(info_.hProcess, 1);
        WaitForSingleObject(info_.hProcess, 20000);
    }
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
}

HWND TidemarkProcess::frame() const
{
    HWND found = nullptr;
    const int offScreenX = 4 * GetSystemMetrics(SM_CXMAXIMIZED);
    waitUntil([&] {
        for (HWND window : topLevelWindows(id())) {
            RECT rect{};
            if (className(window) != "#32770" && windowText(window) == "Tidemark" && GetWindowRect(window, &rect) &&
                rect.left == offScreenX) {
                found = window;
                return true;
            }
        }
        return false;
    });
    return found;
}

std::vector<HWND> TidemarkProcess::dialogs() const
{
    std::vector<HWND> found;
    for (HWND window : topLevelWindows(id())) {
        if (className(window) == "#32770" && IsWindowVisible(window)) {
            found.push_back(window);
        }
    }
    return found;
}

HWND TidemarkProcess::waitForDialog(const std::string &caption) const
{
    HWND found = nullptr;
    waitUntil([&] {
        for (HWND window : dialogs()) {
            if (windowText(window) == caption) {
                found = window;
                return true;
            }
        }
        return false;
    });
    return found;
}

bool TidemarkProcess::waitForEnd() const
{
    return WaitForSingleObject(info_.hProcess, 20000) == WAIT_OBJECT_0;
}

bool TidemarkProcess::running() const
{
    return WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

std::set<DWORD> TidemarkProcess::threads() const
{
    std::set<DWORD> found;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return found;
    }
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == id()) {
            found.insert(entry.th32ThreadID);
        }
    }
    CloseHandle(snapshot);
    return found;
}

bool waitForThreadEnd(DWORD threadId)
{
    const HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, threadId);
    if (thread == nullptr) {
        return true;  // gone already
    }
    const bool ended = WaitForSingleObject(thread, 20000) == WAIT_OBJECT_0;
    CloseHandle(thread);
    return ended;
}

Finished runToEnd(const std::string &commandLine, DWORD timeoutMs)
{
    Finished result;
    char folder[MAX_PATH] = "";
    char outFile[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, folder);
    GetTempFileNameA(folder, "out", 0, outFile);
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const HANDLE out = CreateFileA(outFile, GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    std::string command = commandLine;
    if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0) {
            GetExitCodeProcess(process.hProcess, &result.status);
        }
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(out);
    if (FILE *file = std::fopen(outFile, "rb")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
            result.out.append(buffer, n);
        }
        std::fclose(file);
    }
    DeleteFileA(outFile);
    return result;
}

std::string runCli(const std::string &args)
{
    const char *cli = std::getenv("TIDEMARK_CLI");
    if (cli == nullptr) {
        return "<TIDEMARK_CLI is not set>";
    }
    return runToEnd("\"" + std::string(cli) + "\" " + args, 20000).out;
}

DWORD TidemarkProcess::exitCode() const
{
    DWORD code = 0;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

// ---- windows ---------------------------------------------------------------

std::vector<HWND> topLevelWindows(DWORD processId)
{
    struct Search {
        DWORD processId;
        std::vector<HWND> found;
    } search{processId, {}};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto *s = reinterpret_cast<Search *>(parameter);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == s->processId) {
                s->found.push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string className(HWND window)
{
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string windowText(HWND window)
{
    char text[1024] = "";
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 20000,
                             &length)) {
        return {};
    }
    return std::string(text, std::min<std::size_t>(length, sizeof text - 1));
}

std::vector<HWND> childWindows(HWND parent)
{
    std::vector<HWND> found;
    EnumChildWindows(
        parent,
        [](HWND window, LPARAM parameter) -> BOOL {
            reinterpret_cast<std::vector<HWND> *>(parameter)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

HWND findChild(HWND parent, const std::string &cls, const std::string &text)
{
    for (HWND child : childWindows(parent)) {
        if (lstrcmpiA(className(child).c_str(), cls.c_str()) == 0 && windowText(child) == text) {
            return child;
        }
    }
    return nullptr;
}

void clickButton(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

bool hotkeyFree(UINT modifiers, UINT key)
{
    constexpr int kProbeId = 0xBFF0;
    if (!RegisterHotKey(nullptr, kProbeId, modifiers, key)) {
        return false;
    }
    UnregisterHotKey(nullptr, kProbeId);
    return true;
}

void pressCtrlShift(char key)
{
    pressKeys({VK_CONTROL, VK_SHIFT, static_cast<WORD>(key)});
}

void pressKeys(const std::vector<WORD> &keys)
{
    std::vector<INPUT> inputs;
    // With its scan code, as a keyboard sends it: the hotkey control reads
    // the key from that.
    const auto key = [&](WORD k, DWORD flags) {
        inputs.push_back(INPUT{INPUT_KEYBOARD, {}});
        inputs.back().ki.wVk = k;
        inputs.back().ki.wScan = static_cast<WORD>(MapVirtualKeyA(k, MAPVK_VK_TO_VSC));
        inputs.back().ki.dwFlags = flags;
    };
    for (const WORD k : keys) {
        key(k, 0);
    }
    for (auto k = std::rbegin(keys); k != std::rend(keys); ++k) {
        key(*k, KEYEVENTF_KEYUP);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

namespace {

int nextHotkeyId = 0x100;

}  // namespace

HeldHotkey::HeldHotkey(UINT modifiers, UINT key)
    : id_(nextHotkeyId++), held_(RegisterHotKey(nullptr, id_, modifiers, key) != FALSE)
{
}

HeldHotkey::~HeldHotkey()
{
    if (held_) {
        UnregisterHotKey(nullptr, id_);
    }
}

std::vector<std::uint8_t> iconBits(const std::string &exe, WORD id)
{
    std::vector<std::uint8_t> bits;
    const HMODULE module =
        LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (module == nullptr) {
        return bits;
    }
    const HICON icon = static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_ICON,
                                                     GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    ICONINFO info{};
    if (icon != nullptr && GetIconInfo(icon, &info)) {
        BITMAP bitmap{};
        if (info.hbmColor != nullptr && GetObjectA(info.hbmColor, sizeof bitmap, &bitmap)) {
            bits.resize(static_cast<std::size_t>(bitmap.bmWidthBytes) * bitmap.bmHeight);
            bits.resize(static_cast<std::size_t>(
                GetBitmapBits(info.hbmColor, static_cast<LONG>(bits.size()), bits.data())));
        }
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
    }
    if (icon != nullptr) {
        DestroyIcon(icon);
    }
    FreeLibrary(module);
    return bits;
}

// ---- menus and pictures ----------------------------------------------------

HWND openIconMenu(HWND frame, UINT mouseMessage)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(frame, &processId);
    PostMessageA(frame, 0x040A, 144, mouseMessage);
    HWND menu = nullptr;
    waitUntil([&] {
        for (HWND window : topLevelWindows(processId)) {
            if (className(window) == "#32768" && IsWindowVisible(window)) {
                menu = window;
                return true;
            }
        }
        return false;
    });
    // Answered from inside the menu's loop: the menu has been drawn.
    if (menu != nullptr) {
        sendTo(menu, WM_NULL, 0, 0);
    }
    return menu;
}

bool chooseFromMenu(HWND menu, char key)
{
    PostMessageA(menu, WM_CHAR, static_cast<unsigned char>(key), 0);
    return waitUntil([&] { return !IsWindowVisible(menu); });
}

bool closeMenu(HWND menu)
{
    PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    return waitUntil([&] { return !IsWindowVisible(menu); });
}

namespace {

Picture grab(const RECT &rect)
{
    Picture picture;
    picture.width = rect.right - rect.left;
    picture.height = rect.bottom - rect.top;
    if (picture.width <= 0 || picture.height <= 0) {
        return {};
    }
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void *bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap != nullptr) {
        const HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, picture.width, picture.height, screen, rect.left, rect.top, SRCCOPY);
        GdiFlush();
        const auto *pixels = static_cast<const std::uint32_t *>(bits);
        picture.pixels.resize(static_cast<std::size_t>(picture.width) * picture.height);
        for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
            picture.pixels[i] = pixels[i] & 0xFFFFFF;
        }
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return picture;
}

bool hasInk(const Picture &picture)
{
    return std::any_of(picture.pixels.begin(), picture.pixels.end(),
                       [&](std::uint32_t p) { return p != picture.pixels.front(); });
}

}  // namespace

Picture capture(const RECT &rect)
{
    // Wine hands a window's drawing to the X server a moment after it was
    // made: take the picture once two in a row agree.
    Picture last = grab(rect);
    Picture now;
    waitUntil([&] {
        now = grab(rect);
        const bool settled = now.pixels == last.pixels && hasInk(now);
        last = now;
        return settled;
    });
    return now;
}

Picture capture(HWND window)
{
    // Painted through by the window's own thread before the picture is taken.
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    RECT rect{};
    GetWindowRect(window, &rect);
    return capture(rect);
}

void keepScreenshot(const Picture &picture, const std::string &name)
{
    const char *folder = std::getenv("TIDEMARK_SCREENSHOTS");
    if (folder == nullptr || picture.width == 0) {
        return;
    }
    FILE *file = std::fopen((std::string(folder) + "\\" + name + ".ppm").c_str(), "wb");
    if (file == nullptr) {
        return;
    }
    std::fprintf(file, "P6 %d %d 255\n", picture.width, picture.height);
    for (std::uint32_t p : picture.pixels) {
        const unsigned char rgb[] = {static_cast<unsigned char>(p >> 16), static_cast<unsigned char>(p >> 8),
                                     static_cast<unsigned char>(p)};
        std::fwrite(rgb, 1, sizeof rgb, file);
    }
    std::fclose(file);
}

std::vector<MenuItemLook> lookAtMenu(const Picture &menu)
{
    if (menu.width < 8 || menu.height < 8) {
        return {};
    }
    std::map<std::uint32_t, int> counts;
    for (std::uint32_t p : menu.pixels) {
        ++counts[p];
    }
    const std::uint32_t background =
        std::max_element(counts.begin(), counts.end(), [](auto &a, auto &b) { return a.second < b.second; })->first;
    const auto dark = [](std::uint32_t p) {
        return ((p >> 16) & 0xFF) < 96 && ((p >> 8) & 0xFF) < 96 && (p & 0xFF) < 96;
    };
    // Inside the menu's frame.
    const int x0 = 3, x1 = menu.width - 3, y0 = 3, y1 = menu.height - 3;

    struct Band {
        int top, bottom;  // rows, bottom exclusive
    };
    std::vector<Band> bands;
    int blank = 0;
    for (int y = y0; y < y1; ++y) {
        bool inked = false;
        for (int x = x0; x < x1 && !inked; ++x) {
            inked = menu.at(x, y) != background;
        }
        if (!inked) {
            ++blank;
            continue;
        }
        // An underline one blank row below its letters belongs to them.
        if (!bands.empty() && blank <= 1 && bands.back().bottom == y - blank) {
            bands.back().bottom = y + 1;
        } else {
            bands.push_back({y, y + 1});
        }
        blank = 0;
    }

    std::vector<MenuItemLook> items;
    std::vector<int> leftInk;
    for (const Band &band : bands) {
        int inkLeft = x1, inkRight = x0;
        bool anyDark = false;
        for (int y = band.top; y < band.bottom; ++y) {
            for (int x = x0; x < x1; ++x) {
                if (menu.at(x, y) != background) {
                    inkLeft = std::min(inkLeft, x);
                    inkRight = std::max(inkRight, x);
                    anyDark = anyDark || dark(menu.at(x, y));
                }
            }
        }
        const bool separator = band.bottom - band.top <= 3 && inkRight - inkLeft > (x1 - x0) * 6 / 10;
        if (separator) {
            continue;
        }
        items.push_back({!anyDark, false});
        leftInk.push_back(inkLeft);
    }
    // The text of all items starts in one column; ink left of it is a mark.
    std::map<int, int> columns;
    for (int x : leftInk) {
        ++columns[x];
    }
    if (!columns.empty()) {
        const int textColumn =
            std::max_element(columns.begin(), columns.end(), [](auto &a, auto &b) { return a.second < b.second; })
                ->first;
        for (std::size_t i = 0; i < items.size(); ++i) {
            items[i].checked = leftInk[i] < textColumn - 2;
        }
    }
    return items;
}

// ---- the settings sheet ----------------------------------------------------

HWND openSettings(const TidemarkProcess &tidemark, HWND frame)
{
    const HWND menu = openIconMenu(frame, WM_LBUTTONUP);
    if (menu == nullptr || !chooseFromMenu(menu, 's')) {
        return nullptr;
    }
    const HWND sheet = tidemark.waitForDialog("Property Sheet");
    // Its first page is ready once the sheet answers from its modal loop.
    if (sheet != nullptr) {
        sendTo(sheet, WM_NULL, 0, 0);
    }
    return sheet;
}

HWND currentPage(HWND sheet)
{
    LRESULT page = 0;
    sendTo(sheet, PSM_GETCURRENTPAGEHWND, 0, 0, &page);
    return reinterpret_cast<HWND>(page);
}

IconEvent closeSheet(const Desktop &desktop, HWND sheet, int button)
{
    const std::size_t before = desktop.iconEvents().size();
    PostMessageA(sheet, PSM_PRESSBUTTON, button, 0);
    if (!desktop.waitForIconEvents(before + 1)) {
        return {};
    }
    return desktop.iconEvents().back();
}

WORD hotkeyControl(HWND page, int id)
{
    LRESULT value = 0;
    sendTo(GetDlgItem(page, id), HKM_GETHOTKEY, 0, 0, &value);
    return LOWORD(value);
}

void setHotkeyControl(HWND page, int id, WORD keyAndFlags)
{
    sendTo(GetDlgItem(page, id), HKM_SETHOTKEY, keyAndFlags, 0);
}

bool isChecked(HWND page, int id)
{
    LRESULT state = 0;
    sendTo(GetDlgItem(page, id), BM_GETCHECK, 0, 0, &state);
    return state == BST_CHECKED;
}

void click(HWND page, int id)
{
    sendTo(GetDlgItem(page, id), BM_CLICK, 0, 0);
}

// ---- registry --------------------------------------------------------------

const char kSettingsKey[] = "Software\\Brightfold\\Tidemark\\Settings";

void cleanRegistry()
{
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Brightfold");
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Brightfold");
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        RegDeleteKeyValueA(root, kRunKey, "Tidemark");
    }
}

void useWineWithoutWindowManager()
{
    const char kWineX11[] = "Software\\Wine\\X11 Driver";
    for (const char *name : {"Managed", "Decorated"}) {
        RegSetKeyValueA(HKEY_CURRENT_USER, kWineX11, name, REG_SZ, "N", 2);
    }
}

std::optional<std::vector<std::string>> valueNames(HKEY root, const char *path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::vector<std::string> names;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD length = sizeof name;
        if (RegEnumValueA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name, length);
    }
    RegCloseKey(key);
    return names;
}

std::optional<DWORD> dwordValue(HKEY root, const char *path, const char *name)
{
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegGetValueA(root, path, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return value;
}

const char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

std::optional<RegistryValue> readValue(HKEY root, const char *path, const char *name)
{
    // The bytes as stored: RegGetValue would mend a missing terminator.
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    RegistryValue value;
    DWORD size = 0;
    LONG status = RegQueryValueExA(key, name, nullptr, &value.type, nullptr, &size);
    if (status == ERROR_SUCCESS) {
        value.bytes.resize(size);
        status = RegQueryValueExA(key, name, nullptr, &value.type, reinterpret_cast<BYTE *>(value.bytes.data()),
                                  &size);
        value.bytes.resize(size);
    }
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return value;
}

void PrintTo(const RegistryValue &value, std::ostream *out)
{
    *out << "type " << value.type << ", " << value.bytes.size() << " bytes \"";
    for (char c : value.bytes) {
        if (c == '\0') {
            *out << "\\0";
        } else {
            *out << c;
        }
    }
    *out << '"';
}

void writeValue(HKEY root, const char *path, const char *name, const RegistryValue &value)
{
    RegSetKeyValueA(root, path, name, value.type, value.bytes.data(), static_cast<DWORD>(value.bytes.size()));
}

// ---- the fake Explorer -----------------------------------------------------

namespace {

const char kServerKey[] = "Software\\Classes\\CLSID\\{9BA05972-F6A8-11CF-A442-00A0C90A8F39}\\InprocServer32";
const char kFakeWindowsKey[] = "Software\\Tidemark Test\\Shell Windows";

RegistryValue text(const std::string &s)
{
    return {REG_SZ, s + '\0'};
}

void putBack(const char *name, const std::optional<RegistryValue> &old)
{
    if (old) {
        writeValue(HKEY_LOCAL_MACHINE, kServerKey, name, *old);
    } else {
        RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kServerKey, name);
    }
}

}  // namespace

FakeExplorer::FakeExplorer()
    : oldServer_(readValue(HKEY_LOCAL_MACHINE, kServerKey, "")),
      oldThreading_(readValue(HKEY_LOCAL_MACHINE, kServerKey, "ThreadingModel"))
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dll = path;
    dll.erase(dll.find_last_of('\\') + 1);
    dll += "fake_shell_windows.dll";
    RegDeleteTreeA(HKEY_CURRENT_USER, kFakeWindowsKey);
    // Machine classes: Wine does not read classes from HKEY_CURRENT_USER.
    writeValue(HKEY_LOCAL_MACHINE, kServerKey, "", text(dll));
    writeValue(HKEY_LOCAL_MACHINE, kServerKey, "ThreadingModel", text("Apartment"));
    registered_ = GetFileAttributesA(dll.c_str()) != INVALID_FILE_ATTRIBUTES &&
                  readValue(HKEY_LOCAL_MACHINE, kServerKey, "") == text(dll);
}

FakeExplorer::~FakeExplorer()
{
    putBack("", oldServer_);
    putBack("ThreadingModel", oldThreading_);
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Tidemark Test");
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Tidemark Test");
}

void FakeExplorer::show(const std::vector<ShellWindow> &windows)
{
    for (int i = 0;; ++i) {
        const std::string key = std::string(kFakeWindowsKey) + "\\" + std::to_string(i);
        if (RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str()) != ERROR_SUCCESS) {
            break;
        }
        RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
    }
    for (std::size_t i = 0; i < windows.size(); ++i) {
        const ShellWindow &w = windows[i];
        const std::string key = std::string(kFakeWindowsKey) + "\\" + std::to_string(i);
        const auto handle = [](HWND window) {
            const auto value = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(window));
            return RegistryValue{REG_QWORD, std::string(reinterpret_cast<const char *>(&value), sizeof value)};
        };
        writeValue(HKEY_CURRENT_USER, key.c_str(), "Window", handle(w.window));
        if (w.tab != nullptr) {
            writeValue(HKEY_CURRENT_USER, key.c_str(), "Tab", handle(w.tab));
        }
        writeValue(HKEY_CURRENT_USER, key.c_str(), "Folder", text(w.folder));
        writeValue(HKEY_CURRENT_USER, key.c_str(), "Focused", text(w.focused));
        if (w.disconnected != 0) {
            writeValue(HKEY_CURRENT_USER, key.c_str(), "Disconnected",
                       {REG_DWORD, std::string(reinterpret_cast<const char *>(&w.disconnected), sizeof(DWORD))});
        }
    }
}

DWORD FakeExplorer::listsMade() const
{
    return dwordValue(HKEY_CURRENT_USER, kFakeWindowsKey, "Created").value_or(0);
}

}  // namespace tidemark::testing
