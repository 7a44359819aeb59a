#pragma once

#include <cstdint>
#include <string>

#include "rename/FileSystem.h"

namespace tidemark {

// How a folder walk takes an entry with these attributes. A file when it
// carries the archive or normal attribute (a folder that carries one is
// taken as a file and not walked into); a folder to walk into when it is a
// directory, unless it is a reparse point whose tag (`reparseTag`, looked
// at only then) marks a name surrogate: a junction or a directory link.
// Anything else (a file marked only read-only, hidden or system) is passed
// over.
EntryKind WalkedEntryKind(std::uint32_t attributes, std::uint32_t reparseTag);

// How a path that the user named is taken: a folder when it is a directory,
// a file whatever else its attributes say.
EntryKind NamedEntryKind(std::uint32_t attributes);

// Windows file names through the ANSI calls: '\' between folders ('/' is
// accepted in paths given by the user, and a drive's colon ends the folder
// part of "C:x.pdf", the file x.pdf in the current folder of drive C), names
// compared ignoring case by the ANSI code page. MoveFileA never replaces an
// existing file.
class Win32FileSystem final : public FileSystem {
public:
    char separator() const override { return '\\'; }
    bool isSeparator(char c) const override { return c == '\\' || c == '/' || c == ':'; }
    // Titles are Latin-1, which the ANSI code page of western systems
    // (1252) holds as they are.
    std::string nameFromTitle(const std::string &latin1) const override { return latin1; }
    // UTF-8 titles in the ANSI code page (see ansiFromUtf8Title).
    std::string nameFromUtf8Title(const std::string &utf8) const override;
    // Lists with FindFirstFileA(folder + "*.*"), visiting each entry while
    // the search is open.
    std::error_code listFolder(const std::string &folder, const Visit &visit) override;
    EntryKind entryKind(const std::string &path, std::error_code &error) const override;
    EntryKind argumentKind(const std::string &path, std::error_code &error) const override;
    bool exists(const std::string &path) const override;
    bool samePath(const std::string &a, const std::string &b) const override;
    std::string pathKey(const std::string &path) const override;
    std::error_code move(const std::string &oldPath, const std::string &newPath) override;
};

}  // namespace tidemark
