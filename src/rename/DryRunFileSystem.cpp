#include "rename/DryRunFileSystem.h"

namespace tidemark {

template <typename OnDisk>
EntryKind DryRunFileSystem::plannedKind(const std::string &path, OnDisk onDisk) const
{
    const std::string key = pathKey(path);
    if (created_.count(key) != 0) {
        return EntryKind::kFile;  // only files are moved
    }
    if (removed_.count(key) != 0) {
        return EntryKind::kUnreadable;
    }
    return onDisk();
}

EntryKind DryRunFileSystem::entryKind(const std::string &path, std::error_code &error) const
{
    return plannedKind(path, [&] { return disk_.entryKind(path, error); });
}

EntryKind DryRunFileSystem::argumentKind(const std::string &path, std::error_code &error) const
{
    return plannedKind(path, [&] { return disk_.argumentKind(path, error); });
}

bool DryRunFileSystem::exists(const std::string &path) const
{
    const std::string key = pathKey(path);
    if (created_.count(key) != 0) {
        return true;
    }
    if (removed_.count(key) != 0) {
        return false;
    }
    return disk_.exists(path);
}

std::error_code DryRunFileSystem::move(const std::string &oldPath, const std::string &newPath)
{
    beforeMove(oldPath, newPath);
    if (!exists(oldPath)) {
        return std::make_error_code(std::errc::no_such_file_or_directory);
    }
    if (exists(newPath)) {
        return std::make_error_code(std::errc::file_exists);
    }
    if (const std::error_code error = disk_.checkMove(oldPath, newPath)) {
        return error;
    }
    const std::string from = pathKey(oldPath);
    const std::string to = pathKey(newPath);
    created_.erase(from);
    removed_.insert(from);
    removed_.erase(to);
    created_.insert(to);
    return {};
}

}  // namespace tidemark
