#pragma once

#include <string>

#include "rename/FileSystem.h"

namespace tidemark {

// POSIX file names: UTF-8, '/' between folders, case counts. Symbolic links
// are neither followed nor renamed. A move never replaces a file, with no
// moment between the check and the move in which another file could be
// lost: renameat2 with RENAME_NOREPLACE, or where the file system refuses
// that flag, a hard link to the new name and then removing the old one.
class PosixFileSystem final : public FileSystem {
public:
    char separator() const override { return '/'; }
    bool isSeparator(char c) const override { return c == '/'; }
    std::string nameFromTitle(const std::string &latin1) const override;
    // Reads every entry before visiting any, so that a file renamed during
    // the visit is not met again under its new name.
    std::error_code listFolder(const std::string &folder, const Visit &visit) override;
    EntryKind entryKind(const std::string &path, std::error_code &error) const override;
    bool exists(const std::string &path) const override;
    bool samePath(const std::string &a, const std::string &b) const override { return a == b; }
    std::string pathKey(const std::string &path) const override { return path; }
    std::error_code move(const std::string &oldPath, const std::string &newPath) override;
    std::error_code checkMove(const std::string &oldPath, const std::string &newPath) const override;

    // For tests: moves as on a file system that refuses RENAME_NOREPLACE.
    void setLinkInsteadOfRename(bool on) { linkInsteadOfRename_ = on; }

private:
    bool linkInsteadOfRename_ = false;
};

}  // namespace tidemark
