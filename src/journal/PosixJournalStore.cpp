// The journal's files on POSIX: flock() on a lock file beside the journal,
// appends with O_APPEND, replacement by rename().
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "journal/JournalStore.h"

namespace tidemark {

namespace {

std::error_code lastError()
{
    return {errno, std::generic_category()};
}

// A file descriptor, closed when it goes away.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd()
    {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    Fd(Fd &&other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Fd &operator=(Fd &&other) noexcept
    {
        std::swap(fd_, other.fd_);
        return *this;
    }
    int get() const { return fd_; }
    bool ok() const { return fd_ >= 0; }

private:
    int fd_;
};

Fd openFile(const std::string &path, int flags)
{
    int fd;
    do {
        fd = open(path.c_str(), flags | O_CLOEXEC, 0600);
    } while (fd < 0 && errno == EINTR);
    return Fd(fd);
}

std::error_code writeAll(int fd, const std::string &bytes)
{
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
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

// A new entry's name is only as lasting as its folder's.
std::error_code syncFolder(const std::string &folder)
{
    const Fd fd = openFile(folder, O_RDONLY | O_DIRECTORY);
    if (!fd.ok() || fsync(fd.get()) != 0) {
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

class PosixJournalStore final : public JournalStore {
public:
    PosixJournalStore(std::string folder, Fd lockFd)
        : folder_(std::move(folder)), file_(folder_ + "/journal"), lockFd_(std::move(lockFd))
    {
    }

    std::error_code lock() override
    {
        while (flock(lockFd_.get(), LOCK_EX) != 0) {
            if (errno != EINTR) {
                return lastError();
            }
        }
        return {};
    }
    void unlock() override { flock(lockFd_.get(), LOCK_UN); }

    std::error_code append(const std::string &bytes) override
    {
        // Opened anew for each record: the journal may have been replaced
        // (trimmed) by another process since the last one.
        const Fd fd = openFile(file_, O_WRONLY | O_APPEND | O_CREAT);
        if (!fd.ok()) {
            return lastError();
        }
        return writeAll(fd.get(), bytes);
    }

    std::error_code read(std::string &bytes) override
    {
        bytes.clear();
        const Fd fd = openFile(file_, O_RDONLY);
        if (!fd.ok()) {
            return errno == ENOENT ? std::error_code{} : lastError();
        }
        // Read straight into the string; the journal is locked, so its size
        // holds, but whatever follows is read too.
        struct stat st {};
        bytes.resize(fstat(fd.get(), &st) == 0 ? static_cast<std::size_t>(st.st_size) + 1 : 4096);
        std::size_t done = 0;
        for (;;) {
            if (done == bytes.size()) {
                bytes.resize(bytes.size() * 2);
            }
            const ssize_t n = ::read(fd.get(), bytes.data() + done, bytes.size() - done);
            if (n < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return lastError();
            }
            if (n == 0) {
                bytes.resize(done);
                return {};
            }
            done += static_cast<std::size_t>(n);
        }
    }

    std::error_code replace(const std::string &bytes) override
    {
        const std::string temporary = file_ + ".new";
        {
            const Fd fd = openFile(temporary, O_WRONLY | O_CREAT | O_TRUNC);
            if (!fd.ok()) {
                return lastError();
            }
            if (const std::error_code error = writeAll(fd.get(), bytes)) {
                return error;
            }
            if (fsync(fd.get()) != 0) {
                return lastError();
            }
        }
        if (rename(temporary.c_str(), file_.c_str()) != 0) {
            return lastError();
        }
        return syncFolder(folder_);
    }

    std::error_code sync() override
    {
        const Fd fd = openFile(file_, O_RDONLY);
        if (!fd.ok() || fsync(fd.get()) != 0) {
            return lastError();
        }
        return syncFolder(folder_);  // a journal made by this run
    }

    std::string path() const override { return file_; }

private:
    std::string folder_;
    std::string file_;
    Fd lockFd_;
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
    if (!path.empty() && path[0] == '/') {
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

std::error_code openJournalStore(const std::string &folder, std::unique_ptr<JournalStore> &store)
{
    if (folder.empty() || folder.find('\0') != std::string::npos) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    if (const std::error_code error = makeFolders(folder)) {
        return error;
    }
    Fd lockFd = openFile(folder + "/journal.lock", O_RDWR | O_CREAT);
    if (!lockFd.ok()) {
        return lastError();
    }
    // Whether the journal can be written is known now rather than at the
    // first move.
    if (!openFile(folder + "/journal", O_WRONLY | O_APPEND | O_CREAT).ok()) {
        return lastError();
    }
    store = std::make_unique<PosixJournalStore>(folder, std::move(lockFd));
    return {};
}

}  // namespace tidemark
