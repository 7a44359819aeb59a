// The journal's files on Windows, through the ANSI calls like every other
// path of the program: LockFileEx on a lock file beside the journal, appends
// through FILE_APPEND_DATA, replacement by MoveFileExA.
#include <windows.h>

#include <algorithm>
#include <memory>

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

std::error_code writeAll(HANDLE h, const std::string &bytes)
{
    for (std::size_t done = 0; done < bytes.size();) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        if (!WriteFile(h, bytes.data() + done, chunk, &written, nullptr)) {
            return lastError();
        }
        done += written;
    }
    return {};
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
    Win32JournalStore(const std::string &folder, Handle lockFile)
        : file_(folder + "\\journal"), lockFile_(std::move(lockFile))
    {
    }

    std::error_code lock() override
    {
        OVERLAPPED at{};
        if (!LockFileEx(lockFile_.get(), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at)) {
            return lastError();
        }
        return {};
    }
    void unlock() override
    {
        OVERLAPPED at{};
        UnlockFileEx(lockFile_.get(), 0, 1, 0, &at);
    }

    std::error_code append(const std::string &bytes) override
    {
        // Opened anew for each record: the journal may have been replaced
        // (trimmed) by another process since the last one.
        const Handle h = openFile(file_, FILE_APPEND_DATA, OPEN_ALWAYS);
        if (!h) {
            return lastError();
        }
        return writeAll(h.get(), bytes);
    }

    std::error_code read(std::string &bytes) override
    {
        bytes.clear();
        const Handle h = openFile(file_, GENERIC_READ, OPEN_EXISTING);
        if (!h) {
            const std::error_code error = lastError();
            return error == std::errc::no_such_file_or_directory ? std::error_code{} : error;
        }
        // Read straight into the string; the journal is locked, so its size
        // holds, but whatever follows is read too.
        LARGE_INTEGER size{};
        bytes.resize(GetFileSizeEx(h.get(), &size) ? static_cast<std::size_t>(size.QuadPart) + 1 : 4096);
        std::size_t done = 0;
        for (;;) {
            if (done == bytes.size()) {
                bytes.resize(bytes.size() * 2);
            }
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
            DWORD n = 0;
            if (!ReadFile(h.get(), bytes.data() + done, chunk, &n, nullptr)) {
                return lastError();
            }
            if (n == 0) {
                bytes.resize(done);
                return {};
            }
            done += n;
        }
    }

    std::error_code replace(const std::string &bytes) override
    {
        const std::string temporary = file_ + ".new";
        {
            const Handle h = openFile(temporary, GENERIC_WRITE, CREATE_ALWAYS);
            if (!h) {
                return lastError();
            }
            if (const std::error_code error = writeAll(h.get(), bytes)) {
                return error;
            }
            if (!FlushFileBuffers(h.get())) {
                return lastError();
            }
        }
        if (!MoveFileExA(temporary.c_str(), file_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return lastError();
        }
        return {};
    }

    std::error_code sync() override
    {
        const Handle h = openFile(file_, GENERIC_WRITE, OPEN_EXISTING);
        if (!h || !FlushFileBuffers(h.get())) {
            return lastError();
        }
        return {};
    }

    std::string path() const override { return file_; }

private:
    std::string file_;
    Handle lockFile_;
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

std::error_code openJournalStore(const std::string &folder, std::unique_ptr<JournalStore> &store)
{
    if (folder.empty()) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    if (const std::error_code error = makeFolders(folder)) {
        return error;
    }
    Handle lockFile = openFile(folder + "\\journal.lock", GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS);
    if (!lockFile) {
        return lastError();
    }
    // Whether the journal can be written is known now rather than at the
    // first move.
    if (!openFile(folder + "\\journal", FILE_APPEND_DATA, OPEN_ALWAYS)) {
        return lastError();
    }
    store = std::make_unique<Win32JournalStore>(folder, std::move(lockFile));
    return {};
}

}  // namespace tidemark
