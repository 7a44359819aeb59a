// The real Tidemark.exe under Wine, driven as a user and the system drive it:
// started, its icon clicked, its menu read from the screen, its hotkeys and
// registry values checked from outside.
#include <windows.h>
#include <prsht.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TrayFixture.h"

namespace tidemark::testing {
namespace {

using TrayProgramTest = TrayFixture;

TEST_F(TrayProgramTest, RunsOnceWithDefaultsOutOfSightAndExitsCleanly)
{
    desktop.joinViewers();
    TidemarkProcess first;
    const HWND frame = first.frame();
    ASSERT_NE(frame, nullptr) << "the main frame did not appear out of sight";

    // The icon, for the frame, with its callback and tip.
    ASSERT_TRUE(desktop.waitForIconEvents(1));
    const IconEvent added = desktop.iconEvents().front();
    EXPECT_EQ(added.message, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(added.window, frame);
    EXPECT_EQ(added.id, 144u);
    EXPECT_EQ(added.flags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(added.callbackMessage, 0x040Au);
    EXPECT_EQ(added.tip, "Click here to configure Tidemark");
    EXPECT_TRUE(shows(added, 130));

    // A clean start reads the defaults, leaves an empty section and takes
    // Ctrl+Shift+C, E, D and W.
    EXPECT_EQ(valueNames(HKEY_CURRENT_USER, kSettingsKey), std::vector<std::string>{});
    for (UINT key : kDefaultKeys) {
        EXPECT_FALSE(hotkeyFree(kCtrlShift, key)) << "Ctrl+Shift+" << static_cast<char>(key);
    }

    // Out of sight below and right of the screen, no taskbar button.
    RECT rect{};
    GetWindowRect(frame, &rect);
    EXPECT_EQ(rect.top, 4 * GetSystemMetrics(SM_CYMAXIMIZED));
    EXPECT_EQ(rect.right - rect.left, 256);
    EXPECT_EQ(rect.bottom - rect.top, 180);
    const LONG_PTR exStyle = GetWindowLongPtrA(frame, GWL_EXSTYLE);
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(exStyle & WS_EX_APPWINDOW);

    // The viewers that joined the clipboard chain before it still hear of
    // every change, also after one of them has left.
    int noticesA = desktop.viewerNotices('A');
    const int noticesB = desktop.viewerNotices('B');
    desktop.putText("one");
    EXPECT_TRUE(waitUntil([&] { return desktop.viewerNotices('A') == noticesA + 1; }));
    EXPECT_TRUE(waitUntil([&] { return desktop.viewerNotices('B') == noticesB + 1; }));
    desktop.leaveViewerB();
    noticesA = desktop.viewerNotices('A');
    desktop.putText("two");
    EXPECT_TRUE(waitUntil([&] { return desktop.viewerNotices('A') == noticesA + 1; }));

    // A second copy says so and ends; the first runs on.
    {
        TidemarkProcess second;
        const HWND box = second.waitForDialog("Tidemark");
        ASSERT_NE(box, nullptr);
        EXPECT_NE(findChild(box, "Static", "There is another runnnig Tidemark instance!"), nullptr);
        EXPECT_NE(findChild(box, "Button", "OK"), nullptr);
        bool hasIcon = false;
        for (HWND child : childWindows(box)) {
            hasIcon = hasIcon || (GetWindowLongPtrA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
        }
        EXPECT_TRUE(hasIcon) << "no exclamation icon";
        clickButton(box, IDOK);
        EXPECT_TRUE(second.waitForEnd());
    }
    EXPECT_TRUE(first.running());
    EXPECT_FALSE(hotkeyFree(kCtrlShift, 'W'));
    EXPECT_EQ(desktop.iconEvents().size(), 1u);

    // Exit from the menu: the icon goes, the hotkeys are free, exit code 0.
    const HWND menu = openIconMenu(frame, WM_RBUTTONUP);
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(chooseFromMenu(menu, 'x'));
    ASSERT_TRUE(first.waitForEnd());
    EXPECT_EQ(first.exitCode(), 0u);
    const IconEvent deleted = lastIconEvent();
    EXPECT_EQ(deleted.message, static_cast<DWORD>(NIM_DELETE));
    EXPECT_EQ(deleted.id, 144u);
    for (UINT key : kDefaultKeys) {
        EXPECT_TRUE(hotkeyFree(kCtrlShift, key)) << "Ctrl+Shift+" << static_cast<char>(key);
    }

    // Nothing of the first copy stands in the way of the next.
    TidemarkProcess next;
    EXPECT_NE(next.frame(), nullptr);
    EXPECT_TRUE(next.dialogs().empty());
}

// The main frame while it is being created: out of sight only afterwards.
HWND frameInCreation(const TidemarkProcess &tidemark)
{
    for (HWND window : topLevelWindows(tidemark.id())) {
        if (className(window).starts_with("TidemarkFrame:")) {
            return window;
        }
    }
    return nullptr;
}

TEST_F(TrayProgramTest, HotkeysHeldByAnotherProgramAreReportedOnceAndExitWaitsForTheMessage)
{
    // Ids 256 and 258: the ones after a failure are still registered.
    const HeldHotkey heldC(kCtrlShift, 'C');
    const HeldHotkey heldD(kCtrlShift, 'D');
    ASSERT_TRUE(heldC.held() && heldD.held());

    TidemarkProcess tidemark;
    const HWND box = tidemark.waitForDialog("Tidemark");
    ASSERT_NE(box, nullptr);
    EXPECT_NE(findChild(box, "Static", "Failes to set one or more HotKeys\nPlease change the HotKey settings"),
              nullptr);
    EXPECT_FALSE(GetWindowLongPtrA(box, GWL_EXSTYLE) & WS_EX_TOPMOST);

    // The message is a modal window of the program, as the settings are: the
    // frame is disabled, which tells the installer that Tidemark cannot end
    // now; Exit and closing wait; a click on the icon shows the message.
    const HWND frame = frameInCreation(tidemark);
    ASSERT_NE(frame, nullptr);
    EXPECT_FALSE(IsWindowEnabled(frame));
    ASSERT_TRUE(sendTo(frame, WM_COMMAND, 57665, 0));
    ASSERT_TRUE(sendTo(frame, WM_CLOSE, 0, 0));
    LRESULT result = 0;
    ASSERT_TRUE(sendTo(frame, 0x040A, 144, WM_LBUTTONUP, &result));
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(tidemark.running());
    EXPECT_EQ(tidemark.dialogs(), std::vector<HWND>{box});
    clickButton(box, IDOK);

    // Start-up goes on to its end with one message for both hotkeys.
    ASSERT_EQ(tidemark.frame(), frame);
    EXPECT_TRUE(IsWindowEnabled(frame));
    EXPECT_TRUE(tidemark.dialogs().empty());
    EXPECT_FALSE(hotkeyFree(kCtrlShift, 'E'));
    EXPECT_FALSE(hotkeyFree(kCtrlShift, 'W'));
    ASSERT_TRUE(sendTo(frame, WM_COMMAND, 57665, 0));
    ASSERT_TRUE(tidemark.waitForEnd());
    EXPECT_EQ(tidemark.exitCode(), 0u);
}

TEST_F(TrayProgramTest, ACopyThatMayNotOpenTheRunningCopysMutexEndsToo)
{
    // The mutex as a copy run as administrator makes it, seen by a user
    // without those rights: no access at all.
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    ACL noAccess;
    InitializeAcl(&noAccess, sizeof noAccess, ACL_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, &noAccess, FALSE);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
    const HANDLE elevated = CreateMutexA(&attributes, TRUE, "BrightfoldTidemarkMutex");
    ASSERT_NE(elevated, nullptr);
    ASSERT_EQ(CreateMutexA(nullptr, TRUE, "BrightfoldTidemarkMutex"), nullptr);
    ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

    {
        TidemarkProcess second;
        const HWND box = second.waitForDialog("Tidemark");
        ASSERT_NE(box, nullptr);
        EXPECT_NE(findChild(box, "Static", "There is another runnnig Tidemark instance!"), nullptr);
        clickButton(box, IDOK);
        EXPECT_TRUE(second.waitForEnd());
    }
    EXPECT_TRUE(desktop.iconEvents().empty());
    for (UINT key : kDefaultKeys) {
        EXPECT_TRUE(hotkeyFree(kCtrlShift, key)) << "Ctrl+Shift+" << static_cast<char>(key);
    }
    CloseHandle(elevated);
}

TEST_F(TrayProgramTest, DisableGivesTheHotkeysBack)
{
    TidemarkProcess tidemark;
    const HWND frame = tidemark.frame();
    ASSERT_NE(frame, nullptr);
    const auto allTaken = [] {
        bool taken = true;
        for (UINT key : kDefaultKeys) {
            taken = taken && !hotkeyFree(kCtrlShift, key);
        }
        return taken;
    };
    const auto noneTaken = [] {
        bool free = true;
        for (UINT key : kDefaultKeys) {
            free = free && hotkeyFree(kCtrlShift, key);
        }
        return free;
    };
    ASSERT_TRUE(allTaken());

    // Disabled, the keys are other programs' to have.
    ASSERT_TRUE(sendTo(frame, WM_COMMAND, 32788, 0));
    EXPECT_TRUE(noneTaken());
    {
        // One of them is taken meanwhile: enabling says so, once, and takes
        // the others.
        const HeldHotkey heldW(kCtrlShift, 'W');
        ASSERT_TRUE(heldW.held());
        PostMessageA(frame, WM_COMMAND, 32788, 0);
        const HWND box = tidemark.waitForDialog("Tidemark");
        ASSERT_NE(box, nullptr);
        EXPECT_NE(findChild(box, "Static", "Failes to set one or more HotKeys\nPlease change the HotKey settings"),
                  nullptr);
        clickButton(box, IDOK);
        ASSERT_TRUE(waitUntil([&] { return tidemark.dialogs().empty(); }));
        ASSERT_TRUE(sendTo(frame, WM_NULL, 0, 0));
        EXPECT_TRUE(tidemark.dialogs().empty());
        for (UINT key : {'C', 'E', 'D'}) {
            EXPECT_FALSE(hotkeyFree(kCtrlShift, key)) << "Ctrl+Shift+" << static_cast<char>(key);
        }
    }
    // The same through the settings sheet's box, and back by the menu.
    HWND sheet = openSettings(tidemark, frame);
    ASSERT_NE(sheet, nullptr);
    click(currentPage(sheet), 1019);
    EXPECT_TRUE(shows(closeSheet(desktop, sheet, PSBTN_OK), 161));
    EXPECT_TRUE(noneTaken());
    ASSERT_TRUE(sendTo(frame, WM_COMMAND, 32788, 0));
    EXPECT_TRUE(allTaken());
    EXPECT_TRUE(tidemark.dialogs().empty());
}

TEST_F(TrayProgramTest, AStoredHotkeyWithoutCtrlOrAltIsNotTaken)
{
    // The file command's hotkey as the registry holds it. Taken from every
    // program, a bare key would rename every PDF of the folder in front
    // whenever the user typed it.
    const struct {
        DWORD key;
        DWORD modifiers;
        bool taken;
        bool reported;
    } cases[] = {
        {'W', MOD_CONTROL | MOD_SHIFT, true, false},
        {'W', MOD_CONTROL, true, false},
        {'W', MOD_ALT, true, false},
        {'W', MOD_SHIFT, false, true},
        {'W', 0, false, true},
        {VK_F7, 0, false, true},
        {'W', MOD_WIN, false, true},
        // Cleared in the settings: the command has no hotkey, which is no fault.
        {0, 0, false, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE("key " + std::to_string(c.key) + ", modifiers " + std::to_string(c.modifiers));
        writeValue(HKEY_CURRENT_USER, kSettingsKey, "FileRename",
                   {REG_DWORD, std::string(reinterpret_cast<const char *>(&c.key), sizeof c.key)});
        writeValue(HKEY_CURRENT_USER, kSettingsKey, "FileRenameModifier",
                   {REG_DWORD, std::string(reinterpret_cast<const char *>(&c.modifiers), sizeof c.modifiers)});
        TidemarkProcess tidemark;
        if (c.reported) {
            const HWND box = tidemark.waitForDialog("Tidemark");
            ASSERT_NE(box, nullptr);
            EXPECT_NE(findChild(box, "Static", "Failes to set one or more HotKeys\nPlease change the HotKey settings"),
                      nullptr);
            clickButton(box, IDOK);
        }
        const HWND frame = tidemark.frame();
        ASSERT_NE(frame, nullptr);
        EXPECT_TRUE(tidemark.dialogs().empty());
        if (c.key != 0) {
            EXPECT_EQ(hotkeyFree(c.modifiers, c.key), !c.taken);
        }
        for (UINT key : {'C', 'E', 'D'}) {
            EXPECT_FALSE(hotkeyFree(kCtrlShift, key)) << "Ctrl+Shift+" << static_cast<char>(key);
        }
        ASSERT_TRUE(sendTo(frame, WM_COMMAND, 57665, 0));
        ASSERT_TRUE(tidemark.waitForEnd());
    }
}

TEST_F(TrayProgramTest, IconMenuAndTheDisabledState)
{
    TidemarkProcess tidemark;
    const HWND frame = tidemark.frame();
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(desktop.waitForIconEvents(1));

    // Only a button released over the icon opens the menu; another icon id
    // is none of the program's business.
    LRESULT result = -1;
    ASSERT_TRUE(sendTo(frame, 0x040A, 143, WM_LBUTTONUP, &result));
    EXPECT_EQ(result, 0);
    for (UINT mouse : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_LBUTTONDBLCLK}) {
        ASSERT_TRUE(sendTo(frame, 0x040A, 144, mouse, &result)) << "a menu opened for " << mouse;
        EXPECT_EQ(result, 1);
    }

    // Enabled, the clipboard hotkey asks for the clipboard's text; with no
    // Explorer window in front nothing is renamed and the text stays.
    desktop.offerText("Some Title");
    for (WPARAM id = kFirstHotkeyId; id < kFirstHotkeyId + 4; ++id) {
        ASSERT_TRUE(sendTo(frame, WM_HOTKEY, id, 0));
    }
    ASSERT_TRUE(sendTo(frame, WM_HOTKEY, 300, 0));
    EXPECT_EQ(desktop.renderRequests(), 1);
    EXPECT_EQ(desktop.clipboardText(), "Some Title");

    std::vector<MenuItemLook> items = menuLook(frame, WM_LBUTTONUP, "menu-enabled");
    ASSERT_EQ(items.size(), static_cast<std::size_t>(kMenuItems));
    EXPECT_FALSE(items[kExit].greyed);
    EXPECT_FALSE(items[kAbout].greyed);
    EXPECT_TRUE(items[kHelp].greyed);
    EXPECT_FALSE(items[kSettings].greyed);
    EXPECT_FALSE(items[kDisable].greyed);
    EXPECT_FALSE(items[kDisable].checked);

    // Disable: icon 161, a check mark, and the hotkeys do nothing.
    HWND menu = openIconMenu(frame, WM_RBUTTONUP);
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(chooseFromMenu(menu, 'd'));
    ASSERT_TRUE(desktop.waitForIconEvents(2));
    EXPECT_EQ(lastIconEvent().message, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_TRUE(shows(lastIconEvent(), 161));
    items = menuLook(frame, WM_LBUTTONUP, "menu-disabled");
    ASSERT_EQ(items.size(), static_cast<std::size_t>(kMenuItems));
    EXPECT_TRUE(items[kDisable].checked);
    EXPECT_FALSE(items[kDisable].greyed);
    EXPECT_FALSE(items[kExit].checked);
    desktop.offerText("Other Title");
    ASSERT_TRUE(sendTo(frame, WM_HOTKEY, kFirstHotkeyId, 0));
    EXPECT_EQ(desktop.renderRequests(), 1) << "a hotkey acted while disabled";

    // A new notification area (Explorer restarted) gets the icon again, in
    // the look it has now, with its callback and tip.
    const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    desktop.newNotificationArea();
    ASSERT_TRUE(sendTo(frame, taskbarCreated, 0, 0));
    ASSERT_TRUE(desktop.waitForIconEvents(3));
    EXPECT_EQ(lastIconEvent().message, static_cast<DWORD>(NIM_ADD));
    EXPECT_TRUE(lastIconEvent().accepted);
    EXPECT_TRUE(shows(lastIconEvent(), 161));
    EXPECT_EQ(lastIconEvent().callbackMessage, 0x040Au);
    EXPECT_EQ(lastIconEvent().tip, "Click here to configure Tidemark");

    // The same message from another program while the icon is still there:
    // the area refuses a second add, and the icon is brought up to date.
    ASSERT_TRUE(sendTo(frame, taskbarCreated, 0, 0));
    ASSERT_TRUE(desktop.waitForIconEvents(5));
    EXPECT_FALSE(desktop.iconEvents()[3].accepted);
    EXPECT_EQ(lastIconEvent().message, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_TRUE(lastIconEvent().accepted);
    EXPECT_TRUE(shows(lastIconEvent(), 161));

    // A second Disable restores both: the icon is still the program's to change.
    menu = openIconMenu(frame, WM_LBUTTONUP);
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(chooseFromMenu(menu, 'd'));
    ASSERT_TRUE(desktop.waitForIconEvents(6));
    EXPECT_EQ(lastIconEvent().message, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_TRUE(lastIconEvent().accepted);
    EXPECT_TRUE(shows(lastIconEvent(), 130));
    items = menuLook(frame, WM_RBUTTONUP);
    ASSERT_EQ(items.size(), static_cast<std::size_t>(kMenuItems));
    EXPECT_FALSE(items[kDisable].checked);
    ASSERT_TRUE(sendTo(frame, WM_HOTKEY, kFirstHotkeyId, 0));
    EXPECT_EQ(desktop.renderRequests(), 2);

    // ...and to remove: Exit leaves no dead icon behind.
    ASSERT_TRUE(sendTo(frame, WM_COMMAND, 57665, 0));
    ASSERT_TRUE(tidemark.waitForEnd());
    EXPECT_EQ(lastIconEvent().message, static_cast<DWORD>(NIM_DELETE));
    EXPECT_TRUE(lastIconEvent().accepted);
}

}  // namespace
}  // namespace tidemark::testing
