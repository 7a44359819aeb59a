#include "rename/Renamer.h"

#include <utility>

#include "rename/TargetName.h"
#include "title/TitleExtractor.h"

namespace tidemark {

Renamer::Renamer(FileSystem &fs, const CodePage &cp, RenameObserver *observer, TitleSource titles)
    : fs_(fs), cp_(cp), observer_(observer), titles_(std::move(titles))
{
    if (!titles_) {
        titles_ = [](const std::string &path) { return extractTitle(path); };
    }
}

std::size_t folderLength(const std::string &path, const FileSystem &fs, const CodePage &cp)
{
    std::size_t length = 0;
    for (std::size_t i = 0; i < path.size();) {
        const bool lead = cp.isLeadByte(static_cast<unsigned char>(path[i]));
        if (!lead && fs.isSeparator(path[i])) {
            length = i + 1;
        }
        i += lead ? 2 : 1;
    }
    return length;
}

bool Renamer::walk(bool recursive, std::string folder, const PdfVisit &visit, bool reportSkipped)
{
    if (folder.empty()) {
        folder.push_back('.');  // as for a file name without folder: the current one
    }
    if (folderLength(folder) != folder.size()) {
        folder += fs_.separator();
    }
    bool allWell = true;
    const std::error_code listing = fs_.listFolder(folder, [&](const std::string &name) {
        if (name == "." || name == "..") {
            return;
        }
        const std::string full = folder + name;
        if (produced_.count(fs_.pathKey(full)) != 0) {
            return;
        }
        std::error_code why;
        switch (fs_.entryKind(full, why)) {
        case EntryKind::kFile:
            if (GetLowerExtension(name, cp_) == ".pdf" && !visit(folder, name)) {
                allWell = false;
            }
            break;
        case EntryKind::kDirectory:
            if (recursive && !walk(true, full, visit, reportSkipped)) {
                allWell = false;
            }
            break;
        case EntryKind::kOther:
            break;
        case EntryKind::kUnreadable:
            // A name that vanished since the listing is no loss; anything
            // else (a path past the system's limit) leaves part of the tree
            // unvisited, which the caller must hear of.
            if (why && why != std::errc::no_such_file_or_directory) {
                allWell = false;
                if (reportSkipped && observer_ != nullptr) {
                    observer_->entrySkipped(full, why);
                }
            }
            break;
        }
    });
    if (listing) {
        if (reportSkipped && observer_ != nullptr) {
            observer_->folderSkipped(folder, listing);
        }
        return false;
    }
    return allWell;
}

bool Renamer::RenamePdfsInFolder(bool recursive, std::string folder)
{
    return walk(recursive, std::move(folder),
                [this](const std::string &dir, const std::string &name) {
                    return succeeded(RenamePdfToTitle(dir, name));
                },
                true);
}

std::vector<std::string> Renamer::ListPdfsInFolder(bool recursive, std::string folder)
{
    std::vector<std::string> paths;
    walk(recursive, std::move(folder),
         [&paths](const std::string &dir, const std::string &name) {
             paths.push_back(dir + name);
             return true;
         },
         false);
    return paths;
}

Outcome Renamer::RenamePdfToTitle(const std::string &folder, const std::string &name)
{
    FileReport r;
    r.oldPath = folder + name;
    r.title = titles_(r.oldPath);
    if (r.title.empty()) {
        r.outcome = Outcome::kNoTitle;
        report(r);
        return r.outcome;
    }
    const TargetPath target = MakeTargetPath(fs_, cp_, folder, r.title, name, titleEncoding_);
    switch (target.kind) {
    case TargetPath::Kind::kEmptyStem:
        // Renaming to ".pdf" would hide the file on POSIX and tell nothing.
        r.outcome = Outcome::kNoName;
        break;
    case TargetPath::Kind::kUnchanged:
        r.outcome = Outcome::kUnchanged;
        break;
    case TargetPath::Kind::kNewPath:
        r.newPath = target.path;
        r.outcome = RenameFile(r.newPath, r.oldPath, r.error);
        if (r.outcome == Outcome::kRenamed) {
            produced_.insert(fs_.pathKey(r.newPath));
        }
        break;
    }
    report(r);
    return r.outcome;
}

Outcome Renamer::RenameFile(const std::string &newPath, const std::string &oldPath, std::error_code &error)
{
    error.clear();
    if (fs_.samePath(newPath, oldPath)) {
        return Outcome::kUnchanged;
    }
    error = fs_.move(oldPath, newPath);
    return error ? Outcome::kFailed : Outcome::kRenamed;
}

}  // namespace tidemark
