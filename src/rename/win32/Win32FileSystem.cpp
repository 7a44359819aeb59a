#include "rename/win32/Win32FileSystem.h"

#include <windows.h>
#include <shlwapi.h>

#include <memory>

#include "rename/CodePage.h"
#include "rename/win32/AnsiCodePage.h"

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

// The attributes of the entry at `path`; INVALID_FILE_ATTRIBUTES, with
// `error` telling why, when they cannot be read.
DWORD attributesOf(const std::string &path, std::error_code &error)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        error = windowsError(GetLastError());
    }
    return attributes;
}

// The reparse tag of the entry at `path`, which a search for the entry's
// own name reports. When it cannot be read, the tag of a directory link: a
// folder of unknown kind is not walked into.
DWORD reparseTagOf(const std::string &path)
{
    WIN32_FIND_DATAA data{};
    const HANDLE first = FindFirstFileA(path.c_str(), &data);
    if (first == INVALID_HANDLE_VALUE) {
        return IO_REPARSE_TAG_SYMLINK;
    }
    FindClose(first);
    return data.dwReserved0;
}

}  // namespace

std::string Win32FileSystem::nameFromUtf8Title(const std::string &utf8) const
{
    return ansiFromUtf8Title(utf8);
}

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

EntryKind WalkedEntryKind(std::uint32_t attributes, std::uint32_t reparseTag)
{
    if ((attributes & (FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL)) != 0) {
        return EntryKind::kFile;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return EntryKind::kOther;
    }
    // Junctions and directory links (name surrogates) are not walked into,
    // as links are not on POSIX: they lead out of the tree or round in a
    // circle. Other reparse points, such as the folders of a cloud drive,
    // hold their files themselves.
    const bool reparsePoint = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    return reparsePoint && IsReparseTagNameSurrogate(reparseTag) ? EntryKind::kOther : EntryKind::kDirectory;
}

EntryKind NamedEntryKind(std::uint32_t attributes)
{
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? EntryKind::kDirectory : EntryKind::kFile;
}

EntryKind Win32FileSystem::entryKind(const std::string &path, std::error_code &error) const
{
    const DWORD attributes = attributesOf(path, error);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return EntryKind::kUnreadable;
    }
    const bool reparseFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                               (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    return WalkedEntryKind(attributes, reparseFolder ? reparseTagOf(path) : 0);
}

EntryKind Win32FileSystem::argumentKind(const std::string &path, std::error_code &error) const
{
    const DWORD attributes = attributesOf(path, error);
    return attributes == INVALID_FILE_ATTRIBUTES ? EntryKind::kUnreadable : NamedEntryKind(attributes);
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
