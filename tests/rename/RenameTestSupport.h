#pragma once

// Shared by the rename suites: paper PDFs with a chosen title, the names in
// a folder tree, and an observer that keeps what the renamer reported.
#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "PdfWriter.h"
#include "rename/FileSystem.h"
#include "rename/ForwardingFileSystem.h"
#include "rename/Renamer.h"

namespace tidemark::testing {

// A one-page paper whose title is `title` (bytes in WinAnsi, which is
// Latin-1 for letters), set on one line per '\n'-separated part. `author`
// makes the bytes of two papers with one title differ.
inline pdfgen::Document paper(const std::string &title, const std::string &author = "Ann Author")
{
    pdfgen::PageBuilder b;
    std::size_t begin = 0;
    for (std::size_t end; (end = title.find('\n', begin)) != std::string::npos; begin = end + 1) {
        b.line(title.substr(begin, end - begin), 20, "Helvetica-Bold");
    }
    b.line(title.substr(begin), 20, "Helvetica-Bold");
    b.line(author, 12).gap(10).line("Abstract", 11, "Helvetica-Bold").body(6);
    return {{b.page()}, "Metadata Must Not Win"};
}

// A title of four lines of accented letters: 327 bytes as a UTF-8 name,
// more than a file name may hold.
inline std::string overlongTitle()
{
    const std::string line = "X" + std::string(40, '\xE9');
    return line + "\n" + line + "\n" + line + "\n" + line;
}

inline void writePaper(const std::string &path, const std::string &title, const std::string &author = "Ann Author")
{
    pdfgen::writeFile(path, paper(title, author));
}

// A one-page paper whose title is UTF-8 text in any script.
inline void writeUnicodePaper(const std::string &path, const std::string &title)
{
    pdfgen::PageBuilder b;
    b.line(title, 20, pdfgen::kUnicodeBoldFont).line("Ann Author", 12).gap(10);
    b.line("Abstract", 11, "Helvetica-Bold").body(6);
    pdfgen::writeFile(path, {{b.page()}, ""});
}

// Every entry under `root`, relative, sorted; folders end with '/' and
// symbolic links with '@'. Links are not followed.
inline std::vector<std::string> treeOf(const std::string &root)
{
    namespace fs = std::filesystem;
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().lexically_relative(root).generic_string();
        if (it->is_symlink()) {
            name += '@';
        } else if (it->is_directory()) {
            name += '/';
        }
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

class Recorder final : public RenameObserver {
public:
    void fileDone(const FileReport &r) override { files.push_back(r); }
    void folderSkipped(const std::string &folder, const std::error_code &error) override
    {
        skipped.push_back(folder);
        skipErrors.push_back(error);
    }
    void entrySkipped(const std::string &path, const std::error_code &error) override
    {
        skipped.push_back(path);
        skipErrors.push_back(error);
    }
    const FileReport *find(const std::string &oldPath) const
    {
        for (const FileReport &r : files) {
            if (r.oldPath == oldPath) {
                return &r;
            }
        }
        return nullptr;
    }

    std::vector<FileReport> files;
    std::vector<std::string> skipped;
    std::vector<std::error_code> skipErrors;
};

// Hands every call to the disk; tests override the calls they change.
using tidemark::ForwardingFileSystem;

}  // namespace tidemark::testing
