#include "shell/ExplorerSelection.h"

#include <shlwapi.h>

#include <cctype>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "FakeExplorer.h"
#include "ShellTestSupport.h"
#include "TempDir.h"
#include "shell/RenameContext.h"

namespace tidemark {
namespace {

using fakes::FailAt;
using fakes::FakeExplorerWindow;
using fakes::FakeShellWindows;
using fakes::NameAs;

class ExplorerSelection : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(com.ok());
        writeFileBytes(dir.file("paper.pdf"), "%PDF-1.4\n");
        writeFileBytes(dir.file("notes.txt"), "notes\n");
        makeFolder(dir.file("sub"));
        writeFileBytes(otherDir.file("other.pdf"), "%PDF-1.4\n");
    }

    // A fake Explorer window showing `folder` with `focused` focused, and
    // appended to the window list.
    FakeExplorerWindow &open(HWND window, const std::string &folder, const std::string &focused)
    {
        explorers.push_back(std::make_unique<FakeExplorerWindow>(window, folder, focused));
        windows.entries.push_back(explorers.back()->Entry());
        return *explorers.back();
    }

    // Runs the query as the tray program does, with a context that holds the
    // fake window list; counts the task allocator's blocks left behind.
    void query(HWND foreground)
    {
        folder = "stale";
        name = "stale";
        CRenameContext context(mainWindow.get(), &windows);
        TaskAllocations::instance().arm();
        GetExplorerSelection(context, foreground, folder, name);
        blocksLeft = TaskAllocations::instance().outstanding();
    }

    // Every reference handed out was given back, and no block was left.
    void expectAllReleased()
    {
        EXPECT_EQ(windows.Balance(), 0);
        EXPECT_EQ(windows.Lowest(), 0);
        for (const auto &explorer : explorers) {
            EXPECT_TRUE(explorer->AllReleased()) << explorer->Balances();
        }
        EXPECT_EQ(blocksLeft, 0u);
        EXPECT_TRUE(windows.allAskedAsI4);
    }

    ComApartment com;
    TempDir dir;
    TempDir otherDir;
    HiddenWindow mainWindow;
    HiddenWindow explorerWindow;
    HiddenWindow otherWindow;
    HiddenWindow thirdWindow;
    std::vector<std::unique_ptr<FakeExplorerWindow>> explorers;
    FakeShellWindows windows;
    std::string folder;
    std::string name;
    std::size_t blocksLeft = 0;
};

TEST_F(ExplorerSelection, FolderAndFocusedItemOfTheForegroundWindow)
{
    FakeExplorerWindow &explorer = open(explorerWindow.get(), dir.path(), "paper.pdf");
    query(explorerWindow.get());
    EXPECT_EQ(folder, dir.path());
    EXPECT_EQ(name, "paper.pdf");
    // To the end of the list: another tab of the window may come later.
    EXPECT_EQ(windows.asked, std::vector<LONG>({0, 1}));
    EXPECT_TRUE(explorer.askedTopLevelBrowser);
    EXPECT_TRUE(explorer.askedPersistFolder2);
    EXPECT_EQ(explorer.itemsAsked, std::vector<int>({FakeExplorerWindow::kFocusedIndex}));
    // The name as the folder shows it, not the parsing name.
    EXPECT_EQ(explorer.nameFlags, std::vector<SHGDNF>({SHGDN_INFOLDER}));
    expectAllReleased();
}

TEST_F(ExplorerSelection, MatchingWindowAtALaterIndex)
{
    FakeExplorerWindow &first = open(otherWindow.get(), otherDir.path(), "other.pdf");
    FakeExplorerWindow &second = open(thirdWindow.get(), otherDir.path(), "other.pdf");
    open(explorerWindow.get(), dir.path(), "notes.txt");
    query(explorerWindow.get());
    EXPECT_EQ(folder, dir.path());
    EXPECT_EQ(name, "notes.txt");
    EXPECT_EQ(windows.asked, std::vector<LONG>({0, 1, 2, 3}));
    // The others were asked for their window and nothing more.
    EXPECT_FALSE(first.shellBrowser.Touched());
    EXPECT_FALSE(second.shellBrowser.Touched());
    expectAllReleased();
}

TEST_F(ExplorerSelection, NoMatchingWindowAfterTheWholeList)
{
    open(otherWindow.get(), otherDir.path(), "other.pdf");
    open(thirdWindow.get(), dir.path(), "paper.pdf");
    query(explorerWindow.get());
    EXPECT_EQ(folder, "");
    EXPECT_EQ(name, "");
    EXPECT_EQ(windows.asked, std::vector<LONG>({0, 1, 2}));
    expectAllReleased();
}

TEST_F(ExplorerSelection, EmptyWindowList)
{
    query(explorerWindow.get());
    EXPECT_EQ(folder, "");
    EXPECT_EQ(name, "");
    EXPECT_EQ(windows.asked, std::vector<LONG>({0}));
    expectAllReleased();
}

TEST_F(ExplorerSelection, NoForegroundWindowMakesNoCall)
{
    FakeExplorerWindow &explorer = open(explorerWindow.get(), dir.path(), "paper.pdf");
    query(nullptr);
    EXPECT_EQ(folder, "");
    EXPECT_EQ(name, "");
    EXPECT_TRUE(windows.asked.empty());
    EXPECT_FALSE(explorer.Touched());
    expectAllReleased();
}

TEST_F(ExplorerSelection, HandleIsComparedWhole)
{
    // A handle equal to the foreground window in its low 32 bits only.
    const auto whole = reinterpret_cast<std::uintptr_t>(explorerWindow.get());
    open(reinterpret_cast<HWND>(whole ^ (std::uintptr_t{1} << 40)), dir.path(), "paper.pdf");
    query(explorerWindow.get());
    EXPECT_EQ(folder, "");
    EXPECT_EQ(name, "");
    EXPECT_EQ(windows.asked, std::vector<LONG>({0, 1}));
    expectAllReleased();
}

// An Explorer window with two tabs (windows of the class
// "ShellTabWindowClass"), as Windows 11 has them since 22H2; only the tab on
// show is visible. The one not on show comes first in z-order.
class TabbedWindow {
public:
    explicit TabbedWindow(int onShow)
    {
        const HINSTANCE instance = GetModuleHandleA(nullptr);
        for (const char *cls : {"CabinetWClass", "ShellTabWindowClass"}) {
            WNDCLASSA wc{};
            wc.lpfnWndProc = DefWindowProcA;
            wc.hInstance = instance;
            wc.lpszClassName = cls;
            RegisterClassA(&wc);
        }
        window = CreateWindowExA(0, "CabinetWClass", "", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, instance,
                                 nullptr);
        // Without activation: under Xvfb Wine waits seconds for a window
        // manager to take back an activated window when it goes.
        ShowWindow(window, SW_SHOWNA);
        for (int i = 0; i < 2; ++i) {
            tabs[i] = CreateWindowExA(0, "ShellTabWindowClass", "", WS_CHILD | (i == onShow ? WS_VISIBLE : 0), 0,
                                      0, 200, 100, window, nullptr, instance, nullptr);
            if (i != onShow) {
                SetWindowPos(tabs[i], HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            }
        }
    }
    ~TabbedWindow() { DestroyWindow(window); }
    TabbedWindow(const TabbedWindow &) = delete;
    TabbedWindow &operator=(const TabbedWindow &) = delete;

    HWND window = nullptr;
    HWND tabs[2] = {};
};

TEST_F(ExplorerSelection, OfSeveralShellWindowsOfTheWindowTheTabOnShow)
{
    const struct {
        const char *what;
        int onShow;           // the tab that is visible: 0, 1, or none
        bool tabWindows;      // the shell browsers report the tabs' windows
        FailAt chosenFails;
        int found;            // the shell window whose folder comes out, or none
    } cases[] = {
        {"the first", 0, true, FailAt::kNothing, 0},
        {"the second", 1, true, FailAt::kNothing, 1},
        {"no tab on show", -1, true, FailAt::kNothing, -1},
        {"no browser reports a tab", 1, false, FailAt::kNothing, -1},
        // The other tab is not tried instead.
        {"the chosen one fails later", 1, true, FailAt::kQueryActiveShellView, -1},
    };
    const std::string folders[] = {dir.path(), otherDir.path()};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const TabbedWindow tabbed(c.onShow);
        ASSERT_NE(tabbed.window, nullptr);
        explorers.clear();
        windows.entries.clear();
        for (int i = 0; i < 2; ++i) {
            FakeExplorerWindow &explorer = open(tabbed.window, folders[i], i == 0 ? "paper.pdf" : "other.pdf");
            explorer.tab = c.tabWindows ? tabbed.tabs[i] : nullptr;
            if (i == c.onShow) {
                explorer.failAt = c.chosenFails;
            }
        }
        query(tabbed.window);
        EXPECT_EQ(folder, c.found < 0 ? "" : folders[c.found]);
        if (c.chosenFails != FailAt::kNothing) {
            EXPECT_FALSE(explorers[0]->view.Touched());
        }
        expectAllReleased();
    }
}

TEST_F(ExplorerSelection, NoFocusedItemGivesTheFolderAlone)
{
    FakeExplorerWindow &explorer = open(explorerWindow.get(), dir.path(), "");
    query(explorerWindow.get());
    EXPECT_EQ(folder, dir.path());
    EXPECT_EQ(name, "");
    // Explorer answers -1 for no focus, and the item query refuses it.
    EXPECT_EQ(explorer.itemsAsked, std::vector<int>({-1}));
    EXPECT_TRUE(explorer.nameFlags.empty());
    expectAllReleased();
}

TEST_F(ExplorerSelection, FocusedSubfolder)
{
    open(explorerWindow.get(), dir.path(), "sub");
    query(explorerWindow.get());
    EXPECT_EQ(folder, dir.path());
    EXPECT_EQ(name, "sub");
    expectAllReleased();
}

TEST_F(ExplorerSelection, OtherSuccessCodesAreSuccesses)
{
    FakeExplorerWindow &explorer = open(explorerWindow.get(), dir.path(), "paper.pdf");
    explorer.success = S_FALSE;
    query(explorerWindow.get());
    EXPECT_EQ(folder, dir.path());
    EXPECT_EQ(name, "paper.pdf");
    expectAllReleased();
}

TEST_F(ExplorerSelection, NameInAnAnsiString)
{
    FakeExplorerWindow &explorer = open(explorerWindow.get(), dir.path(), "paper.pdf");
    explorer.nameAs = NameAs::kAnsiString;
    query(explorerWindow.get());
    EXPECT_EQ(folder, dir.path());
    EXPECT_EQ(name, "paper.pdf");
    expectAllReleased();
}

// The user's choice whether Explorer hides the extensions of known file
// types, set for one test and put back afterwards.
class HiddenExtensions {
public:
    explicit HiddenExtensions(DWORD hide)
    {
        RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key_,
                        nullptr);
        DWORD size = sizeof old_;
        hadValue_ = RegQueryValueExA(key_, kValue, nullptr, nullptr, reinterpret_cast<BYTE *>(&old_), &size) ==
                    ERROR_SUCCESS;
        set_ = RegSetValueExA(key_, kValue, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&hide), sizeof hide) ==
               ERROR_SUCCESS;
    }
    ~HiddenExtensions()
    {
        if (hadValue_) {
            RegSetValueExA(key_, kValue, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&old_), sizeof old_);
        } else {
            RegDeleteValueA(key_, kValue);
        }
        RegCloseKey(key_);
    }
    HiddenExtensions(const HiddenExtensions &) = delete;
    HiddenExtensions &operator=(const HiddenExtensions &) = delete;
    bool set() const { return set_; }

private:
    static constexpr const char *kKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced";
    static constexpr const char *kValue = "HideFileExt";
    HKEY key_ = nullptr;
    DWORD old_ = 0;
    bool hadValue_ = false;
    bool set_ = false;
};

TEST_F(ExplorerSelection, NameFromTheSystemsShellFolder)
{
    // The name as the shell shows it, with or without the extension of a
    // known file type as the user chose: that is what the commands get.
    const struct {
        DWORD hide;
        const char *file;
        const char *shown;
    } cases[] = {
        {0, "paper.pdf", "paper.pdf"},
        {0, "notes.txt", "notes.txt"},
        {1, "notes.txt", "notes"},
    };
    for (const auto &c : cases) {
        const HiddenExtensions setting(c.hide);
        ASSERT_TRUE(setting.set());
        FakeExplorerWindow &explorer = open(explorerWindow.get(), dir.path(), c.file);
        ComPtr<IShellFolder> desktop;
        ASSERT_HRESULT_SUCCEEDED(SHGetDesktopFolder(desktop.put()));
        ASSERT_HRESULT_SUCCEEDED(
            desktop->BindToObject(explorer.folderId.get(), nullptr, IID_IShellFolder, explorer.realFolder.putVoid()));
        explorer.nameAs = NameAs::kRealShellFolder;

        query(explorerWindow.get());
        EXPECT_EQ(folder, dir.path()) << c.file;
        EXPECT_EQ(name, c.shown) << c.file << " hide " << c.hide;
        windows.entries.clear();
    }
    expectAllReleased();
}

// The window list the context creates: a factory of the test's own stands
// in for the system's.
class WindowListCreation : public ExplorerSelection {
protected:
    void SetUp() override
    {
        ExplorerSelection::SetUp();
        factory.product = &windows;
        registration = std::make_unique<fakes::ShellWindowsRegistration>(&factory);
    }
    void TearDown() override
    {
        registration.reset();
        EXPECT_EQ(factory.Balance(), 0);
        ExplorerSelection::TearDown();
    }

    fakes::FakeShellWindowsFactory factory;
    std::unique_ptr<fakes::ShellWindowsRegistration> registration;
};

TEST_F(WindowListCreation, CreatedOnceAtConstructionAndKept)
{
    open(explorerWindow.get(), dir.path(), "paper.pdf");
    {
        CRenameContext context(mainWindow.get());
        EXPECT_EQ(factory.created, 1);
        EXPECT_EQ(context.ShellWindows(), static_cast<IShellWindows *>(&windows));
        EXPECT_EQ(context.MainWindow(), mainWindow.get());
        for (int i = 0; i < 2; ++i) {
            GetExplorerSelection(context, explorerWindow.get(), folder, name);
            EXPECT_EQ(folder, dir.path());
            EXPECT_EQ(name, "paper.pdf");
        }
        EXPECT_EQ(factory.created, 1);
        EXPECT_EQ(windows.Balance(), 1);  // the context's own reference
    }
    expectAllReleased();
}

TEST_F(WindowListCreation, MissingListIsCreatedAgainAtTheQueryAndKept)
{
    open(explorerWindow.get(), dir.path(), "paper.pdf");
    factory.failWith = CO_E_SERVER_EXEC_FAILURE;
    {
        CRenameContext context(mainWindow.get());
        EXPECT_EQ(factory.created, 1);
        EXPECT_EQ(context.ShellWindows(), nullptr);

        factory.failWith = S_OK;
        GetExplorerSelection(context, explorerWindow.get(), folder, name);
        EXPECT_EQ(factory.created, 2);
        EXPECT_EQ(folder, dir.path());
        EXPECT_EQ(name, "paper.pdf");
        EXPECT_EQ(context.ShellWindows(), static_cast<IShellWindows *>(&windows));

        GetExplorerSelection(context, explorerWindow.get(), folder, name);
        EXPECT_EQ(factory.created, 2);
    }
    expectAllReleased();
}

TEST_F(WindowListCreation, ListThatCannotBeCreatedGivesNothing)
{
    FakeExplorerWindow &explorer = open(explorerWindow.get(), dir.path(), "paper.pdf");
    factory.failWith = E_OUTOFMEMORY;
    CRenameContext context(mainWindow.get());
    for (int query = 1; query <= 2; ++query) {
        folder = "stale";
        name = "stale";
        GetExplorerSelection(context, explorerWindow.get(), folder, name);
        EXPECT_EQ(folder, "");
        EXPECT_EQ(name, "");
        // One more attempt at each query.
        EXPECT_EQ(factory.created, 1 + query);
        EXPECT_EQ(context.ShellWindows(), nullptr);
    }
    EXPECT_FALSE(explorer.Touched());
}

TEST_F(WindowListCreation, NoForegroundWindowCreatesNothing)
{
    factory.failWith = E_OUTOFMEMORY;
    CRenameContext context(mainWindow.get());
    factory.failWith = S_OK;
    GetExplorerSelection(context, nullptr, folder, name);
    EXPECT_EQ(factory.created, 1);
    EXPECT_EQ(context.ShellWindows(), nullptr);
}

TEST_F(WindowListCreation, ListErrorEndsTheWalk)
{
    open(otherWindow.get(), otherDir.path(), "other.pdf");
    FakeExplorerWindow &behind = open(explorerWindow.get(), dir.path(), "paper.pdf");
    windows.errorIndex = 0;
    windows.errorCode = E_NOTIMPL;
    // The new list that the error asks for cannot be had either.
    factory.failWith = CO_E_SERVER_EXEC_FAILURE;
    query(explorerWindow.get());
    EXPECT_EQ(folder, "");
    EXPECT_EQ(name, "");
    EXPECT_EQ(windows.asked, std::vector<LONG>({0}));
    EXPECT_EQ(factory.created, 1);
    EXPECT_FALSE(behind.Touched());
    expectAllReleased();
}

TEST_F(WindowListCreation, ListThatFailsIsMadeAnewOncePerQuery)
{
    open(explorerWindow.get(), dir.path(), "paper.pdf");
    // The list of an Explorer that has ended.
    FakeShellWindows ended;
    ended.errorIndex = 0;
    ended.errorCode = RPC_E_DISCONNECTED;
    {
        CRenameContext context(mainWindow.get(), &ended);
        GetExplorerSelection(context, explorerWindow.get(), folder, name);
        EXPECT_EQ(folder, dir.path());
        EXPECT_EQ(factory.created, 1);
        EXPECT_EQ(context.ShellWindows(), static_cast<IShellWindows *>(&windows));

        // The new list fails too: one more new list, then nothing.
        windows.errorIndex = 0;
        GetExplorerSelection(context, explorerWindow.get(), folder, name);
        EXPECT_EQ(folder, "");
        EXPECT_EQ(factory.created, 2);
    }
    EXPECT_EQ(ended.Balance(), 0);
    expectAllReleased();
}

TEST_F(WindowListCreation, TestsOwnListIsUsedWithoutCreation)
{
    CRenameContext context(mainWindow.get(), &windows);
    GetExplorerSelection(context, explorerWindow.get(), folder, name);
    EXPECT_EQ(factory.created, 0);
}

// The system's own list. Under Wine it cannot be enumerated (or, on a prefix
// made moments ago, not even created); on Windows our hidden window is no
// Explorer window. Either way there is nothing to find.
TEST_F(ExplorerSelection, SystemsWindowListHasNothingForAWindowOfOurs)
{
    CRenameContext context(mainWindow.get());
    folder = "stale";
    name = "stale";
    GetExplorerSelection(context, explorerWindow.get(), folder, name);
    EXPECT_EQ(folder, "");
    EXPECT_EQ(name, "");
}

// Each place where the chain can break, and what comes out.
struct Breakage {
    FailAt at;
    bool folderFound;  // the folder path is known by then
};

void PrintTo(const Breakage &b, std::ostream *out)
{
    *out << fakes::toString(b.at);
}

class ExplorerSelectionBreaks : public ExplorerSelection, public ::testing::WithParamInterface<Breakage> {};

TEST_P(ExplorerSelectionBreaks, GivesWhatWasFoundAndReleasesEverything)
{
    const Breakage &b = GetParam();
    FakeExplorerWindow &explorer = open(explorerWindow.get(), dir.path(), "paper.pdf");
    explorer.failAt = b.at;
    query(explorerWindow.get());
    EXPECT_EQ(folder, b.folderFound ? dir.path() : std::string());
    EXPECT_EQ(name, "");
    EXPECT_EQ(windows.asked, std::vector<LONG>({0, 1}));
    expectAllReleased();
}

INSTANTIATE_TEST_SUITE_P(EachStep, ExplorerSelectionBreaks,
                         ::testing::Values(Breakage{FailAt::kQueryWebBrowserApp, false},
                                           Breakage{FailAt::kGetHwnd, false},
                                           Breakage{FailAt::kQueryServiceProvider, false},
                                           Breakage{FailAt::kQueryService, false},
                                           Breakage{FailAt::kQueryActiveShellView, false},
                                           Breakage{FailAt::kQueryFolderView, false},
                                           Breakage{FailAt::kGetFolder, false},
                                           Breakage{FailAt::kGetCurFolder, false},
                                           Breakage{FailAt::kNoFileSystemPath, false},
                                           Breakage{FailAt::kGetFocusedItem, true},
                                           Breakage{FailAt::kItem, true},
                                           Breakage{FailAt::kQueryShellFolder, true},
                                           Breakage{FailAt::kGetDisplayNameOf, true}),
                         [](const ::testing::TestParamInfo<Breakage> &info) {
                             std::string label;
                             for (const char c : std::string(fakes::toString(info.param.at))) {
                                 if (std::isalnum(static_cast<unsigned char>(c))) {
                                     label += c;
                                 }
                             }
                             return label;
                         });

}  // namespace
}  // namespace tidemark
