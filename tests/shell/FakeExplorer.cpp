#include "FakeExplorer.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <cstring>
#include <sstream>
#include <stdexcept>

namespace fakes {

namespace {

// A copy of `id` for the caller, who frees it with the task allocator.
template <class Id>
Id *handOut(const tidemark::ItemIdList &id)
{
    return reinterpret_cast<Id *>(ILClone(id.get()));
}

tidemark::ItemIdList idOfPath(const std::string &path)
{
    tidemark::ItemIdList id(ILCreateFromPathA(path.c_str()));
    if (id == nullptr) {
        throw std::runtime_error("no item identifier list for " + path);
    }
    return id;
}

}  // namespace

const char *toString(FailAt at)
{
    switch (at) {
    case FailAt::kNothing: return "nothing";
    case FailAt::kQueryWebBrowserApp: return "QueryInterface(IWebBrowserApp)";
    case FailAt::kGetHwnd: return "get_HWND";
    case FailAt::kQueryServiceProvider: return "QueryInterface(IServiceProvider)";
    case FailAt::kQueryService: return "QueryService(SID_STopLevelBrowser)";
    case FailAt::kQueryActiveShellView: return "QueryActiveShellView";
    case FailAt::kQueryFolderView: return "QueryInterface(IFolderView)";
    case FailAt::kGetFolder: return "GetFolder(IPersistFolder2)";
    case FailAt::kGetCurFolder: return "GetCurFolder";
    case FailAt::kNoFileSystemPath: return "SHGetPathFromIDList";
    case FailAt::kGetFocusedItem: return "GetFocusedItem";
    case FailAt::kItem: return "IFolderView::Item";
    case FailAt::kQueryShellFolder: return "QueryInterface(IShellFolder)";
    case FailAt::kGetDisplayNameOf: return "GetDisplayNameOf";
    }
    return "?";
}

FakeExplorerWindow::FakeExplorerWindow(HWND shownIn, const std::string &folderPath, const std::string &focusedName)
    : window(shownIn), displayName(focusedName), folderId(idOfPath(folderPath))
{
    if (!focusedName.empty()) {
        std::string itemPath = folderPath;
        if (itemPath.back() != '\\') {
            itemPath += '\\';
        }
        itemPath += focusedName;
        const tidemark::ItemIdList absolute = idOfPath(itemPath);
        itemId.reset(ILClone(ILFindLastID(absolute.get())));
    }
}

bool FakeExplorerWindow::AllReleased() const
{
    return browser.Balance() == 0 && browser.Lowest() == 0 && shellBrowser.Balance() == 0 &&
           shellBrowser.Lowest() == 0 && view.Balance() == 0 && view.Lowest() == 0 && folder.Balance() == 0 &&
           folder.Lowest() == 0;
}

std::string FakeExplorerWindow::Balances() const
{
    std::ostringstream out;
    out << browser.Name() << " " << browser.Balance() << " (lowest " << browser.Lowest() << "), "
        << shellBrowser.Name() << " " << shellBrowser.Balance() << " (lowest " << shellBrowser.Lowest() << "), "
        << view.Name() << " " << view.Balance() << " (lowest " << view.Lowest() << "), " << folder.Name() << " "
        << folder.Balance() << " (lowest " << folder.Lowest() << ")";
    return out.str();
}

bool FakeExplorerWindow::Touched() const
{
    return browser.Touched() || shellBrowser.Touched() || view.Touched() || folder.Touched();
}

HRESULT refusal(const FakeExplorerWindow &window)
{
    return window.ended && window.ended() ? RPC_E_DISCONNECTED : S_OK;
}

void *FakeBrowser::Find(REFIID iid)
{
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
        return Unknown();
    }
    if (iid == IID_IWebBrowser || iid == IID_IWebBrowserApp) {
        return owner_.failAt == FailAt::kQueryWebBrowserApp ? nullptr : static_cast<IWebBrowserApp *>(this);
    }
    if (iid == IID_IServiceProvider) {
        return owner_.failAt == FailAt::kQueryServiceProvider ? nullptr : static_cast<IServiceProvider *>(this);
    }
    return nullptr;
}

HRESULT FakeBrowser::get_HWND(SHANDLE_PTR *window)
{
    if (const HRESULT refused = Enter(); FAILED(refused)) {
        return refused;
    }
    // The right window, but a failure: the handle must not be believed.
    *window = reinterpret_cast<SHANDLE_PTR>(owner_.window);
    return owner_.failAt == FailAt::kGetHwnd ? E_FAIL : owner_.success;
}

HRESULT FakeBrowser::QueryService(REFGUID service, REFIID iid, void **out)
{
    if (const HRESULT refused = Enter(); FAILED(refused)) {
        return refused;
    }
    *out = nullptr;
    if (service != SID_STopLevelBrowser || iid != IID_IShellBrowser) {
        return E_NOINTERFACE;
    }
    owner_.askedTopLevelBrowser = true;
    if (owner_.failAt == FailAt::kQueryService) {
        return E_NOINTERFACE;
    }
    owner_.shellBrowser.AddRef();
    *out = static_cast<IShellBrowser *>(&owner_.shellBrowser);
    return owner_.success;
}

HRESULT FakeShellBrowser::GetWindow(HWND *window)
{
    if (const HRESULT refused = Enter(); FAILED(refused)) {
        return refused;
    }
    *window = owner_.tab != nullptr ? owner_.tab : owner_.window;
    return owner_.success;
}

void *FakeShellBrowser::Find(REFIID iid)
{
    if (iid == IID_IUnknown || iid == IID_IOleWindow || iid == IID_IShellBrowser) {
        return Unknown();
    }
    return nullptr;
}

HRESULT FakeShellBrowser::QueryActiveShellView(IShellView **view)
{
    if (const HRESULT refused = Enter(); FAILED(refused)) {
        return refused;
    }
    *view = nullptr;
    if (owner_.failAt == FailAt::kQueryActiveShellView) {
        return E_FAIL;
    }
    owner_.view.AddRef();
    *view = &owner_.view;
    return owner_.success;
}

void *FakeShellView::Find(REFIID iid)
{
    if (iid == IID_IUnknown || iid == IID_IOleWindow || iid == IID_IShellView) {
        return Unknown();
    }
    if (iid == IID_IFolderView) {
        return owner_.failAt == FailAt::kQueryFolderView ? nullptr : static_cast<IFolderView *>(this);
    }
    return nullptr;
}

HRESULT FakeShellView::GetFolder(REFIID iid, void **out)
{
    if (const HRESULT refused = Enter(); FAILED(refused)) {
        return refused;
    }
    *out = nullptr;
    if (iid != IID_IPersistFolder2) {
        return E_NOINTERFACE;
    }
    owner_.askedPersistFolder2 = true;
    if (owner_.failAt == FailAt::kGetFolder) {
        return E_NOINTERFACE;
    }
    owner_.folder.AddRef();
    *out = static_cast<IPersistFolder2 *>(&owner_.folder);
    return owner_.success;
}

HRESULT FakeShellView::GetFocusedItem(int *index)
{
    if (const HRESULT refused = Enter(); FAILED(refused)) {
        return refused;
    }
    if (owner_.failAt == FailAt::kGetFocusedItem) {
        *index = -1;
        return E_FAIL;
    }
    // Explorer answers -1 when no item has the focus.
    *index = owner_.itemId != nullptr ? FakeExplorerWindow::kFocusedIndex : -1;
    return owner_.success;
}

HRESULT FakeShellView::Item(int index, PITEMID_CHILD *item)
{
    if (const HRESULT refused = Enter(); FAILED(refused)) {
        return refused;
    }
    *item = nullptr;
    owner_.itemsAsked.push_back(index);
    if (owner_.failAt == FailAt::kItem || index != FakeExplorerWindow::kFocusedIndex || owner_.itemId == nullptr) {
        return E_INVALIDARG;
    }
    *item = handOut<ITEMID_CHILD>(owner_.itemId);
    return owner_.success;
}

void *FakeFolder::Find(REFIID iid)
{
    if (iid == IID_IUnknown || iid == IID_IPersist || iid == IID_IPersistFolder || iid == IID_IPersistFolder2) {
        return Unknown();
    }
    if (iid == IID_IShellFolder) {
        return owner_.failAt == FailAt::kQueryShellFolder ? nullptr : static_cast<IShellFolder *>(this);
    }
    return nullptr;
}

HRESULT FakeFolder::GetCurFolder(PIDLIST_ABSOLUTE *folder)
{
    if (const HRESULT refused = Enter(); FAILED(refused)) {
        return refused;
    }
    *folder = nullptr;
    if (owner_.failAt == FailAt::kGetCurFolder) {
        return E_FAIL;
    }
    if (owner_.failAt == FailAt::kNoFileSystemPath) {
        // This PC: a real folder with no path in the file system.
        return SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, folder);
    }
    *folder = handOut<ITEMIDLIST>(owner_.folderId);
    return owner_.success;
}

HRESULT FakeFolder::GetDisplayNameOf(PCUITEMID_CHILD item, SHGDNF flags, STRRET *name)
{
    if (const HRESULT refused = Enter(); FAILED(refused)) {
        return refused;
    }
    owner_.nameFlags.push_back(flags);
    if (owner_.failAt == FailAt::kGetDisplayNameOf) {
        return E_FAIL;
    }
    if (item == nullptr || !ILIsEqual(item, owner_.itemId.get())) {
        return E_INVALIDARG;
    }
    switch (owner_.nameAs) {
    case NameAs::kWideString: {
        const int length = MultiByteToWideChar(CP_ACP, 0, owner_.displayName.c_str(), -1, nullptr, 0);
        name->uType = STRRET_WSTR;
        name->pOleStr = static_cast<LPWSTR>(CoTaskMemAlloc(sizeof(WCHAR) * length));
        MultiByteToWideChar(CP_ACP, 0, owner_.displayName.c_str(), -1, name->pOleStr, length);
        break;
    }
    case NameAs::kAnsiString:
        name->uType = STRRET_CSTR;
        lstrcpynA(name->cStr, owner_.displayName.c_str(), MAX_PATH);
        break;
    case NameAs::kRealShellFolder:
        return owner_.realFolder->GetDisplayNameOf(item, flags, name);
    }
    return owner_.success;
}

void *FakeShellWindows::Find(REFIID iid)
{
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IShellWindows) {
        return Unknown();
    }
    return nullptr;
}

HRESULT FakeShellWindows::get_Count(LONG *count)
{
    Touch();
    *count = static_cast<LONG>(entries.size());
    return S_OK;
}

HRESULT FakeShellWindows::Item(VARIANT index, IDispatch **entry)
{
    Touch();
    *entry = nullptr;
    if (index.vt != VT_I4) {
        allAskedAsI4 = false;
        return E_INVALIDARG;
    }
    const LONG i = index.lVal;
    asked.push_back(i);
    if (i == errorIndex) {
        return errorCode;
    }
    if (i < 0 || i >= static_cast<LONG>(entries.size())) {
        return S_FALSE;
    }
    *entry = entries[i];
    if (*entry != nullptr) {
        (*entry)->AddRef();
    }
    return S_OK;
}

void *FakeShellWindowsFactory::Find(REFIID iid)
{
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
        return Unknown();
    }
    return nullptr;
}

HRESULT FakeShellWindowsFactory::CreateInstance(IUnknown *outer, REFIID iid, void **out)
{
    Touch();
    *out = nullptr;
    ++created;
    if (outer != nullptr) {
        return CLASS_E_NOAGGREGATION;
    }
    if (FAILED(failWith)) {
        return failWith;
    }
    if (product == nullptr) {
        return E_UNEXPECTED;
    }
    return product->QueryInterface(iid, out);
}

ShellWindowsRegistration::ShellWindowsRegistration(IClassFactory *factory)
{
    const HRESULT result =
        CoRegisterClassObject(CLSID_ShellWindows, factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_);
    if (FAILED(result)) {
        throw std::runtime_error("cannot register the fake window list");
    }
}

ShellWindowsRegistration::~ShellWindowsRegistration()
{
    CoRevokeClassObject(cookie_);
}

}  // namespace fakes
