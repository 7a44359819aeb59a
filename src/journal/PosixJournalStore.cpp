// The journal's files on POSIX: open file description locks (F_OFD_SETLK)
// on bytes of a lock file beside the journal, appends with O_APPEND,
// replacement by rename().
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <set>

#include "common/posix/FileDescriptor.h"
#include "journal/JournalStore.h"

namespace tidemark {

namespace {

std::error_code lastError()
{
    return {errno, std::generic_category()};
}

FileDescriptor openFile(const std::string &path, int flags)
{
    int fd;
    do {
        fd = open(path.c_str(), flags | O_CLOEXEC, 0600);
    } while (fd < 0 && errno == EINTR);
    return FileDescriptor(fd);
}

std::error_code writeAll(int fd, const char *bytes, std::size_t size)
{
    for (std::size_t done = 0; done < size;) {
        const ssize_t n = write(fd, bytes + done, size - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return lastError();
        }
        done += static_cast<std::size_t>(n);
    }
    return {};
}

std::error_code readAll(int fd, std::uint64_t offset, std::size_t length, std::string &bytes)
{
    bytes.resize(length);
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n = pread(fd, bytes.data() + done, length - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return lastError();
        }
        if (n == 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    return {};
}

// A new entry's name is only as lasting as its folder's.
std::error_code syncFolder(const std::string &folder)
{
    const FileDescriptor fd = openFile(folder, O_RDONLY | O_DIRECTORY);
    if (fd.get() < 0 || fsync(fd.get()) != 0) {
        return lastError();
    }
    return {};
}

// Makes `folder` and its missing parents, readable by the user alone.
std::error_code makeFolders(const std::string &folder)
{
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (!part.empty() && mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            return lastError();
        }
        if (slash == std::string::npos) {
            return {};
        }
    }
}

// Byte 0 of the lock file is the journal's lock, byte N the mark of run N.
// Locks of open file descriptions belong to the descriptor, not to the
// process as fcntl's older locks do: two stores of one process exclude each
// other, and no close() of another descriptor of the file drops them.
int lockByte(int fd, short type, std::uint64_t at, bool wait)
{
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = static_cast<off_t>(at);
    range.l_len = 1;
    return fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &range);
}

class PosixJournalStore final : public JournalStore {
public:
    PosixJournalStore(std::string folder, JournalAccess access)
        : folder_(std::move(folder)), file_(folder_ + "/journal"), lockFile_(folder_ + "/journal.lock"),
          access_(access)
    {
    }

    std::error_code openLockFile()
    {
        lockFd_ = openFile(lockFile_, access_ == JournalAccess::kRecord ? O_RDWR | O_CREAT : O_RDONLY);
        if (lockFd_.get() < 0) {
            return lastError();
        }
        for (const std::uint64_t run : heldRuns_) {
            lockByte(lockFd_.get(), F_WRLCK, run, false);
        }
        return {};
    }

    std::error_code lock() override
    {
        for (;;) {
            if (lockFd_.get() < 0) {
                if (const std::error_code error = openLockFile()) {
                    // A reader of a journal that nothing has written since it
                    // lost its lock file has nobody to wait for.
                    if (access_ == JournalAccess::kRead && error == std::errc::no_such_file_or_directory) {
                        break;
                    }
                    return error;
                }
            }
            const short type = access_ == JournalAccess::kRecord ? F_WRLCK : F_RDLCK;
            while (lockByte(lockFd_.get(), type, 0, true) != 0) {
                if (errno != EINTR) {
                    return lastError();
                }
            }
            // Another process that deleted or replaced the lock file locks
            // the file of that name: so must this one.
            struct stat held {}, named {};
            if (fstat(lockFd_.get(), &held) == 0 && stat(lockFile_.c_str(), &named) == 0 &&
                held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
                break;
            }
            lockFd_ = FileDescriptor();  // closing it drops its locks
        }
        journalFd_ = openFile(file_, access_ == JournalAccess::kRecord ? O_RDWR | O_APPEND | O_CREAT : O_RDONLY);
        if (journalFd_.get() < 0 && !(access_ == JournalAccess::kRead && errno == ENOENT)) {
            const std::error_code error = lastError();
            unlock();
            return error;
        }
        return {};
    }

    void unlock() override
    {
        journalFd_ = FileDescriptor();
        if (lockFd_.get() >= 0) {
            lockByte(lockFd_.get(), F_UNLCK, 0, false);
        }
    }

    std::error_code size(std::uint64_t &bytes) override
    {
        bytes = 0;
        struct stat st {};
        if (journalFd_.get() < 0) {
            return {};
        }
        if (fstat(journalFd_.get(), &st) != 0) {
            return lastError();
        }
        bytes = static_cast<std::uint64_t>(st.st_size);
        return {};
    }

    std::error_code readAt(std::uint64_t offset, std::size_t length, std::string &bytes) override
    {
        bytes.clear();
        return journalFd_.get() >= 0 ? readAll(journalFd_.get(), offset, length, bytes) : std::error_code{};
    }

    std::error_code append(const std::string &bytes) override
    {
        return writeAll(journalFd_.get(), bytes.data(), bytes.size());
    }

    std::error_code truncate(std::uint64_t length) override
    {
        while (ftruncate(journalFd_.get(), static_cast<off_t>(length)) != 0) {
            if (errno != EINTR) {
                return lastError();
            }
        }
        return {};
    }

    std::error_code replace(const std::string &head, const std::vector<ByteRange> &kept) override
    {
        const std::string temporary = file_ + ".new";
        std::error_code error = writeReplacement(temporary, head, kept);
        if (!error && rename(temporary.c_str(), file_.c_str()) != 0) {
            error = lastError();
        }
        if (error) {
            unlink(temporary.c_str());
            return error;
        }
        // What comes next under this lock goes into the new journal.
        journalFd_ = openFile(file_, O_RDWR | O_APPEND);
        if (journalFd_.get() < 0) {
            return lastError();
        }
        return syncFolder(folder_);
    }

    std::error_code sync() override
    {
        const FileDescriptor fd = openFile(file_, O_RDONLY);
        if (fd.get() < 0 || fsync(fd.get()) != 0) {
            return lastError();
        }
        return syncFolder(folder_);  // a journal made by this run
    }

    std::error_code holdRun(std::uint64_t id) override
    {
        if (lockFd_.get() < 0) {
            return std::make_error_code(std::errc::bad_file_descriptor);
        }
        if (lockByte(lockFd_.get(), F_WRLCK, id, false) != 0) {
            return lastError();
        }
        heldRuns_.insert(id);
        return {};
    }

    void releaseRun(std::uint64_t id) override
    {
        if (heldRuns_.erase(id) != 0 && lockFd_.get() >= 0) {
            lockByte(lockFd_.get(), F_UNLCK, id, false);
        }
    }

    bool runGoesOn(std::uint64_t id) override
    {
        const FileDescriptor fd = openFile(lockFile_, O_RDONLY);
        struct flock range {};
        range.l_type = F_WRLCK;
        range.l_whence = SEEK_SET;
        range.l_start = static_cast<off_t>(id);
        range.l_len = 1;
        return fd.get() >= 0 && fcntl(fd.get(), F_OFD_GETLK, &range) == 0 && range.l_type != F_UNLCK;
    }

    std::string path() const override { return file_; }

private:
    // The new journal, whole on the disk before it may take the old one's
    // place: else a crash just after the rename could leave it empty.
    std::error_code writeReplacement(const std::string &temporary, const std::string &head,
                                     const std::vector<ByteRange> &kept)
    {
        const FileDescriptor fd = openFile(temporary, O_WRONLY | O_CREAT | O_TRUNC);
        if (fd.get() < 0) {
            return lastError();
        }
        return writeKept(
            head, kept, [&fd](const std::string &bytes) { return writeAll(fd.get(), bytes.data(), bytes.size()); },
            [&fd] { return fsync(fd.get()) == 0 ? std::error_code{} : lastError(); });
    }

    std::string folder_;
    std::string file_;
    std::string lockFile_;
    JournalAccess access_;
    FileDescriptor lockFd_;
    FileDescriptor journalFd_;  // while the journal is locked
    std::set<std::uint64_t> heldRuns_;
};

}  // namespace

std::error_code readFileStamp(const std::string &path, FileStamp &stamp)
{
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) {
        return lastError();
    }
    if (!S_ISREG(st.st_mode)) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    stamp.size = static_cast<std::uint64_t>(st.st_size);
    stamp.modified = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return {};
}

std::string absolutePath(const std::string &path)
{
    if (isAbsolutePath(path)) {
        return path;
    }
    std::string cwd(256, '\0');
    while (getcwd(cwd.data(), cwd.size()) == nullptr) {
        if (errno != ERANGE) {
            return path;
        }
        cwd.resize(cwd.size() * 2);
    }
    cwd.resize(cwd.find('\0'));
    // "./a.pdf" is "a.pdf"; other dots are left alone, since ".." after a
    // link does not lead where the text says.
    std::string rest = path;
    while (rest.rfind("./", 0) == 0) {
        rest.erase(0, rest.find_first_not_of('/', 1));
    }
    if (rest.empty() || rest == ".") {
        return cwd;
    }
    return cwd == "/" ? "/" + rest : cwd + "/" + rest;
}

bool isAbsolutePath(const std::string &path)
{
    return !path.empty() && path[0] == '/';
}

std::string defaultJournalFolder()
{
    // A relative XDG_STATE_HOME is not valid and is passed over.
    const char *state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && state[0] == '/') {
        return std::string(state) + "/tidemark";
    }
    const char *home = std::getenv("HOME");
    std::string base = home != nullptr ? home : "";
    if (base.empty()) {
        if (const passwd *user = getpwuid(getuid()); user != nullptr && user->pw_dir != nullptr) {
            base = user->pw_dir;
        }
    }
    return base.empty() ? std::string{} : base + "/.local/state/tidemark";
}

std::error_code openJournalStore(const std::string &folder, std::unique_ptr<JournalStore> &store, JournalAccess access)
{
    if (folder.empty() || folder.find('\0') != std::string::npos) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    auto opened = std::make_unique<PosixJournalStore>(folder, access);
    if (access == JournalAccess::kRecord) {
        if (const std::error_code error = makeFolders(folder)) {
            return error;
        }
        if (const std::error_code error = opened->openLockFile()) {
            return error;
        }
        // Whether the journal can be written is known now rather than at
        // the first move.
        if (openFile(opened->path(), O_WRONLY | O_APPEND | O_CREAT).get() < 0) {
            return lastError();
        }
    }
    store = std::move(opened);
    return {};
}

}  // namespace tidemark
