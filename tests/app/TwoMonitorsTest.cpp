// The windows of the real Tidemark.exe on a desk with two screens: each
// opens in the middle of the screen under the mouse pointer, where the user
// clicked the icon or is looking, not on the screen of the hidden frame.
// two-monitors.sh runs this where Wine sees two screens; elsewhere it is
// skipped.
#include <windows.h>
#include <prsht.h>

#include <vector>

#include "TrayFixture.h"

namespace tidemark::testing {
namespace {

std::vector<MONITORINFO> monitors()
{
    std::vector<MONITORINFO> found;
    EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR monitor, HDC, LPRECT, LPARAM data) -> BOOL {
            MONITORINFO info{};
            info.cbSize = sizeof info;
            GetMonitorInfoA(monitor, &info);
            reinterpret_cast<std::vector<MONITORINFO> *>(data)->push_back(info);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

POINT centre(const RECT &rect)
{
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

POINT centreOf(HWND window)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    return centre(rect);
}

using TwoMonitors = TrayFixture;

TEST_F(TwoMonitors, WindowsOpenOnTheScreenUnderThePointer)
{
    const std::vector<MONITORINFO> screens = monitors();
    if (screens.size() != 2) {
        GTEST_SKIP() << "needs two screens (two-monitors.sh)";
    }
    const MONITORINFO &other = (screens[0].dwFlags & MONITORINFOF_PRIMARY) ? screens[1] : screens[0];
    const MONITORINFO &primary = (screens[0].dwFlags & MONITORINFOF_PRIMARY) ? screens[0] : screens[1];
    // Where only the other screen is.
    const POINT pointer{other.rcMonitor.right - 60, other.rcMonitor.bottom - 60};
    ASSERT_FALSE(PtInRect(&primary.rcMonitor, pointer)) << "the screens must differ in size";
    ASSERT_TRUE(SetCursorPos(pointer.x, pointer.y));

    const POINT expected = centre(other.rcWork);
    const auto onPointerScreen = [&](HWND window) {
        const POINT at = centreOf(window);
        return std::abs(at.x - expected.x) <= 2 && std::abs(at.y - expected.y) <= 2;
    };

    const HeldHotkey heldW(kCtrlShift, 'W');
    TidemarkProcess tidemark;
    const HWND box = tidemark.waitForDialog("Tidemark");
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(waitUntil([&] { return onPointerScreen(box); }));
    clickButton(box, IDOK);
    const HWND frame = tidemark.frame();
    ASSERT_NE(frame, nullptr);

    const HWND sheet = openSettings(tidemark, frame);
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(waitUntil([&] { return onPointerScreen(sheet); }));
    closeSheet(desktop, sheet, PSBTN_CANCEL);

    const HWND menu = openIconMenu(frame, WM_LBUTTONUP);
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(chooseFromMenu(menu, 'a'));
    const HWND about = tidemark.waitForDialog("Tidemark");
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(waitUntil([&] { return onPointerScreen(about); }))
        << centreOf(about).x << "," << centreOf(about).y << " instead of " << expected.x << "," << expected.y;
    clickButton(about, IDOK);
}

}  // namespace
}  // namespace tidemark::testing
