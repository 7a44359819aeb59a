// The changes of watched folders on Windows: ReadDirectoryChangesW on each
// folder, overlapped, all waited for at once with the stop event that
// Ctrl+C, Ctrl+Break and the console's closing set.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "common/win32/FileHandle.h"
#include "watch/ChangeSource.h"

namespace tidemark {

namespace {

std::error_code lastError()
{
    return {static_cast<int>(GetLastError()), std::system_category()};
}

// What the console handler sets; one source lives at a time.
std::atomic<HANDLE> gStopEvent{nullptr};

BOOL WINAPI onConsoleEvent(DWORD)
{
    if (const HANDLE stop = gStopEvent.load()) {
        SetEvent(stop);
    }
    return TRUE;  // the watch ends itself, between two files
}

// A name of the notice (UTF-16) in the ANSI code page that the program's
// file calls take; empty when the code page cannot hold it.
std::string ansiName(const wchar_t *name, std::size_t length)
{
    if (length == 0) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name, static_cast<int>(length), nullptr, 0,
                                         nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    BOOL lost = FALSE;
    if (size <= 0 || WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name, static_cast<int>(length), ansi.data(),
                                         size, nullptr, &lost) != size ||
        lost) {
        return {};
    }
    return ansi;
}

bool isFolder(const std::string &path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// One watched folder and the read of its changes that is under way.
class WatchedFolder {
public:
    // Large enough for a burst of a thousand files between two reads; the
    // system keeps what it sees for the folder in a buffer of this size.
    static constexpr DWORD kBufferBytes = 512 * 1024;

    WatchedFolder(std::string path, bool recursive) : path_(std::move(path)), recursive_(recursive) {}

    ~WatchedFolder() { cancel(); }
    WatchedFolder(const WatchedFolder &) = delete;
    WatchedFolder &operator=(const WatchedFolder &) = delete;

    std::error_code open()
    {
        dir_ = adoptFileHandle(CreateFileA(path_.c_str(), FILE_LIST_DIRECTORY,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr));
        if (!dir_) {
            return lastError();
        }
        event_ = FileHandle(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        if (!event_) {
            return lastError();
        }
        buffer_.resize(kBufferBytes / sizeof(DWORD));
        return issue();
    }

    HANDLE event() const { return event_.get(); }
    const std::string &path() const { return path_; }
    bool live() const { return dir_ != nullptr; }

    // Takes the changes of a finished read and starts the next one. False
    // when the folder can be watched no more.
    bool collect(std::vector<Change> &changes)
    {
        reading_ = false;
        DWORD bytes = 0;
        if (!GetOverlappedResult(dir_.get(), &overlapped_, &bytes, FALSE)) {
            if (GetLastError() != ERROR_NOTIFY_ENUM_DIR) {
                return stop();
            }
            bytes = 0;
        }
        if (bytes == 0) {
            // The system's buffer ran over, and the changes in it are lost.
            changes.push_back({Change::Kind::kOverflow, {}, {}, false});
        } else {
            parse(bytes, changes);
        }
        // A folder deleted while watched ends its read, or leaves nothing
        // to read the next changes of.
        if (isFolder(path_) && !issue()) {
            return true;
        }
        return stop();
    }

private:
    std::error_code issue()
    {
        overlapped_ = OVERLAPPED{};
        overlapped_.hEvent = event_.get();
        ResetEvent(event_.get());
        const DWORD filter = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_SIZE |
                             FILE_NOTIFY_CHANGE_LAST_WRITE;
        if (!ReadDirectoryChangesW(dir_.get(), buffer_.data(), kBufferBytes, recursive_, filter, nullptr, &overlapped_,
                                   nullptr)) {
            return lastError();
        }
        reading_ = true;
        return {};
    }

    bool stop()
    {
        cancel();
        dir_.reset();
        return false;
    }

    // The read under way writes into the buffer until it is cancelled and
    // has ended.
    void cancel()
    {
        if (reading_ && dir_) {
            CancelIoEx(dir_.get(), &overlapped_);
            DWORD bytes = 0;
            GetOverlappedResult(dir_.get(), &overlapped_, &bytes, TRUE);
        }
        reading_ = false;
    }

    void parse(DWORD bytes, std::vector<Change> &changes)
    {
        const char *base = reinterpret_cast<const char *>(buffer_.data());
        for (DWORD at = 0; at < bytes;) {
            const auto *notice = reinterpret_cast<const FILE_NOTIFY_INFORMATION *>(base + at);
            const std::string name = ansiName(notice->FileName, notice->FileNameLength / sizeof(wchar_t));
            if (!name.empty()) {
                take(notice->Action, path_ + "\\" + name, changes);
            }
            if (notice->NextEntryOffset == 0) {
                break;
            }
            at += notice->NextEntryOffset;
        }
    }

    void take(DWORD action, const std::string &path, std::vector<Change> &changes)
    {
        switch (action) {
        case FILE_ACTION_ADDED:
            changes.push_back({Change::Kind::kAppeared, path, {}, isFolder(path)});
            break;
        case FILE_ACTION_REMOVED:
            changes.push_back({Change::Kind::kRemoved, path, {}, false});
            break;
        case FILE_ACTION_MODIFIED:
            if (!isFolder(path)) {
                changes.push_back({Change::Kind::kWritten, path, {}, false});
            }
            break;
        case FILE_ACTION_RENAMED_OLD_NAME:
            renamedFrom_ = path;
            break;
        case FILE_ACTION_RENAMED_NEW_NAME:
            if (renamedFrom_.empty()) {
                changes.push_back({Change::Kind::kAppeared, path, {}, isFolder(path)});
            } else {
                changes.push_back({Change::Kind::kRenamed, path, renamedFrom_, isFolder(path)});
            }
            renamedFrom_.clear();
            break;
        default:
            break;
        }
    }

    std::string path_;
    bool recursive_;
    FileHandle dir_;
    FileHandle event_;
    OVERLAPPED overlapped_{};
    std::vector<DWORD> buffer_;  // DWORD-aligned, as the notices must be
    bool reading_ = false;
    std::string renamedFrom_;  // the old name of a rename whose new name is to come
};

class DirectoryChangesSource final : public ChangeSource {
public:
    explicit DirectoryChangesSource(FileHandle stopEvent) : stopEvent_(std::move(stopEvent))
    {
        gStopEvent.store(stopEvent_.get());
        SetConsoleCtrlHandler(onConsoleEvent, TRUE);
    }

    ~DirectoryChangesSource() override
    {
        SetConsoleCtrlHandler(onConsoleEvent, FALSE);
        gStopEvent.store(nullptr);
    }

    std::error_code watch(const std::string &folder, bool recursive) override
    {
        // One handle of the wait is the stop event.
        if (folders_.size() + 1 >= MAXIMUM_WAIT_OBJECTS) {
            return std::make_error_code(std::errc::too_many_files_open);
        }
        auto watched = std::make_unique<WatchedFolder>(folder, recursive);
        if (const std::error_code error = watched->open()) {
            return error;
        }
        folders_.push_back(std::move(watched));
        return {};
    }

    Wake wait(std::optional<std::chrono::milliseconds> timeout, std::vector<Change> &changes) override
    {
        if (stopRequested()) {
            return Wake::kStop;
        }
        std::vector<HANDLE> handles{stopEvent_.get()};
        for (const auto &folder : folders_) {
            if (folder->live()) {
                handles.push_back(folder->event());
            }
        }
        const DWORD ms = timeout ? static_cast<DWORD>(std::min<std::chrono::milliseconds::rep>(timeout->count(),
                                                                                               INFINITE - 1))
                                 : INFINITE;
        WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE, ms);
        if (stopRequested()) {
            return Wake::kStop;
        }
        const std::size_t before = changes.size();
        for (const auto &folder : folders_) {
            if (folder->live() && WaitForSingleObject(folder->event(), 0) == WAIT_OBJECT_0 &&
                !folder->collect(changes)) {
                changes.push_back({Change::Kind::kFolderGone, folder->path(), {}, true});
            }
        }
        return changes.size() > before ? Wake::kChanges : Wake::kTimeout;
    }

    bool stopRequested() override { return WaitForSingleObject(stopEvent_.get(), 0) == WAIT_OBJECT_0; }

    void requestStop() override { SetEvent(stopEvent_.get()); }

    // Opening to read while letting others only read fails with a sharing
    // violation as long as anyone has the file open for writing (or lets
    // nobody read it).
    Writers writers(const std::string &path) override
    {
        const FileHandle file = adoptFileHandle(
            CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                        nullptr));
        if (file) {
            return Writers::kNone;
        }
        return GetLastError() == ERROR_SHARING_VIOLATION ? Writers::kSome : Writers::kUnknown;
    }

private:
    FileHandle stopEvent_;
    std::vector<std::unique_ptr<WatchedFolder>> folders_;
};

}  // namespace

std::unique_ptr<ChangeSource> makeSystemChangeSource(std::error_code &error)
{
    FileHandle stop(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!stop) {
        error = lastError();
        return nullptr;
    }
    error.clear();
    return std::make_unique<DirectoryChangesSource>(std::move(stop));
}

}  // namespace tidemark
