#include "shell/RenameRunner.h"

#include <utility>

namespace tidemark {

CRenameRunner::~CRenameRunner()
{
    RequestStop();
    if (thread_.joinable()) {
        thread_.join();
    }
}

bool CRenameRunner::Start(RunRequest request, HWND window, UINT message)
{
    if (thread_.joinable()) {
        return false;
    }
    stop_ = false;
    running_ = true;
    try {
        thread_ = std::thread([this, request = std::move(request), window, message] {
            result_ = DoRun(request, &stop_);
            running_ = false;
            // Nothing of the user-interface thread is waited for here: that
            // thread may itself be waiting for this one (at log-off).
            PostMessageA(window, message, 0, 0);
        });
    } catch (...) {
        // No thread to be had: the hotkey does nothing, as when it finds
        // nothing to do.
        running_ = false;
        return false;
    }
    return true;
}

std::optional<RunResult> CRenameRunner::Finish()
{
    if (!thread_.joinable()) {
        return std::nullopt;
    }
    thread_.join();
    return std::exchange(result_, RunResult{});
}

}  // namespace tidemark
