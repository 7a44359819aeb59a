#include "rename/PosixFileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <memory>
#include <vector>

#include "common/Latin1.h"
#include "rename/CodePage.h"

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

namespace tidemark {

namespace {

std::error_code lastError()
{
    return {errno, std::system_category()};
}

// A path with a NUL byte would be cut short by the C calls and name
// another file than the one reported.
bool hasNul(const std::string &path)
{
    return path.find('\0') != std::string::npos;
}

struct DirCloser {
    void operator()(DIR *dir) const { closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

int renameNoReplace(const std::string &oldPath, const std::string &newPath)
{
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 28))
    return renameat2(AT_FDCWD, oldPath.c_str(), AT_FDCWD, newPath.c_str(), RENAME_NOREPLACE);
#elif defined(SYS_renameat2)
    return static_cast<int>(syscall(SYS_renameat2, AT_FDCWD, oldPath.c_str(), AT_FDCWD, newPath.c_str(),
                                    RENAME_NOREPLACE));
#else
    errno = ENOSYS;
    return -1;
#endif
}

}  // namespace

std::string PosixFileSystem::nameFromTitle(const std::string &latin1) const
{
    return latin1ToUtf8(latin1);
}

std::error_code PosixFileSystem::listFolder(const std::string &folder, const Visit &visit)
{
    if (hasNul(folder)) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    std::vector<std::string> names;
    {
        const DirHandle dir(opendir(folder.c_str()));
        if (!dir) {
            return lastError();
        }
        for (;;) {
            errno = 0;
            const dirent *entry = readdir(dir.get());
            if (entry == nullptr) {
                if (errno != 0) {
                    return lastError();
                }
                break;
            }
            names.emplace_back(entry->d_name);
        }
    }
    for (const std::string &name : names) {
        visit(name);
    }
    return {};
}

EntryKind PosixFileSystem::entryKind(const std::string &path, std::error_code &error) const
{
    struct stat st {};
    if (hasNul(path)) {
        error = std::make_error_code(std::errc::invalid_argument);
        return EntryKind::kUnreadable;
    }
    if (lstat(path.c_str(), &st) != 0) {
        error = std::error_code(errno, std::generic_category());
        return EntryKind::kUnreadable;
    }
    if (S_ISREG(st.st_mode)) {
        return EntryKind::kFile;
    }
    return S_ISDIR(st.st_mode) ? EntryKind::kDirectory : EntryKind::kOther;
}

bool PosixFileSystem::exists(const std::string &path) const
{
    // lstat: a dangling link takes a name as much as a file does.
    struct stat st {};
    return !hasNul(path) && lstat(path.c_str(), &st) == 0;
}

std::error_code PosixFileSystem::move(const std::string &oldPath, const std::string &newPath)
{
    if (hasNul(oldPath) || hasNul(newPath)) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    beforeMove(oldPath, newPath);
    if (!linkInsteadOfRename_) {
        if (renameNoReplace(oldPath, newPath) == 0) {
            return {};
        }
        if (errno != EINVAL && errno != ENOSYS) {
            return lastError();
        }
    }
    // link() fails when the new name is taken, so nothing can be replaced.
    if (link(oldPath.c_str(), newPath.c_str()) != 0) {
        return lastError();
    }
    if (unlink(oldPath.c_str()) != 0) {
        const std::error_code error = lastError();
        unlink(newPath.c_str());  // the file still has its old name
        return error;
    }
    return {};
}

std::error_code PosixFileSystem::checkMove(const std::string &, const std::string &newPath) const
{
    const std::size_t slash = newPath.rfind('/');
    const bool here = slash == std::string::npos;
    const std::string folder = here ? "." : (slash == 0 ? "/" : newPath.substr(0, slash));
    const std::size_t nameLength = here ? newPath.size() : newPath.size() - slash - 1;
    long nameMax = pathconf(folder.c_str(), _PC_NAME_MAX);
    if (nameMax <= 0) {
        nameMax = NAME_MAX;
    }
    if (nameLength > static_cast<std::size_t>(nameMax) || newPath.size() >= PATH_MAX) {
        return std::make_error_code(std::errc::filename_too_long);
    }
    if (access(folder.c_str(), W_OK | X_OK) != 0) {
        return lastError();
    }
    return {};
}

std::unique_ptr<FileSystem> makeSystemFileSystem()
{
    return std::make_unique<PosixFileSystem>();
}

const CodePage &systemCodePage()
{
    static const SingleByteCodePage codePage;
    return codePage;
}

}  // namespace tidemark
