#include "journal/RecordingFileSystem.h"

namespace tidemark {

namespace {

class JournalCategory final : public std::error_category {
public:
    const char *name() const noexcept override { return "journal"; }
    std::string message(int code) const override
    {
        return "the journal cannot be written (" + std::generic_category().message(code) + ")";
    }
};

}  // namespace

const std::error_category &journalCategory()
{
    static const JournalCategory category;
    return category;
}

std::error_code journalError(const std::error_code &cause)
{
    // The journal's own reasons say all there is to say.
    if (cause.category() == make_error_code(JournalErrc::kRunNumbersUsedUp).category()) {
        return cause;
    }
    return {cause.value(), journalCategory()};
}

std::error_code RecordingFileSystem::move(const std::string &oldPath, const std::string &newPath)
{
    if (journal_ == nullptr) {
        return disk_.move(oldPath, newPath);
    }
    FileStamp stamp;
    std::size_t number = 0;
    std::error_code unrecorded = readFileStamp(oldPath, stamp);
    if (unrecorded) {
        // Nothing to move, or nothing that could be told apart later: the
        // disk gives the reason when the move fails.
        return policy_ == Policy::kMoveAnyway ? disk_.move(oldPath, newPath) : unrecorded;
    }
    unrecorded = journal_->recordMove(absolutePath(oldPath), absolutePath(newPath), stamp, number);
    if (unrecorded) {
        return policy_ == Policy::kMoveAnyway ? disk_.move(oldPath, newPath) : journalError(unrecorded);
    }
    const std::error_code error = disk_.move(oldPath, newPath);
    // A mark that cannot be written leaves the move pending; undo then
    // looks at the disk to see whether it was made.
    (void)journal_->markMove(number, !error);
    return error;
}

void OutcomeCounter::add(Outcome outcome)
{
    switch (outcome) {
    case Outcome::kRenamed:
        ++renamed_;
        break;
    case Outcome::kUnchanged:
        ++unchanged_;
        break;
    case Outcome::kNoTitle:
    case Outcome::kNoName:
        ++noTitle_;
        break;
    case Outcome::kFailed:
        ++failed_;
        break;
    }
}

RunCounts OutcomeCounter::counts() const
{
    return renameCounts(renamed_, unchanged_, noTitle_, failed_);
}

RunCounts renameCounts(std::size_t renamed, std::size_t unchanged, std::size_t noTitle, std::size_t failed)
{
    return {{"renamed", renamed}, {"unchanged", unchanged}, {"no title", noTitle}, {"failed", failed}};
}

namespace {

std::unique_ptr<Journal> openQuietly(RunInfo info)
{
    std::unique_ptr<Journal> journal;
    if (Journal::open(defaultJournalFolder(), journal)) {
        return nullptr;
    }
    // Recorded even when it moves nothing: a user who pressed a hotkey and
    // saw nothing happen finds the reason in the log. Only runs that moved
    // something count against the journal's bound.
    journal->beginRun(std::move(info), Journal::Recording::kAlways);
    return journal;
}

}  // namespace

QuietRecording::QuietRecording(FileSystem &disk, RunInfo info)
    : journal_(openQuietly(std::move(info))),
      recording_(disk, journal_.get(), RecordingFileSystem::Policy::kMoveAnyway)
{
}

void QuietRecording::finish(const RunCounts &counts)
{
    if (journal_) {
        (void)journal_->finish(counts);
    }
}

}  // namespace tidemark
