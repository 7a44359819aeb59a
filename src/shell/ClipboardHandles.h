#pragma once

// Small owners for the clipboard and global memory: the clipboard stays
// open, a block stays locked, and a block stays ours exactly as long as the
// object lives.
#include <windows.h>

#include <memory>

namespace tidemark {

// The clipboard is open while this lives (when opening succeeded).
class ClipboardSession {
public:
    explicit ClipboardSession(HWND owner) : open_(OpenClipboard(owner) != FALSE) {}
    ~ClipboardSession()
    {
        if (open_) {
            CloseClipboard();
        }
    }
    ClipboardSession(const ClipboardSession &) = delete;
    ClipboardSession &operator=(const ClipboardSession &) = delete;

    bool isOpen() const { return open_; }

private:
    bool open_;
};

// Locks a global memory block for reading or writing. The unlock is made
// whatever the lock returned: it is harmless on a block that is not locked.
class GlobalLockGuard {
public:
    explicit GlobalLockGuard(HGLOBAL memory) : memory_(memory), p_(GlobalLock(memory)) {}
    ~GlobalLockGuard() { GlobalUnlock(memory_); }
    GlobalLockGuard(const GlobalLockGuard &) = delete;
    GlobalLockGuard &operator=(const GlobalLockGuard &) = delete;

    void *get() const { return p_; }

private:
    HGLOBAL memory_;
    void *p_;
};

// A global memory block that is ours until the clipboard takes it.
struct GlobalFreer {
    void operator()(void *memory) const { GlobalFree(memory); }
};
using GlobalMemory = std::unique_ptr<void, GlobalFreer>;

}  // namespace tidemark
