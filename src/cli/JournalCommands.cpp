// tidemark undo and tidemark history: the runs in the user's journal.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "journal/Journal.h"
#include "journal/RecordingFileSystem.h"
#include "journal/Undo.h"
#include "rename/DryRunFileSystem.h"
#include "rename/FileSystem.h"

namespace tidemark::cli {

namespace {

// A positive run number or count; 0 when `text` is none.
std::uint64_t positiveNumber(const std::string &text)
{
    if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos) {
        return 0;
    }
    return std::strtoull(text.c_str(), nullptr, 10);
}

int usageError(const char *command, const std::string &what)
{
    std::fprintf(stderr, "tidemark %s: %s\n", command, what.c_str());
    printUsage(false);
    return kUsage;
}

std::string describe(const RunInfo &info)
{
    std::string text = info.command;
    if (!info.paths.empty()) {
        text += "  " + info.paths.front();
        if (info.paths.size() > 1) {
            text += " and " + std::to_string(info.paths.size() - 1) + " more";
        }
    }
    return text;
}

std::string countsText(const RunRecord &run)
{
    if (!run.ended) {
        std::size_t moved = 0;
        for (const MoveRecord &move : run.moves) {
            moved += move.state == MoveRecord::State::kFailed ? 0 : 1;
        }
        return "stopped before its end, " + std::to_string(moved) + " moved";
    }
    std::string text;
    for (const auto &[outcome, count] : run.counts) {
        text += (text.empty() ? "" : ", ") + std::to_string(count) + " " + outcome;
    }
    return text;
}

std::string localTime(std::int64_t seconds)
{
    const std::time_t t = static_cast<std::time_t>(seconds);
    const std::tm *local = std::localtime(&t);
    char text[32] = "?";
    if (local != nullptr) {
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", local);
    }
    return text;
}

// Prints one line per file and counts the outcomes.
class UndoPrinter {
public:
    void operator()(const UndoReport &r)
    {
        switch (r.outcome) {
        case UndoOutcome::kRestored:
            ++restored;
            std::printf("restored: %s -> %s\n", r.newPath.c_str(), r.oldPath.c_str());
            break;
        case UndoOutcome::kNotMoved:
            break;
        case UndoOutcome::kGone:
            leftAlone("%s: moved or deleted since the run\n", r);
            break;
        case UndoOutcome::kChanged:
            leftAlone("%s: changed since the run\n", r);
            break;
        case UndoOutcome::kOldNameTaken:
            ++left;
            std::printf("left alone: %s: its old name %s is taken\n", r.newPath.c_str(), r.oldPath.c_str());
            break;
        case UndoOutcome::kFailed:
            ++failed;
            std::printf("failed: %s -> %s: %s\n", r.newPath.c_str(), r.oldPath.c_str(), r.error.message().c_str());
            break;
        }
        std::fflush(stdout);
    }

    std::size_t restored = 0;
    std::size_t left = 0;
    std::size_t failed = 0;

private:
    void leftAlone(const char *format, const UndoReport &r)
    {
        ++left;
        std::fputs("left alone: ", stdout);
        std::printf(format, r.newPath.c_str());
    }
};

}  // namespace

int openJournal(const char *command, std::unique_ptr<Journal> &journal)
{
    const std::string folder = defaultJournalFolder();
    if (folder.empty()) {
        std::fprintf(stderr, "tidemark %s: no place for the journal: set XDG_STATE_HOME or HOME\n", command);
        return kUsage;
    }
    if (const std::error_code error = Journal::open(folder, journal)) {
        std::fprintf(stderr, "tidemark %s: cannot write the journal in %s: %s\n", command, folder.c_str(),
                     error.message().c_str());
        if (std::string(command) == "rename") {
            std::fputs("Nothing was renamed. With --no-journal the run is made without a way to undo it.\n", stderr);
        }
        return kUsage;
    }
    return -1;
}

std::vector<std::string> absolutePaths(const std::vector<std::string> &paths)
{
    std::vector<std::string> absolute;
    for (const std::string &path : paths) {
        absolute.push_back(absolutePath(path));
    }
    return absolute;
}

int runUndo(const std::vector<std::string> &args)
{
    bool dryRun = false;
    std::uint64_t wanted = 0;
    for (const std::string &arg : args) {
        if (arg == "--help" || arg == "-h") {
            printUsage(true);
            return kOk;
        }
        if (arg == "--dry-run" || arg == "-n") {
            dryRun = true;
        } else if (wanted == 0 && positiveNumber(arg) != 0) {
            wanted = positiveNumber(arg);
        } else {
            return usageError("undo", "unexpected argument '" + arg + "'");
        }
    }

    std::unique_ptr<Journal> journal;
    if (const int status = openJournal("undo", journal); status >= 0) {
        return status;
    }
    std::vector<RunRecord> runs;
    if (const std::error_code error = journal->readRuns(runs)) {
        std::fprintf(stderr, "tidemark undo: cannot read %s: %s\n", journal->path().c_str(), error.message().c_str());
        return kUsage;
    }
    std::string why;
    const RunRecord *run = findRunToUndo(runs, wanted, why);
    if (run == nullptr) {
        std::fprintf(stderr, "tidemark undo: %s\n", why.c_str());
        return kSomeFailed;
    }

    std::printf("taking back run %llu: %s\n", static_cast<unsigned long long>(run->id), describe(run->info).c_str());
    const std::unique_ptr<FileSystem> disk = makeSystemFileSystem();
    // The undo is a run of its own, so that it can be taken back too.
    journal->beginRun({"undo " + std::to_string(run->id), run->info.paths, run->id});
    RecordingFileSystem recording(*disk, journal.get(), RecordingFileSystem::Policy::kRefuseUnrecorded);
    DryRunFileSystem overlay(*disk);
    UndoPrinter printer;
    undoRun(*run, dryRun ? static_cast<FileSystem &>(overlay) : recording,
            [&printer](const UndoReport &r) { printer(r); });

    std::string recorded;
    if (dryRun) {
        recorded = " (dry run: nothing was restored)";
    } else {
        (void)journal->finish({{"restored", printer.restored}, {"left alone", printer.left}, {"failed", printer.failed}});
        if (journal->runId() != 0) {
            recorded = " (recorded as run " + std::to_string(journal->runId()) + ")";
        }
    }
    std::printf("%zu restored, %zu left alone, %zu failed%s\n", printer.restored, printer.left, printer.failed,
                recorded.c_str());
    std::fflush(stdout);
    return printer.left + printer.failed == 0 ? kOk : kSomeFailed;
}

int runHistory(const std::vector<std::string> &args)
{
    std::size_t limit = 10;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--help" || args[i] == "-h") {
            printUsage(true);
            return kOk;
        }
        if (args[i] == "-n" && i + 1 < args.size() && positiveNumber(args[i + 1]) != 0) {
            limit = positiveNumber(args[++i]);
        } else {
            return usageError("history", "unexpected argument '" + args[i] + "'");
        }
    }
    std::unique_ptr<Journal> journal;
    if (const int status = openJournal("history", journal); status >= 0) {
        return status;
    }
    std::vector<RunRecord> runs;
    if (const std::error_code error = journal->readRuns(runs)) {
        std::fprintf(stderr, "tidemark history: cannot read %s: %s\n", journal->path().c_str(),
                     error.message().c_str());
        return kUsage;
    }
    if (runs.empty()) {
        std::printf("no runs in %s\n", journal->path().c_str());
    }
    std::size_t shown = 0;
    for (auto it = runs.rbegin(); it != runs.rend() && shown < limit; ++it, ++shown) {
        std::string undone;
        if (it->undoneBy != 0) {
            undone = "  (taken back by run " + std::to_string(it->undoneBy) + ")";
        }
        std::printf("%llu  %s  %s  %s%s\n", static_cast<unsigned long long>(it->id), localTime(it->started).c_str(),
                    describe(it->info).c_str(), countsText(*it).c_str(), undone.c_str());
    }
    std::fflush(stdout);
    return kOk;
}

}  // namespace tidemark::cli
