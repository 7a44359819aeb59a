#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace tidemark {

// One thing the system said happened in a watched folder. Paths are the
// watched folder as given, a separator and the entry's name (with the
// subfolders between them in a recursive watch), in the system's file-name
// encoding.
struct Change {
    enum class Kind {
        kAppeared,    // created, or moved in from outside the watched folders
        kRenamed,     // moved from `oldPath` to `path`, both in the watched folders
        kWritten,     // its bytes changed, or a writer closed it
        kRemoved,     // deleted, or moved out of the watched folders
        kFolderGone,  // `path`, a folder the user named, was deleted, moved or unmounted
        kOverflow,    // the system dropped notices: changes were lost
    };
    Kind kind = Kind::kAppeared;
    std::string path;
    std::string oldPath;    // kRenamed only
    bool isFolder = false;  // kAppeared, kRenamed, kRemoved: the entry is a folder
};

// Who has a file open for writing, as far as the system tells.
enum class Writers { kNone, kSome, kUnknown };

// The changes in a set of folders, as the system reports them (inotify on
// Linux, ReadDirectoryChangesW on Windows), and the stop requests of the
// user (SIGINT and SIGTERM, or Ctrl+C and Ctrl+Break): from the moment the
// source is made until it goes, they no longer end the process, and are
// only seen through wait() and stopRequested(). Make the source before any
// thread is started, so that no thread is left for such a signal to end.
class ChangeSource {
public:
    virtual ~ChangeSource() = default;

    // Starts watching `folder` (a path without a separator at its end), and
    // with `recursive` each folder under it, including those that appear
    // later. An error when the folder cannot be watched.
    virtual std::error_code watch(const std::string &folder, bool recursive) = 0;

    enum class Wake { kChanges, kTimeout, kStop };
    // Waits until a change arrives, a stop is asked for, or `timeout` passes
    // (none: no end), and adds the changes that arrived to `changes`.
    // Waiting costs nothing: no timer runs without a timeout.
    virtual Wake wait(std::optional<std::chrono::milliseconds> timeout, std::vector<Change> &changes) = 0;

    // True once a stop has been asked for; never waits.
    virtual bool stopRequested() = 0;
    // Asks for a stop from inside the program, as the user's signal does
    // (on POSIX it is that signal: SIGTERM to this process).
    virtual void requestStop() = 0;

    // Whether anyone has `path` open for writing now.
    virtual Writers writers(const std::string &path) = 0;
};

// The source of this system. Watches nothing until watch() is called.
std::unique_ptr<ChangeSource> makeSystemChangeSource(std::error_code &error);

}  // namespace tidemark
