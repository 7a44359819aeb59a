#pragma once

#include <set>
#include <string>

#include "rename/ForwardingFileSystem.h"

namespace tidemark {

// Stands in for the disk in a dry run: moves are only recorded, and the
// questions the renamer asks afterwards are answered as if they had been
// made, so the run picks the same names, "(1)" suffixes included, that a
// real run picks. Folder listings and file contents come from the disk.
class DryRunFileSystem final : public ForwardingFileSystem {
public:
    explicit DryRunFileSystem(FileSystem &disk) : ForwardingFileSystem(disk) {}

    EntryKind entryKind(const std::string &path, std::error_code &error) const override;
    EntryKind argumentKind(const std::string &path, std::error_code &error) const override;
    bool exists(const std::string &path) const override;
    std::error_code move(const std::string &oldPath, const std::string &newPath) override;

private:
    // The kind after the planned moves; `onDisk` for a path they left alone.
    template <typename OnDisk>
    EntryKind plannedKind(const std::string &path, OnDisk onDisk) const;

    std::set<std::string> created_;  // path keys that planned moves filled
    std::set<std::string> removed_;  // path keys that planned moves emptied
};

}  // namespace tidemark
