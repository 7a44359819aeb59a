#include "ShellTestSupport.h"

#include "shell/ClipboardHandles.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>

namespace {

std::atomic<std::size_t> allocationLimit{SIZE_MAX};

}  // namespace

// The program's own allocator, so that a test can make large allocations
// fail. Every other form of new and delete ends up here or in free().
void *operator new(std::size_t size)
{
    if (size >= allocationLimit.load()) {
        throw std::bad_alloc();
    }
    if (void *p = std::malloc(size != 0 ? size : 1)) {
        return p;
    }
    throw std::bad_alloc();
}

void operator delete(void *p) noexcept
{
    std::free(p);
}

void operator delete(void *p, std::size_t) noexcept
{
    std::free(p);
}

LargeAllocationsFail::LargeAllocationsFail(std::size_t bytes)
{
    allocationLimit = bytes;
}

LargeAllocationsFail::~LargeAllocationsFail()
{
    allocationLimit = SIZE_MAX;
}

ComApartment::ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}

ComApartment::~ComApartment()
{
    if (SUCCEEDED(result_)) {
        CoUninitialize();
    }
}

namespace {

const char kWindowClass[] = "TidemarkShellTestWindow";

ATOM registerWindowClass()
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kWindowClass;
    return RegisterClassA(&wc);
}

struct GdiObjectDeleter {
    void operator()(void *object) const { DeleteObject(object); }
};

}  // namespace

HiddenWindow::HiddenWindow()
{
    static const ATOM atom = registerWindowClass();
    if (atom == 0) {
        throw std::runtime_error("cannot register the test window class");
    }
    window_ = CreateWindowExA(WS_EX_TOOLWINDOW, kWindowClass, "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    if (window_ == nullptr) {
        throw std::runtime_error("cannot create a test window");
    }
}

HiddenWindow::~HiddenWindow()
{
    DestroyWindow(window_);
}

bool putClipboardText(HWND owner, const std::string &bytes)
{
    const tidemark::ClipboardSession clipboard(owner);
    if (!clipboard.isOpen() || !EmptyClipboard()) {
        return false;
    }
    tidemark::GlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, bytes.size()));
    if (memory == nullptr) {
        return false;
    }
    {
        const tidemark::GlobalLockGuard lock(memory.get());
        if (lock.get() == nullptr) {
            return false;
        }
        std::memcpy(lock.get(), bytes.data(), bytes.size());
    }
    if (SetClipboardData(CF_TEXT, memory.get()) == nullptr) {
        return false;
    }
    memory.release();  // the clipboard's now
    return true;
}

bool putClipboardBitmap(HWND owner)
{
    const tidemark::ClipboardSession clipboard(owner);
    if (!clipboard.isOpen() || !EmptyClipboard()) {
        return false;
    }
    const DWORD pixels[4] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0x00FFFFFF};
    std::unique_ptr<void, GdiObjectDeleter> bitmap(CreateBitmap(2, 2, 1, 32, pixels));
    if (bitmap == nullptr || SetClipboardData(CF_BITMAP, bitmap.get()) == nullptr) {
        return false;
    }
    bitmap.release();  // the clipboard's now
    return true;
}

bool emptyClipboard(HWND owner)
{
    const tidemark::ClipboardSession clipboard(owner);
    return clipboard.isOpen() && EmptyClipboard();
}

std::string clipboardText(HWND owner)
{
    const tidemark::ClipboardSession clipboard(owner);
    if (!clipboard.isOpen()) {
        throw std::runtime_error("cannot open the clipboard");
    }
    const HANDLE data = GetClipboardData(CF_TEXT);
    if (data == nullptr) {
        return {};
    }
    const tidemark::GlobalLockGuard lock(data);
    const char *text = static_cast<const char *>(lock.get());
    return text != nullptr ? std::string(text, strnlen(text, GlobalSize(data))) : std::string();
}

// Reports each allocation and release of the task allocator to the
// TaskAllocations record. It lives as long as the process.
class MallocSpy final : public IMallocSpy {
public:
    explicit MallocSpy(TaskAllocations &record) : record_(record) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        if (iid == IID_IUnknown || iid == IID_IMallocSpy) {
            *out = static_cast<IMallocSpy *>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T request) override { return request; }
    void *STDMETHODCALLTYPE PostAlloc(void *actual) override
    {
        if (actual != nullptr) {
            const std::lock_guard<std::mutex> lock(record_.mutex_);
            record_.live_.insert(actual);
        }
        return actual;
    }
    void *STDMETHODCALLTYPE PreFree(void *request, WINBOOL) override
    {
        forget(request);
        return request;
    }
    void STDMETHODCALLTYPE PostFree(WINBOOL) override {}
    SIZE_T STDMETHODCALLTYPE PreRealloc(void *request, SIZE_T size, void **newRequest, WINBOOL) override
    {
        forget(request);
        *newRequest = request;
        return size;
    }
    void *STDMETHODCALLTYPE PostRealloc(void *actual, WINBOOL spyed) override
    {
        return spyed ? PostAlloc(actual) : actual;
    }
    void *STDMETHODCALLTYPE PreGetSize(void *request, WINBOOL) override { return request; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T actual, WINBOOL) override { return actual; }
    void *STDMETHODCALLTYPE PreDidAlloc(void *request, WINBOOL) override { return request; }
    int STDMETHODCALLTYPE PostDidAlloc(void *, WINBOOL, int actual) override { return actual; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}

private:
    void forget(void *block)
    {
        if (block != nullptr) {
            const std::lock_guard<std::mutex> lock(record_.mutex_);
            record_.live_.erase(block);
        }
    }
    TaskAllocations &record_;
};

TaskAllocations &TaskAllocations::instance()
{
    static TaskAllocations record;
    static MallocSpy spy(record);
    static const HRESULT registered = CoRegisterMallocSpy(&spy);
    if (FAILED(registered)) {
        throw std::runtime_error("cannot watch the task allocator");
    }
    return record;
}

void TaskAllocations::arm()
{
    const std::lock_guard<std::mutex> lock(mutex_);
    live_.clear();
}

std::size_t TaskAllocations::outstanding()
{
    const std::lock_guard<std::mutex> lock(mutex_);
    return live_.size();
}

std::vector<std::string> namesIn(const std::string &folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found{};
    const HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

bool fileExists(const std::string &path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool folderExists(const std::string &path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void makeFolder(const std::string &path)
{
    if (!CreateDirectoryA(path.c_str(), nullptr)) {
        throw std::runtime_error("cannot create " + path);
    }
}
