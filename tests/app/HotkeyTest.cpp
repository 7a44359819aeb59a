// The hotkeys of the real Tidemark.exe under Wine, end to end: Explorer
// windows and tabs of the test's own on the screen, shown to the program by
// fake_shell_windows.dll, keys pressed on the keyboard, papers renamed on disk.
#include <windows.h>
#include <prsht.h>

#include <string>

#include "HotkeyFixture.h"

namespace tidemark::testing {
namespace {

const Names kUntouched{"a.pdf", "b.pdf", "sub"};
const Names kUntouchedSub{"c.pdf"};

using HotkeyTest = HotkeyFixture;

TEST_F(HotkeyTest, EachCommandActsOnTheWindowInFrontOrItsTabOnShow)
{
    const HWND front = desktop.openWindow("CabinetWClass");
    const HWND behind = desktop.openWindow("CabinetWClass");
    // Windows 11's tabs: the one on show comes after a hidden one in z-order.
    const HWND shownTab = desktop.openTab(front, true);
    const HWND hiddenTab = desktop.openTab(front, false);
    ASSERT_EQ(FindWindowExA(front, nullptr, "ShellTabWindowClass", nullptr), hiddenTab);
    ASSERT_NO_FATAL_FAILURE(start(front));

    const struct {
        char key;
        const char *clipboard;
        Names top;
        Names sub;
    } commands[] = {
        {'W', nullptr, {"Salt Marsh Accretion Rates.pdf", "a.pdf", "sub"}, kUntouchedSub},
        {'D', nullptr, {"Salt Marsh Accretion Rates.pdf", "Tidal Mixing in Estuaries.pdf", "sub"}, kUntouchedSub},
        {'E',
         nullptr,
         {"Salt Marsh Accretion Rates.pdf", "Tidal Mixing in Estuaries.pdf", "sub"},
         {"Sediment Budgets of Lagoons.pdf"}},
        {'C', "Chosen by Hand", {"Chosen by Hand.pdf", "a.pdf", "sub"}, kUntouchedSub},
    };
    for (const bool tabs : {false, true}) {
        for (const auto &command : commands) {
            SCOPED_TRACE(std::string(tabs ? "two tabs, " : "two windows, ") + "Ctrl+Shift+" + command.key);
            // The other one comes first in the list, where the program looks first.
            const Papers shown;
            const Papers other;
            if (tabs) {
                explorer.show({{front, hiddenTab, other.path(), "b.pdf"}, {front, shownTab, shown.path(), "b.pdf"}});
            } else {
                explorer.show({{behind, nullptr, other.path(), "b.pdf"}, {front, nullptr, shown.path(), "b.pdf"}});
            }
            if (command.clipboard != nullptr) {
                desktop.putText(command.clipboard);
            }
            press(command.key);
            EXPECT_EQ(namesIn(shown.path()), command.top);
            EXPECT_EQ(namesIn(shown.sub()), command.sub);
            EXPECT_EQ(namesIn(other.path()), kUntouched);
            EXPECT_EQ(namesIn(other.sub()), kUntouchedSub);
            if (command.clipboard != nullptr) {
                EXPECT_EQ(desktop.clipboardText(), "");
            }
        }
    }
    // Two shell windows of the window, neither of them the tab on show: no
    // telling which one is meant.
    const Papers papers;
    explorer.show({{front, hiddenTab, papers.path(), "b.pdf"}, {front, behind, papers.path(), "b.pdf"}});
    press('W');
    EXPECT_EQ(namesIn(papers.path()), kUntouched);
}

TEST_F(HotkeyTest, ExplorerKeepsTheForegroundAtStartAndAfterTheProgramsWindows)
{
    const HWND window = desktop.openWindow("CabinetWClass");
    const Papers papers;
    explorer.show({{window, nullptr, papers.path(), "a.pdf"}});
    ASSERT_NO_FATAL_FAILURE(start(window));
    // Answered from the message loop: the start is over.
    ASSERT_TRUE(sendTo(frame, WM_NULL, 0, 0));
    // Under Wine a window of another thread that is given the foreground
    // has it a moment later; the keys are pressed once it has.
    const auto explorerInFront = [&] { return waitUntil([&] { return GetForegroundWindow() == window; }); };
    EXPECT_TRUE(explorerInFront());
    press('W');
    EXPECT_EQ(namesIn(papers.path()), Names({"Tidal Mixing in Estuaries.pdf", "b.pdf", "sub"}));

    // Settings, opened by a click on the icon, which makes the taskbar the
    // foreground window first.
    ASSERT_TRUE(desktop.bringToFront(desktop.trayWindow()));
    const HWND sheet = openSettings(*program, frame);
    ASSERT_NE(sheet, nullptr);
    closeSheet(desktop, sheet, PSBTN_CANCEL);
    EXPECT_TRUE(explorerInFront());
    explorer.show({{window, nullptr, papers.path(), "b.pdf"}});
    press('W');
    EXPECT_EQ(namesIn(papers.path()), Names({"Salt Marsh Accretion Rates.pdf", "Tidal Mixing in Estuaries.pdf", "sub"}));

    const HWND menu = openIconMenu(frame, WM_LBUTTONUP);
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(chooseFromMenu(menu, 'a'));
    const HWND about = program->waitForDialog("Tidemark");
    ASSERT_NE(about, nullptr);
    clickButton(about, IDOK);
    EXPECT_TRUE(explorerInFront());
    explorer.show({{window, nullptr, papers.sub(), "c.pdf"}});
    press('W');
    EXPECT_EQ(namesIn(papers.sub()), Names({"Sediment Budgets of Lagoons.pdf"}));
}

TEST_F(HotkeyTest, ExplorerRestarted)
{
    const HWND window = desktop.openWindow("CabinetWClass");
    const Papers papers;
    explorer.show({{window, nullptr, papers.path(), "a.pdf"}});
    ASSERT_NO_FATAL_FAILURE(start(window));
    EXPECT_EQ(explorer.listsMade(), 1u);

    // Explorer ends, and the new one makes a new taskbar: the program makes
    // a new window list at once.
    explorer.show({{window, nullptr, papers.path(), "a.pdf", 1}});
    ASSERT_TRUE(sendTo(frame, RegisterWindowMessageA("TaskbarCreated"), 0, 0));
    EXPECT_EQ(explorer.listsMade(), 2u);
    press('W');
    EXPECT_EQ(namesIn(papers.path()), Names({"Tidal Mixing in Estuaries.pdf", "b.pdf", "sub"}));
    EXPECT_EQ(explorer.listsMade(), 2u);

    // Explorer ends again, with no new taskbar yet: the list held fails, and
    // the command makes a new one.
    explorer.show({{window, nullptr, papers.path(), "b.pdf", 2}});
    press('W');
    EXPECT_EQ(namesIn(papers.path()), Names({"Salt Marsh Accretion Rates.pdf", "Tidal Mixing in Estuaries.pdf", "sub"}));
    EXPECT_EQ(explorer.listsMade(), 3u);
}

TEST_F(HotkeyTest, NothingIsRenamedWithAnotherWindowInFrontOrWhileDisabled)
{
    const HWND window = desktop.openWindow("CabinetWClass");
    const HWND notepad = desktop.openWindow("Notepad");
    const Papers papers;
    explorer.show({{window, nullptr, papers.path(), "a.pdf"}});
    ASSERT_NO_FATAL_FAILURE(start(notepad));
    desktop.putText("Chosen by Hand");
    const auto pressAll = [&] {
        for (const char key : {'W', 'D', 'E', 'C'}) {
            press(key);
        }
        EXPECT_EQ(namesIn(papers.path()), kUntouched);
        EXPECT_EQ(namesIn(papers.sub()), kUntouchedSub);
        EXPECT_EQ(desktop.clipboardText(), "Chosen by Hand");
    };
    pressAll();

    ASSERT_TRUE(desktop.bringToFront(window));
    toggleDisable();
    pressAll();

    toggleDisable();
    press('W');
    EXPECT_EQ(namesIn(papers.path()), Names({"Tidal Mixing in Estuaries.pdf", "b.pdf", "sub"}));
}

}  // namespace
}  // namespace tidemark::testing
