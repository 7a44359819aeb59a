#pragma once

// The test's side of the desktop that the real Tidemark.exe runs on under
// Wine: the notification area and clipboard programs (windows of the test on
// a thread of their own), the process itself, its windows, menus and
// registry values.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace tidemark::testing {

// Polls `condition` until it holds. The limit only keeps a broken program
// from hanging the run; no test depends on how fast anything is.
bool waitUntil(const std::function<bool()> &condition, DWORD limitMs = 20000);

// Milliseconds from a fixed point, for the benchmarks' figures.
double nowMs();

// SendMessageTimeout with a limit of the same kind: false when the window
// did not answer (it is stuck in a modal loop it should not be in).
bool sendTo(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT *result = nullptr);

// What the notification area received from one Shell_NotifyIcon call.
struct IconEvent {
    DWORD message = 0;  // NIM_ADD, NIM_MODIFY, NIM_DELETE
    HWND window = nullptr;
    UINT id = 0;
    UINT flags = 0;
    UINT callbackMessage = 0;
    std::string tip;
    std::vector<std::uint8_t> colourBits;  // the icon's colour bitmap, when NIF_ICON
    bool accepted = false;                 // what the notification area answered
};

// Windows of the test that other programs talk to, on a thread that always
// answers: the notification area (a window of the class Wine's shell sends
// the icon to), a program that offers clipboard text only on request, and
// two clipboard viewers, A and B, joined in that order. The notification
// area answers as Explorer's does: it refuses to add an icon it has, and to
// change or delete one it has not.
class Desktop {
public:
    Desktop();
    ~Desktop();
    Desktop(const Desktop &) = delete;
    Desktop &operator=(const Desktop &) = delete;

    HWND trayWindow() const { return tray_; }
    std::vector<IconEvent> iconEvents() const;
    bool waitForIconEvents(std::size_t count) const;
    // The notification area of an Explorer that has started anew: it has
    // no icon (the programs are told by the message "TaskbarCreated").
    void newNotificationArea();

    // Puts CF_TEXT on the clipboard to be rendered when a program asks for
    // it, and counts the requests: a program that read the clipboard text
    // shows up in renderRequests().
    void offerText(const std::string &text);
    int renderRequests() const { return renderRequests_; }
    // Puts text on the clipboard at once.
    void putText(const std::string &text);
    // The clipboard's text now, empty when there is none.
    std::string clipboardText();

    // Joins A, then B, to the clipboard viewer chain.
    void joinViewers();
    // B leaves the chain.
    void leaveViewerB();
    int viewerNotices(char viewer) const { return viewer == 'A' ? noticesA_ : noticesB_; }

    // A window of class `cls` on the screen, as another program has it
    // ("CabinetWClass": an Explorer window); it goes with the desktop.
    HWND openWindow(const char *cls);
    // A tab of the Explorer window `explorer` (class "ShellTabWindowClass"),
    // placed first in z-order; only the tab on show is visible.
    HWND openTab(HWND explorer, bool onShow);
    // Makes `window` the foreground window; false when it did not become it.
    bool bringToFront(HWND window);

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void run(const std::function<void()> &work);
    void threadMain(HANDLE ready);

    std::thread thread_;
    HWND control_ = nullptr;
    HWND tray_ = nullptr;
    HWND owner_ = nullptr;
    HWND viewerA_ = nullptr;
    HWND viewerB_ = nullptr;
    std::vector<HWND> opened_;
    HWND nextA_ = nullptr;
    HWND nextB_ = nullptr;
    mutable std::mutex mutex_;
    std::vector<IconEvent> events_;
    std::set<std::pair<HWND, UINT>> icons_;  // (window, id) of each icon shown
    std::string offered_;
    std::atomic<int> renderRequests_{0};
    std::atomic<int> noticesA_{0};
    std::atomic<int> noticesB_{0};
};

// The Windows path of the Tidemark.exe under test.
std::string tidemarkExe();

// A running Tidemark.exe, ended (if it still runs) when the object goes.
class TidemarkProcess {
public:
    // Starts the program and waits until it waits for input (with its frame
    // ready, or a message box up).
    explicit TidemarkProcess(const std::string &exe = tidemarkExe());
    ~TidemarkProcess();
    TidemarkProcess(const TidemarkProcess &) = delete;
    TidemarkProcess &operator=(const TidemarkProcess &) = delete;

    DWORD id() const { return info_.dwProcessId; }
    // The hidden main frame, once its creation work is done (it is then
    // out of sight); null when it does not appear.
    HWND frame() const;
    // A top-level dialog (class "#32770") of the process with this caption.
    HWND waitForDialog(const std::string &caption) const;
    std::vector<HWND> dialogs() const;
    bool waitForEnd() const;
    bool running() const;
    DWORD exitCode() const;
    // The ids of the process's threads now.
    std::set<DWORD> threads() const;

private:
    PROCESS_INFORMATION info_{};
};

std::vector<HWND> topLevelWindows(DWORD processId);
std::string className(HWND window);
// The window's text, asked of its own thread.
std::string windowText(HWND window);
std::vector<HWND> childWindows(HWND parent);
// The first child of `parent` with this class and text, or null.
HWND findChild(HWND parent, const std::string &cls, const std::string &text);
// Clicks a button of a dialog as the dialog sees it: a command from it.
void clickButton(HWND dialog, int id);

// Presses `keys` on the keyboard in this order and lets them go in the other.
void pressKeys(const std::vector<WORD> &keys);
// Presses Ctrl+Shift+`key` on the keyboard and lets both go again.
void pressCtrlShift(char key);

// Waits until the thread with this id has ended.
bool waitForThreadEnd(DWORD threadId);

// A program run to its end: its exit status (0xDEAD when it did not start
// or end) and what it printed on its standard output.
struct Finished {
    DWORD status = 0xDEAD;
    std::string out;
};
// Runs `commandLine`, waiting at most `timeoutMs` for its end; its standard
// output goes through a file.
Finished runToEnd(const std::string &commandLine, DWORD timeoutMs = INFINITE);

// Runs tidemark-cli.exe (TIDEMARK_CLI) with `args` to its end and returns
// what it printed on its standard output.
std::string runCli(const std::string &args);

// Whether this combination is free: registers it for a moment.
bool hotkeyFree(UINT modifiers, UINT key);

// Holds a hotkey for the test's thread while it lives.
class HeldHotkey {
public:
    HeldHotkey(UINT modifiers, UINT key);
    ~HeldHotkey();
    HeldHotkey(const HeldHotkey &) = delete;
    HeldHotkey &operator=(const HeldHotkey &) = delete;
    bool held() const { return held_; }

private:
    int id_;
    bool held_;
};

// The colour bits of icon `id` of `exe` in the notification area's size,
// as the shell reads them.
std::vector<std::uint8_t> iconBits(const std::string &exe, WORD id);

// --- the popup menu ---------------------------------------------------------

// Sends the icon's callback for `mouseMessage` and returns the popup menu
// that it opens, or null.
HWND openIconMenu(HWND frame, UINT mouseMessage);
// Types `key` into the open menu (its mnemonic) and waits until it closes.
bool chooseFromMenu(HWND menu, char key);
bool closeMenu(HWND menu);

// The screen's pixels in a rectangle, 0x00RRGGBB, top row first.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};
Picture capture(const RECT &rect);
Picture capture(HWND window);
// With TIDEMARK_SCREENSHOTS set, saves the picture as NAME.ppm there.
void keepScreenshot(const Picture &picture, const std::string &name);

// How the items of a popup menu look: one entry per text item, top down
// (separators left out). Greyed text has no dark pixels; a check mark is
// ink left of the column where the items' text begins.
struct MenuItemLook {
    bool greyed = false;
    bool checked = false;
};
std::vector<MenuItemLook> lookAtMenu(const Picture &menu);

// --- the settings sheet -----------------------------------------------------

// Opens the sheet from the icon's menu; null when it does not appear.
HWND openSettings(const TidemarkProcess &tidemark, HWND frame);
// The page shown now.
HWND currentPage(HWND sheet);
// Presses OK or Cancel (PSBTN_) and waits until the settings command has
// ended: it ends by showing the icon anew. Returns that icon event.
IconEvent closeSheet(const Desktop &desktop, HWND sheet, int button);
WORD hotkeyControl(HWND page, int id);
void setHotkeyControl(HWND page, int id, WORD keyAndFlags);
bool isChecked(HWND page, int id);
// Clicks a button control as the mouse would.
void click(HWND page, int id);

// --- the registry -----------------------------------------------------------

// HKEY_CURRENT_USER\Software\Brightfold\Tidemark\Settings
extern const char kSettingsKey[];
// Removes the program's settings and its start-with-system entries.
void cleanRegistry();
// Xvfb has no window manager: tells Wine (for the programs started from
// now on) to place and draw the windows itself instead of waiting for one.
// Other systems ignore the key.
void useWineWithoutWindowManager();
// The names of the values of a key; nothing when the key is missing.
std::optional<std::vector<std::string>> valueNames(HKEY root, const char *path);
// A REG_DWORD value, or nothing when it is missing or of another type.
std::optional<DWORD> dwordValue(HKEY root, const char *path, const char *name);

// A registry value as stored: its type and bytes.
struct RegistryValue {
    DWORD type = REG_NONE;
    std::string bytes;
    bool operator==(const RegistryValue &) const = default;
};
void PrintTo(const RegistryValue &value, std::ostream *out);
extern const char kRunKey[];
std::optional<RegistryValue> readValue(HKEY root, const char *path, const char *name);
void writeValue(HKEY root, const char *path, const char *name, const RegistryValue &value);

// --- the fake Explorer ------------------------------------------------------

// One window of Explorer as fake_shell_windows.dll describes it (its header
// comment has the meaning of each field).
struct ShellWindow {
    HWND window = nullptr;
    HWND tab = nullptr;  // null: the same as `window`
    std::string folder;
    std::string focused;
    DWORD disconnected = 0;
};

// While it lives, fake_shell_windows.dll (next to this program) is the
// shell's window list in this Wine prefix: Tidemark.exe started meanwhile
// lists the windows shown here. The registration it replaces comes back.
class FakeExplorer {
public:
    FakeExplorer();
    ~FakeExplorer();
    FakeExplorer(const FakeExplorer &) = delete;
    FakeExplorer &operator=(const FakeExplorer &) = delete;
    bool registered() const { return registered_; }

    // The open windows from now on, in the list's order.
    void show(const std::vector<ShellWindow> &windows);
    // How many window lists programs have made.
    DWORD listsMade() const;

private:
    bool registered_ = false;
    std::optional<RegistryValue> oldServer_;
    std::optional<RegistryValue> oldThreading_;
};

}  // namespace tidemark::testing
