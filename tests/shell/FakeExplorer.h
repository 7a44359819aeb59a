#pragma once

// Stand-ins for the shell's open Explorer windows. The system's window list
// cannot be enumerated under Wine (its Item method is not implemented), so
// the selection query is driven through fakes of the interfaces it walks.
// What the fakes hand out is real, though: item identifier lists of real
// folders and files, so that the shell's own path and name functions run.

#include <windows.h>
#include <exdisp.h>
#include <servprov.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "shell/ComPtr.h"
#include "shell/ItemIdList.h"

namespace fakes {

// Where the chain of one fake Explorer window breaks.
enum class FailAt {
    kNothing,
    kQueryWebBrowserApp,     // the window list entry is no browser
    kGetHwnd,                // the browser cannot tell its window
    kQueryServiceProvider,
    kQueryService,           // no top-level shell browser
    kQueryActiveShellView,
    kQueryFolderView,
    kGetFolder,
    kGetCurFolder,
    kNoFileSystemPath,       // the folder is a virtual one (This PC)
    kGetFocusedItem,
    kItem,
    kQueryShellFolder,
    kGetDisplayNameOf,
};
const char *toString(FailAt at);

// How the fake shell folder hands out the focused item's name.
enum class NameAs {
    kWideString,       // STRRET_WSTR, allocated with the task allocator
    kAnsiString,       // STRRET_CSTR, in the STRRET itself
    kRealShellFolder,  // whatever the system's shell folder of that folder says
};

class FakeExplorerWindow;
// RPC_E_DISCONNECTED when the Explorer behind `window` has ended, else S_OK.
HRESULT refusal(const FakeExplorerWindow &window);

// The IUnknown part of every fake: counts references given out and taken
// back, and remembers whether anything at all was asked of the object. The
// objects belong to the test, so a release never deletes one. The objects
// of an Explorer window refuse every call once its Explorer has ended.
template <class First, class... Rest>
class FakeUnknown : public First, public Rest... {
public:
    explicit FakeUnknown(const char *name, const FakeExplorerWindow *window = nullptr) : name_(name), window_(window)
    {
    }
    FakeUnknown(const FakeUnknown &) = delete;
    FakeUnknown &operator=(const FakeUnknown &) = delete;
    virtual ~FakeUnknown() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = nullptr;
        if (const HRESULT refused = Enter(); FAILED(refused)) {
            return refused;
        }
        *out = Find(iid);
        if (*out == nullptr) {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override
    {
        Touch();
        ++addRefs_;
        return static_cast<ULONG>(1 + Balance());
    }
    ULONG STDMETHODCALLTYPE Release() override
    {
        Touch();
        ++releases_;
        lowest_ = std::min(lowest_, Balance());
        return static_cast<ULONG>(1 + Balance());
    }

    const char *Name() const { return name_; }
    // References given out and not yet taken back.
    long Balance() const { return addRefs_ - releases_; }
    // Below zero when more references were released than were given out.
    long Lowest() const { return lowest_; }
    bool Touched() const { return touched_; }

protected:
    void Touch() { touched_ = true; }
    // Marks the object as asked; a failure when it refuses every call.
    HRESULT Enter()
    {
        Touch();
        return window_ != nullptr ? refusal(*window_) : S_OK;
    }
    // The interface pointer for `iid`, or null when refused.
    virtual void *Find(REFIID iid) = 0;
    void *Unknown() { return static_cast<IUnknown *>(static_cast<First *>(this)); }

private:
    const char *name_;
    const FakeExplorerWindow *window_;
    long addRefs_ = 0;
    long releases_ = 0;
    long lowest_ = 0;
    bool touched_ = false;
};

class FakeBrowser final : public FakeUnknown<IWebBrowserApp, IServiceProvider> {
public:
    explicit FakeBrowser(FakeExplorerWindow &owner) : FakeUnknown("browser", &owner), owner_(owner) {}
    IDispatch *AsDispatch() { return static_cast<IWebBrowserApp *>(this); }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS *, VARIANT *, EXCEPINFO *, UINT *) override
    {
        return E_NOTIMPL;
    }
    // IWebBrowser
    HRESULT STDMETHODCALLTYPE GoBack() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GoForward() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GoHome() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GoSearch() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Navigate(BSTR, VARIANT *, VARIANT *, VARIANT *, VARIANT *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Refresh() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Refresh2(VARIANT *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Stop() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Application(IDispatch **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Parent(IDispatch **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Container(IDispatch **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Document(IDispatch **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_TopLevelContainer(VARIANT_BOOL *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Type(BSTR *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Left(LONG *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Left(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Top(LONG *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Top(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Width(LONG *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Width(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Height(LONG *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Height(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_LocationName(BSTR *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_LocationURL(BSTR *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Busy(VARIANT_BOOL *) override { return E_NOTIMPL; }
    // IWebBrowserApp
    HRESULT STDMETHODCALLTYPE Quit() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ClientToWindow(int *, int *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE PutProperty(BSTR, VARIANT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetProperty(BSTR, VARIANT *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Name(BSTR *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_HWND(SHANDLE_PTR *window) override;
    HRESULT STDMETHODCALLTYPE get_FullName(BSTR *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Path(BSTR *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Visible(VARIANT_BOOL *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Visible(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_StatusBar(VARIANT_BOOL *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_StatusBar(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_StatusText(BSTR *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_StatusText(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ToolBar(int *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_ToolBar(int) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_MenuBar(VARIANT_BOOL *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_MenuBar(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_FullScreen(VARIANT_BOOL *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_FullScreen(VARIANT_BOOL) override { return E_NOTIMPL; }
    // IServiceProvider
    HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID iid, void **out) override;

private:
    void *Find(REFIID iid) override;
    FakeExplorerWindow &owner_;
};

class FakeShellBrowser final : public FakeUnknown<IShellBrowser> {
public:
    explicit FakeShellBrowser(FakeExplorerWindow &owner) : FakeUnknown("shell browser", &owner), owner_(owner) {}

    // IOleWindow
    HRESULT STDMETHODCALLTYPE GetWindow(HWND *window) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(WINBOOL) override { return E_NOTIMPL; }
    // IShellBrowser
    HRESULT STDMETHODCALLTYPE InsertMenusSB(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetMenuSB(HMENU, HOLEMENU, HWND) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RemoveMenusSB(HMENU) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetStatusTextSB(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnableModelessSB(WINBOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TranslateAcceleratorSB(MSG *, WORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE BrowseObject(PCUIDLIST_RELATIVE, UINT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetViewStateStream(DWORD, IStream **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetControlWindow(UINT, HWND *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SendControlMsg(UINT, UINT, WPARAM, LPARAM, LRESULT *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryActiveShellView(IShellView **view) override;
    HRESULT STDMETHODCALLTYPE OnViewWindowActive(IShellView *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetToolbarItems(LPTBBUTTONSB, UINT, UINT) override { return E_NOTIMPL; }

private:
    void *Find(REFIID iid) override;
    FakeExplorerWindow &owner_;
};

// The view of a folder window: one object that is both the shell view and
// its folder view, as in Explorer.
class FakeShellView final : public FakeUnknown<IShellView, IFolderView> {
public:
    explicit FakeShellView(FakeExplorerWindow &owner) : FakeUnknown("shell view", &owner), owner_(owner) {}

    // IOleWindow
    HRESULT STDMETHODCALLTYPE GetWindow(HWND *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(WINBOOL) override { return E_NOTIMPL; }
    // IShellView
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnableModeless(WINBOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UIActivate(UINT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Refresh() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateViewWindow(IShellView *, LPCFOLDERSETTINGS, IShellBrowser *, RECT *, HWND *) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DestroyViewWindow() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCurrentInfo(LPFOLDERSETTINGS) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AddPropertySheetPages(DWORD, LPFNSVADDPROPSHEETPAGE, LPARAM) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SaveViewState() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SelectItem(PCUITEMID_CHILD, SVSIF) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetItemObject(UINT, REFIID, void **) override { return E_NOTIMPL; }
    // IFolderView
    HRESULT STDMETHODCALLTYPE GetCurrentViewMode(UINT *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetCurrentViewMode(UINT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetFolder(REFIID iid, void **out) override;
    HRESULT STDMETHODCALLTYPE Item(int index, PITEMID_CHILD *item) override;
    HRESULT STDMETHODCALLTYPE ItemCount(UINT, int *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Items(UINT, REFIID, void **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSelectionMarkedItem(int *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetFocusedItem(int *index) override;
    HRESULT STDMETHODCALLTYPE GetItemPosition(PCUITEMID_CHILD, POINT *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSpacing(POINT *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDefaultSpacing(POINT *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetAutoArrange() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SelectItem(int, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SelectAndPositionItems(UINT, PCUITEMID_CHILD_ARRAY, POINT *, DWORD) override
    {
        return E_NOTIMPL;
    }

private:
    void *Find(REFIID iid) override;
    FakeExplorerWindow &owner_;
};

// The folder shown: both its persistence interface and its shell folder.
class FakeFolder final : public FakeUnknown<IPersistFolder2, IShellFolder> {
public:
    explicit FakeFolder(FakeExplorerWindow &owner) : FakeUnknown("folder", &owner), owner_(owner) {}

    // IPersist, IPersistFolder, IPersistFolder2
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Initialize(PCIDLIST_ABSOLUTE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCurFolder(PIDLIST_ABSOLUTE *folder) override;
    // IShellFolder
    HRESULT STDMETHODCALLTYPE ParseDisplayName(HWND, IBindCtx *, LPWSTR, ULONG *, PIDLIST_RELATIVE *, ULONG *) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE EnumObjects(HWND, SHCONTF, IEnumIDList **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE BindToObject(PCUIDLIST_RELATIVE, IBindCtx *, REFIID, void **) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE BindToStorage(PCUIDLIST_RELATIVE, IBindCtx *, REFIID, void **) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CompareIDs(LPARAM, PCUIDLIST_RELATIVE, PCUIDLIST_RELATIVE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateViewObject(HWND, REFIID, void **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetAttributesOf(UINT, PCUITEMID_CHILD_ARRAY, SFGAOF *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetUIObjectOf(HWND, UINT, PCUITEMID_CHILD_ARRAY, REFIID, UINT *, void **) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetDisplayNameOf(PCUITEMID_CHILD item, SHGDNF flags, STRRET *name) override;
    HRESULT STDMETHODCALLTYPE SetNameOf(HWND, PCUITEMID_CHILD, LPCWSTR, SHGDNF, PITEMID_CHILD *) override
    {
        return E_NOTIMPL;
    }

private:
    void *Find(REFIID iid) override;
    FakeExplorerWindow &owner_;
};

// One open Explorer window: its top-level window handle, the folder it shows
// and the item that has the focus, and the chain of objects that lead there.
class FakeExplorerWindow {
public:
    // Shows the real folder `folderPath` with the item `focusedName` (a real
    // file or folder in it) focused; an empty name: no item has the focus.
    FakeExplorerWindow(HWND window, const std::string &folderPath, const std::string &focusedName = {});
    FakeExplorerWindow(const FakeExplorerWindow &) = delete;
    FakeExplorerWindow &operator=(const FakeExplorerWindow &) = delete;

    IDispatch *Entry() { return browser.AsDispatch(); }

    // True when every reference handed out was taken back, and never more.
    bool AllReleased() const;
    std::string Balances() const;  // for failure messages
    bool Touched() const;

    // What the test sets.
    HWND window;
    // The shell browser's own window: in an Explorer window with tabs, the
    // tab's window. Null: `window`.
    HWND tab = nullptr;
    // When it says so, the Explorer behind the window has ended: every call
    // that the fakes answer fails with RPC_E_DISCONNECTED.
    std::function<bool()> ended;
    FailAt failAt = FailAt::kNothing;
    NameAs nameAs = NameAs::kWideString;
    std::string displayName;  // the name handed out by the fake folder
    // What successful calls return: S_OK, or another success code.
    HRESULT success = S_OK;
    tidemark::ItemIdList folderId;  // absolute
    tidemark::ItemIdList itemId;    // relative to the folder; null: nothing focused
    tidemark::ComPtr<IShellFolder> realFolder;

    // What the query asked for.
    bool askedTopLevelBrowser = false;  // QueryService with the right service and interface
    bool askedPersistFolder2 = false;   // GetFolder with IID_IPersistFolder2
    std::vector<int> itemsAsked;        // IFolderView::Item indices
    std::vector<SHGDNF> nameFlags;      // GetDisplayNameOf flags

    FakeBrowser browser{*this};
    FakeShellBrowser shellBrowser{*this};
    FakeShellView view{*this};
    FakeFolder folder{*this};

    static constexpr int kFocusedIndex = 3;
};

// The shell's list of open windows: its entries in order, then S_FALSE.
class FakeShellWindows : public FakeUnknown<IShellWindows> {
public:
    FakeShellWindows() : FakeUnknown("shell windows") {}

    std::vector<IDispatch *> entries;
    // Item fails with `errorCode` at this index (none when negative).
    LONG errorIndex = -1;
    HRESULT errorCode = E_FAIL;
    // The indices asked for, and whether each came as a VT_I4 variant.
    std::vector<LONG> asked;
    bool allAskedAsI4 = true;

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS *, VARIANT *, EXCEPINFO *, UINT *) override
    {
        return E_NOTIMPL;
    }
    // IShellWindows
    HRESULT STDMETHODCALLTYPE get_Count(LONG *count) override;
    HRESULT STDMETHODCALLTYPE Item(VARIANT index, IDispatch **entry) override;
    HRESULT STDMETHODCALLTYPE _NewEnum(IUnknown **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Register(IDispatch *, LONG, int, LONG *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RegisterPending(LONG, VARIANT *, VARIANT *, int, LONG *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Revoke(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnNavigate(LONG, VARIANT *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnActivated(LONG, VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FindWindowSW(VARIANT *, VARIANT *, int, LONG *, int, IDispatch **) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE OnCreated(LONG, IUnknown *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ProcessAttachDetach(VARIANT_BOOL) override { return E_NOTIMPL; }

private:
    void *Find(REFIID iid) override;
};

// Makes the window lists that CoCreateInstance(CLSID_ShellWindows) hands out
// in this process while it is registered: Wine's own list cannot be relied on
// (on a freshly made Wine prefix the shell has not registered it yet).
class FakeShellWindowsFactory : public FakeUnknown<IClassFactory> {
public:
    FakeShellWindowsFactory() : FakeUnknown("shell windows factory") {}

    IShellWindows *product = nullptr;  // what is handed out
    HRESULT failWith = S_OK;           // a failure code makes every creation fail
    int created = 0;                   // creations asked for

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown *outer, REFIID iid, void **out) override;
    HRESULT STDMETHODCALLTYPE LockServer(WINBOOL) override { return S_OK; }

private:
    void *Find(REFIID iid) override;
};

// Registers a class factory for CLSID_ShellWindows in this process for as
// long as it lives; in-process registrations are found before the system's.
class ShellWindowsRegistration {
public:
    explicit ShellWindowsRegistration(IClassFactory *factory);
    ~ShellWindowsRegistration();
    ShellWindowsRegistration(const ShellWindowsRegistration &) = delete;
    ShellWindowsRegistration &operator=(const ShellWindowsRegistration &) = delete;

private:
    DWORD cookie_ = 0;
};

}  // namespace fakes
