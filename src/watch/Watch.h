#pragma once

#include <chrono>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "journal/Journal.h"
#include "journal/RecordingFileSystem.h"
#include "rename/CodePage.h"
#include "rename/FileSystem.h"
#include "rename/Renamer.h"
#include "rename/TitlesAhead.h"
#include "watch/ArrivalTracker.h"
#include "watch/ChangeSource.h"

namespace tidemark {

struct WatchSettings {
    std::vector<std::string> folders;  // absolute, without a separator at the end
    bool recursive = false;
    bool existing = false;  // take the PDFs already in the folders as arrived
    std::chrono::milliseconds settle = ArrivalTracker::kSettle;
};

// Told what the watch does: each file renamed (or not) as a rename run tells
// it, and what befalls the folders.
class WatchObserver : public RenameObserver {
public:
    // `folder` is watched from now on: what arrives in it is seen.
    virtual void watching(const std::string & /*folder*/) {}
    // `folder` cannot be watched (at the start) or is watched no more.
    virtual void folderLost(const std::string & /*folder*/, const std::string & /*why*/) {}
    // The system dropped change notices: files that arrived may be missed.
    virtual void changesLost() {}
    // A quiet file that is not read yet, and why (kHold, kAwaitChange,
    // kLeaveAlone).
    virtual void passedOver(const std::string & /*path*/, Verdict) {}
    // A batch has been renamed and recorded as run `run` (0: it moved nothing).
    virtual void batchDone(std::uint64_t /*run*/, const OutcomeCounter &) {}
};

// Renames the PDFs that arrive in the watched folders, a batch at a time:
// the files that turn quiet together are renamed together, as one run of
// the journal, in the order of their paths. Runs until a stop is asked for
// or no folder is left. A stop is only seen between two files, never in
// the middle of a move; the batch it ends is recorded with what it did.
class Watch {
public:
    // Renames through `disk`, recording each batch in `journal` (which may
    // be null) under the refusal policy of the command line: a move that
    // cannot be recorded is not made. Titles come from `titles`, and
    // `configure` sets up each batch's renamer (title encoding, naming).
    Watch(ChangeSource &source, FileSystem &disk, Journal *journal, TitlesAhead &titles,
          std::function<void(Renamer &)> configure, WatchObserver &observer, WatchSettings settings);

    enum class End { kStopped, kNoFolderLeft };
    End run();

private:
    class BatchObserver;

    void rememberJournalMoves();
    void take(const std::vector<Change> &changes);
    void takeFolder(const std::string &folder);
    std::vector<std::string> readyFiles();
    bool renameBatch(const std::vector<std::string> &batch);
    bool watched(const std::string &path) const;

    ChangeSource &source_;
    FileSystem &disk_;
    Journal *journal_;
    RecordingFileSystem recording_;
    TitlesAhead &titles_;
    std::function<void(Renamer &)> configure_;
    WatchObserver &observer_;
    WatchSettings settings_;
    const CodePage &cp_;
    ArrivalTracker tracker_;
    std::set<std::string> live_;  // the folders still watched
};

}  // namespace tidemark
