#pragma once

#include <string>

#include "rename/FileSystem.h"

namespace tidemark {

// Windows file names through the ANSI calls: '\' between folders ('/' is
// accepted in paths given by the user), names compared ignoring case by the
// ANSI code page. MoveFileA never replaces an existing file.
class Win32FileSystem final : public FileSystem {
public:
    char separator() const override { return '\\'; }
    bool isSeparator(char c) const override { return c == '\\' || c == '/'; }
    // Titles are Latin-1, which the ANSI code page of western systems
    // (1252) holds as they are.
    std::string nameFromTitle(const std::string &latin1) const override { return latin1; }
    // UTF-8 titles in the ANSI code page (see ansiFromUtf8Title).
    std::string nameFromUtf8Title(const std::string &utf8) const override;
    // Lists with FindFirstFileA(folder + "*.*"), visiting each entry while
    // the search is open.
    std::error_code listFolder(const std::string &folder, const Visit &visit) override;
    EntryKind entryKind(const std::string &path, std::error_code &error) const override;
    bool exists(const std::string &path) const override;
    bool samePath(const std::string &a, const std::string &b) const override;
    std::string pathKey(const std::string &path) const override;
    std::error_code move(const std::string &oldPath, const std::string &newPath) override;
};

}  // namespace tidemark
