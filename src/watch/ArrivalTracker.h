#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "journal/JournalStore.h"
#include "rename/CodePage.h"
#include "rename/FileSystem.h"
#include "watch/ChangeSource.h"

namespace tidemark {

using WatchClock = std::chrono::steady_clock;

// What the watch finds at a path when it looks at a file that arrived.
struct FileFacts {
    bool isFile = false;  // a regular file (not a link, a folder, or nothing)
    FileStamp stamp;
    Writers writers = Writers::kUnknown;
};

// What to do with a file that has been quiet for the settle time.
enum class Verdict {
    kTake,         // read its title and rename it
    kHold,         // someone writes it: look again after another settle time
    kAwaitChange,  // empty (a browser's placeholder): look again once it changes
    kLeaveAlone,   // the watch moved a file away from this name, or made it
    kGone,         // nothing to rename there any more
};

// Decides which entries of the watched folders are papers that arrived, and
// when each is complete enough to read. Knows nothing of the system: the
// changes, the times and what a file looks like are handed to it.
//
// A PDF (".pdf" in any case) has arrived when it is created, moved in from
// outside the watched folders, or renamed to a ".pdf" name from another
// name, which is how browsers finish a download (".part", ".crdownload",
// ".download"). A rename from one ".pdf" name to another is someone's
// choice of name (a user's, an undo's, the watch's own) and is no arrival.
// A file is quiet once nothing has happened to it for the settle time.
// Files that turn quiet within a quarter of the settle time of each other
// are taken together, as one batch, so that a burst of files moved in is
// one run of the journal; but no quiet file waits for others longer than
// another settle time, so that a steady stream of arrivals is renamed too.
class ArrivalTracker {
public:
    // How long an arrived file must go unchanged before it is read.
    static constexpr std::chrono::milliseconds kSettle{1000};
    // How many names of moves the tracker keeps in mind, newest kept.
    static constexpr std::size_t kRemembered = 10000;

    // `fs` splits paths and gives the keys of names; `cp` reads extensions.
    ArrivalTracker(const FileSystem &fs, const CodePage &cp, std::chrono::milliseconds settle = kSettle);

    // Takes in one change seen at `now`.
    void note(const Change &change, WatchClock::time_point now);
    // Takes `path` as arrived at `now` (a file that was there at the start,
    // or came with a folder).
    void arrived(const std::string &path, WatchClock::time_point now);

    // The batch of quiet files at `now`, in order of their paths, taken off
    // the list (none while others are about to turn quiet): the caller
    // judges each and hands back those to look at again.
    std::vector<std::string> takeQuiet(WatchClock::time_point now);
    // When to call takeQuiet() next; none when no file waits for a time
    // (then the watch has no reason to wake but a change).
    std::optional<WatchClock::time_point> nextDeadline(WatchClock::time_point now) const;

    // What to do with a quiet file found so.
    Verdict judge(const std::string &path, const FileFacts &facts) const;
    // Hands a judged file back: kHold looks at it again after the settle
    // time from `now`, kAwaitChange at its next change.
    void putBack(const std::string &path, Verdict verdict, WatchClock::time_point now);

    // Keeps in mind that a file with `stamp` was moved away from `path` or
    // to it by a rename run: such a file found there again is left alone.
    void remember(const std::string &path, const FileStamp &stamp);

    // How many files wait (for a time or a change).
    std::size_t waiting() const { return pending_.size(); }

private:
    struct Pending {
        WatchClock::time_point since;  // of the last change, or when put back
        bool awaitsChange = false;
    };

    bool isPdfName(const std::string &path) const;
    void forgetUnder(const std::string &folder);
    void moveUnder(const std::string &oldFolder, const std::string &newFolder);

    const FileSystem &fs_;
    const CodePage &cp_;
    std::chrono::milliseconds settle_;
    std::chrono::milliseconds gather_;  // files quiet within this of each other go together
    std::map<std::string, Pending> pending_;
    std::unordered_map<std::string, FileStamp> remembered_;  // by path key
    std::deque<std::string> rememberedOrder_;               // oldest first
};

}  // namespace tidemark
