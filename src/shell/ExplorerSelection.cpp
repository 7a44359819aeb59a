#include "shell/ExplorerSelection.h"

#include <windows.h>
#include <exdisp.h>
#include <servprov.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <shobjidl.h>

#include "shell/ComPtr.h"
#include "shell/ItemIdList.h"

namespace tidemark {

namespace {

// Finds the first window of the list whose top-level window is `window`.
// Windows that are not browsers, or cannot tell their window, are passed
// over; the walk ends where the list ends or cannot be read.
bool findBrowserOf(IShellWindows &windows, HWND window, ComPtr<IDispatch> &dispatch, ComPtr<IWebBrowserApp> &browser)
{
    const auto wanted = reinterpret_cast<SHANDLE_PTR>(window);
    for (LONG i = 0;; ++i) {
        VARIANT index;
        VariantInit(&index);
        index.vt = VT_I4;
        index.lVal = i;
        if (windows.Item(index, dispatch.put()) != S_OK || !dispatch) {
            // S_FALSE past the end; an error ends the walk as well, and so
            // does a list that claims an entry but hands back none, lest a
            // broken list keep the walk going for ever.
            dispatch.reset();
            return false;
        }
        if (FAILED(dispatch->QueryInterface(IID_IWebBrowserApp, browser.putVoid())) || !browser) {
            continue;
        }
        SHANDLE_PTR handle = 0;
        if (SUCCEEDED(browser->get_HWND(&handle)) && handle == wanted) {
            return true;
        }
        browser.reset();
    }
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
    IShellWindows *windows = context.AcquireShellWindows();
    if (windows == nullptr) {
        return;
    }

    // Declared in the order they are obtained, so that they are released in
    // the reverse order on every way out.
    ComPtr<IDispatch> dispatch;
    ComPtr<IWebBrowserApp> browser;
    if (!findBrowserOf(*windows, foregroundWindow, dispatch, browser)) {
        return;
    }
    // The first window that matches is the one: no later one is looked at,
    // whatever fails from here on. A success that hands back nothing counts
    // as a failure.
    ComPtr<IServiceProvider> services;
    if (FAILED(browser->QueryInterface(IID_IServiceProvider, services.putVoid())) || !services) {
        return;
    }
    ComPtr<IShellBrowser> shellBrowser;
    if (FAILED(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, shellBrowser.putVoid())) ||
        !shellBrowser) {
        return;
    }
    ComPtr<IShellView> shellView;
    if (FAILED(shellBrowser->QueryActiveShellView(shellView.put())) || !shellView) {
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
