#pragma once

#include <windows.h>
#include <objidl.h>

#include <cstddef>
#include <mutex>
#include <set>
#include <string>
#include <vector>

// COM for the test's thread, as the tray program has it on its main thread.
class ComApartment {
public:
    ComApartment();
    ~ComApartment();
    ComApartment(const ComApartment &) = delete;
    ComApartment &operator=(const ComApartment &) = delete;
    bool ok() const { return SUCCEEDED(result_); }

private:
    HRESULT result_;
};

// A window of the test's own that is never shown: the program's main window,
// an "Explorer" window, or another program that holds the clipboard.
class HiddenWindow {
public:
    HiddenWindow();
    ~HiddenWindow();
    HiddenWindow(const HiddenWindow &) = delete;
    HiddenWindow &operator=(const HiddenWindow &) = delete;
    HWND get() const { return window_; }

private:
    HWND window_;
};

// Clipboard text as programs put it there: the bytes and a NUL.
inline std::string withNul(const std::string &text)
{
    return text + '\0';
}

// Puts these bytes (no NUL is added) on the clipboard as CF_TEXT, after
// emptying it. False when the clipboard cannot be had.
bool putClipboardText(HWND owner, const std::string &bytes);
// Puts a small bitmap, and nothing else, on the clipboard.
bool putClipboardBitmap(HWND owner);
bool emptyClipboard(HWND owner);
// The CF_TEXT on the clipboard now, up to its NUL; empty when none.
std::string clipboardText(HWND owner);

// Watches the task allocator from the moment it is armed: which blocks
// allocated since then are still there. Item identifier lists and STRRET
// strings come from it, so a list the query forgot to free shows up here.
class TaskAllocations {
public:
    // Registers the watch with COM on first use; it stays for the process.
    static TaskAllocations &instance();
    void arm();
    std::size_t outstanding();

private:
    TaskAllocations() = default;
    friend class MallocSpy;
    std::mutex mutex_;
    std::set<void *> live_;
};

// While it lives, every allocation of `bytes` or more through operator new
// fails, as when memory has run out; smaller ones go on working. The test
// binary replaces the global operator new for this.
class LargeAllocationsFail {
public:
    explicit LargeAllocationsFail(std::size_t bytes);
    ~LargeAllocationsFail();
    LargeAllocationsFail(const LargeAllocationsFail &) = delete;
    LargeAllocationsFail &operator=(const LargeAllocationsFail &) = delete;
};

// The names in `folder` ("." and ".." left out), sorted.
std::vector<std::string> namesIn(const std::string &folder);
bool fileExists(const std::string &path);
bool folderExists(const std::string &path);
void makeFolder(const std::string &path);
