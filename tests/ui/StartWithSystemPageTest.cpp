// The start-with-system box of the settings page for users with and without
// administrator rights: what the box shows, whether it can be changed, the
// line under it, and what OK leaves in the two Run keys.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <atomic>
#include <optional>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "ui/SettingsSheet.h"
#include "ui/StartWithSystem.h"

namespace tidemark {
namespace {

const char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr int kBox = 1004;
constexpr int kNote = 1020;

// What Windows refuses a user: the machine-wide key opened for writing
// (every user without administrator rights, and an administrator whose
// program runs without them), and, where a policy says so, the user's own
// key or reading the machine's.
class Refusals final : public RunKeyOpener {
public:
    bool machineWrite = false;
    bool machineRead = false;
    bool userWrite = false;

    LONG Open(HKEY root, const char *subKey, REGSAM access, RegistryKey &key) override
    {
        const bool writing = (access & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY)) != 0;
        if (root == HKEY_LOCAL_MACHINE && (writing ? machineWrite : machineRead)) {
            return ERROR_ACCESS_DENIED;
        }
        if (root == HKEY_CURRENT_USER && writing && userWrite) {
            return ERROR_ACCESS_DENIED;
        }
        return RunKeyOpener::Open(root, subKey, access, key);
    }
};

// The value "Tidemark" of a Run key: its text, or "-" when there is none.
std::string entry(HKEY root)
{
    char text[1024] = "";
    DWORD size = sizeof text;
    if (RegGetValueA(root, kRunKey, "Tidemark", RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS) {
        return "-";
    }
    return text;
}

void setEntry(HKEY root, const std::string &text)
{
    if (text == "-") {
        RegDeleteKeyValueA(root, kRunKey, "Tidemark");
    } else {
        RegSetKeyValueA(root, kRunKey, "Tidemark", REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
    }
}

std::string text(HWND window)
{
    char buffer[512] = "";
    GetWindowTextA(window, buffer, sizeof buffer);
    return buffer;
}

// The settings sheet, run on a thread of its own as the program runs it.
class Sheet {
public:
    explicit Sheet(RunKeyOpener &keys)
        : thread_([this, &keys] {
              CSettingsSheet sheet;
              sheet.mainPage.runKeys = &keys;
              result_ = sheet.DoModal();
              ended_ = true;
          })
    {
        for (int i = 0; i < 1000 && window_ == nullptr; ++i) {
            window_ = FindWindowA(nullptr, "Property Sheet");
            Sleep(20);
        }
        if (window_ != nullptr) {
            page_ = reinterpret_cast<HWND>(SendMessageA(window_, PSM_GETCURRENTPAGEHWND, 0, 0));
        }
    }
    ~Sheet()
    {
        if (thread_.joinable()) {
            SendMessageA(window_, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
            thread_.join();
        }
    }
    Sheet(const Sheet &) = delete;
    Sheet &operator=(const Sheet &) = delete;

    HWND page() const { return page_; }
    bool ticked() const { return SendMessageA(GetDlgItem(page_, kBox), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    bool changeable() const { return IsWindowEnabled(GetDlgItem(page_, kBox)) != FALSE; }
    std::string note() const { return text(GetDlgItem(page_, kNote)); }
    void click() const { SendMessageA(GetDlgItem(page_, kBox), BM_CLICK, 0, 0); }
    // OK: true when the sheet closed with it, false when it stayed open
    // saying why (which the page does before the button's message returns).
    bool ok()
    {
        SendMessageA(window_, PSM_PRESSBUTTON, PSBTN_OK, 0);
        for (int i = 0; i < 1000 && !ended_; ++i) {
            if (note().starts_with("The start at logon could not be changed")) {
                return false;
            }
            Sleep(20);
        }
        if (!ended_) {
            return false;
        }
        thread_.join();
        return result_ == IDOK;
    }

private:
    HWND window_ = nullptr;
    HWND page_ = nullptr;
    INT_PTR result_ = 0;
    std::atomic<bool> ended_{false};
    std::thread thread_;
};

const char kSetForEveryUser[] =
    "Set for every user by the installer or an administrator; only an administrator can change it.";
const char kOtherCopy[] =
    "Another copy of Tidemark is set to start for every user; only an administrator can change that.";

TEST(StartWithSystemPage, WhatEachUserSeesAndMayChange)
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string self = path;
    const std::string other = "C:\\Program Files\\Tidemark\\Tidemark.exe";
    ASSERT_NE(self, other);

    enum User { kStandard, kAdministrator, kNoMachineRead, kNoWriteAtAll };
    const struct {
        const char *what;
        User user;
        std::string machine;  // "-": no value
        std::string mine;
        bool ticked;
        bool changeable;
        const char *note;
        bool click;
        std::string machineAfter;
        std::string mineAfter;
    } cases[] = {
        {"standard user, nothing set, ticks", kStandard, "-", "-", false, true, "", true, "-", self},
        {"standard user, own entry, unticks", kStandard, "-", self, true, true, "", true, "-", "-"},
        {"standard user, the installer's entry", kStandard, self, "-", true, false, kSetForEveryUser, false, self,
         "-"},
        {"standard user, the installer's entry and an own one", kStandard, self, self, true, false,
         kSetForEveryUser, false, self, self},
        {"standard user, another copy for everyone", kStandard, other, "-", false, false, kOtherCopy, false, other,
         "-"},
        {"standard user, another copy for everyone, own entry, unticks", kStandard, other, self, true, true,
         kOtherCopy, true, other, "-"},
        {"administrator, nothing set, ticks", kAdministrator, "-", "-", false, true, "", true, self, "-"},
        {"administrator, both set, unticks", kAdministrator, self, self, true, true, "", true, "-", "-"},
        {"administrator, another copy for everyone, ticks", kAdministrator, other, "-", false, true, "", true, self,
         "-"},
        {"machine's key unreadable", kNoMachineRead, self, "-", false, true, "", false, self, "-"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        setEntry(HKEY_LOCAL_MACHINE, c.machine);
        setEntry(HKEY_CURRENT_USER, c.mine);
        Refusals refusals;
        refusals.machineWrite = c.user != kAdministrator;
        refusals.machineRead = c.user == kNoMachineRead;
        Sheet sheet(refusals);
        ASSERT_NE(sheet.page(), nullptr);
        EXPECT_EQ(sheet.ticked(), c.ticked);
        EXPECT_EQ(sheet.changeable(), c.changeable);
        EXPECT_EQ(sheet.note(), c.note);
        if (c.click) {
            sheet.click();
        }
        EXPECT_TRUE(sheet.ok());
        EXPECT_EQ(entry(HKEY_LOCAL_MACHINE), c.machineAfter);
        EXPECT_EQ(entry(HKEY_CURRENT_USER), c.mineAfter);
    }
    setEntry(HKEY_LOCAL_MACHINE, "-");
    setEntry(HKEY_CURRENT_USER, "-");
}

TEST(StartWithSystemPage, AChangeThatCannotBeMadeIsToldOnThePage)
{
    setEntry(HKEY_LOCAL_MACHINE, "-");
    setEntry(HKEY_CURRENT_USER, "-");
    Refusals refusals;
    refusals.machineWrite = true;
    refusals.userWrite = true;
    Sheet sheet(refusals);
    ASSERT_NE(sheet.page(), nullptr);
    EXPECT_TRUE(sheet.changeable());
    sheet.click();
    // The sheet stays, the box as the user left it, with the reason below.
    ASSERT_FALSE(sheet.ok());
    EXPECT_TRUE(sheet.ticked());
    EXPECT_EQ(sheet.note(), "The start at logon could not be changed: Access denied.");
    EXPECT_EQ(entry(HKEY_LOCAL_MACHINE), "-");
    EXPECT_EQ(entry(HKEY_CURRENT_USER), "-");
    // Unticked again, OK has nothing to change and closes.
    sheet.click();
    EXPECT_TRUE(sheet.ok());
}

}  // namespace
}  // namespace tidemark
