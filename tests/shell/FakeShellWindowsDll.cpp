// fake_shell_windows.dll: Explorer's list of open windows (the class
// CLSID_ShellWindows) for tests that run the real Tidemark.exe, or any other
// program, under Wine, where Explorer has no windows to list.
//
// Registration, in the test's own Wine prefix (machine classes: Wine 8 reads
// classes from HKLM\Software\Classes alone, and a registration under
// HKCU\Software\Classes is never seen):
//   HKLM\Software\Classes\CLSID\{9BA05972-F6A8-11CF-A442-00A0C90A8F39}\InprocServer32
//     (default)       the path of this DLL
//     ThreadingModel  Apartment
// A program that creates the class then loads the DLL and gets a list whose
// windows are described in the registry, read again at every call, so that a
// test can change them while the program runs:
//   HKCU\Software\Tidemark Test\Shell Windows\0, \1, ...: one subkey per window,
//   numbered from 0; the list ends at the first number without a Window value.
//     Window        REG_QWORD  the top-level window handle (IWebBrowserApp::get_HWND)
//     Tab           REG_QWORD  the handle the shell browser reports as its own
//                              window (IOleWindow::GetWindow of the IShellBrowser):
//                              in an Explorer window with tabs, the tab's window;
//                              equal to Window when absent
//     Folder        REG_SZ     the folder shown, a folder path of the prefix
//     Focused       REG_SZ     the name of the focused item in it, may be empty
//     Disconnected  REG_DWORD  1 = every method of this window's objects fails
//                              with RPC_E_DISCONNECTED, as the objects of an
//                              Explorer that has ended do
// Disconnected applies to the objects of a list made before the value was
// set (the Explorer that ended); a list made afterwards (CoCreateInstance
// again: the Explorer that took its place) serves the window as usual. A list
// counts as ended for a window when the value is not 0 and differs from the
// value the list found when it was made: write 2, 3, ... for later restarts.
// "This window's objects" are its entry in the list (Item fails) and the
// objects reached from it.
//
// The objects answer the calls of the tray program's selection query:
// IShellWindows::Item (VT_I4) -> IDispatch -> IWebBrowserApp::get_HWND ->
// IServiceProvider::QueryService(SID_STopLevelBrowser, IShellBrowser) ->
// IOleWindow::GetWindow, QueryActiveShellView -> IFolderView::GetFolder,
// GetFocusedItem, Item -> IPersistFolder2::GetCurFolder, IShellFolder::
// GetDisplayNameOf, with real item identifier lists of the prefix's files;
// the display name is Focused as written. Other methods fail with E_NOTIMPL,
// also after the window's Explorer has ended. A window without Folder, or whose folder or item does not exist, makes
// Item fail with E_FAIL.
//
// What the DLL writes, for tests that check what the program asked:
//   HKCU\Software\Tidemark Test\Shell Windows
//     Created       REG_DWORD  the number of lists made so far
#include <windows.h>

#include <exdisp.h>

#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "FakeExplorer.h"

namespace {

const char kListKey[] = "Software\\Tidemark Test\\Shell Windows";

std::string windowKey(LONG index)
{
    return std::string(kListKey) + "\\" + std::to_string(index);
}

// A REG_QWORD or REG_DWORD value of window `index`.
std::optional<std::uint64_t> number(LONG index, const char *name)
{
    std::uint64_t value = 0;  // a REG_DWORD fills the low half
    DWORD size = sizeof value;
    if (index < 0 || RegGetValueA(HKEY_CURRENT_USER, windowKey(index).c_str(), name,
                                  RRF_RT_REG_DWORD | RRF_RT_REG_QWORD, nullptr, &value, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::string> text(LONG index, const char *name)
{
    char value[MAX_PATH * 2] = "";
    DWORD size = sizeof value;
    if (RegGetValueA(HKEY_CURRENT_USER, windowKey(index).c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::string(value);
}

DWORD disconnected(LONG index)
{
    return static_cast<DWORD>(number(index, "Disconnected").value_or(0));
}

// One window as the registry describes it, and as a list made when its
// Disconnected value was `bornWith` sees it.
struct Description {
    LONG index = 0;
    std::uint64_t window = 0;
    std::uint64_t tab = 0;
    std::string folder;
    std::string focused;
    DWORD bornWith = 0;
    bool operator==(const Description &) const = default;
};

// The objects of every window handed out, kept until the DLL is unloaded:
// a program may hold them for as long as it likes, and the fakes are not
// reference-counted owners of themselves. A window is made anew only when
// its description changes.
class Windows {
public:
    fakes::FakeExplorerWindow *find(const Description &d)
    {
        const std::lock_guard lock(mutex_);
        for (const auto &[description, window] : made_) {
            if (description == d) {
                return window.get();
            }
        }
        try {
            auto window = std::make_unique<fakes::FakeExplorerWindow>(
                reinterpret_cast<HWND>(static_cast<std::uintptr_t>(d.window)), d.folder, d.focused);
            window->tab = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(d.tab));
            window->ended = [index = d.index, bornWith = d.bornWith] {
                const DWORD now = disconnected(index);
                return now != 0 && now != bornWith;
            };
            made_.emplace_back(d, std::move(window));
            return made_.back().second.get();
        } catch (...) {
            return nullptr;  // no such folder or item
        }
    }

private:
    std::mutex mutex_;
    std::list<std::pair<Description, std::unique_ptr<fakes::FakeExplorerWindow>>> made_;
};

Windows &windows()
{
    static Windows all;
    return all;
}

class WindowList final : public fakes::FakeShellWindows {
public:
    WindowList()
    {
        for (LONG i = 0; number(i, "Window"); ++i) {
            bornWith_.push_back(disconnected(i));
        }
    }

    ULONG STDMETHODCALLTYPE Release() override
    {
        FakeShellWindows::Release();
        if (Balance() > 0) {
            return static_cast<ULONG>(Balance());
        }
        delete this;
        return 0;
    }

    HRESULT STDMETHODCALLTYPE Item(VARIANT index, IDispatch **entry) override
    {
        if (entry == nullptr) {
            return E_POINTER;
        }
        *entry = nullptr;
        if (index.vt != VT_I4) {
            return E_INVALIDARG;
        }
        const LONG i = index.lVal;
        const auto window = number(i, "Window");
        if (!window) {
            return S_FALSE;
        }
        Description d;
        d.index = i;
        d.bornWith = i < static_cast<LONG>(bornWith_.size()) ? bornWith_[i] : 0;
        const DWORD now = disconnected(i);
        if (now != 0 && now != d.bornWith) {
            return RPC_E_DISCONNECTED;
        }
        const auto folder = text(i, "Folder");
        if (!folder) {
            return E_FAIL;
        }
        d.window = *window;
        d.tab = number(i, "Tab").value_or(*window);
        d.folder = *folder;
        d.focused = text(i, "Focused").value_or("");
        fakes::FakeExplorerWindow *found = windows().find(d);
        if (found == nullptr) {
            return E_FAIL;
        }
        *entry = found->Entry();
        (*entry)->AddRef();
        return S_OK;
    }

private:
    std::vector<DWORD> bornWith_;
};

class WindowListFactory final : public fakes::FakeShellWindowsFactory {
public:
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown *outer, REFIID iid, void **out) override
    {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = nullptr;
        if (outer != nullptr) {
            return CLASS_E_NOAGGREGATION;
        }
        auto *list = new (std::nothrow) WindowList;
        if (list == nullptr) {
            return E_OUTOFMEMORY;
        }
        const HRESULT result = list->QueryInterface(iid, out);
        if (FAILED(result)) {
            delete list;
            return result;
        }
        DWORD created = 0;
        DWORD size = sizeof created;
        RegGetValueA(HKEY_CURRENT_USER, kListKey, "Created", RRF_RT_REG_DWORD, nullptr, &created, &size);
        ++created;
        RegSetKeyValueA(HKEY_CURRENT_USER, kListKey, "Created", REG_DWORD, &created, sizeof created);
        return S_OK;
    }
};

}  // namespace

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void **out)
{
    static WindowListFactory factory;
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = nullptr;
    if (clsid != CLSID_ShellWindows) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return factory.QueryInterface(iid, out);
}

// The windows handed out live as long as the DLL: it stays.
extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllCanUnloadNow()
{
    return S_FALSE;
}
