#include "watch/ArrivalTracker.h"

#include <algorithm>

#include "rename/Renamer.h"
#include "rename/TargetName.h"

namespace tidemark {

ArrivalTracker::ArrivalTracker(const FileSystem &fs, const CodePage &cp, std::chrono::milliseconds settle)
    : fs_(fs), cp_(cp), settle_(settle), gather_(settle / 4)
{
}

bool ArrivalTracker::isPdfName(const std::string &path) const
{
    return GetLowerExtension(path.substr(folderLength(path, fs_, cp_)), cp_) == ".pdf";
}

void ArrivalTracker::arrived(const std::string &path, WatchClock::time_point now)
{
    if (isPdfName(path)) {
        pending_[path] = Pending{now, false};
    }
}

void ArrivalTracker::note(const Change &change, WatchClock::time_point now)
{
    switch (change.kind) {
    case Change::Kind::kAppeared:
        if (!change.isFolder) {
            arrived(change.path, now);
        }
        break;
    case Change::Kind::kRenamed:
        if (change.isFolder) {
            moveUnder(change.oldPath, change.path);
        } else if (!isPdfName(change.oldPath)) {
            arrived(change.path, now);  // a download finished, or a file saved under its name
        } else {
            // Named by someone: a file still settling under its old name is
            // theirs now, and so is the new name.
            pending_.erase(change.oldPath);
            pending_.erase(change.path);
        }
        break;
    case Change::Kind::kWritten:
        if (auto it = pending_.find(change.path); it != pending_.end()) {
            it->second = Pending{now, false};
        }
        break;
    case Change::Kind::kRemoved:
        pending_.erase(change.path);
        if (change.isFolder) {
            forgetUnder(change.path);
        }
        break;
    case Change::Kind::kFolderGone:
        forgetUnder(change.path);
        break;
    case Change::Kind::kOverflow:
        break;
    }
}

void ArrivalTracker::forgetUnder(const std::string &folder)
{
    const std::string prefix = folder + fs_.separator();
    for (auto it = pending_.lower_bound(prefix); it != pending_.end() && it->first.rfind(prefix, 0) == 0;) {
        it = pending_.erase(it);
    }
}

void ArrivalTracker::moveUnder(const std::string &oldFolder, const std::string &newFolder)
{
    const std::string oldPrefix = oldFolder + fs_.separator();
    std::vector<std::pair<std::string, Pending>> moved;
    for (auto it = pending_.lower_bound(oldPrefix); it != pending_.end() && it->first.rfind(oldPrefix, 0) == 0;) {
        moved.emplace_back(newFolder + fs_.separator() + it->first.substr(oldPrefix.size()), it->second);
        it = pending_.erase(it);
    }
    pending_.insert(moved.begin(), moved.end());
}

std::vector<std::string> ArrivalTracker::takeQuiet(WatchClock::time_point now)
{
    std::optional<WatchClock::time_point> oldestQuiet;
    bool others = false;  // files about to turn quiet, to go with this batch
    for (const auto &[path, pending] : pending_) {
        const WatchClock::time_point quiet = pending.since + settle_;
        if (pending.awaitsChange) {
            continue;
        }
        if (quiet <= now) {
            oldestQuiet = oldestQuiet ? std::min(*oldestQuiet, quiet) : quiet;
        } else if (quiet <= now + gather_) {
            others = true;
        }
    }
    std::vector<std::string> batch;
    if (!oldestQuiet || (others && *oldestQuiet + settle_ > now)) {
        return batch;
    }
    for (auto it = pending_.begin(); it != pending_.end();) {
        if (!it->second.awaitsChange && it->second.since + settle_ <= now) {
            batch.push_back(it->first);
            it = pending_.erase(it);
        } else {
            ++it;
        }
    }
    return batch;
}

std::optional<WatchClock::time_point> ArrivalTracker::nextDeadline(WatchClock::time_point now) const
{
    std::optional<WatchClock::time_point> next;
    for (const auto &[path, pending] : pending_) {
        if (pending.awaitsChange) {
            continue;
        }
        // A quiet file held back for others is taken a settle time later
        // at the latest.
        const WatchClock::time_point quiet = pending.since + settle_;
        const WatchClock::time_point due = quiet > now ? quiet : quiet + settle_;
        next = next ? std::min(*next, due) : due;
    }
    return next;
}

Verdict ArrivalTracker::judge(const std::string &path, const FileFacts &facts) const
{
    if (!facts.isFile) {
        return Verdict::kGone;
    }
    if (facts.stamp.size == 0) {
        return Verdict::kAwaitChange;
    }
    if (facts.writers == Writers::kSome) {
        return Verdict::kHold;
    }
    const auto found = remembered_.find(fs_.pathKey(path));
    if (found != remembered_.end() && found->second == facts.stamp) {
        return Verdict::kLeaveAlone;
    }
    return Verdict::kTake;
}

void ArrivalTracker::putBack(const std::string &path, Verdict verdict, WatchClock::time_point now)
{
    if (verdict == Verdict::kHold || verdict == Verdict::kAwaitChange) {
        pending_[path] = Pending{now, verdict == Verdict::kAwaitChange};
    }
}

void ArrivalTracker::remember(const std::string &path, const FileStamp &stamp)
{
    const std::string key = fs_.pathKey(path);
    if (remembered_.insert_or_assign(key, stamp).second) {
        rememberedOrder_.push_back(key);
    }
    while (rememberedOrder_.size() > kRemembered) {
        remembered_.erase(rememberedOrder_.front());
        rememberedOrder_.pop_front();
    }
}

}  // namespace tidemark
