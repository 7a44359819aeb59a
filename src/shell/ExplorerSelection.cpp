#include "shell/ExplorerSelection.h"

#include <windows.h>
#include <exdisp.h>
#include <servprov.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <shobjidl.h>

#include <vector>

#include "shell/ComPtr.h"
#include "shell/ItemIdList.h"

namespace tidemark {

namespace {

// The objects that lead from an entry of the window list to its shell
// browser, in the order they are obtained, so that they are released in the
// reverse order.
struct ShellWindow {
    ComPtr<IDispatch> dispatch;
    ComPtr<IWebBrowserApp> browser;
    ComPtr<IServiceProvider> services;
    ComPtr<IShellBrowser> shellBrowser;

    // Asks the browser for the shell browser of its top-level window; false
    // when it cannot be had. A success that hands back nothing counts as a
    // failure.
    bool ReachShellBrowser()
    {
        if (shellBrowser) {
            return true;
        }
        if (FAILED(browser->QueryInterface(IID_IServiceProvider, services.putVoid())) || !services) {
            return false;
        }
        if (FAILED(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, shellBrowser.putVoid()))) {
            shellBrowser.reset();
        }
        return static_cast<bool>(shellBrowser);
    }
};

// Appends every entry of the list whose top-level window is `window`, in
// the list's order. Entries that are not browsers, or cannot tell their
// window, are passed over. False when the list answered with an error.
bool collectShellWindowsOf(IShellWindows &windows, HWND window, std::vector<ShellWindow> &found)
{
    const auto wanted = reinterpret_cast<SHANDLE_PTR>(window);
    for (LONG i = 0;; ++i) {
        VARIANT index;
        VariantInit(&index);
        index.vt = VT_I4;
        index.lVal = i;
        ShellWindow entry;
        const HRESULT result = windows.Item(index, entry.dispatch.put());
        if (FAILED(result)) {
            return false;
        }
        if (result != S_OK || !entry.dispatch) {
            // S_FALSE past the end; a list that claims an entry but hands
            // back none ends the walk too, lest it go on for ever.
            return true;
        }
        if (FAILED(entry.dispatch->QueryInterface(IID_IWebBrowserApp, entry.browser.putVoid())) || !entry.browser) {
            continue;
        }
        SHANDLE_PTR handle = 0;
        if (SUCCEEDED(entry.browser->get_HWND(&handle)) && handle == wanted) {
            found.push_back(std::move(entry));
        }
    }
}

// The tab on show in the Explorer window `window`: the visible one of its
// tab windows that comes first in z-order. Null for a window without tabs.
HWND tabOnShow(HWND window)
{
    static const char kTabClass[] = "ShellTabWindowClass";
    for (HWND tab = FindWindowExA(window, nullptr, kTabClass, nullptr); tab != nullptr;
         tab = FindWindowExA(window, tab, kTabClass, nullptr)) {
        if (IsWindowVisible(tab)) {
            return tab;
        }
    }
    return nullptr;
}

// Since Windows 11 (22H2) every tab of an Explorer window is a shell window
// of its own with the top-level window of all of them. Of several such
// `candidates`, the one whose shell browser is the tab on show; null when
// that cannot be told, for a tab out of sight shows another folder.
ShellWindow *chooseTab(std::vector<ShellWindow> &candidates, HWND window)
{
    const HWND tab = tabOnShow(window);
    if (tab == nullptr) {
        return nullptr;
    }
    for (ShellWindow &candidate : candidates) {
        HWND own = nullptr;
        if (candidate.ReachShellBrowser() && SUCCEEDED(candidate.shellBrowser->GetWindow(&own)) && own == tab) {
            return &candidate;
        }
    }
    return nullptr;
}

// The shell window of `window`, its shell browser reached; false when there
// is none or it cannot be told which. The list of an Explorer that has
// ended (crashed, or restarted by the user) fails every call: such a list
// is created anew, once per query.
bool findShellWindow(CRenameContext &context, HWND window, ShellWindow &found)
{
    IShellWindows *windows = context.AcquireShellWindows();
    if (windows == nullptr) {
        return false;
    }
    std::vector<ShellWindow> matches;
    if (!collectShellWindowsOf(*windows, window, matches)) {
        matches.clear();
        windows = context.RenewShellWindows();
        if (windows == nullptr || !collectShellWindowsOf(*windows, window, matches)) {
            return false;
        }
    }
    if (matches.empty()) {
        return false;
    }
    // One match is the one, whatever fails from here on; of several, no
    // other is tried when the chosen one fails.
    ShellWindow *chosen = matches.size() == 1 ? &matches.front() : chooseTab(matches, window);
    if (chosen == nullptr || !chosen->ReachShellBrowser()) {
        return false;
    }
    found = std::move(*chosen);
    return true;
}

// The name of the focused item of `view` as the folder shows it; empty when
// no item has the focus or its name cannot be had.
std::string focusedItemName(IFolderView &view, IPersistFolder2 &folder)
{
    int focused = 0;
    if (FAILED(view.GetFocusedItem(&focused))) {
        return {};
    }
    ItemIdList item;
    {
        ITEMIDLIST *raw = nullptr;
        if (FAILED(view.Item(focused, &raw)) || raw == nullptr) {
            return {};
        }
        item.reset(raw);
    }
    // Declared after the item so that it is released before the item is freed.
    ComPtr<IShellFolder> shellFolder;
    if (FAILED(folder.QueryInterface(IID_IShellFolder, shellFolder.putVoid())) || !shellFolder) {
        return {};
    }
    // The name as shown, not the parsing name: the rename command keeps the
    // extension of this name.
    STRRET name{};
    if (FAILED(shellFolder->GetDisplayNameOf(item.get(), SHGDN_INFOLDER, &name))) {
        return {};
    }
    char buffer[MAX_PATH] = {};
    StrRetToBufA(&name, item.get(), buffer, MAX_PATH);
    return buffer;
}

}  // namespace

void GetExplorerSelection(CRenameContext &context, HWND foregroundWindow, std::string &folderPath,
                          std::string &itemName)
{
    folderPath.clear();
    itemName.clear();
    if (foregroundWindow == nullptr) {
        return;
    }
    ShellWindow window;
    if (!findShellWindow(context, foregroundWindow, window)) {
        return;
    }
    // Declared after the shell window, so that they are released before it
    // on every way out. A success that hands back nothing counts as a
    // failure.
    ComPtr<IShellView> shellView;
    if (FAILED(window.shellBrowser->QueryActiveShellView(shellView.put())) || !shellView) {
        return;
    }
    ComPtr<IFolderView> folderView;
    if (FAILED(shellView->QueryInterface(IID_IFolderView, folderView.putVoid())) || !folderView) {
        return;
    }
    ComPtr<IPersistFolder2> folder;
    if (FAILED(folderView->GetFolder(IID_IPersistFolder2, folder.putVoid())) || !folder) {
        return;
    }
    ItemIdList folderId;
    {
        ITEMIDLIST *raw = nullptr;
        if (FAILED(folder->GetCurFolder(&raw)) || raw == nullptr) {
            return;
        }
        folderId.reset(raw);
    }

    // Virtual folders (This PC, Control Panel) have no path to rename in.
    char buffer[MAX_PATH] = {};
    if (!SHGetPathFromIDListA(folderId.get(), buffer)) {
        return;
    }
    folderPath = buffer;
    if (!folderPath.empty()) {
        itemName = focusedItemName(*folderView, *folder);
    }
}

}  // namespace tidemark
