// The log page of the real Tidemark.exe under Wine: the runs that
// tidemark-cli.exe recorded in the user's journal, with their files, and a
// run taken back from the page, as `tidemark undo` would.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <fstream>
#include <string>
#include <vector>

#include "HotkeyFixture.h"

namespace tidemark::testing {
namespace {

constexpr int kLogList = 1008;
enum Column { kWhen, kCommand, kOldName, kNewName, kResult, kFolder };

// Memory in the process that owns `window`, for the list-view messages that
// point at a structure: the control reads and writes it in its own process.
class RemoteBlock {
public:
    RemoteBlock(HWND window, std::size_t size)
    {
        DWORD id = 0;
        GetWindowThreadProcessId(window, &id);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, id);
        at_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    }
    ~RemoteBlock()
    {
        VirtualFreeEx(process_, at_, 0, MEM_RELEASE);
        CloseHandle(process_);
    }
    RemoteBlock(const RemoteBlock &) = delete;
    RemoteBlock &operator=(const RemoteBlock &) = delete;
    char *at() const { return static_cast<char *>(at_); }
    void write(std::size_t offset, const void *bytes, std::size_t size)
    {
        WriteProcessMemory(process_, at() + offset, bytes, size, nullptr);
    }
    void read(std::size_t offset, void *bytes, std::size_t size)
    {
        ReadProcessMemory(process_, at() + offset, bytes, size, nullptr);
    }

private:
    HANDLE process_ = nullptr;
    void *at_ = nullptr;
};

// The rows of the list, each with its six columns.
std::vector<std::vector<std::string>> rowsOf(HWND list)
{
    LRESULT count = 0;
    sendTo(list, LVM_GETITEMCOUNT, 0, 0, &count);
    RemoteBlock block(list, sizeof(LVITEMA) + 1024);
    std::vector<std::vector<std::string>> rows;
    for (int row = 0; row < count; ++row) {
        rows.emplace_back();
        for (int column = kWhen; column <= kFolder; ++column) {
            LVITEMA item{};
            item.iSubItem = column;
            item.pszText = block.at() + sizeof item;
            item.cchTextMax = 1024;
            block.write(0, &item, sizeof item);
            sendTo(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(block.at()));
            char text[1024] = "";
            block.read(sizeof item, text, sizeof text);
            text[sizeof text - 1] = '\0';
            rows.back().push_back(text);
        }
    }
    return rows;
}

void select(HWND list, int row)
{
    RemoteBlock block(list, sizeof(LVITEMA));
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    block.write(0, &item, sizeof item);
    sendTo(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(block.at()));
}

// The texts of the message box that the page shows, which is then closed.
std::string takeMessage(const TidemarkProcess &tidemark)
{
    const HWND box = tidemark.waitForDialog("Tidemark");
    if (box == nullptr) {
        return "<no message>";
    }
    std::string texts;
    for (HWND child : childWindows(box)) {
        if (className(child) == "Static") {
            texts += windowText(child);
        }
    }
    clickButton(box, IDOK);
    waitUntil([&] { return !IsWindow(box); });
    return texts;
}

// Each scenario has a journal of its own, for tidemark-cli.exe and
// Tidemark.exe alike.
class LogPageTest : public TrayFixture {
protected:
    OwnJournal journal;
};

TEST_F(LogPageTest, RunsOfTheCommandLineShowWithTheirFilesAndOneIsTakenBack)
{
    const Papers papers;
    runCli("rename \"" + papers.path() + "\"");
    runCli("rename \"" + papers.sub() + "\"");
    ASSERT_EQ(namesIn(papers.sub()), Names{"Sediment Budgets of Lagoons.pdf"});

    TidemarkProcess tidemark;
    const HWND frame = tidemark.frame();
    ASSERT_NE(frame, nullptr);
    const HWND sheet = openSettings(tidemark, frame);
    ASSERT_NE(sheet, nullptr);

    // The page is shown while another process holds the journal: the
    // sheet goes on answering, with the list empty until the journal is free.
    JournalLock lock(journal.folder());
    ASSERT_TRUE(lock.held());
    ASSERT_TRUE(sendTo(sheet, PSM_SETCURSEL, 1, 0));
    const HWND list = GetDlgItem(currentPage(sheet), kLogList);
    ASSERT_NE(list, nullptr);
    LRESULT count = -1;
    ASSERT_TRUE(sendTo(list, LVM_GETITEMCOUNT, 0, 0, &count));
    EXPECT_EQ(count, 0);
    lock.release();

    // Newest first, each run followed by the files it moved; a folder lists
    // its files in an order of its own.
    std::vector<std::vector<std::string>> rows;
    ASSERT_TRUE(waitUntil([&] { return (rows = rowsOf(list)).size() == 5; })) << rows.size();
    EXPECT_EQ(rows[0][kCommand], "rename");
    EXPECT_EQ(rows[0][kFolder], papers.sub());
    EXPECT_EQ(rows[0][kResult], "1 renamed, 0 unchanged, 0 no title, 0 failed");
    EXPECT_EQ(rows[0][kWhen].size(), 16u) << rows[0][kWhen];  // "2026-12-09 13:05"
    EXPECT_EQ(rows[1], (std::vector<std::string>{"", "", "c.pdf", "Sediment Budgets of Lagoons.pdf", "renamed", ""}));
    EXPECT_EQ(rows[2][kFolder], papers.path());
    EXPECT_EQ(rows[2][kResult], "2 renamed, 0 unchanged, 0 no title, 0 failed");
    std::vector<std::string> files{rows[3][kOldName] + " -> " + rows[3][kNewName],
                                   rows[4][kOldName] + " -> " + rows[4][kNewName]};
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"a.pdf -> Tidal Mixing in Estuaries.pdf",
                                               "b.pdf -> Salt Marsh Accretion Rates.pdf"}));
    keepScreenshot(capture(sheet), "settings-log");

    // The older run, one of its files changed since, taken back by the
    // Delete key on one of its files' rows: the changed file keeps its name
    // and its bytes, and the message names it.
    const std::string changed = papers.path() + "\\Tidal Mixing in Estuaries.pdf";
    const std::string bytes = readFileBytes(changed) + "% annotated\n";
    writeFileBytes(changed, bytes);
    select(list, 4);
    PostMessageA(list, WM_KEYDOWN, VK_DELETE, 0);
    EXPECT_EQ(takeMessage(tidemark), "Run 1 taken back: 1 restored, 1 left alone, 0 failed.\n\nLeft as they are:\n" +
                                         changed + ": changed since the run");
    EXPECT_EQ(namesIn(papers.path()), (Names{"Tidal Mixing in Estuaries.pdf", "b.pdf", "sub"}));
    EXPECT_EQ(readFileBytes(changed), bytes);
    EXPECT_EQ(namesIn(papers.sub()), Names{"Sediment Budgets of Lagoons.pdf"});
    // The undo is a run of its own, on top.
    ASSERT_TRUE(waitUntil([&] { return (rows = rowsOf(list)).size() == 7; })) << rows.size();
    EXPECT_EQ(rows[0][kCommand], "undo 1");
    EXPECT_EQ(rows[0][kResult], "1 restored, 1 left alone, 0 failed");
    EXPECT_EQ(rows[1], (std::vector<std::string>{"", "", "Salt Marsh Accretion Rates.pdf", "b.pdf", "renamed", ""}));
    EXPECT_EQ(rows[4][kResult], "2 renamed, 0 unchanged, 0 no title, 0 failed  (taken back by run 3)");

    // The other run taken back from the run's context menu.
    select(list, 2);
    PostMessageA(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(-1, -1));
    HWND menu = nullptr;
    ASSERT_TRUE(waitUntil([&] {
        for (HWND window : topLevelWindows(tidemark.id())) {
            if (className(window) == "#32768" && IsWindowVisible(window)) {
                menu = window;
                return true;
            }
        }
        return false;
    }));
    sendTo(menu, WM_NULL, 0, 0);
    ASSERT_TRUE(chooseFromMenu(menu, 't'));
    EXPECT_EQ(takeMessage(tidemark), "Run 2 taken back: 1 restored, 0 left alone, 0 failed.");
    EXPECT_EQ(namesIn(papers.sub()), Names{"c.pdf"});
    ASSERT_TRUE(waitUntil([&] { return (rows = rowsOf(list)).size() == 9; })) << rows.size();
    EXPECT_EQ(rows[0][kCommand], "undo 2");
    closeSheet(desktop, sheet, PSBTN_OK);
}

}  // namespace
}  // namespace tidemark::testing
