#include "watch/Watch.h"

#include <algorithm>
#include <utility>

namespace tidemark {

// Counts a batch for its journal entry, keeps in mind what it moved, and
// passes each file on to the watch's observer.
class Watch::BatchObserver final : public RenameObserver {
public:
    BatchObserver(WatchObserver &out, ArrivalTracker &tracker) : out_(out), tracker_(tracker) {}

    void fileDone(const FileReport &r) override
    {
        counts.fileDone(r);
        if (r.outcome == Outcome::kRenamed) {
            tracker_.remember(r.oldPath, stamp);
            tracker_.remember(r.newPath, stamp);
        }
        out_.fileDone(r);
    }

    FileStamp stamp;  // of the file being renamed, as it was before
    OutcomeCounter counts;

private:
    WatchObserver &out_;
    ArrivalTracker &tracker_;
};

Watch::Watch(ChangeSource &source, FileSystem &disk, Journal *journal, TitlesAhead &titles,
             std::function<void(Renamer &)> configure, WatchObserver &observer, WatchSettings settings)
    : source_(source),
      disk_(disk),
      journal_(journal),
      recording_(disk, journal, RecordingFileSystem::Policy::kRefuseUnrecorded),
      titles_(titles),
      configure_(std::move(configure)),
      observer_(observer),
      settings_(std::move(settings)),
      cp_(systemCodePage()),
      tracker_(disk, cp_, settings_.settle)
{
}

bool Watch::watched(const std::string &path) const
{
    for (const std::string &folder : settings_.folders) {
        if (path.size() > folder.size() && disk_.isSeparator(path[folder.size()]) &&
            disk_.samePath(path.substr(0, folder.size()), folder)) {
            return true;
        }
    }
    return false;
}

// The moves the journal holds in the watched folders, so that a file that
// a run renamed and the user renamed back is left alone after a restart
// too (with --existing).
void Watch::rememberJournalMoves()
{
    std::vector<RunRecord> runs;
    if (journal_ == nullptr || journal_->readRuns(runs)) {
        return;
    }
    // Oldest first, so that the tracker keeps the newest when it is full.
    for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
        for (const MoveRecord &move : run->moves) {
            if (move.state != MoveRecord::State::kFailed && watched(move.oldPath)) {
                tracker_.remember(move.oldPath, move.stamp);
                tracker_.remember(move.newPath, move.stamp);
            }
        }
    }
}

Watch::End Watch::run()
{
    rememberJournalMoves();
    for (const std::string &folder : settings_.folders) {
        if (const std::error_code error = source_.watch(folder, settings_.recursive)) {
            observer_.folderLost(folder, error.message());
        } else {
            live_.insert(folder);
            observer_.watching(folder);
        }
    }
    if (settings_.existing) {
        for (const std::string &folder : live_) {
            takeFolder(folder);
        }
    }
    std::vector<Change> changes;
    while (!live_.empty()) {
        std::optional<std::chrono::milliseconds> timeout;
        if (const auto deadline = tracker_.nextDeadline(WatchClock::now())) {
            timeout = std::max(std::chrono::milliseconds(0), std::chrono::ceil<std::chrono::milliseconds>(
                                                                 *deadline - WatchClock::now()));
        }
        changes.clear();
        const ChangeSource::Wake wake = source_.wait(timeout, changes);
        take(changes);
        if (wake == ChangeSource::Wake::kStop) {
            return End::kStopped;
        }
        const std::vector<std::string> batch = readyFiles();
        if (!batch.empty() && !renameBatch(batch)) {
            return End::kStopped;
        }
    }
    return End::kNoFolderLeft;
}

void Watch::take(const std::vector<Change> &changes)
{
    const WatchClock::time_point now = WatchClock::now();
    for (const Change &change : changes) {
        tracker_.note(change, now);
        switch (change.kind) {
        case Change::Kind::kFolderGone:
            if (live_.erase(change.path) != 0) {
                observer_.folderLost(change.path, "it was deleted, moved or unmounted");
            }
            break;
        case Change::Kind::kOverflow:
            observer_.changesLost();
            break;
        case Change::Kind::kAppeared:
        case Change::Kind::kRenamed:
            // A folder that arrives brings its papers along; those written
            // into it before it was watched have no change of their own.
            if (change.isFolder && settings_.recursive &&
                (change.kind == Change::Kind::kAppeared || !watched(change.oldPath))) {
                takeFolder(change.path);
            }
            break;
        default:
            break;
        }
    }
}

void Watch::takeFolder(const std::string &folder)
{
    Renamer lister(disk_, cp_);
    const WatchClock::time_point now = WatchClock::now();
    for (const std::string &path : lister.ListPdfsInFolder(settings_.recursive, folder)) {
        tracker_.arrived(path, now);
    }
}

std::vector<std::string> Watch::readyFiles()
{
    std::vector<std::string> ready;
    const WatchClock::time_point now = WatchClock::now();
    for (const std::string &path : tracker_.takeQuiet(now)) {
        FileFacts facts;
        std::error_code ignored;
        facts.isFile = disk_.entryKind(path, ignored) == EntryKind::kFile && !readFileStamp(path, facts.stamp);
        if (facts.isFile && facts.stamp.size > 0) {
            facts.writers = source_.writers(path);
        }
        const Verdict verdict = tracker_.judge(path, facts);
        if (verdict == Verdict::kTake) {
            ready.push_back(path);
            continue;
        }
        tracker_.putBack(path, verdict, now);
        if (verdict != Verdict::kGone) {
            observer_.passedOver(path, verdict);
        }
    }
    return ready;
}

bool Watch::renameBatch(const std::vector<std::string> &batch)
{
    if (journal_ != nullptr) {
        journal_->beginRun({settings_.recursive ? "watch -r" : "watch", settings_.folders});
    }
    BatchObserver counting(observer_, tracker_);
    Renamer renamer(recording_, cp_, &counting, titles_.source());
    configure_(renamer);
    for (const std::string &path : batch) {
        titles_.queue(path);
    }
    bool stopped = false;
    std::vector<Change> changes;
    for (const std::string &path : batch) {
        // Between two files: what happened meanwhile, and whether to stop.
        changes.clear();
        if (source_.wait(std::chrono::milliseconds(0), changes) == ChangeSource::Wake::kStop ||
            source_.stopRequested()) {
            take(changes);
            stopped = true;
            break;
        }
        take(changes);
        if (readFileStamp(path, counting.stamp)) {
            continue;  // gone since it was judged
        }
        const std::size_t split = renamer.folderLength(path);
        renamer.RenamePdfToTitle(path.substr(0, split), path.substr(split));
    }
    titles_.settle();
    std::uint64_t run = 0;
    if (journal_ != nullptr) {
        (void)journal_->finish(counting.counts.counts());
        run = journal_->runId();
    }
    observer_.batchDone(run, counting.counts);
    return !stopped;
}

}  // namespace tidemark
