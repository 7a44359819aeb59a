#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "journal/JournalStore.h"

namespace tidemark {

// How a run ended, by outcome: {"renamed", 5}, {"unchanged", 1}, ...
using RunCounts = std::vector<std::pair<std::string, std::size_t>>;

// What a run is, as history shows it.
struct RunInfo {
    std::string command;             // "rename -r", "undo 7", "hotkey: folder"
    std::vector<std::string> paths;  // what it was given, absolute
    std::uint64_t undoes = 0;        // the run an undo takes back; 0 for others
};

// One move of a run. A move recorded but never marked is one the process
// did not live to mark: it may or may not have been made.
struct MoveRecord {
    enum class State { kPending, kDone, kFailed };
    std::string oldPath;
    std::string newPath;
    FileStamp stamp;  // of the file before it moved
    State state = State::kPending;
};

// A run as the journal holds it.
struct RunRecord {
    std::uint64_t id = 0;
    std::int64_t started = 0;  // seconds since 1970 (UTC)
    RunInfo info;
    bool ended = false;  // false for a run that was stopped (or still goes on)
    RunCounts counts;    // as given at its end
    std::vector<MoveRecord> moves;  // in the order they were made
    std::uint64_t undoneBy = 0;     // the undo that took it back, unless that was taken back too
};

// The record of the moves that runs make, so that a run can be taken back:
// one JSON object a line in a file that every process of the user appends to
// under a lock. A run is written when it makes its first move, so runs that
// moved nothing leave no trace. Each move is recorded before it is made and
// marked after; an appended line is in the system's hands at once, so that a
// process killed at any moment loses no record of a move it made. The disk
// is only waited for at the end of the run (finish()). The journal keeps the
// last kRunsKept runs: once it holds kRunsTrimmed, a new run rewrites it
// with the newest kRunsKept, so that the rewrite comes once in a hundred
// runs rather than with every run.
class Journal {
public:
    static constexpr std::size_t kRunsKept = 1000;
    static constexpr std::size_t kRunsTrimmed = 1100;

    explicit Journal(std::unique_ptr<JournalStore> store) : store_(std::move(store)) {}
    // The journal in `folder` (see openJournalStore).
    static std::error_code open(const std::string &folder, std::unique_ptr<Journal> &journal);

    // Says what the run about to be recorded is.
    void beginRun(RunInfo info);
    // Records a move about to be made; `number` identifies it for markMove().
    std::error_code recordMove(const std::string &oldPath, const std::string &newPath, const FileStamp &stamp,
                               std::size_t &number);
    std::error_code markMove(std::size_t number, bool done);
    // Records the run's end and waits until the journal is on the disk.
    // Nothing is written for a run that recorded no move.
    std::error_code finish(const RunCounts &counts);
    // The run's id, 0 until its first move.
    std::uint64_t runId() const { return runId_; }

    // Every run the journal holds, oldest first. Lines that cannot be read
    // (one cut short by a power cut) are passed over.
    std::error_code readRuns(std::vector<RunRecord> &runs);

    std::string path() const { return store_->path(); }

private:
    std::error_code startRun();
    std::error_code append(const std::string &line);

    std::unique_ptr<JournalStore> store_;
    RunInfo info_;
    std::uint64_t runId_ = 0;
    std::size_t moves_ = 0;
};

}  // namespace tidemark
