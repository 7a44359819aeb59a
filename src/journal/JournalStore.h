#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

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
// True when `path` names its file without regard to the current folder (or
// drive): "/..." on POSIX, "C:\..." or "\\server\share\..." on Windows.
bool isAbsolutePath(const std::string &path);

// The folder of this user's journal: "$XDG_STATE_HOME/tidemark" (by default
// "~/.local/state/tidemark") on POSIX, "%LOCALAPPDATA%\Tidemark" on Windows.
// Empty when the system does not say where the user's home is.
std::string defaultJournalFolder();

// A stretch of the journal's bytes.
struct ByteRange {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
};

// The system calls on which a promise of the store rests, for tests to see
// them made or make them fail (JournalStore::setCallHook).
enum class StoreCall {
    kSyncReplacement,  // the new journal waited onto the disk before it takes the old one's place
};

// The bytes of the journal file, and the locks that order the processes
// using it: one for the journal, and one for each run that goes on. Every
// call but lock(), unlock(), sync() and the runs' calls expects the
// journal's lock held.
class JournalStore {
public:
    virtual ~JournalStore() = default;

    // Waits until no other process (or other store of this process) holds
    // the journal, then holds it until unlock(): alone when the store was
    // opened for recording, with other readers when it was opened for
    // reading. The lock is on the file that the lock file's name names when
    // it returns, even when that file was deleted or replaced since the last
    // time, so that the processes holding it exclude each other still.
    virtual std::error_code lock() = 0;
    virtual void unlock() = 0;

    // The journal's length; 0 when there is none yet.
    virtual std::error_code size(std::uint64_t &bytes) = 0;
    // The bytes from `offset` on, `length` of them or fewer at the end.
    virtual std::error_code readAt(std::uint64_t offset, std::size_t length, std::string &bytes) = 0;
    // Adds `bytes` at the end of the journal in one write; once this
    // returns, a process killed at any moment keeps them. A write that
    // fails may have added part of them.
    virtual std::error_code append(const std::string &bytes) = 0;
    // Cuts the journal back to its first `length` bytes.
    virtual std::error_code truncate(std::uint64_t length) = 0;
    // Puts `head` followed by the `kept` stretches of the journal, in that
    // order, in place of the journal, so that a crash leaves either the old
    // journal or the new one whole.
    virtual std::error_code replace(const std::string &head, const std::vector<ByteRange> &kept) = 0;
    // Waits until what was appended is on the disk.
    virtual std::error_code sync() = 0;

    // Shows every other store that run `id` goes on, until releaseRun(id)
    // or until this store goes away, with its process however that ends.
    virtual std::error_code holdRun(std::uint64_t id) = 0;
    virtual void releaseRun(std::uint64_t id) = 0;
    // True when another store holds run `id`.
    virtual bool runGoesOn(std::uint64_t id) = 0;

    // The journal file, for messages.
    virtual std::string path() const = 0;

    // For tests: called as each call named in StoreCall is about to be
    // made; an error it returns is taken as that call's own.
    using CallHook = std::function<std::error_code(StoreCall call)>;
    void setCallHook(CallHook hook) { hook_ = std::move(hook); }

protected:
    std::error_code hook(StoreCall call) const { return hook_ ? hook_(call) : std::error_code{}; }

    // The new journal of replace(), for every store: `head`, then each
    // `kept` stretch of this journal read in pieces, handed to `write`; then
    // `sync`, which waits until all of it is on the disk, so that a crash
    // just after it takes the old one's place cannot leave it empty.
    using WriteBytes = std::function<std::error_code(const std::string &bytes)>;
    std::error_code writeKept(const std::string &head, const std::vector<ByteRange> &kept, const WriteBytes &write,
                              const std::function<std::error_code()> &sync);

private:
    CallHook hook_;
};

enum class JournalAccess {
    kRecord,  // the folder and the journal are made when missing
    kRead,    // nothing is made or written: a journal that is not there reads as empty
};

// The journal file "journal" in `folder`, locked through "journal.lock"
// beside it. For recording: an error when the folder cannot be made or the
// journal cannot be opened for writing.
std::error_code openJournalStore(const std::string &folder, std::unique_ptr<JournalStore> &store,
                                 JournalAccess access = JournalAccess::kRecord);

}  // namespace tidemark
