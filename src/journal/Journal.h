#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
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

// How many of a run's moves were made, failed, or were recorded and never
// marked either way.
struct MoveTally {
    std::size_t made = 0;
    std::size_t failed = 0;
    std::size_t unconfirmed = 0;
};

// A run as the journal holds it.
struct RunRecord {
    std::uint64_t id = 0;
    std::int64_t started = 0;  // seconds since 1970 (UTC)
    RunInfo info;
    bool ended = false;     // false for a run that was stopped, or still goes on
    bool complete = false;  // ended having done all it set out to (see Journal::finish)
    bool goesOn = false;    // not ended, and its process is still at it
    RunCounts counts;     // as given at its end
    MoveTally tally;
    std::vector<MoveRecord> moves;  // in the order they were made, when read with them
    // The undo that took it back whole: one that was complete (and is not
    // taken back itself). Else the newest undo that took back part of it.
    std::uint64_t undoneBy = 0;
    std::uint64_t partlyUndoneBy = 0;
};

// Why the journal will not record a run, beyond the system's errors.
enum class JournalErrc {
    kRunNumbersUsedUp = 1,  // the last run has the last number a run may have
};
std::error_code make_error_code(JournalErrc error);

// The record of the moves that runs make, so that a run can be taken back:
// one JSON object a line in a file that every process of the user appends to
// under a lock. A run is written when it makes its first move, so runs that
// moved nothing leave no trace unless they ask to (Recording::kAlways). Each
// move is recorded before it is made and marked after; an appended line is
// in the system's hands at once, so that a process killed at any moment
// loses no record of a move it made, and an append that fails is taken back
// whole, so that no line is left cut short for the next one to be glued to.
// The disk is only waited for at the end of the run (finish()).
//
// Reading starts from the end of the journal and goes back no further than
// the runs asked for. The start of a run reads back to the last run's start,
// for its number: one more than the largest number met on the way.
//
// The journal keeps the newest kRunsKept runs that moved something, and of
// the newest runs no more than kBytesKept. It is trimmed when a run starts
// and it has grown past kRunsTrimmed such runs or kBytesTrimmed, so that
// the rewrite comes once in a hundred runs or eight megabytes. A run is kept
// or dropped whole; one whose process still records it is kept, and so is
// the newest run that moved something, whatever its size. The
// trimmed journal's first line says how many runs it kept, so that the next
// start knows when to trim without reading the whole journal.
class Journal {
public:
    static constexpr std::size_t kRunsKept = 1000;
    static constexpr std::size_t kRunsTrimmed = 1100;
    static constexpr std::uint64_t kBytesKept = std::uint64_t{56} << 20;
    static constexpr std::uint64_t kBytesTrimmed = std::uint64_t{64} << 20;
    // Any JSON reader holds numbers up to this exactly.
    static constexpr std::uint64_t kLastRunNumber = (std::uint64_t{1} << 53) - 1;
    static constexpr std::size_t kAllRuns = std::numeric_limits<std::size_t>::max();

    enum class Recording {
        kOnFirstMove,  // a run that moves nothing leaves no trace
        kAlways,       // recorded at its end even when it moved nothing
    };

    explicit Journal(std::unique_ptr<JournalStore> store) : store_(std::move(store)) {}
    // The journal in `folder` for recording (see openJournalStore); an error
    // also when its run numbers are used up.
    static std::error_code open(const std::string &folder, std::unique_ptr<Journal> &journal);
    // The journal in `folder` for reading only: nothing is made or written,
    // and a journal that is not there holds no runs.
    static std::error_code openForReading(const std::string &folder, std::unique_ptr<Journal> &journal);

    // Says what the run about to be recorded is.
    void beginRun(RunInfo info, Recording recording = Recording::kOnFirstMove);
    // Records a move about to be made; `number` identifies it for markMove().
    std::error_code recordMove(const std::string &oldPath, const std::string &newPath, const FileStamp &stamp,
                               std::size_t &number);
    std::error_code markMove(std::size_t number, bool done);
    // Records the run's end and waits until the journal is on the disk.
    // Nothing is written for a run that recorded no move, unless it asked to
    // be recorded always. A run that did not do all it set out to says so:
    // an undo that left files it may yet restore (one failed, or its old
    // name taken) does not take its run back.
    std::error_code finish(const RunCounts &counts, bool complete = true);
    // The run's id, 0 until it is written.
    std::uint64_t runId() const { return runId_; }

    // Hands the runs to `visit`, newest first, each with whether it was
    // taken back, until it returns false. Only the moves of run `movesOf`
    // are read, of every run with kAllRuns, of none with 0. Lines that
    // cannot be read (one cut short by a power cut) are passed over. The
    // journal is locked meanwhile: `visit` must not call it.
    using RunVisitor = std::function<bool(RunRecord &run)>;
    std::error_code visitRuns(const RunVisitor &visit, std::uint64_t movesOf = 0);
    // The newest `newest` runs, newest first.
    std::error_code readRuns(std::vector<RunRecord> &runs, std::size_t newest = kAllRuns, bool withMoves = true);
    // Run `id` with its moves; empty when the journal holds none.
    std::error_code readRun(std::uint64_t id, std::optional<RunRecord> &run);
    // True when run `id` has not ended and its process still records it.
    bool runGoesOn(std::uint64_t id) { return store_->runGoesOn(id); }

    std::string path() const { return store_->path(); }

private:
    std::error_code startRun();
    std::error_code append(const std::string &line);
    std::error_code appendLocked(std::string text);
    std::error_code lastRunNumber(std::uint64_t size, std::uint64_t &last);
    bool trimDue(std::uint64_t size, std::uint64_t last);
    std::error_code trim(std::uint64_t size, std::uint64_t last);

    std::unique_ptr<JournalStore> store_;
    RunInfo info_;
    Recording recording_ = Recording::kOnFirstMove;
    std::uint64_t runId_ = 0;
    std::size_t moves_ = 0;
};

}  // namespace tidemark

template <>
struct std::is_error_code_enum<tidemark::JournalErrc> : std::true_type {
};
