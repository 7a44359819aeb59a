#include "journal/Undo.h"

namespace tidemark {

namespace {

bool movedAnything(const RunRecord &run)
{
    for (const MoveRecord &move : run.moves) {
        if (move.state != MoveRecord::State::kFailed) {
            return true;
        }
    }
    return false;
}

UndoOutcome takeBack(const MoveRecord &move, FileSystem &fs, std::error_code &error)
{
    FileStamp now;
    const std::error_code missing = readFileStamp(move.newPath, now);
    if (move.state == MoveRecord::State::kPending && (missing || now != move.stamp)) {
        // The process died between recording the move and marking it: the
        // file may still be where it was.
        FileStamp before;
        if (!readFileStamp(move.oldPath, before) && before == move.stamp) {
            return UndoOutcome::kNotMoved;
        }
    }
    if (missing) {
        return missing == std::errc::no_such_file_or_directory ? UndoOutcome::kGone : UndoOutcome::kChanged;
    }
    if (now != move.stamp) {
        return UndoOutcome::kChanged;
    }
    if (fs.exists(move.oldPath)) {
        return UndoOutcome::kOldNameTaken;
    }
    // The move itself never replaces a file that took the name meanwhile.
    error = fs.move(move.newPath, move.oldPath);
    return error ? UndoOutcome::kFailed : UndoOutcome::kRestored;
}

}  // namespace

const RunRecord *findRunToUndo(const std::vector<RunRecord> &runs, std::uint64_t wanted, std::string &why)
{
    if (wanted == 0) {
        for (auto it = runs.rbegin(); it != runs.rend(); ++it) {
            if (it->undoneBy == 0 && it->info.undoes == 0 && movedAnything(*it)) {
                return &*it;
            }
        }
        why = "no run left to take back";
        return nullptr;
    }
    for (const RunRecord &run : runs) {
        if (run.id != wanted) {
            continue;
        }
        if (run.undoneBy != 0) {
            why = "run " + std::to_string(wanted) + " was taken back by run " + std::to_string(run.undoneBy);
            return nullptr;
        }
        if (!movedAnything(run)) {
            why = "run " + std::to_string(wanted) + " moved no file";
            return nullptr;
        }
        return &run;
    }
    why = "the journal holds no run " + std::to_string(wanted);
    return nullptr;
}

void undoRun(const RunRecord &run, FileSystem &fs, const std::function<void(const UndoReport &)> &report)
{
    // The last move first: a run may have moved a file into a name that an
    // earlier move of the same run had freed.
    for (auto it = run.moves.rbegin(); it != run.moves.rend(); ++it) {
        if (it->state == MoveRecord::State::kFailed) {
            continue;
        }
        UndoReport r;
        r.newPath = it->newPath;
        r.oldPath = it->oldPath;
        r.outcome = takeBack(*it, fs, r.error);
        if (r.outcome != UndoOutcome::kNotMoved) {
            report(r);
        }
    }
}

}  // namespace tidemark
