#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

#include "journal/Journal.h"
#include "rename/FileSystem.h"

namespace tidemark {

// What became of one file that a run had moved.
enum class UndoOutcome {
    kRestored,     // back under its old name
    kNotMoved,     // the run was stopped before this move was made
    kGone,         // nothing is at the new name any more (moved on or deleted)
    kChanged,      // the file at the new name is not the one the run moved
    kOldNameTaken, // another file has the old name now
    kFailed,       // the move back failed
};

struct UndoReport {
    std::string newPath;  // where the run put the file
    std::string oldPath;  // where it goes back to
    UndoOutcome outcome = UndoOutcome::kFailed;
    std::error_code error;  // why the move back failed
};

// The run that an undo takes back: the one numbered `wanted`, or with 0 the
// newest run that moved a file and is neither taken back nor an undo itself
// (so that undoing again goes further back in time; an undo is taken back
// by naming it). Null, with the reason in `why`, when there is none.
const RunRecord *findRunToUndo(const std::vector<RunRecord> &runs, std::uint64_t wanted, std::string &why);

// Moves each file that `run` moved back to its old name, the last move
// first, through `fs`; anything else at either name is left as it is.
// Reports each move of the run but those it never made.
void undoRun(const RunRecord &run, FileSystem &fs, const std::function<void(const UndoReport &)> &report);

}  // namespace tidemark
