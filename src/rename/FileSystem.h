#pragma once

#include <functional>
#include <memory>
#include <string>
#include <system_error>

namespace tidemark {

// What a folder entry is for the renamer. Only files are renamed and only
// directories are walked into; everything else (links, devices) is passed over.
enum class EntryKind { kFile, kDirectory, kOther, kUnreadable };

// The file-system calls the renamer makes, so that the Windows and POSIX
// rules live apart from the engine and a dry run can stand in for the disk.
// Paths are byte strings in the system's file-name encoding.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // The separator that paths are built with, and every byte that
    // separates folders in a path given by the user.
    virtual char separator() const = 0;
    virtual bool isSeparator(char c) const = 0;

    // A name stem made from a sanitized title (Latin-1 bytes) in the
    // file-name encoding.
    virtual std::string nameFromTitle(const std::string &latin1) const = 0;
    // The same for a title in UTF-8. By default a title that Latin-1 holds
    // goes through nameFromTitle and any other is kept as it is, which suits
    // systems whose names are UTF-8; a layer that forwards to another
    // forwards this too.
    virtual std::string nameFromUtf8Title(const std::string &utf8) const;

    // Calls `visit` with the name of each entry of `folder` (which ends with
    // a separator), "." and ".." included where the system lists them. An
    // error when the folder cannot be listed.
    using Visit = std::function<void(const std::string &name)>;
    virtual std::error_code listFolder(const std::string &folder, const Visit &visit) = 0;

    // `error` tells why an entry is kUnreadable (empty when there is no
    // reason worth telling, such as a name a dry run has moved away).
    virtual EntryKind entryKind(const std::string &path, std::error_code &error) const = 0;
    // What a path that the user named is. A walk passes over some entries
    // by rules of its own (on Windows: files by their attributes, and
    // folders that lead elsewhere); a path the user chose is not judged by
    // those rules. Where the walk has none, the same as entryKind.
    virtual EntryKind argumentKind(const std::string &path, std::error_code &error) const
    {
        return entryKind(path, error);
    }
    // The kind of a path that the user named, without the reason.
    EntryKind kindOf(const std::string &path) const
    {
        std::error_code ignored;
        return argumentKind(path, ignored);
    }
    // True when a file, folder or link of that name is there.
    virtual bool exists(const std::string &path) const = 0;
    // True when both paths name the same entry by the system's rules for
    // comparing names.
    virtual bool samePath(const std::string &a, const std::string &b) const = 0;
    // Equal for paths that samePath holds the same, for use as a set key.
    virtual std::string pathKey(const std::string &path) const = 0;

    // Moves `oldPath` to `newPath`, never replacing anything at `newPath`.
    virtual std::error_code move(const std::string &oldPath, const std::string &newPath) = 0;
    // The error that move() can already be seen to meet without moving
    // (a name too long, a folder that cannot be written); none when unknown.
    virtual std::error_code checkMove(const std::string &, const std::string &) const { return {}; }

    // For tests: called inside move(), after the caller has found `newPath`
    // free and before the move is made.
    using MoveHook = std::function<void(const std::string &oldPath, const std::string &newPath)>;
    void setBeforeMoveHook(MoveHook hook) { beforeMove_ = std::move(hook); }

protected:
    void beforeMove(const std::string &oldPath, const std::string &newPath) const
    {
        if (beforeMove_) {
            beforeMove_(oldPath, newPath);
        }
    }

private:
    MoveHook beforeMove_;
};

// The file system of this system (Windows ANSI calls, or POSIX calls).
std::unique_ptr<FileSystem> makeSystemFileSystem();

}  // namespace tidemark
