#include "journal/Undo.h"

#include <unordered_map>

#include "journal/RecordingFileSystem.h"

namespace tidemark {

namespace {

bool movedAnything(const RunRecord &run)
{
    return run.tally.made + run.tally.unconfirmed != 0;
}

// The folder part of `path`, its last separator included.
std::string folderOf(const std::string &path, const FileSystem &fs)
{
    std::size_t end = path.size();
    while (end > 0 && !fs.isSeparator(path[end - 1])) {
        --end;
    }
    return path.substr(0, end);
}

// What the program records: a file renamed within its folder, named from
// the root. Any other record (damaged, or not written by it) moves nothing.
bool withinOneFolder(const MoveRecord &move, const FileSystem &fs)
{
    const std::string folder = folderOf(move.oldPath, fs);
    const std::string name = move.oldPath.substr(folder.size());
    const std::string newName = move.newPath.substr(std::min(folder.size(), move.newPath.size()));
    const auto plainName = [](const std::string &n) { return !n.empty() && n != "." && n != ".."; };
    return isAbsolutePath(move.oldPath) && isAbsolutePath(move.newPath) && !folder.empty() &&
           folderOf(move.newPath, fs) == folder && plainName(name) && plainName(newName);
}

UndoOutcome takeBack(const MoveRecord &move, FileSystem &fs, std::error_code &error)
{
    if (!withinOneFolder(move, fs)) {
        return UndoOutcome::kNotInOneFolder;
    }
    FileStamp now;
    const std::error_code unread = readFileStamp(move.newPath, now);
    if (unread || now != move.stamp) {
        // The move was never made (the process died before it), or an
        // undo took it back already.
        FileStamp before;
        if (!readFileStamp(move.oldPath, before) && before == move.stamp) {
            return UndoOutcome::kUnderOldName;
        }
    }
    if (unread == std::errc::no_such_file_or_directory || unread == std::errc::not_a_directory) {
        return UndoOutcome::kGone;
    }
    if (unread == std::errc::invalid_argument || unread == std::errc::is_a_directory || (!unread && now != move.stamp)) {
        return UndoOutcome::kChanged;  // something else is there
    }
    if (unread) {
        error = unread;  // a name too long, a folder that cannot be read: not the user's change
        return UndoOutcome::kFailed;
    }
    if (fs.exists(move.oldPath)) {
        return UndoOutcome::kOldNameTaken;
    }
    // The move itself never replaces a file that took the name meanwhile.
    error = fs.move(move.newPath, move.oldPath);
    return error ? UndoOutcome::kFailed : UndoOutcome::kRestored;
}

}  // namespace

std::error_code findRunToUndo(Journal &journal, std::uint64_t wanted, std::optional<RunRecord> &run,
                              std::string &why)
{
    run.reset();
    why.clear();
    std::optional<RunRecord> chosen;
    std::unordered_map<std::uint64_t, std::uint64_t> undoGoingOn;  // run -> an undo of it that goes on
    const std::error_code error = journal.visitRuns([&](RunRecord &r) {
        if (r.goesOn && r.info.undoes != 0) {
            undoGoingOn.emplace(r.info.undoes, r.id);
        }
        const bool pick = wanted != 0 ? r.id == wanted
                                      : r.undoneBy == 0 && movedAnything(r) &&
                                            (r.info.undoes == 0 || r.partlyUndoneBy != 0);
        if (pick) {
            chosen = std::move(r);
            return false;
        }
        return wanted == 0 || r.id > wanted;
    });
    if (error) {
        return error;
    }
    if (!chosen) {
        why = wanted != 0 ? "the journal holds no run " + std::to_string(wanted) : "no run left to take back";
        return {};
    }
    const std::string name = "run " + std::to_string(chosen->id);
    if (chosen->undoneBy != 0) {
        why = name + " was taken back by run " + std::to_string(chosen->undoneBy);
    } else if (!movedAnything(*chosen)) {
        why = name + " moved no file";
    } else if (chosen->goesOn) {
        why = name + " is still going: take it back once it has ended";
    } else if (const auto undo = undoGoingOn.find(chosen->id); undo != undoGoingOn.end()) {
        why = name + " is being taken back by run " + std::to_string(undo->second);
    }
    if (!why.empty()) {
        return {};
    }
    if (const std::error_code readError = journal.readRun(chosen->id, run)) {
        return readError;
    }
    if (!run) {
        why = "the journal holds no run " + std::to_string(chosen->id);  // trimmed meanwhile
    }
    return {};
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
        report(r);
    }
}

UndoCounts takeBackRun(const RunRecord &run, FileSystem &disk, Journal *journal,
                       const std::function<void(const UndoReport &)> &report)
{
    // Recorded even when it moves nothing: its end says the run is settled.
    if (journal != nullptr) {
        journal->beginRun({"undo " + std::to_string(run.id), run.info.paths, run.id}, Journal::Recording::kAlways);
    }
    RecordingFileSystem recording(disk, journal, RecordingFileSystem::Policy::kRefuseUnrecorded);
    UndoCounts counts;
    std::size_t oldNameTaken = 0;
    undoRun(run, recording, [&](const UndoReport &r) {
        switch (r.outcome) {
        case UndoOutcome::kRestored:
            ++counts.restored;
            break;
        case UndoOutcome::kUnderOldName:
            ++counts.underOldName;
            break;
        case UndoOutcome::kFailed:
            ++counts.failed;
            break;
        case UndoOutcome::kOldNameTaken:
            ++oldNameTaken;
            ++counts.leftAlone;
            break;
        case UndoOutcome::kGone:
        case UndoOutcome::kChanged:
        case UndoOutcome::kNotInOneFolder:
            ++counts.leftAlone;
            break;
        }
        report(r);
    });
    if (journal != nullptr) {
        // A file that failed, or whose old name is taken, may be restored
        // yet by another undo; one that was changed or moved on may not.
        (void)journal->finish({{"restored", counts.restored}, {"left alone", counts.leftAlone}, {"failed", counts.failed}},
                              counts.failed + oldNameTaken == 0);
        counts.recordedAs = journal->runId();
    }
    return counts;
}

}  // namespace tidemark
