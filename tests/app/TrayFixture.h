#pragma once

// What every scenario with the real Tidemark.exe starts from: a clean
// registry and the test's notification area in place.
#include <gtest/gtest.h>

#include "Harness.h"

namespace tidemark::testing {

constexpr UINT kCtrlShift = MOD_CONTROL | MOD_SHIFT;
constexpr UINT kDefaultKeys[] = {'C', 'E', 'D', 'W'};
constexpr WPARAM kFirstHotkeyId = 256;

// The items of the icon's menu, top down, separator left out.
enum MenuItem { kExit, kAbout, kHelp, kSettings, kDisable, kMenuItems };

class TrayFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        cleanRegistry();
        useWineWithoutWindowManager();
        // The shell sends the icon to the first window of the notification
        // area's class that it finds: it must be the test's.
        ASSERT_EQ(FindWindowA("Shell_TrayWnd", nullptr), desktop.trayWindow());
    }

    // Whether the icon of `event` is icon `id` of the program.
    bool shows(const IconEvent &event, WORD id) const
    {
        return !event.colourBits.empty() && event.colourBits == iconBits(exe, id);
    }

    IconEvent lastIconEvent() const
    {
        const auto events = desktop.iconEvents();
        return events.empty() ? IconEvent{} : events.back();
    }

    // Opens the icon's menu, reads it from the screen and closes it again.
    std::vector<MenuItemLook> menuLook(HWND frame, UINT mouseMessage, const char *screenshot = nullptr)
    {
        const HWND menu = openIconMenu(frame, mouseMessage);
        if (menu == nullptr) {
            ADD_FAILURE() << "the icon's menu did not open";
            return {};
        }
        const Picture picture = capture(menu);
        if (screenshot != nullptr) {
            keepScreenshot(picture, screenshot);
        }
        EXPECT_TRUE(closeMenu(menu));
        return lookAtMenu(picture);
    }

    Desktop desktop;
    const std::string exe = tidemarkExe();
};

}  // namespace tidemark::testing
