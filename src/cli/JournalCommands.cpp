// tidemark undo and tidemark history: the runs in the user's journal.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "journal/Journal.h"
#include "journal/RunText.h"
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

// `text` as it may go to a terminal: a file name may hold control
// characters, which would move the cursor or change the terminal's state,
// and they are written as \xHH instead.
std::string printable(const std::string &text)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = [&text](std::size_t at) { return static_cast<unsigned char>(text[at]); };
        std::size_t control = byte(i) < 0x20 || byte(i) == 0x7F ? 1 : 0;
#ifndef _WIN32
        // U+0080 to U+009F, the C1 controls, in UTF-8; on Windows names are
        // in the ANSI code page, where these bytes are letters.
        if (byte(i) == 0xC2 && i + 1 < text.size() && byte(i + 1) >= 0x80 && byte(i + 1) <= 0x9F) {
            control = 2;
        }
#endif
        if (control == 0) {
            out += text[i];
            continue;
        }
        for (const std::size_t end = i + control; i < end; ++i) {
            out += "\\x";
            out += digits[byte(i) >> 4];
            out += digits[byte(i) & 15];
        }
        --i;
    }
    return out;
}

std::string describe(const RunInfo &info)
{
    std::string text = printable(info.command);
    if (!info.paths.empty()) {
        text += "  " + printable(info.paths.front());
        if (info.paths.size() > 1) {
            text += " and " + std::to_string(info.paths.size() - 1) + " more";
        }
    }
    return text;
}

// One line per file that the undo restored or left alone.
void printUndoLine(const UndoReport &r)
{
    const std::string newPath = printable(r.newPath);
    const std::string oldPath = printable(r.oldPath);
    switch (r.outcome) {
    case UndoOutcome::kRestored:
        std::printf("restored: %s -> %s\n", newPath.c_str(), oldPath.c_str());
        break;
    case UndoOutcome::kUnderOldName:
        return;
    case UndoOutcome::kFailed:
        std::printf("failed: %s -> %s: %s\n", newPath.c_str(), oldPath.c_str(), r.error.message().c_str());
        break;
    default:
        std::printf("left alone: %s: %s\n", newPath.c_str(), printable(leftAloneText(r)).c_str());
        break;
    }
    std::fflush(stdout);
}

}  // namespace

int openJournal(const char *command, std::unique_ptr<Journal> &journal, JournalAccess access)
{
    const std::string folder = defaultJournalFolder();
    if (folder.empty()) {
        std::fprintf(stderr, "tidemark %s: no place for the journal: set XDG_STATE_HOME or HOME\n", command);
        return kUsage;
    }
    const bool recording = access == JournalAccess::kRecord;
    if (const std::error_code error =
            recording ? Journal::open(folder, journal) : Journal::openForReading(folder, journal)) {
        std::fprintf(stderr, "tidemark %s: cannot %s the journal in %s: %s\n", command, recording ? "write" : "read",
                     folder.c_str(), error.message().c_str());
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

    // A dry run writes nothing, so it needs no more than to read.
    std::unique_ptr<Journal> journal;
    if (const int status = openJournal("undo", journal, dryRun ? JournalAccess::kRead : JournalAccess::kRecord);
        status >= 0) {
        return status;
    }
    std::optional<RunRecord> run;
    std::string why;
    if (const std::error_code error = findRunToUndo(*journal, wanted, run, why)) {
        std::fprintf(stderr, "tidemark undo: cannot read %s: %s\n", journal->path().c_str(), error.message().c_str());
        return kUsage;
    }
    if (!run) {
        std::fprintf(stderr, "tidemark undo: %s\n", why.c_str());
        return kSomeFailed;
    }

    std::printf("taking back run %llu: %s\n", static_cast<unsigned long long>(run->id), describe(run->info).c_str());
    std::fflush(stdout);
    const std::unique_ptr<FileSystem> disk = makeSystemFileSystem();
    DryRunFileSystem overlay(*disk);
    const UndoCounts counts = takeBackRun(*run, dryRun ? static_cast<FileSystem &>(overlay) : *disk,
                                          dryRun ? nullptr : journal.get(), printUndoLine);

    std::string more;
    if (counts.underOldName != 0) {
        more = ", " + std::to_string(counts.underOldName) + " already back";
    }
    if (dryRun) {
        more += " (dry run: nothing was restored)";
    } else if (counts.recordedAs != 0) {
        more += " (recorded as run " + std::to_string(counts.recordedAs) + ")";
    }
    std::printf("%zu restored, %zu left alone, %zu failed%s\n", counts.restored, counts.leftAlone, counts.failed,
                more.c_str());
    std::fflush(stdout);
    return counts.leftAlone + counts.failed == 0 ? kOk : kSomeFailed;
}

int runHistory(const std::vector<std::string> &args)
{
    std::size_t limit = 10;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--help" || args[i] == "-h") {
            printUsage(true);
            return kOk;
        }
        if (args[i] != "-n") {
            return usageError("history", "unexpected argument '" + args[i] + "'");
        }
        if (i + 1 == args.size()) {
            return usageError("history", "-n wants a number of runs");
        }
        limit = positiveNumber(args[++i]);
        if (limit == 0) {
            return usageError("history", "-n wants a number of runs from 1 up, not '" + args[i] + "'");
        }
    }
    std::unique_ptr<Journal> journal;
    if (const int status = openJournal("history", journal, JournalAccess::kRead); status >= 0) {
        return status;
    }
    std::vector<RunRecord> runs;
    if (const std::error_code error = journal->readRuns(runs, limit, false)) {
        std::fprintf(stderr, "tidemark history: cannot read %s: %s\n", journal->path().c_str(),
                     error.message().c_str());
        return kUsage;
    }
    if (runs.empty()) {
        std::printf("no runs in %s\n", journal->path().c_str());
    }
    for (const RunRecord &run : runs) {
        std::printf("%llu  %s  %s  %s\n", static_cast<unsigned long long>(run.id), runTimeText(run.started).c_str(),
                    describe(run.info).c_str(), printable(runResultText(run)).c_str());
    }
    std::fflush(stdout);
    return kOk;
}

}  // namespace tidemark::cli
