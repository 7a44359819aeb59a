// tidemark rename: renames PDF files, and the PDFs of folders, to their titles.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "cli/Commands.h"
#include "cli/Naming.h"
#include "cli/RenameReport.h"
#include "cli/TitleRules.h"
#include "journal/Journal.h"
#include "journal/RecordingFileSystem.h"
#include "rename/CodePage.h"
#include "rename/DryRunFileSystem.h"
#include "rename/FileSystem.h"
#include "rename/Renamer.h"
#include "rename/TargetName.h"
#include "rename/TitlesAhead.h"
#include "title/TitleExtractor.h"

namespace tidemark::cli {

namespace {

bool stderrIsTerminal()
{
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

struct Options {
    bool recursive = false;
    bool dryRun = false;
    bool noJournal = false;
    RenameArguments common;  // naming, jobs, paths
};

// Parses the arguments; returns -1 when the run should go on, or the exit
// status to end with.
int parse(const std::vector<std::string> &args, Options &options)
{
    const auto own = [&options](const std::string &arg) {
        if (arg == "--recursive") {
            options.recursive = true;
        } else if (arg == "--dry-run") {
            options.dryRun = true;
        } else if (arg == "--no-journal") {
            options.noJournal = true;
        } else if (arg.find_first_not_of("rn", 1) == std::string::npos && arg[1] != '-') {
            // -r, -n, and the two together (-rn)
            options.recursive = options.recursive || arg.find('r') != std::string::npos;
            options.dryRun = options.dryRun || arg.find('n') != std::string::npos;
        } else {
            return false;
        }
        return true;
    };
    if (const int status = parseRenameArguments(args, "rename", own, options.common); status >= 0) {
        return status;
    }
    if (options.common.paths.empty()) {
        std::fputs("tidemark rename: no PATH given\n", stderr);
        printUsage(false);
        return kUsage;
    }
    return -1;
}

bool isLink(const std::string &path)
{
    std::error_code error;
    return std::filesystem::is_symlink(std::filesystem::symlink_status(std::filesystem::path(path), error));
}

std::string whyUnreadable(const std::string &path)
{
    std::error_code error;
    (void)std::filesystem::symlink_status(std::filesystem::path(path), error);
    return error ? error.message() : "cannot be read";
}

bool isPdfFile(const std::string &path, FileSystem &fs, const CodePage &cp, const Renamer &renamer)
{
    return fs.kindOf(path) == EntryKind::kFile && GetLowerExtension(path.substr(renamer.folderLength(path)), cp) == ".pdf";
}

// Queues the titles of the PDFs that the arguments from `first` on will ask
// for: those of one folder, or of a run of PDF files. Returns the index of
// the first argument after them. The caller settles the titles before the
// next arguments, so that no file is read while a move of an argument
// before it could reach it.
std::size_t queueTitles(const Options &options, std::size_t first, FileSystem &fs, const CodePage &cp,
                        Renamer &renamer, TitlesAhead &titles)
{
    const std::string &path = options.common.paths[first];
    if (fs.kindOf(path) == EntryKind::kDirectory) {
        for (const std::string &pdf : renamer.ListPdfsInFolder(options.recursive, path)) {
            titles.queue(pdf);
        }
        return first + 1;
    }
    std::size_t end = first;
    for (; end < options.common.paths.size() && isPdfFile(options.common.paths[end], fs, cp, renamer); ++end) {
        titles.queue(options.common.paths[end]);
    }
    return std::max(end, first + 1);
}

}  // namespace

int runRename(const std::vector<std::string> &args)
{
    Options options;
    if (const int status = parse(args, options); status >= 0) {
        return status;
    }

    // Every real run is recorded so that it can be taken back; a run that
    // could not be is not made, unless the user does without.
    std::unique_ptr<Journal> journal;
    if (!options.dryRun && !options.noJournal) {
        if (const int status = openJournal("rename", journal); status >= 0) {
            return status;
        }
        journal->beginRun({options.recursive ? "rename -r" : "rename", absolutePaths(options.common.paths)});
    }

    // Reads titles by the rule chosen, several at once; holds the library
    // for the whole run.
    TitlesAhead titles(namingTitles(options.common.naming), options.common.jobs);
    const std::unique_ptr<FileSystem> disk = makeSystemFileSystem();
    std::unique_ptr<DryRunFileSystem> overlay;
    if (options.dryRun) {
        overlay = std::make_unique<DryRunFileSystem>(*disk);
    }
    RecordingFileSystem recording(*disk, journal.get(), RecordingFileSystem::Policy::kRefuseUnrecorded);
    FileSystem &fs = overlay ? static_cast<FileSystem &>(*overlay) : recording;
    const CodePage &cp = systemCodePage();

    Progress progress;
    Report report(progress);
    report.rule = options.common.naming.rule;
    Renamer renamer(fs, cp, &report, titles.source());
    applyNaming(options.common.naming, renamer);

    std::unique_ptr<MessagesAroundProgress> messages;
    if (stderrIsTerminal()) {
        std::size_t total = 0;
        bool anyFolder = false;
        for (const std::string &path : options.common.paths) {
            const EntryKind kind = fs.kindOf(path);
            if (kind == EntryKind::kDirectory) {
                anyFolder = true;
                total += renamer.ListPdfsInFolder(options.recursive, path).size();
            } else if (isPdfFile(path, fs, cp, renamer)) {
                ++total;
            }
        }
        if (anyFolder) {
            messages = std::make_unique<MessagesAroundProgress>(progress);
            progress.start(total);
        }
    }

    std::size_t queuedUpTo = 0;  // the arguments whose titles are queued end here
    for (std::size_t i = 0; i < options.common.paths.size(); ++i) {
        const std::string &path = options.common.paths[i];
        if (i >= queuedUpTo && titles.readsAhead()) {
            queuedUpTo = queueTitles(options, i, fs, cp, renamer, titles);
        }
        const std::size_t split = renamer.folderLength(path);
        const std::string name = path.substr(split);
        switch (fs.kindOf(path)) {
        case EntryKind::kDirectory:
            renamer.RenamePdfsInFolder(options.recursive, path);
            break;
        case EntryKind::kFile:
            if (GetLowerExtension(name, cp) == ".pdf") {
                renamer.RenamePdfToTitle(path.substr(0, split), name);
            } else {
                report.pathFailed(path, "not a PDF file or a folder");
            }
            break;
        case EntryKind::kOther:
            report.pathFailed(path, isLink(path) ? "a symbolic link; links are neither followed nor renamed"
                                                 : "not a PDF file or a folder");
            break;
        case EntryKind::kUnreadable:
            report.pathFailed(path, whyUnreadable(path));
            break;
        }
        if (i + 1 == queuedUpTo) {
            titles.settle();
        }
    }
    progress.finish();
    messages.reset();
    if (journal) {
        (void)journal->finish(report.counts.counts());
    }

    report.printSummary(options.dryRun ? " (dry run: nothing was renamed)" : "");
    const OutcomeCounter &counts = report.counts;
    return counts.failed() + counts.noTitle() == 0 ? kOk : kSomeFailed;
}

}  // namespace tidemark::cli
