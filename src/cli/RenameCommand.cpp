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
#include "cli/JobsOption.h"
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

// "12 of 40 PDFs" on one line of standard error, rewritten in place. Only
// on a terminal: piped or redirected output gets no progress noise.
class Progress {
public:
    void start(std::size_t total)
    {
        total_ = total;
        done_ = 0;
        active_ = true;
        show();
    }
    void step()
    {
        ++done_;
        show();
    }
    void finish()
    {
        hide();
        active_ = false;
    }
    // Takes the line away before something else is written to the terminal.
    void hide()
    {
        if (width_ > 0) {
            std::fprintf(stderr, "\r%*s\r", width_, "");
            std::fflush(stderr);
            width_ = 0;
        }
    }
    void show()
    {
        if (active_) {
            width_ = std::fprintf(stderr, "\r%zu of %zu PDFs", done_, total_) - 1;
            std::fflush(stderr);
        }
    }
    bool active() const { return active_; }

private:
    std::size_t total_ = 0;
    std::size_t done_ = 0;
    int width_ = 0;
    bool active_ = false;
};

// Prints one line per PDF on standard output and counts the outcomes. The
// lines are the same for a dry run and a real run.
class Report final : public RenameObserver {
public:
    explicit Report(Progress &progress) : progress_(progress) {}

    void fileDone(const FileReport &r) override
    {
        std::fflush(stderr);  // the library's messages about this file first
        progress_.hide();
        counts.fileDone(r);
        switch (r.outcome) {
        case Outcome::kRenamed:
            std::printf("renamed: %s -> %s\n", r.oldPath.c_str(), r.newPath.c_str());
            break;
        case Outcome::kUnchanged:
            std::printf("unchanged: %s (already named so)\n", r.oldPath.c_str());
            break;
        case Outcome::kNoTitle:
            std::printf("no title: %s\n", r.oldPath.c_str());
            break;
        case Outcome::kNoName:
            std::printf("no title: %s (the title \"%s\" leaves no file name)\n", r.oldPath.c_str(),
                        displayTitle(rule, r.title).c_str());
            break;
        case Outcome::kFailed:
            std::printf("failed: %s -> %s: %s\n", r.oldPath.c_str(), r.newPath.c_str(), r.error.message().c_str());
            break;
        }
        std::fflush(stdout);
        if (progress_.active()) {
            progress_.step();
        }
    }

    void folderSkipped(const std::string &folder, const std::error_code &error) override
    {
        pathFailed(folder, "cannot list the folder: " + error.message());
    }

    void entrySkipped(const std::string &path, const std::error_code &error) override
    {
        pathFailed(path, "cannot read: " + error.message());
    }

    void pathFailed(const std::string &path, const std::string &why)
    {
        progress_.hide();
        counts.addFailedPath();
        std::printf("failed: %s: %s\n", path.c_str(), why.c_str());
        std::fflush(stdout);
        progress_.show();
    }

    Rule rule = Rule::kRefined;  // the rule that read the titles
    OutcomeCounter counts;

private:
    Progress &progress_;
};

// While the progress line is up, the PDF library's messages first take it
// away so that they stay readable.
class MessagesAroundProgress {
public:
    explicit MessagesAroundProgress(Progress &progress)
    {
        setErrorSink([&progress](const std::string &message) {
            progress.hide();
            std::fputs(("Error: " + message + "\n").c_str(), stderr);
            progress.show();
        });
    }
    ~MessagesAroundProgress() { setErrorSink(nullptr); }
    MessagesAroundProgress(const MessagesAroundProgress &) = delete;
    MessagesAroundProgress &operator=(const MessagesAroundProgress &) = delete;
};

struct Options {
    bool recursive = false;
    bool dryRun = false;
    Rule rule = Rule::kRefined;
    bool noJournal = false;
    unsigned jobs = 1;
    std::vector<std::string> paths;
};

// Parses the arguments; returns -1 when the run should go on, or the exit
// status to end with.
int parse(const std::vector<std::string> &args, Options &options)
{
    bool endOfOptions = false;
    bool bad = false;
    JobsOption jobs("rename", TitlesAhead::defaultJobs());
    for (const std::string &arg : args) {
        if (!endOfOptions || jobs.wantsValue()) {
            const JobsOption::Take took = jobs.take(arg);
            if (took == JobsOption::Take::kBadValue) {
                printUsage(false);
                return kUsage;
            }
            if (took == JobsOption::Take::kTaken) {
                continue;
            }
        }
        if (endOfOptions || arg.size() < 2 || arg[0] != '-') {
            options.paths.push_back(arg);
        } else if (parseRuleOption(arg, "rename", options.rule, bad)) {
            if (bad) {
                printUsage(false);
                return kUsage;
            }
        } else if (arg == "--") {
            endOfOptions = true;
        } else if (arg == "--help" || arg == "-h") {
            printUsage(true);
            return kOk;
        } else if (arg == "--recursive") {
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
            std::fprintf(stderr, "tidemark rename: unknown option '%s'\n", arg.c_str());
            printUsage(false);
            return kUsage;
        }
    }
    if (!jobs.complete()) {
        printUsage(false);
        return kUsage;
    }
    options.jobs = jobs.jobs();
    if (options.paths.empty()) {
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
    const std::string &path = options.paths[first];
    if (fs.kindOf(path) == EntryKind::kDirectory) {
        for (const std::string &pdf : renamer.ListPdfsInFolder(options.recursive, path)) {
            titles.queue(pdf);
        }
        return first + 1;
    }
    std::size_t end = first;
    for (; end < options.paths.size() && isPdfFile(options.paths[end], fs, cp, renamer); ++end) {
        titles.queue(options.paths[end]);
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
        journal->beginRun({options.recursive ? "rename -r" : "rename", absolutePaths(options.paths)});
    }

    // Reads titles by the rule chosen, several at once; holds the library
    // for the whole run.
    TitlesAhead titles(titleSource(options.rule), options.jobs);
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
    report.rule = options.rule;
    Renamer renamer(fs, cp, &report, titles.source());
    renamer.setTitleEncoding(titleEncoding(options.rule));

    std::unique_ptr<MessagesAroundProgress> messages;
    if (stderrIsTerminal()) {
        std::size_t total = 0;
        bool anyFolder = false;
        for (const std::string &path : options.paths) {
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
    for (std::size_t i = 0; i < options.paths.size(); ++i) {
        const std::string &path = options.paths[i];
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

    const OutcomeCounter &counts = report.counts;
    std::printf("%zu renamed, %zu unchanged, %zu no title, %zu failed%s\n", counts.renamed(), counts.unchanged(),
                counts.noTitle(), counts.failed(), options.dryRun ? " (dry run: nothing was renamed)" : "");
    std::fflush(stdout);
    return counts.failed() + counts.noTitle() == 0 ? kOk : kSomeFailed;
}

}  // namespace tidemark::cli
