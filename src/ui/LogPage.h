#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "framework/PropertySheet.h"
#include "journal/Journal.h"

namespace tidemark {

// What the log page's thread leaves for the list.
struct LogPageWork {
    std::vector<RunRecord> runs;
    std::string problem;  // why the journal could not be read
    std::string note;     // what came of a run taken back
};

// The log page: the runs of the user's journal, newest first, those of this
// program and of the command line alike, each followed by the files it
// moved. A run can be taken back from it, as `tidemark undo N` does.
//
// The journal is read, and a run taken back, on a thread of the page's own:
// a journal of a thousand runs takes a moment to read, and the sheet goes on
// answering meanwhile. The thread posts kWorkDoneMessage to the page when it
// has ended; the page fills the list from what it left.
class CLogPage : public CPropertyPage {
public:
    static constexpr UINT kWorkDoneMessage = WM_APP + 22;
    // Posted to itself while rows are left to be added to the list.
    static constexpr UINT kFillMoreMessage = WM_APP + 23;
    // The command of the list's context menu.
    static constexpr UINT kTakeBackCommand = 1;

    CLogPage();
    // Waits for the page's thread.
    ~CLogPage() override;
    CLogPage(const CLogPage &) = delete;
    CLogPage &operator=(const CLogPage &) = delete;

    // Where the journal is; the user's own unless a caller says otherwise.
    std::string journalFolder;

protected:
    BOOL OnInitDialog() override;
    // Each time the page is shown, it reads the journal anew.
    BOOL OnSetActive() override;
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // Starts `work` on the page's thread unless the thread is at work.
    bool StartWork(void (*work)(const std::string &folder, std::uint64_t run, LogPageWork &out), std::uint64_t run);
    void OnWorkDone();
    // Shows `work` in the list: the first rows at once, the rest by FillMore.
    void Fill(LogPageWork work);
    void FillMore();
    // The run of the row selected, 0 when none is.
    std::uint64_t SelectedRun() const;
    void TakeBack(std::uint64_t run);
    void ShowContextMenu(LPARAM at);

    HWND list_ = nullptr;
    std::thread thread_;
    bool busy_ = false;  // from StartWork until OnWorkDone, on the page's thread
    LogPageWork done_;  // the thread's until it has ended
    LogPageWork shown_;         // what the list shows
    std::size_t nextRun_ = 0;   // the first run of shown_ not yet in the list
    bool fillPosted_ = false;   // kFillMoreMessage is on its way
};

}  // namespace tidemark
