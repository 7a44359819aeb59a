// The journal's files on Windows, through the ANSI calls like every other
// path of the program: LockFileEx on bytes of a lock file beside the
// journal, appends at its end, replacement by MoveFileExA.
#include <windows.h>

#include <algorithm>
#include <memory>
#include <set>

#include "common/win32/FileHandle.h"
#include "journal/JournalStore.h"

namespace tidemark {

namespace {

std::error_code lastError()
{
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) {
        return std::make_error_code(std::errc::no_such_file_or_directory);
    }
    return {static_cast<int>(code), std::system_category()};
}

using Handle = FileHandle;

Handle openFile(const std::string &path, DWORD access, DWORD disposition)
{
    return adoptFileHandle(CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
}

OVERLAPPED at(std::uint64_t offset)
{
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(offset);
    where.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return where;
}

std::error_code writeAll(HANDLE h, const char *bytes, std::size_t size)
{
    for (std::size_t done = 0; done < size;) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30));
        if (!WriteFile(h, bytes + done, chunk, &written, nullptr)) {
            return lastError();
        }
        done += written;
    }
    return {};
}

std::error_code readAll(HANDLE h, std::uint64_t offset, std::size_t length, std::string &bytes)
{
    bytes.resize(length);
    std::size_t done = 0;
    while (done < length) {
        OVERLAPPED where = at(offset + done);
        DWORD n = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(length - done, 1u << 30));
        if (!ReadFile(h, bytes.data() + done, chunk, &n, &where)) {
            if (GetLastError() == ERROR_HANDLE_EOF) {
                break;
            }
            return lastError();
        }
        if (n == 0) {
            break;
        }
        done += n;
    }
    bytes.resize(done);
    return {};
}

// Byte 0 of the lock file is the journal's lock, byte N the mark of run N.
// Windows locks belong to the handle: two stores of one process exclude
// each other.
bool lockByte(HANDLE h, DWORD flags, std::uint64_t offset)
{
    OVERLAPPED where = at(offset);
    return LockFileEx(h, flags, 0, 1, 0, &where) != 0;
}

void unlockByte(HANDLE h, std::uint64_t offset)
{
    OVERLAPPED where = at(offset);
    UnlockFileEx(h, 0, 1, 0, &where);
}

// The same file: the volume and the file's index on it.
bool sameFile(HANDLE a, HANDLE b)
{
    BY_HANDLE_FILE_INFORMATION first{}, second{};
    return GetFileInformationByHandle(a, &first) && GetFileInformationByHandle(b, &second) &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

std::string getEnvironment(const char *name)
{
    std::string value(MAX_PATH, '\0');
    DWORD n = GetEnvironmentVariableA(name, value.data(), static_cast<DWORD>(value.size()));
    if (n >= value.size()) {
        value.resize(n);
        n = GetEnvironmentVariableA(name, value.data(), static_cast<DWORD>(value.size()));
    }
    value.resize(n < value.size() ? n : 0);
    return value;
}

// Makes `folder` and its missing parents. A part that cannot be made (the
// drive or share at the start) is passed over: what counts is whether the
// folder is there at the end.
std::error_code makeFolders(const std::string &folder)
{
    for (std::size_t sep = folder.find_first_of("\\/", 1);; sep = folder.find_first_of("\\/", sep + 1)) {
        CreateDirectoryA(folder.substr(0, sep).c_str(), nullptr);
        if (sep == std::string::npos) {
            break;
        }
    }
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return lastError();
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return std::make_error_code(std::errc::not_a_directory);
    }
    return {};
}

class Win32JournalStore final : public JournalStore {
public:
    Win32JournalStore(const std::string &folder, JournalAccess access)
        : file_(folder + "\\journal"), lockFile_(folder + "\\journal.lock"), access_(access)
    {
    }

    std::error_code openLockFile()
    {
        lockHandle_ = access_ == JournalAccess::kRecord
                          ? openFile(lockFile_, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS)
                          : openFile(lockFile_, GENERIC_READ, OPEN_EXISTING);
        if (!lockHandle_) {
            return lastError();
        }
        for (const std::uint64_t run : heldRuns_) {
            lockByte(lockHandle_.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, run);
        }
        return {};
    }

    std::error_code lock() override
    {
        for (;;) {
            if (!lockHandle_) {
                if (const std::error_code error = openLockFile()) {
                    // A reader of a journal that nothing has written since it
                    // lost its lock file has nobody to wait for.
                    if (access_ == JournalAccess::kRead && error == std::errc::no_such_file_or_directory) {
                        break;
                    }
                    return error;
                }
            }
            if (!lockByte(lockHandle_.get(), access_ == JournalAccess::kRecord ? LOCKFILE_EXCLUSIVE_LOCK : 0, 0)) {
                return lastError();
            }
            // Another process that deleted or replaced the lock file locks
            // the file of that name: so must this one.
            const Handle named = openFile(lockFile_, FILE_READ_ATTRIBUTES, OPEN_EXISTING);
            if (named && sameFile(lockHandle_.get(), named.get())) {
                break;
            }
            lockHandle_.reset();  // closing it drops its locks
        }
        journal_ = access_ == JournalAccess::kRecord ? openFile(file_, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS)
                                                     : openFile(file_, GENERIC_READ, OPEN_EXISTING);
        if (!journal_) {
            const std::error_code error = lastError();
            if (access_ == JournalAccess::kRead && error == std::errc::no_such_file_or_directory) {
                return {};
            }
            unlock();
            return error;
        }
        return {};
    }

    void unlock() override
    {
        journal_.reset();
        if (lockHandle_) {
            unlockByte(lockHandle_.get(), 0);
        }
    }

    std::error_code size(std::uint64_t &bytes) override
    {
        bytes = 0;
        LARGE_INTEGER length{};
        if (!journal_) {
            return {};
        }
        if (!GetFileSizeEx(journal_.get(), &length)) {
            return lastError();
        }
        bytes = static_cast<std::uint64_t>(length.QuadPart);
        return {};
    }

    std::error_code readAt(std::uint64_t offset, std::size_t length, std::string &bytes) override
    {
        bytes.clear();
        return journal_ ? readAll(journal_.get(), offset, length, bytes) : std::error_code{};
    }

    std::error_code append(const std::string &bytes) override
    {
        // Nobody else writes while the journal is locked: its end stays put.
        LARGE_INTEGER none{};
        if (!journal_ || !SetFilePointerEx(journal_.get(), none, nullptr, FILE_END)) {
            return lastError();
        }
        return writeAll(journal_.get(), bytes.data(), bytes.size());
    }

    std::error_code truncate(std::uint64_t length) override
    {
        LARGE_INTEGER to{};
        to.QuadPart = static_cast<LONGLONG>(length);
        if (!journal_ || !SetFilePointerEx(journal_.get(), to, nullptr, FILE_BEGIN) ||
            !SetEndOfFile(journal_.get())) {
            return lastError();
        }
        return {};
    }

    std::error_code replace(const std::string &head, const std::vector<ByteRange> &kept) override
    {
        const std::string temporary = file_ + ".new";
        std::error_code error = writeReplacement(temporary, head, kept);
        if (!error) {
            journal_.reset();
            if (!MoveFileExA(temporary.c_str(), file_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
                error = lastError();
            }
            // What comes next under this lock goes into the journal now named.
            journal_ = openFile(file_, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
            if (!error && !journal_) {
                error = lastError();
            }
        }
        if (error) {
            DeleteFileA(temporary.c_str());
        }
        return error;
    }

    std::error_code sync() override
    {
        const Handle h = openFile(file_, GENERIC_WRITE, OPEN_EXISTING);
        if (!h || !FlushFileBuffers(h.get())) {
            return lastError();
        }
        return {};
    }

    std::error_code holdRun(std::uint64_t id) override
    {
        if (!lockHandle_) {
            return std::make_error_code(std::errc::bad_file_descriptor);
        }
        if (!lockByte(lockHandle_.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, id)) {
            return lastError();
        }
        heldRuns_.insert(id);
        return {};
    }

    void releaseRun(std::uint64_t id) override
    {
        if (heldRuns_.erase(id) != 0 && lockHandle_) {
            unlockByte(lockHandle_.get(), id);
        }
    }

    bool runGoesOn(std::uint64_t id) override
    {
        const Handle h = openFile(lockFile_, GENERIC_READ, OPEN_EXISTING);
        if (!h) {
            return false;
        }
        // A byte that can be locked is held by nobody.
        if (lockByte(h.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, id)) {
            unlockByte(h.get(), id);
            return false;
        }
        return true;
    }

    std::string path() const override { return file_; }

private:
    // The new journal, whole on the disk before it may take the old one's
    // place: else a crash just after the move could leave it empty.
    std::error_code writeReplacement(const std::string &temporary, const std::string &head,
                                     const std::vector<ByteRange> &kept)
    {
        const Handle h = openFile(temporary, GENERIC_WRITE, CREATE_ALWAYS);
        if (!h) {
            return lastError();
        }
        return writeKept(
            head, kept, [&h](const std::string &bytes) { return writeAll(h.get(), bytes.data(), bytes.size()); },
            [&h] { return FlushFileBuffers(h.get()) ? std::error_code{} : lastError(); });
    }

    std::string file_;
    std::string lockFile_;
    JournalAccess access_;
    Handle lockHandle_;
    Handle journal_;  // while the journal is locked
    std::set<std::uint64_t> heldRuns_;
};

}  // namespace

std::error_code readFileStamp(const std::string &path, FileStamp &stamp)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        return lastError();
    }
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return std::make_error_code(std::errc::is_a_directory);
    }
    stamp.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    // FILETIME counts 100 ns steps since 1601.
    const std::int64_t ticks = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime);
    stamp.modified = (ticks - 116444736000000000LL) * 100;
    return {};
}

std::string absolutePath(const std::string &path)
{
    std::string full(MAX_PATH, '\0');
    DWORD n = GetFullPathNameA(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n >= full.size()) {
        full.resize(n);
        n = GetFullPathNameA(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    }
    if (n == 0 || n >= full.size()) {
        return path;
    }
    full.resize(n);
    return full;
}

bool isAbsolutePath(const std::string &path)
{
    const auto separator = [](char c) { return c == '\\' || c == '/'; };
    if (path.size() >= 3 && path[1] == ':' && separator(path[2])) {
        return true;  // C:\...
    }
    return path.size() >= 2 && separator(path[0]) && separator(path[1]);  // \\server\share\...
}

std::string defaultJournalFolder()
{
    std::string base = getEnvironment("LOCALAPPDATA");
    if (base.empty()) {
        base = getEnvironment("USERPROFILE");
        if (base.empty()) {
            return {};
        }
        base += "\\AppData\\Local";
    }
    return base + "\\Tidemark";
}

std::error_code openJournalStore(const std::string &folder, std::unique_ptr<JournalStore> &store, JournalAccess access)
{
    if (folder.empty()) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    auto opened = std::make_unique<Win32JournalStore>(folder, access);
    if (access == JournalAccess::kRecord) {
        if (const std::error_code error = makeFolders(folder)) {
            return error;
        }
        if (const std::error_code error = opened->openLockFile()) {
            return error;
        }
        // Whether the journal can be written is known now rather than at
        // the first move.
        if (!openFile(opened->path(), FILE_APPEND_DATA, OPEN_ALWAYS)) {
            return lastError();
        }
    }
    store = std::move(opened);
    return {};
}

}  // namespace tidemark
