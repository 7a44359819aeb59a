// tidemark watch: renames the PDFs that arrive in folders, until stopped.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "cli/Commands.h"
#include "cli/Naming.h"
#include "cli/RenameReport.h"
#include "journal/Journal.h"
#include "rename/FileSystem.h"
#include "rename/TitlesAhead.h"
#include "watch/ChangeSource.h"
#include "watch/Watch.h"

namespace tidemark::cli {

namespace {

struct Options {
    bool recursive = false;
    bool existing = false;
    RenameArguments common;  // naming, jobs, folders
};

int usageError(const std::string &what)
{
    std::fprintf(stderr, "tidemark watch: %s\n", what.c_str());
    printUsage(false);
    return kUsage;
}

int parse(const std::vector<std::string> &args, Options &options)
{
    return parseRenameArguments(args, "watch",
                                [&options](const std::string &arg) {
                                    if (arg == "-r" || arg == "--recursive") {
                                        options.recursive = true;
                                    } else if (arg == "--existing") {
                                        options.existing = true;
                                    } else {
                                        return false;
                                    }
                                    return true;
                                },
                                options.common);
}

// `path` without the separators at its end, unless it is a root.
std::string withoutTrailingSeparator(std::string path, const FileSystem &fs)
{
    while (path.size() > 1 && fs.isSeparator(path.back()) && path[path.size() - 2] != ':') {
        path.pop_back();
    }
    return path;
}

std::string whyNotAFolder(const std::string &path, FileSystem &fs)
{
    std::error_code error;
    if (fs.argumentKind(path, error) == EntryKind::kUnreadable && error) {
        return path + ": " + error.message();
    }
    return "'" + path + "' is not a folder";
}

#ifndef _WIN32
std::string home()
{
    const char *value = std::getenv("HOME");
    return value != nullptr ? value : "";
}

// "~" and "~/..." in the home folder; a relative path there too.
std::string fromHome(const std::string &line)
{
    if (line == "~") {
        return home();
    }
    if (line.rfind("~/", 0) == 0) {
        return home() + line.substr(1);
    }
    return line[0] == '/' ? line : home() + "/" + line;
}

// The user's download folder, as xdg-user-dir tells it ("~/Downloads" when
// it cannot be asked).
std::string downloadFolder()
{
    std::string folder;
    if (std::FILE *pipe = popen("xdg-user-dir DOWNLOAD 2>/dev/null", "r")) {
        char buffer[4096];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
            folder += buffer;
        }
        pclose(pipe);
    }
    while (!folder.empty() && (folder.back() == '\n' || folder.back() == '\r')) {
        folder.pop_back();
    }
    return folder.empty() || folder[0] != '/' ? home() + "/Downloads" : folder;
}

// The folders to watch when none is given: those of the user's
// configuration file, one a line ("#" begins a comment line), or when
// there is no such file, the download folder. A listed folder that is not
// there is reported and passed over, so that a drive not plugged in does
// not keep the others unwatched.
int configuredFolders(Options &options, FileSystem &fs)
{
    const char *config = std::getenv("XDG_CONFIG_HOME");
    const std::string file =
        (config != nullptr && config[0] == '/' ? std::string(config) : home() + "/.config") + "/tidemark/watch";
    std::ifstream in(file);
    if (!in) {
        options.common.paths.push_back(downloadFolder());
        return -1;
    }
    for (std::string line; std::getline(in, line);) {
        const std::size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#') {
            continue;
        }
        line = fromHome(line.substr(first, line.find_last_not_of(" \t\r") + 1 - first));
        if (fs.kindOf(line) == EntryKind::kDirectory) {
            options.common.paths.push_back(line);
        } else {
            std::fprintf(stderr, "tidemark watch: %s (in %s); watching the others\n", whyNotAFolder(line, fs).c_str(),
                         file.c_str());
        }
    }
    if (options.common.paths.empty()) {
        std::fprintf(stderr, "tidemark watch: %s names no folder to watch\n", file.c_str());
        return kUsage;
    }
    return -1;
}
#endif

// Prints each file as rename does, and on standard error what befalls the
// folders.
class Printer final : public WatchObserver {
public:
    Printer(Report &report, bool recursive) : report_(report), recursive_(recursive) {}

    void watching(const std::string &folder) override
    {
        std::fprintf(stderr, "tidemark watch: watching %s%s\n", folder.c_str(), recursive_ ? " and its subfolders" : "");
        std::fflush(stderr);
    }

    void fileDone(const FileReport &r) override { report_.fileDone(r); }
    void folderLost(const std::string &folder, const std::string &why) override
    {
        std::fprintf(stderr, "tidemark watch: stopped watching %s: %s\n", folder.c_str(), why.c_str());
        std::fflush(stderr);
    }
    void changesLost() override
    {
        std::fputs("tidemark watch: the system dropped notices of changes; PDFs that arrived meanwhile may be "
                   "left as they are (tidemark rename names them)\n",
                   stderr);
        std::fflush(stderr);
    }

private:
    Report &report_;
    bool recursive_;
};

}  // namespace

int runWatch(const std::vector<std::string> &args)
{
    Options options;
    if (const int status = parse(args, options); status >= 0) {
        return status;
    }
    const std::unique_ptr<FileSystem> disk = makeSystemFileSystem();
    if (options.common.paths.empty()) {
#ifdef _WIN32
        return usageError("no DIR given");
#else
        if (const int status = configuredFolders(options, *disk); status >= 0) {
            return status;
        }
#endif
    }
    WatchSettings settings;
    settings.recursive = options.recursive;
    settings.existing = options.existing;
    for (const std::string &folder : options.common.paths) {
        if (disk->kindOf(folder) != EntryKind::kDirectory) {
            return usageError(whyNotAFolder(folder, *disk));
        }
        const std::string absolute = withoutTrailingSeparator(absolutePath(folder), *disk);
        bool named = false;
        for (const std::string &earlier : settings.folders) {
            named = named || disk->samePath(earlier, absolute);
        }
        if (!named) {
            settings.folders.push_back(absolute);
        }
    }

    std::unique_ptr<Journal> journal;
    if (const int status = openJournal("watch", journal); status >= 0) {
        return status;
    }
    // Before any thread starts: from here on a stop signal only asks.
    std::error_code error;
    const std::unique_ptr<ChangeSource> source = makeSystemChangeSource(error);
    if (!source) {
        std::fprintf(stderr, "tidemark watch: cannot watch folders: %s\n", error.message().c_str());
        return kUsage;
    }
    TitlesAhead titles(namingTitles(options.common.naming), options.common.jobs);
    Progress noProgress;
    Report report(noProgress);
    report.rule = options.common.naming.rule;
    Printer printer(report, options.recursive);
    Watch watch(*source, *disk, journal.get(), titles,
                [&options](Renamer &renamer) { applyNaming(options.common.naming, renamer); }, printer,
                std::move(settings));
    const Watch::End end = watch.run();
    report.printSummary();
    if (end == Watch::End::kNoFolderLeft) {
        std::fputs("tidemark watch: no folder left to watch\n", stderr);
        return kSomeFailed;
    }
    return kOk;
}

}  // namespace tidemark::cli
