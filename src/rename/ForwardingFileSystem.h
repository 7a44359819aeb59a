#pragma once

#include <string>
#include <system_error>

#include "rename/FileSystem.h"

namespace tidemark {

// Hands every call to another file system; a layer over the disk derives
// from it and overrides only what it changes, so that a question added to
// FileSystem later reaches the disk through every layer.
class ForwardingFileSystem : public FileSystem {
public:
    explicit ForwardingFileSystem(FileSystem &disk) : disk_(disk) {}

    char separator() const override { return disk_.separator(); }
    bool isSeparator(char c) const override { return disk_.isSeparator(c); }
    std::string nameFromTitle(const std::string &latin1) const override { return disk_.nameFromTitle(latin1); }
    std::string nameFromUtf8Title(const std::string &utf8) const override { return disk_.nameFromUtf8Title(utf8); }
    std::error_code listFolder(const std::string &folder, const Visit &visit) override
    {
        return disk_.listFolder(folder, visit);
    }
    EntryKind entryKind(const std::string &path, std::error_code &error) const override
    {
        return disk_.entryKind(path, error);
    }
    EntryKind argumentKind(const std::string &path, std::error_code &error) const override
    {
        return disk_.argumentKind(path, error);
    }
    bool exists(const std::string &path) const override { return disk_.exists(path); }
    bool samePath(const std::string &a, const std::string &b) const override { return disk_.samePath(a, b); }
    std::string pathKey(const std::string &path) const override { return disk_.pathKey(path); }
    std::error_code move(const std::string &oldPath, const std::string &newPath) override
    {
        return disk_.move(oldPath, newPath);
    }
    std::error_code checkMove(const std::string &oldPath, const std::string &newPath) const override
    {
        return disk_.checkMove(oldPath, newPath);
    }

protected:
    FileSystem &disk_;
};

}  // namespace tidemark
