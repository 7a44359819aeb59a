// The changes of watched folders on Linux, through the inotify system calls.
//
// inotify is used directly, not through a library: the calls are three
// (init, add a watch, read), and the libraries packaged for it keep their
// state in globals and wait in their own loops, where the watch needs one
// poll() over the notices and the stop signals.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "common/posix/FileDescriptor.h"
#include "watch/ChangeSource.h"

namespace tidemark {

namespace {

std::error_code lastError()
{
    return {errno, std::system_category()};
}


constexpr std::uint32_t kFolderMask = IN_CREATE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE | IN_MODIFY |
                                      IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR |
                                      IN_DONT_FOLLOW | IN_EXCL_UNLINK;

class InotifySource final : public ChangeSource {
public:
    InotifySource(int notices, sigset_t stops, sigset_t oldMask, int signals)
        : notices_(notices), signals_(signals), stops_(stops), oldMask_(oldMask)
    {
    }

    ~InotifySource() override
    {
        // A stop that came after the last one read, or a lease broken while
        // it was held, must not end the process once the mask is lifted.
        const timespec now{0, 0};
        while (sigtimedwait(&stops_, nullptr, &now) > 0) {
        }
        pthread_sigmask(SIG_SETMASK, &oldMask_, nullptr);
    }

    std::error_code watch(const std::string &folder, bool recursive) override
    {
        return addWatch(folder, folder, recursive);
    }

    Wake wait(std::optional<std::chrono::milliseconds> timeout, std::vector<Change> &changes) override
    {
        if (stop_) {
            return Wake::kStop;
        }
        pollfd fds[2] = {{notices_.get(), POLLIN, 0}, {signals_.get(), POLLIN, 0}};
        const int ms = timeout ? static_cast<int>(std::min<std::chrono::milliseconds::rep>(timeout->count(), 1 << 30))
                               : -1;
        int ready = 0;
        do {
            ready = poll(fds, 2, ms);
        } while (ready < 0 && errno == EINTR);
        if (readStops()) {
            return Wake::kStop;
        }
        const std::size_t before = changes.size();
        readNotices(changes);
        return changes.size() > before ? Wake::kChanges : Wake::kTimeout;
    }

    bool stopRequested() override { return readStops(); }

    void requestStop() override { kill(getpid(), SIGTERM); }

    // A read lease is granted only while nobody has the file open for
    // writing: the kernel's own count of writers, which sees every process
    // of every user. Held for no longer than the question.
    Writers writers(const std::string &path) override
    {
        const FileDescriptor fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
        if (fd.get() < 0) {
            return errno == EWOULDBLOCK ? Writers::kSome : Writers::kUnknown;
        }
        if (fcntl(fd.get(), F_SETLEASE, F_RDLCK) == 0) {
            fcntl(fd.get(), F_SETLEASE, F_UNLCK);
            return Writers::kNone;
        }
        // EAGAIN: open for writing. Others (a file system without leases,
        // a file of another user) leave only the settle time to judge by.
        return errno == EAGAIN ? Writers::kSome : Writers::kUnknown;
    }

private:
    struct Watched {
        std::string path;
        std::string root;  // the folder the user named, which this one is or lies in
        bool recursive = false;
    };
    // A move out of a watched folder, kept until the notices after it show
    // whether it went to another watched folder.
    struct MovedOut {
        std::string path;
        bool isFolder = false;
        bool seenOnce = false;  // one read of the notices has passed since
    };

    std::error_code addWatch(const std::string &path, const std::string &root, bool recursive)
    {
        const int wd = inotify_add_watch(notices_.get(), path.c_str(), kFolderMask);
        if (wd < 0) {
            return lastError();
        }
        // A folder named twice, or inside another one watched with its
        // subfolders, has one watch: the first path given names it.
        watches_.emplace(wd, Watched{path, root, recursive});
        if (recursive) {
            addSubfolders(path, root);
        }
        return {};
    }

    // Watches every folder under `path`; links are not followed.
    void addSubfolders(const std::string &path, const std::string &root)
    {
        std::vector<std::string> folders;
        {
            std::unique_ptr<DIR, int (*)(DIR *)> dir(opendir(path.c_str()), closedir);
            if (!dir) {
                return;
            }
            while (const dirent *entry = readdir(dir.get())) {
                const std::string name = entry->d_name;
                if (name == "." || name == "..") {
                    continue;
                }
                struct stat st {};
                const std::string full = path + "/" + name;
                if (lstat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
                    folders.push_back(full);
                }
            }
        }
        for (const std::string &folder : folders) {
            (void)addWatch(folder, root, true);  // one that vanished meanwhile is no loss
        }
    }

    bool readStops()
    {
        signalfd_siginfo info{};
        while (read(signals_.get(), &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
            if (info.ssi_signo != SIGIO) {
                stop_ = true;
            }
        }
        return stop_;
    }

    void readNotices(std::vector<Change> &changes)
    {
        // Moves out seen in the read before this one had their chance to
        // be matched: they left the watched folders.
        for (auto it = movedOut_.begin(); it != movedOut_.end();) {
            if (it->second.seenOnce) {
                removed(it->second.path, it->second.isFolder, changes);
                it = movedOut_.erase(it);
            } else {
                it->second.seenOnce = true;
                ++it;
            }
        }
        alignas(inotify_event) char buffer[64 * 1024];
        for (;;) {
            const ssize_t n = read(notices_.get(), buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            for (ssize_t at = 0; at < n;) {
                const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
                take(*event, event->len > 0 ? std::string(event->name) : std::string(), changes);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    }

    void take(const inotify_event &event, const std::string &name, std::vector<Change> &changes)
    {
        if ((event.mask & IN_Q_OVERFLOW) != 0) {
            changes.push_back({Change::Kind::kOverflow, {}, {}, false});
            return;
        }
        const auto found = watches_.find(event.wd);
        if (found == watches_.end()) {
            return;
        }
        const Watched watched = found->second;
        const bool isRoot = watched.path == watched.root;
        if ((event.mask & IN_IGNORED) != 0) {
            watches_.erase(found);
            if (isRoot) {
                folderGone(watched.root, changes);
            }
            return;
        }
        if ((event.mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT)) != 0) {
            // A subfolder's own removal comes with its parent's notice.
            if (isRoot) {
                folderGone(watched.root, changes);
            }
            return;
        }
        const std::string path = watched.path + "/" + name;
        const bool isFolder = (event.mask & IN_ISDIR) != 0;
        if ((event.mask & IN_MOVED_FROM) != 0) {
            movedOut_[event.cookie] = MovedOut{path, isFolder, false};
        } else if ((event.mask & IN_MOVED_TO) != 0) {
            const auto from = movedOut_.find(event.cookie);
            if (from == movedOut_.end()) {
                arrived(path, isFolder, watched, changes);
            } else {
                const std::string oldPath = from->second.path;
                movedOut_.erase(from);
                if (isFolder) {
                    renameFolder(oldPath, path, watched);
                }
                changes.push_back({Change::Kind::kRenamed, path, oldPath, isFolder});
            }
        } else if ((event.mask & IN_CREATE) != 0) {
            arrived(path, isFolder, watched, changes);
        } else if ((event.mask & IN_DELETE) != 0) {
            removed(path, isFolder, changes);
        } else if ((event.mask & (IN_MODIFY | IN_CLOSE_WRITE)) != 0 && !isFolder) {
            changes.push_back({Change::Kind::kWritten, path, {}, false});
        }
    }

    void arrived(const std::string &path, bool isFolder, const Watched &in, std::vector<Change> &changes)
    {
        // A move out of this name that is still kept back came first: said
        // after the arrival, it would cancel it.
        for (auto it = movedOut_.begin(); it != movedOut_.end();) {
            if (it->second.path == path) {
                removed(it->second.path, it->second.isFolder, changes);
                it = movedOut_.erase(it);
            } else {
                ++it;
            }
        }
        if (isFolder && in.recursive) {
            (void)addWatch(path, in.root, true);
        }
        changes.push_back({Change::Kind::kAppeared, path, {}, isFolder});
    }

    void removed(const std::string &path, bool isFolder, std::vector<Change> &changes)
    {
        if (isFolder) {
            forgetWatchesUnder(path);
        }
        changes.push_back({Change::Kind::kRemoved, path, {}, isFolder});
    }

    void folderGone(const std::string &root, std::vector<Change> &changes)
    {
        if (gone_.insert(root).second) {
            forgetWatchesUnder(root);
            changes.push_back({Change::Kind::kFolderGone, root, {}, true});
        }
    }

    // Stops watching `folder` and every folder under it. The notices that
    // removing a watch brings name a watch no longer known, and are passed over.
    void forgetWatchesUnder(const std::string &folder)
    {
        const std::string prefix = folder + "/";
        for (auto it = watches_.begin(); it != watches_.end();) {
            if (it->second.path == folder || it->second.path.rfind(prefix, 0) == 0) {
                inotify_rm_watch(notices_.get(), it->first);
                it = watches_.erase(it);
            } else {
                ++it;
            }
        }
    }

    // A folder renamed inside the watched ones keeps its watches, which
    // follow the folder; only the paths they stand for change.
    void renameFolder(const std::string &oldPath, const std::string &newPath, const Watched &into)
    {
        bool kept = false;
        for (auto &[wd, watched] : watches_) {
            if (watched.path == oldPath || watched.path.rfind(oldPath + "/", 0) == 0) {
                watched.path = newPath + watched.path.substr(oldPath.size());
                watched.root = into.root;
                kept = true;
            }
        }
        if (!kept && into.recursive) {
            (void)addWatch(newPath, into.root, true);  // from a folder watched without its subfolders
        }
    }

    FileDescriptor notices_;
    FileDescriptor signals_;
    sigset_t stops_;
    sigset_t oldMask_;
    bool stop_ = false;
    std::map<int, Watched> watches_;
    std::map<std::uint32_t, MovedOut> movedOut_;
    std::set<std::string> gone_;
};

}  // namespace

std::unique_ptr<ChangeSource> makeSystemChangeSource(std::error_code &error)
{
    // SIGIO: a lease that another process breaks while the writer check
    // holds it is signalled so; blocked, it cannot end the process.
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    sigaddset(&stops, SIGIO);
    sigset_t oldMask;
    if (const int failed = pthread_sigmask(SIG_BLOCK, &stops, &oldMask); failed != 0) {
        error = {failed, std::system_category()};
        return nullptr;
    }
    const int notices = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    const int signals = notices < 0 ? -1 : signalfd(-1, &stops, SFD_NONBLOCK | SFD_CLOEXEC);
    if (notices < 0 || signals < 0) {
        error = lastError();
        if (notices >= 0) {
            close(notices);
        }
        pthread_sigmask(SIG_SETMASK, &oldMask, nullptr);
        return nullptr;
    }
    error.clear();
    return std::make_unique<InotifySource>(notices, stops, oldMask, signals);
}

}  // namespace tidemark
