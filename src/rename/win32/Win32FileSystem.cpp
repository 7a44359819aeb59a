#include "rename/win32/Win32FileSystem.h"

#include <windows.h>
#include <shlwapi.h>

#include <memory>

#include "rename/CodePage.h"

namespace tidemark {

namespace {

// The common errors as portable conditions, so that messages read the same
// as on POSIX; the rest as Windows system errors.
std::error_code windowsError(DWORD code)
{
    switch (code) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return std::make_error_code(std::errc::file_exists);
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return std::make_error_code(std::errc::no_such_file_or_directory);
    case ERROR_ACCESS_DENIED:
        return std::make_error_code(std::errc::permission_denied);
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return std::make_error_code(std::errc::device_or_resource_busy);
    case ERROR_FILENAME_EXCED_RANGE:
        return std::make_error_code(std::errc::filename_too_long);
    case ERROR_INVALID_NAME:
        return std::make_error_code(std::errc::invalid_argument);
    default:
        return {static_cast<int>(code), std::system_category()};
    }
}

struct FindCloser {
    void operator()(HANDLE handle) const { FindClose(handle); }
};
using FindHandle = std::unique_ptr<void, FindCloser>;

}  // namespace

std::error_code Win32FileSystem::listFolder(const std::string &folder, const Visit &visit)
{
    WIN32_FIND_DATAA data{};
    const HANDLE first = FindFirstFileA((folder + "*.*").c_str(), &data);
    if (first == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        return code == ERROR_FILE_NOT_FOUND ? std::error_code{} : windowsError(code);
    }
    const FindHandle search(first);
    do {
        visit(data.cFileName);
    } while (FindNextFileA(search.get(), &data));
    const DWORD code = GetLastError();
    return code == ERROR_NO_MORE_FILES ? std::error_code{} : windowsError(code);
}

EntryKind Win32FileSystem::entryKind(const std::string &path, std::error_code &error) const
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        error = windowsError(GetLastError());
        return EntryKind::kUnreadable;
    }
    if ((attributes & (FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL)) != 0) {
        return EntryKind::kFile;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        // Junctions and directory links are not walked into, as links are
        // not on POSIX: they lead out of the tree or round in a circle.
        return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? EntryKind::kOther : EntryKind::kDirectory;
    }
    return EntryKind::kOther;
}

bool Win32FileSystem::exists(const std::string &path) const
{
    return PathFileExistsA(path.c_str()) != FALSE;
}

bool Win32FileSystem::samePath(const std::string &a, const std::string &b) const
{
    // Letters folded to one case, character by character, as the file
    // system compares names. Not lstrcmpiA: a collation, which passes over
    // some characters ("Title\xAD.pdf" and "Title.pdf" would be the same).
    return pathKey(a) == pathKey(b);
}

std::string Win32FileSystem::pathKey(const std::string &path) const
{
    std::string key = path;
    systemCodePage().toLower(key);
    return key;
}

std::error_code Win32FileSystem::move(const std::string &oldPath, const std::string &newPath)
{
    beforeMove(oldPath, newPath);
    if (MoveFileA(oldPath.c_str(), newPath.c_str()) == FALSE) {
        return windowsError(GetLastError());
    }
    return {};
}

std::unique_ptr<FileSystem> makeSystemFileSystem()
{
    return std::make_unique<Win32FileSystem>();
}

}  // namespace tidemark
