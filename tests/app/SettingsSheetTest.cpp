// The settings sheet, the log page, the About box and the start-with-system
// entry of the real Tidemark.exe under Wine: what each way of closing the
// sheet leaves in the registry and in the icon.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <filesystem>
#include <string>

#include "TrayFixture.h"

namespace tidemark::testing {
namespace {

// Controls of the hotkey page.
constexpr int kFileKey = 1000;
constexpr int kFolderKey = 1001;
constexpr int kClipboardKey = 1002;
constexpr int kRecursiveKey = 1003;
constexpr int kStartWithSystem = 1004;
constexpr int kLoadDefaults = 1007;
constexpr int kDisableBox = 1019;

constexpr BYTE kCtrlShiftFlags = HOTKEYF_CONTROL | HOTKEYF_SHIFT;

// The eight settings values in their order.
const char *const kValueNames[] = {
    "ClipboardRename", "ClipboardRenameModifier", "FolderRecursiveRename", "FolderRecursiveRenameModifier",
    "FolderRename",    "FolderRenameModifier",    "FileRename",            "FileRenameModifier",
};

class SettingsTest : public TrayFixture {
protected:
    // The eight values as REG_DWORD, 0xDEAD for one that is missing or of
    // another type.
    std::vector<DWORD> storedHotkeys() const
    {
        std::vector<DWORD> values;
        for (const char *name : kValueNames) {
            values.push_back(dwordValue(HKEY_CURRENT_USER, kSettingsKey, name).value_or(0xDEAD));
        }
        return values;
    }

    void storeHotkeys(const std::vector<DWORD> &values) const
    {
        for (std::size_t i = 0; i < values.size(); ++i) {
            const DWORD value = values[i];
            writeValue(HKEY_CURRENT_USER, kSettingsKey, kValueNames[i],
                       {REG_DWORD, std::string(reinterpret_cast<const char *>(&value), sizeof value)});
        }
    }

    const std::vector<DWORD> defaults{'C', 6, 'E', 6, 'D', 6, 'W', 6};
};

std::string text(const std::string &s, std::size_t terminators = 1)
{
    return s + std::string(terminators, '\0');
}

// The entry as a program may leave it: text with no terminating zero. The
// system adds one to a string set through the ANSI functions, and to a
// wide string followed by one.
void writeUnterminatedEntry(const std::string &s)
{
    std::wstring wide(s.begin(), s.end());
    wide += L'X';
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegSetValueExW(key, L"Tidemark", 0, REG_SZ, reinterpret_cast<const BYTE *>(wide.data()),
                       static_cast<DWORD>(s.size() * sizeof(wchar_t)));
        RegCloseKey(key);
    }
}

TEST_F(SettingsTest, OnlyOkTakesOverTheSheet)
{
    const std::vector<DWORD> custom{'A', 1, 'B', 2, 'F', 5, 'G', 3};
    storeHotkeys(custom);
    TidemarkProcess tidemark;
    const HWND frame = tidemark.frame();
    ASSERT_NE(frame, nullptr);

    // The stored hotkeys show in the controls; Cancel after "Load Default
    // Hotkeys" changes nothing, and the icon is shown again unchanged.
    HWND sheet = openSettings(tidemark, frame);
    ASSERT_NE(sheet, nullptr);
    HWND page = currentPage(sheet);
    EXPECT_EQ(hotkeyControl(page, kClipboardKey), MAKEWORD('A', HOTKEYF_ALT));
    EXPECT_EQ(hotkeyControl(page, kRecursiveKey), MAKEWORD('B', HOTKEYF_CONTROL));
    EXPECT_EQ(hotkeyControl(page, kFolderKey), MAKEWORD('F', HOTKEYF_ALT | HOTKEYF_SHIFT));
    EXPECT_EQ(hotkeyControl(page, kFileKey), MAKEWORD('G', HOTKEYF_ALT | HOTKEYF_CONTROL));
    EXPECT_FALSE(isChecked(page, kDisableBox));
    EXPECT_FALSE(isChecked(page, kStartWithSystem));
    click(page, kLoadDefaults);
    EXPECT_EQ(hotkeyControl(page, kClipboardKey), MAKEWORD('C', kCtrlShiftFlags));
    EXPECT_EQ(hotkeyControl(page, kFileKey), MAKEWORD('W', kCtrlShiftFlags));
    EXPECT_TRUE(shows(closeSheet(desktop, sheet, PSBTN_CANCEL), 130));
    EXPECT_EQ(storedHotkeys(), custom);

    // Apply, then Cancel: only the start-with-system entry, written at
    // Apply, stays; the hotkeys and the disable box are not taken over.
    sheet = openSettings(tidemark, frame);
    ASSERT_NE(sheet, nullptr);
    page = currentPage(sheet);
    click(page, kLoadDefaults);
    click(page, kDisableBox);
    click(page, kStartWithSystem);
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_APPLYNOW, 0);
    EXPECT_TRUE(waitUntil([] { return readValue(HKEY_LOCAL_MACHINE, kRunKey, "Tidemark").has_value(); }));
    EXPECT_TRUE(shows(closeSheet(desktop, sheet, PSBTN_CANCEL), 130));
    EXPECT_EQ(storedHotkeys(), custom);
    EXPECT_TRUE(readValue(HKEY_LOCAL_MACHINE, kRunKey, "Tidemark").has_value());
    EXPECT_FALSE(menuLook(frame, WM_LBUTTONUP)[kDisable].checked);

    // "Load Default Hotkeys" and OK store the defaults, all eight values as
    // REG_DWORD; the entry shows ticked and stays.
    sheet = openSettings(tidemark, frame);
    ASSERT_NE(sheet, nullptr);
    page = currentPage(sheet);
    EXPECT_TRUE(isChecked(page, kStartWithSystem));
    click(page, kLoadDefaults);
    keepScreenshot(capture(sheet), "settings-hotkeys");
    EXPECT_TRUE(shows(closeSheet(desktop, sheet, PSBTN_OK), 130));
    EXPECT_EQ(storedHotkeys(), defaults);
    EXPECT_TRUE(readValue(HKEY_LOCAL_MACHINE, kRunKey, "Tidemark").has_value());

    // The hotkeys registered at start-up stay until the next start.
    EXPECT_FALSE(hotkeyFree(MOD_ALT, 'A'));
    EXPECT_TRUE(hotkeyFree(kCtrlShift, 'C'));
}

TEST_F(SettingsTest, HotkeysPassThroughThePageAsSixteenBitsWithoutTheExtendedFlag)
{
    storeHotkeys({0x10043, 8 | MOD_CONTROL, 'E', MOD_CONTROL | MOD_SHIFT, 'X', MOD_ALT, 'W', 6});
    // Text is not a number: the default applies.
    writeValue(HKEY_CURRENT_USER, kSettingsKey, "FolderRecursiveRename", {REG_SZ, text("abc")});
    TidemarkProcess tidemark;
    const HWND frame = tidemark.frame();
    ASSERT_NE(frame, nullptr);

    const HWND sheet = openSettings(tidemark, frame);
    ASSERT_NE(sheet, nullptr);
    const HWND page = currentPage(sheet);
    // Above 0xFFFF: the low 16 bits. Bit 8: the extended-key flag.
    EXPECT_EQ(hotkeyControl(page, kClipboardKey), MAKEWORD('C', HOTKEYF_CONTROL | HOTKEYF_EXT));
    EXPECT_EQ(hotkeyControl(page, kRecursiveKey), MAKEWORD('E', HOTKEYF_CONTROL | HOTKEYF_SHIFT));
    EXPECT_EQ(hotkeyControl(page, kFolderKey), MAKEWORD('X', HOTKEYF_ALT));
    setHotkeyControl(page, kFolderKey, MAKEWORD('Y', HOTKEYF_ALT | HOTKEYF_SHIFT | HOTKEYF_EXT));
    setHotkeyControl(page, kFileKey, 0);  // cleared
    click(page, kDisableBox);

    // The sheet fits the page: every control lies on it, and it lies above
    // the sheet's buttons.
    RECT pageRect{};
    GetWindowRect(page, &pageRect);
    for (HWND control : childWindows(page)) {
        RECT rect{};
        GetWindowRect(control, &rect);
        EXPECT_TRUE(rect.left >= pageRect.left && rect.right <= pageRect.right && rect.top >= pageRect.top &&
                    rect.bottom <= pageRect.bottom)
            << "control " << GetDlgCtrlID(control) << " \"" << windowText(control) << "\" is cut off";
    }
    RECT okRect{};
    GetWindowRect(GetDlgItem(sheet, IDOK), &okRect);
    EXPECT_LE(pageRect.bottom, okRect.top);

    // OK with the disable box ticked: icon 161 and a check mark.
    EXPECT_TRUE(shows(closeSheet(desktop, sheet, PSBTN_OK), 161));
    const std::vector<DWORD> expected{'C', MOD_CONTROL, 'E', MOD_CONTROL | MOD_SHIFT, 'Y', MOD_ALT | MOD_SHIFT, 0, 0};
    EXPECT_EQ(storedHotkeys(), expected);
    EXPECT_TRUE(menuLook(frame, WM_RBUTTONUP)[kDisable].checked);
}

TEST_F(SettingsTest, AHotkeyTypedWithoutCtrlOrAltGetsBoth)
{
    TidemarkProcess tidemark;
    const HWND frame = tidemark.frame();
    ASSERT_NE(frame, nullptr);
    const HWND sheet = openSettings(tidemark, frame);
    ASSERT_NE(sheet, nullptr);
    const HWND page = currentPage(sheet);
    const HWND control = GetDlgItem(page, kFileKey);
    ASSERT_TRUE(sendTo(sheet, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE));
    ASSERT_TRUE(waitUntil([&] { return GetForegroundWindow() == sheet; }));

    constexpr BYTE kCtrlAlt = HOTKEYF_CONTROL | HOTKEYF_ALT;
    const struct {
        std::vector<WORD> typed;
        WORD shown;
    } cases[] = {
        {{'X'}, MAKEWORD('X', kCtrlAlt)},
        {{VK_SHIFT, 'Y'}, MAKEWORD('Y', kCtrlAlt)},
        {{VK_F7}, MAKEWORD(VK_F7, kCtrlAlt)},
        {{VK_CONTROL, 'Z'}, MAKEWORD('Z', HOTKEYF_CONTROL)},
        {{VK_CONTROL, VK_SHIFT, 'V'}, MAKEWORD('V', kCtrlShiftFlags)},
        {{VK_MENU, 'Q'}, MAKEWORD('Q', HOTKEYF_ALT)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.shown);
        setHotkeyControl(page, kFileKey, 0);
        pressKeys(c.typed);
        EXPECT_TRUE(waitUntil([&] { return hotkeyControl(page, kFileKey) == c.shown; }))
            << "shown: " << hotkeyControl(page, kFileKey);
    }
    closeSheet(desktop, sheet, PSBTN_CANCEL);
}

TEST_F(SettingsTest, StartWithSystemNamesExactlyThisExecutable)
{
    // A copy of the program in a folder with a blank in its name.
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "Tide mark " + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string copy = folder + "\\Tidemark.exe";
    ASSERT_TRUE(CopyFileA(exe.c_str(), copy.c_str(), FALSE));
    {
        TidemarkProcess tidemark(copy);
        const HWND frame = tidemark.frame();
        ASSERT_NE(frame, nullptr);
        const auto entry = [] { return readValue(HKEY_LOCAL_MACHINE, kRunKey, "Tidemark"); };

        // Ticked and OK: the path, no quotes, one terminating zero.
        HWND sheet = openSettings(tidemark, frame);
        ASSERT_NE(sheet, nullptr);
        click(currentPage(sheet), kStartWithSystem);
        closeSheet(desktop, sheet, PSBTN_OK);
        EXPECT_EQ(entry(), (RegistryValue{REG_SZ, text(copy)}));

        // Any other form shows unticked, and OK with the box clear deletes it.
        std::string upper = copy;
        CharUpperA(upper.data());
        const RegistryValue otherForms[] = {
            {REG_SZ, text("\"" + copy + "\"")},
            {REG_SZ, text(copy + " /background")},
            {REG_SZ, text(upper)},
            {REG_SZ, text(exe)},
            {REG_SZ, text(std::string(300, 'x'))},
            {REG_BINARY, text(copy)},
            {REG_NONE, copy},  // written without a terminator
        };
        for (const RegistryValue &stored : otherForms) {
            if (stored.type == REG_NONE) {
                writeUnterminatedEntry(stored.bytes);
            } else {
                writeValue(HKEY_LOCAL_MACHINE, kRunKey, "Tidemark", stored);
            }
            sheet = openSettings(tidemark, frame);
            ASSERT_NE(sheet, nullptr);
            EXPECT_FALSE(isChecked(currentPage(sheet), kStartWithSystem)) << stored.bytes;
            closeSheet(desktop, sheet, PSBTN_OK);
            EXPECT_FALSE(entry().has_value()) << stored.bytes;
        }

        // The exact path in a list of strings is taken as it is.
        writeValue(HKEY_LOCAL_MACHINE, kRunKey, "Tidemark", {REG_MULTI_SZ, text(copy, 2)});
        sheet = openSettings(tidemark, frame);
        ASSERT_NE(sheet, nullptr);
        EXPECT_TRUE(isChecked(currentPage(sheet), kStartWithSystem));
        closeSheet(desktop, sheet, PSBTN_CANCEL);
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

TEST_F(SettingsTest, LogPageAndAboutBox)
{
    TidemarkProcess tidemark;
    const HWND frame = tidemark.frame();
    ASSERT_NE(frame, nullptr);

    // The log page: a report list with six columns (what it lists is
    // LogPageTest's). OK from there is OK from the hotkey page. The sheet
    // does not float above the other windows of the desktop.
    const HWND sheet = openSettings(tidemark, frame);
    ASSERT_NE(sheet, nullptr);
    EXPECT_FALSE(GetWindowLongPtrA(sheet, GWL_EXSTYLE) & WS_EX_TOPMOST);
    ASSERT_TRUE(sendTo(sheet, PSM_SETCURSEL, 1, 0));
    const HWND page = currentPage(sheet);
    const HWND list = GetDlgItem(page, 1008);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(GetWindowLongPtrA(list, GWL_STYLE) & LVS_TYPEMASK, LVS_REPORT);
    LRESULT count = -1;
    LRESULT header = 0;
    ASSERT_TRUE(sendTo(list, LVM_GETHEADER, 0, 0, &header));
    ASSERT_TRUE(sendTo(reinterpret_cast<HWND>(header), HDM_GETITEMCOUNT, 0, 0, &count));
    EXPECT_EQ(count, 6);
    closeSheet(desktop, sheet, PSBTN_OK);
    EXPECT_EQ(storedHotkeys(), defaults);

    // The About box, centred, not topmost, with its texts; OK and Escape
    // close it.
    for (const bool escape : {false, true}) {
        const HWND menu = openIconMenu(frame, WM_LBUTTONUP);
        ASSERT_NE(menu, nullptr);
        ASSERT_TRUE(chooseFromMenu(menu, 'a'));
        const HWND about = tidemark.waitForDialog("Tidemark");
        ASSERT_NE(about, nullptr);
        EXPECT_NE(findChild(about, "Static", "Tidemark Version " TIDEMARK_VERSION), nullptr);
        EXPECT_NE(findChild(about, "Static", "For bug reports or feature requets please contact.."), nullptr);
        EXPECT_NE(findChild(about, "Button", "Contact details"), nullptr);
        bool namesMaker = false;
        for (HWND child : childWindows(about)) {
            namesMaker = namesMaker || windowText(child).find("Brightfold") != std::string::npos;
        }
        EXPECT_TRUE(namesMaker);
        RECT rect{};
        GetWindowRect(about, &rect);
        EXPECT_NEAR((rect.left + rect.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 2);
        EXPECT_FALSE(GetWindowLongPtrA(about, GWL_EXSTYLE) & WS_EX_TOPMOST);
        if (escape) {
            PostMessageA(GetDlgItem(about, IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
        } else {
            keepScreenshot(capture(about), "about");
            clickButton(about, IDOK);
        }
        EXPECT_TRUE(waitUntil([&] { return !IsWindow(about); }));
    }
    EXPECT_TRUE(tidemark.running());
}

TEST_F(SettingsTest, MenuCommandsWhileTheSheetIsOpenWaitForIt)
{
    TidemarkProcess tidemark;
    const HWND frame = tidemark.frame();
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(desktop.waitForIconEvents(1));
    const HWND sheet = openSettings(tidemark, frame);
    ASSERT_NE(sheet, nullptr);

    // A click on the icon brings the sheet forward instead of a menu; the
    // commands, Exit and closing among them, do nothing meanwhile. A second
    // sheet or an About box would not let these calls return.
    LRESULT result = 0;
    ASSERT_TRUE(sendTo(frame, 0x040A, 144, WM_LBUTTONUP, &result));
    EXPECT_EQ(result, 1);
    for (WPARAM command : {32779, 57664, 32788, 57665}) {
        ASSERT_TRUE(sendTo(frame, WM_COMMAND, command, 0)) << command;
    }
    ASSERT_TRUE(sendTo(frame, WM_CLOSE, 0, 0));
    EXPECT_TRUE(tidemark.running());
    EXPECT_EQ(tidemark.dialogs(), std::vector<HWND>{sheet});
    EXPECT_EQ(desktop.iconEvents().size(), 1u) << "Disable acted";

    // Once the sheet is gone, Exit works as ever.
    closeSheet(desktop, sheet, PSBTN_CANCEL);
    ASSERT_TRUE(sendTo(frame, WM_COMMAND, 57665, 0));
    ASSERT_TRUE(tidemark.waitForEnd());
    EXPECT_EQ(tidemark.exitCode(), 0u);
}

}  // namespace
}  // namespace tidemark::testing
