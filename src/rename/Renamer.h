#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <system_error>
#include <unordered_set>
#include <vector>

#include "rename/CodePage.h"
#include "rename/FileSystem.h"
#include "rename/TargetName.h"

namespace tidemark {

// What became of one PDF.
enum class Outcome {
    kRenamed,    // moved to the name its title gives
    kUnchanged,  // already named so
    kNoTitle,    // no title was found; the file keeps its name
    kNoName,     // the title leaves nothing for a name ("???"); the file keeps its name
    kFailed,     // the move failed; the file keeps its name
};

// Renamed and unchanged files are done; the others keep a name that is not
// their title.
inline bool succeeded(Outcome outcome)
{
    return outcome == Outcome::kRenamed || outcome == Outcome::kUnchanged;
}

struct FileReport {
    std::string oldPath;
    std::string newPath;  // where it went or should have gone (renamed, failed)
    std::string title;    // as read, in the renamer's title encoding
    Outcome outcome = Outcome::kNoTitle;
    std::error_code error;  // why the move failed
};

// Told about each PDF looked at and each folder that could not be listed.
class RenameObserver {
public:
    virtual ~RenameObserver() = default;
    virtual void fileDone(const FileReport &) {}
    virtual void folderSkipped(const std::string & /*folder*/, const std::error_code &) {}
    // An entry whose kind could not be read (a path too long, say).
    virtual void entrySkipped(const std::string & /*path*/, const std::error_code &) {}
};

// Where the folder part of `path` ends: the index after its last separator
// by `fs`'s rules, 0 when it has none. Separators are looked for only where
// a character begins (a double-byte character may end in 0x5C).
std::size_t folderLength(const std::string &path, const FileSystem &fs, const CodePage &cp);

// Reads the title of the PDF at a path (empty when none), written as
// setTitleEncoding says.
using TitleSource = std::function<std::string(const std::string &path)>;

// Renames PDF files to their titles through a file-system layer. One object
// serves one run: it remembers the paths it produced, so that a listing that
// is still open while files are renamed (Windows) does not hand back a file
// it has just renamed.
class Renamer {
public:
    // `titles` defaults to extractTitle.
    Renamer(FileSystem &fs, const CodePage &cp, RenameObserver *observer = nullptr, TitleSource titles = {});

    // How the titles that `titles` gives are written (Latin-1 by default).
    void setTitleEncoding(TitleEncoding encoding) { titleEncoding_ = encoding; }

    // Renames each PDF (".pdf" in any case) of `folder`, in listing order,
    // and with `recursive` walks each subfolder as it is met. Files that are
    // not PDFs, links, and entries that cannot be read are passed over; a
    // folder that cannot be listed is reported and passed over. True when
    // every PDF met was renamed or already named so and every folder listed.
    bool RenamePdfsInFolder(bool recursive, std::string folder);

    // Renames `name` in `folder` (empty, or ending with a separator) to its title.
    Outcome RenamePdfToTitle(const std::string &folder, const std::string &name);

    // Moves `oldPath` to `newPath` without replacing anything; kUnchanged
    // when both name the same file by the system's rules.
    Outcome RenameFile(const std::string &newPath, const std::string &oldPath, std::error_code &error);

    // The paths RenamePdfsInFolder would ask titles for, in its order, as
    // long as nothing in the folder changes (for reading titles ahead, and
    // for the count a progress display shows).
    std::vector<std::string> ListPdfsInFolder(bool recursive, std::string folder);

    // Where the folder part of `path` ends (see tidemark::folderLength).
    std::size_t folderLength(const std::string &path) const { return tidemark::folderLength(path, fs_, cp_); }

private:
    using PdfVisit = std::function<bool(const std::string &folder, const std::string &name)>;
    bool walk(bool recursive, std::string folder, const PdfVisit &visit, bool reportSkipped);
    void report(const FileReport &r)
    {
        if (observer_ != nullptr) {
            observer_->fileDone(r);
        }
    }

    FileSystem &fs_;
    const CodePage &cp_;
    RenameObserver *observer_;
    TitleSource titles_;
    TitleEncoding titleEncoding_ = TitleEncoding::kLatin1;
    std::unordered_set<std::string> produced_;  // path keys of files this run renamed
};

}  // namespace tidemark
