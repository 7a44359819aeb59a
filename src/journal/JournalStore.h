#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <system_error>

namespace tidemark {

// What tells a file apart from another that later took its name: a rename
// keeps both, and writing to the file changes them.
struct FileStamp {
    std::uint64_t size = 0;
    std::int64_t modified = 0;  // nanoseconds since 1970 (UTC)
    bool operator==(const FileStamp &) const = default;
};

// The stamp of the regular file at `path` (links are not followed); an
// error when there is none, or something other than a file is there.
std::error_code readFileStamp(const std::string &path, FileStamp &stamp);

// `path` made absolute against the current folder, so that a journal entry
// still names the file when read from another folder.
std::string absolutePath(const std::string &path);

// The folder of this user's journal: "$XDG_STATE_HOME/tidemark" (by default
// "~/.local/state/tidemark") on POSIX, "%LOCALAPPDATA%\Tidemark" on Windows.
// Empty when the system does not say where the user's home is.
std::string defaultJournalFolder();

// The bytes of the journal file and the lock that orders the processes
// writing it. Every call but lock() and unlock() expects the lock held.
class JournalStore {
public:
    virtual ~JournalStore() = default;

    // Waits until no other process (or other store of this process) holds
    // the journal, then holds it until unlock().
    virtual std::error_code lock() = 0;
    virtual void unlock() = 0;

    // Adds `bytes` at the end of the journal in one write; once this
    // returns, a process killed at any moment keeps them.
    virtual std::error_code append(const std::string &bytes) = 0;
    // The whole journal; empty when there is none yet.
    virtual std::error_code read(std::string &bytes) = 0;
    // Puts `bytes` in place of the journal, so that a crash leaves either
    // the old journal or the new one whole.
    virtual std::error_code replace(const std::string &bytes) = 0;
    // Waits until what was appended is on the disk.
    virtual std::error_code sync() = 0;

    // The journal file, for messages.
    virtual std::string path() const = 0;
};

// The journal file "journal" in `folder`, which is created (with its parents)
// when missing. An error when the folder cannot be made or the journal
// cannot be opened for writing.
std::error_code openJournalStore(const std::string &folder, std::unique_ptr<JournalStore> &store);

}  // namespace tidemark
