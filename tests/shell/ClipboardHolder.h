#pragma once

#include <windows.h>

#include <memory>
#include <thread>

#include "ShellTestSupport.h"

// Another program that holds the clipboard open: a window on a thread of its
// own opens it and keeps it open until the holder goes away. Events, not
// waiting times, order the two threads.
class ClipboardHolder {
public:
    ClipboardHolder()
        : opened_(CreateEventA(nullptr, TRUE, FALSE, nullptr)), release_(CreateEventA(nullptr, TRUE, FALSE, nullptr))
    {
        thread_ = std::thread([this] {
            {
                const HiddenWindow window;
                holding_ = OpenClipboard(window.get()) != FALSE;
                SetEvent(opened_.get());
                WaitForSingleObject(release_.get(), INFINITE);
                if (holding_) {
                    CloseClipboard();
                }
            }
        });
        WaitForSingleObject(opened_.get(), INFINITE);
    }
    ~ClipboardHolder()
    {
        SetEvent(release_.get());
        thread_.join();
    }
    ClipboardHolder(const ClipboardHolder &) = delete;
    ClipboardHolder &operator=(const ClipboardHolder &) = delete;

    bool holding() const { return holding_; }

private:
    struct HandleCloser {
        void operator()(HANDLE handle) const { CloseHandle(handle); }
    };
    std::unique_ptr<void, HandleCloser> opened_;
    std::unique_ptr<void, HandleCloser> release_;
    bool holding_ = false;
    std::thread thread_;
};
