#pragma once

#include <memory>
#include <string>
#include <system_error>

#include "journal/Journal.h"
#include "rename/ForwardingFileSystem.h"
#include "rename/Renamer.h"

namespace tidemark {

// The errors of a journal that cannot be written, told apart from the
// errors of the move itself: "the journal cannot be written (No space left
// on device)".
const std::error_category &journalCategory();
std::error_code journalError(const std::error_code &cause);

// Hands every call to the disk, and records each move in the journal before
// it is made and marks it after, so that any front end that renames through
// it can have its runs taken back.
class RecordingFileSystem final : public ForwardingFileSystem {
public:
    enum class Policy {
        kRefuseUnrecorded,  // a move that cannot be recorded is not made
        kMoveAnyway,        // a move that cannot be recorded is made as before
    };

    // `journal` may be null: then nothing is recorded.
    RecordingFileSystem(FileSystem &disk, Journal *journal, Policy policy)
        : ForwardingFileSystem(disk), journal_(journal), policy_(policy)
    {
    }

    std::error_code move(const std::string &oldPath, const std::string &newPath) override;

private:
    Journal *journal_;
    Policy policy_;
};

// Counts what became of the files of a rename run, for its journal entry
// and its summary: a title that leaves no name counts as no title, and a
// path that could not be read or listed as failed.
class OutcomeCounter final : public RenameObserver {
public:
    void fileDone(const FileReport &r) override { add(r.outcome); }
    void folderSkipped(const std::string &, const std::error_code &) override { ++failed_; }
    void entrySkipped(const std::string &, const std::error_code &) override { ++failed_; }
    void add(Outcome outcome);
    void addFailedPath() { ++failed_; }
    RunCounts counts() const;

    std::size_t renamed() const { return renamed_; }
    std::size_t unchanged() const { return unchanged_; }
    std::size_t noTitle() const { return noTitle_; }
    std::size_t failed() const { return failed_; }

private:
    std::size_t renamed_ = 0;
    std::size_t unchanged_ = 0;
    std::size_t noTitle_ = 0;
    std::size_t failed_ = 0;
};

// The counts of a rename run as the journal keeps them.
RunCounts renameCounts(std::size_t renamed, std::size_t unchanged, std::size_t noTitle, std::size_t failed);

// A run of a front end that shows no messages: recorded in the user's
// journal when that can be written (also when it moves nothing), and made
// just the same when it cannot.
class QuietRecording {
public:
    QuietRecording(FileSystem &disk, RunInfo info);
    FileSystem &fs() { return recording_; }
    void finish(const RunCounts &counts);

private:
    std::unique_ptr<Journal> journal_;
    RecordingFileSystem recording_;
};

}  // namespace tidemark
