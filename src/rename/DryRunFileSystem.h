#pragma once

#include <set>
#include <string>

#include "rename/FileSystem.h"

namespace tidemark {

// Stands in for the disk in a dry run: moves are only recorded, and the
// questions the renamer asks afterwards are answered as if they had been
// made, so the run picks the same names, "(1)" suffixes included, that a
// real run picks. Folder listings and file contents come from the disk.
class DryRunFileSystem final : public FileSystem {
public:
    explicit DryRunFileSystem(FileSystem &disk) : disk_(disk) {}

    char separator() const override { return disk_.separator(); }
    bool isSeparator(char c) const override { return disk_.isSeparator(c); }
    std::string nameFromTitle(const std::string &latin1) const override { return disk_.nameFromTitle(latin1); }
    std::string nameFromUtf8Title(const std::string &utf8) const override { return disk_.nameFromUtf8Title(utf8); }
    std::error_code listFolder(const std::string &folder, const Visit &visit) override
    {
        return disk_.listFolder(folder, visit);
    }
    EntryKind entryKind(const std::string &path, std::error_code &error) const override;
    EntryKind argumentKind(const std::string &path, std::error_code &error) const override;
    bool exists(const std::string &path) const override;
    bool samePath(const std::string &a, const std::string &b) const override { return disk_.samePath(a, b); }
    std::string pathKey(const std::string &path) const override { return disk_.pathKey(path); }
    std::error_code move(const std::string &oldPath, const std::string &newPath) override;

private:
    // The kind after the planned moves; `onDisk` for a path they left alone.
    template <typename OnDisk>
    EntryKind plannedKind(const std::string &path, OnDisk onDisk) const;

    FileSystem &disk_;
    std::set<std::string> created_;  // path keys that planned moves filled
    std::set<std::string> removed_;  // path keys that planned moves emptied
};

}  // namespace tidemark
