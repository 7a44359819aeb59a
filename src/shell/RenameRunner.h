#pragma once

#include <windows.h>

#include <atomic>
#include <optional>
#include <thread>

#include "shell/ShellCommands.h"

namespace tidemark {

// Runs the tray program's commands, one at a time, on a thread of their
// own, so that the user-interface thread goes on answering (the icon, its
// menu, the system's questions at log-off) while a folder of thousands of
// papers is renamed.
class CRenameRunner {
public:
    CRenameRunner() = default;
    // Stops a run that goes on, between two files, and waits for it.
    ~CRenameRunner();
    CRenameRunner(const CRenameRunner &) = delete;
    CRenameRunner &operator=(const CRenameRunner &) = delete;

    // Starts `request`; when the run has ended, posts `message` to `window`,
    // whose thread then calls Finish. False, starting nothing, while a run
    // goes on or an ended one has not been finished.
    bool Start(RunRequest request, HWND window, UINT message);
    // True from Start until the run has ended.
    bool Running() const { return running_.load(); }
    // Asks the run to stop after the file it is on.
    void RequestStop() { stop_ = true; }
    // Waits until the run has ended and hands over what came of it; nothing
    // when no run was started since the last Finish.
    std::optional<RunResult> Finish();

private:
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> running_{false};
    RunResult result_;  // the thread's until it has ended
};

}  // namespace tidemark
