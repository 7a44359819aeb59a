#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "journal/Journal.h"
#include "rename/FileSystem.h"

namespace tidemark {

// What became of one file that a run had moved.
enum class UndoOutcome {
    kRestored,       // back under its old name
    kUnderOldName,   // there already: the move was never made, or an earlier undo took it back
    kGone,           // nothing is at the new name any more (moved on or deleted)
    kChanged,        // the file at the new name is not the one the run moved
    kOldNameTaken,   // another file has the old name now
    kNotInOneFolder, // the record is not of a move within one folder, by absolute paths
    kFailed,         // the move back failed, or the file could not be looked at
};

struct UndoReport {
    std::string newPath;  // where the run put the file
    std::string oldPath;  // where it goes back to
    UndoOutcome outcome = UndoOutcome::kFailed;
    std::error_code error;  // why the move back failed
};

// The run that `tidemark undo` takes back: the one numbered `wanted`, or
// with 0 the newest run that moved a file and is not taken back whole, and
// is no undo unless one that was itself taken back in part (so that undoing
// again goes further back in time, an undo is taken back by naming it, and
// an undo stopped partway is carried on). It comes with its moves, read
// from the journal no further back than its start. Empty, with the reason in
// `why`, when there is none, or it may not be taken back now: taken back
// already, still going, or being taken back by another process. An error
// when the journal cannot be read.
std::error_code findRunToUndo(Journal &journal, std::uint64_t wanted, std::optional<RunRecord> &run,
                              std::string &why);

// Moves each file that `run` moved back to its old name, the last move
// first, through `fs`; anything else at either name is left as it is. Files
// already under their old names are passed over, so that an undo stopped
// partway is carried on by another. Reports each move of the run but those
// that failed.
void undoRun(const RunRecord &run, FileSystem &fs, const std::function<void(const UndoReport &)> &report);

struct UndoCounts {
    std::size_t restored = 0;
    std::size_t leftAlone = 0;
    std::size_t failed = 0;
    std::size_t underOldName = 0;
    std::uint64_t recordedAs = 0;  // the undo's own run; 0 when not recorded
};

// Takes `run` back through `disk` as undoRun does, recorded in `journal` as
// a run of its own ("undo N"). That takes `run` back once it has ended and
// left no file that another undo may yet restore: none failed, and none
// whose old name is taken. With a null journal nothing is recorded: a dry
// run, over a DryRunFileSystem.
UndoCounts takeBackRun(const RunRecord &run, FileSystem &disk, Journal *journal,
                       const std::function<void(const UndoReport &)> &report);

}  // namespace tidemark
