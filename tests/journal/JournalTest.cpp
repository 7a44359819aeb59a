// The journal and undo through the platform's own file-system layer: POSIX
// calls on Linux, the ANSI Windows calls under Windows (and Wine).
#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "RenameTestSupport.h"
#include "TempDir.h"
#include "journal/Journal.h"
#include "journal/RecordingFileSystem.h"
#include "journal/Undo.h"
#include "rename/CodePage.h"
#include "rename/DryRunFileSystem.h"
#include "rename/Renamer.h"

namespace tidemark {
namespace {

namespace stdfs = std::filesystem;
using Tree = std::map<std::string, std::string>;

// Every entry under `root`, folders ending with '/', with the bytes of each
// file: the whole state a user could tell apart.
Tree snapshot(const std::string &root)
{
    Tree tree;
    const stdfs::path top(root);
    for (const auto &entry : stdfs::recursive_directory_iterator(top)) {
        const std::string name = entry.path().lexically_relative(top).generic_string();
        if (entry.is_directory()) {
            tree[name + "/"] = "";
        } else {
            std::ifstream in(entry.path(), std::ios::binary);
            std::ostringstream bytes;
            bytes << in.rdbuf();
            tree[name] = bytes.str();
        }
    }
    return tree;
}

// Journal lines as this program writes them.
std::string startLine(const std::string &run, const std::string &command = "rename")
{
    return "{\"run\":" + run + ",\"start\":1714640000,\"command\":\"" + command + "\",\"paths\":[\"/p\"]}\n";
}
std::string moveLine(std::uint64_t run, std::uint64_t move, const std::string &newName = "new.pdf")
{
    return "{\"run\":" + std::to_string(run) + ",\"move\":" + std::to_string(move) + ",\"old\":\"/p/" +
           std::to_string(move) + ".pdf\",\"new\":\"/p/" + newName + "\",\"size\":1,\"mtime\":2}\n";
}

// Hands every call to the real store; tests override the calls they fail.
class ForwardingStore : public JournalStore {
public:
    explicit ForwardingStore(std::unique_ptr<JournalStore> real) : real_(std::move(real)) {}
    std::error_code lock() override { return real_->lock(); }
    void unlock() override { real_->unlock(); }
    std::error_code size(std::uint64_t &bytes) override { return real_->size(bytes); }
    std::error_code readAt(std::uint64_t offset, std::size_t length, std::string &bytes) override
    {
        return real_->readAt(offset, length, bytes);
    }
    std::error_code append(const std::string &bytes) override { return real_->append(bytes); }
    std::error_code truncate(std::uint64_t length) override { return real_->truncate(length); }
    std::error_code replace(const std::string &head, const std::vector<ByteRange> &kept) override
    {
        return real_->replace(head, kept);
    }
    std::error_code sync() override { return real_->sync(); }
    std::error_code holdRun(std::uint64_t id) override { return real_->holdRun(id); }
    void releaseRun(std::uint64_t id) override { real_->releaseRun(id); }
    bool runGoesOn(std::uint64_t id) override { return real_->runGoesOn(id); }
    std::string path() const override { return real_->path(); }

protected:
    std::unique_ptr<JournalStore> real_;
};

class JournalRun : public ::testing::Test {
protected:
    std::string path(const std::string &relative) const
    {
        std::string p = papers.file(relative);
        for (char &c : p) {
            c = c == '/' ? fs->separator() : c;
        }
        return p;
    }
    void paper(const std::string &relative, const std::string &title, const std::string &author = "Ann Author")
    {
        testing::writePaper(path(relative), title, author);
    }
    // Through the narrow calls, which take names in the system's own bytes.
    void folder(const std::string &relative)
    {
#ifdef _WIN32
        ASSERT_TRUE(CreateDirectoryA(path(relative).c_str(), nullptr));
#else
        ASSERT_EQ(mkdir(path(relative).c_str(), 0755), 0);
#endif
    }
    std::unique_ptr<JournalStore> store()
    {
        std::unique_ptr<JournalStore> opened;
        EXPECT_FALSE(openJournalStore(state.path(), opened));
        return opened;
    }
    std::unique_ptr<Journal> journal()
    {
        std::unique_ptr<Journal> opened;
        EXPECT_FALSE(Journal::open(state.path(), opened));
        return opened;
    }
    // Renames every paper under `where` (the whole folder by default),
    // `first` before the others, as one recorded run.
    void renameAll(const std::string &first = "", const std::string &where = "")
    {
        const std::unique_ptr<Journal> j = journal();
        j->beginRun({"rename -r", {path(where)}});
        RecordingFileSystem recording(*fs, j.get(), RecordingFileSystem::Policy::kRefuseUnrecorded);
        Renamer renamer(recording, systemCodePage());
        if (!first.empty()) {
            renamer.RenamePdfToTitle(path(""), first);
        }
        renamer.RenamePdfsInFolder(true, where.empty() ? papers.path() : path(where));
        EXPECT_FALSE(j->finish(renameCounts(0, 0, 0, 0)));
    }
    // Every run, newest first.
    std::vector<RunRecord> runs()
    {
        std::vector<RunRecord> all;
        EXPECT_FALSE(journal()->readRuns(all));
        return all;
    }
    // The run `tidemark undo [wanted]` takes back, or why none.
    std::optional<RunRecord> runToUndo(std::uint64_t wanted, std::string &why)
    {
        std::optional<RunRecord> run;
        EXPECT_FALSE(findRunToUndo(*journal(), wanted, run, why));
        return run;
    }
    // Takes back run `wanted` (0: the one undo picks) as `tidemark undo`
    // does, through `disk` (the system's by default).
    UndoCounts undo(std::uint64_t wanted, std::vector<UndoReport> *reports = nullptr, FileSystem *disk = nullptr)
    {
        std::string why;
        const std::optional<RunRecord> run = runToUndo(wanted, why);
        EXPECT_TRUE(run) << why;
        if (!run) {
            return {};
        }
        const std::unique_ptr<Journal> j = journal();
        return takeBackRun(*run, disk != nullptr ? *disk : *fs, j.get(), [reports](const UndoReport &r) {
            if (reports != nullptr) {
                reports->push_back(r);
            }
        });
    }
    std::string journalFile() const { return state.file("journal"); }

    TempDir state;   // the journal's folder
    TempDir papers;  // the user's
    std::unique_ptr<FileSystem> fs = makeSystemFileSystem();
};

TEST_F(JournalRun, UndoGivesBackTheTreeAndTakingBackTheUndoRenamesAgain)
{
    folder("sub");
    folder("caf\xE9");  // not UTF-8: Latin-1 bytes on POSIX, the ANSI code page on Windows
    paper("Bravo.pdf", "Charlie");  // renamed first: a.pdf then takes its name
    paper("a.pdf", "Bravo");
    paper("c.pdf", "Charlie", "Other Author");
    paper("sub/d.PDF", "Delta");
    paper("caf\xE9/r\xE9sum\xE9.pdf", "Echo");
    writeFileBytes(path("notes.txt"), "not a paper");
    const Tree before = snapshot(papers.path());

    renameAll("Bravo.pdf");
    const Tree renamed = snapshot(papers.path());
    ASSERT_EQ(renamed.count("Bravo.pdf"), 1u);
    ASSERT_NE(renamed, before);
    ASSERT_EQ(renamed.size(), before.size());

    std::vector<UndoReport> reports;
    EXPECT_EQ(undo(0, &reports).recordedAs, 2u);
    EXPECT_EQ(snapshot(papers.path()), before);
    ASSERT_EQ(reports.size(), 5u);
    for (const UndoReport &r : reports) {
        EXPECT_EQ(r.outcome, UndoOutcome::kRestored) << r.newPath;
    }
    std::vector<RunRecord> all = runs();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[1].undoneBy, 2u);
    std::string why;
    EXPECT_FALSE(runToUndo(0, why));  // an undo is only taken back by name
    EXPECT_EQ(why, "no run left to take back");

    undo(2);
    EXPECT_EQ(snapshot(papers.path()), renamed);
    all = runs();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[2].undoneBy, 0u);  // its undo was taken back
    EXPECT_EQ(all[1].undoneBy, 3u);
    EXPECT_EQ(runToUndo(0, why)->id, 1u);
}

TEST_F(JournalRun, UndoLeavesAloneWhatTheUserChangedAndReplacesNothing)
{
    const std::string newFile = "a new file under the old name";
    struct Case {
        const char *name;   // the paper's first name
        const char *title;  // and its name after the run
        std::function<void(const std::string &renamed)> change;
        UndoOutcome outcome;
    };
    const std::vector<Case> cases{
        {"moved.pdf", "Moved Away", [&](const std::string &p) { stdfs::rename(p, path("elsewhere.pdf")); },
         UndoOutcome::kGone},
        {"deleted.pdf", "Deleted Since", [](const std::string &p) { stdfs::remove(p); }, UndoOutcome::kGone},
        {"edited.pdf", "Edited Since",
         [](const std::string &p) { writeFileBytes(p, readFileBytes(p) + "% a note\n"); }, UndoOutcome::kChanged},
        {"touched.pdf", "Touched Since",
         [](const std::string &p) { stdfs::last_write_time(p, stdfs::last_write_time(p) + std::chrono::hours(1)); },
         UndoOutcome::kChanged},
        {"taken.pdf", "Name Taken", [&](const std::string &) { writeFileBytes(path("taken.pdf"), newFile); },
         UndoOutcome::kOldNameTaken},
        {"kept.pdf", "Kept As Is", [](const std::string &) {}, UndoOutcome::kRestored},
    };
    for (const Case &c : cases) {
        paper(c.name, c.title);
    }
    renameAll();
    for (const Case &c : cases) {
        c.change(path(std::string(c.title) + ".pdf"));
    }
    const Tree changed = snapshot(papers.path());

    std::vector<UndoReport> reports;
    undo(0, &reports);
    ASSERT_EQ(reports.size(), cases.size());
    for (const Case &c : cases) {
        const std::string renamed = path(std::string(c.title) + ".pdf");
        const auto r = std::find_if(reports.begin(), reports.end(),
                                    [&](const UndoReport &report) { return report.newPath == renamed; });
        ASSERT_NE(r, reports.end()) << c.title;
        EXPECT_EQ(r->outcome, c.outcome) << c.title;
        EXPECT_EQ(r->oldPath, path(c.name));
    }
    // Only the untouched paper moved; every other file is as the user left it.
    Tree expected = changed;
    expected["kept.pdf"] = expected["Kept As Is.pdf"];
    expected.erase("Kept As Is.pdf");
    EXPECT_EQ(snapshot(papers.path()), expected);
    EXPECT_EQ(readFileBytes(path("taken.pdf")), newFile);
}

// A record is followed back only as the program makes moves: within one
// folder, from the root. Whatever else a journal holds moves nothing.
TEST_F(JournalRun, UndoMovesOnlyWithinTheFolderAlongTheRecordedPath)
{
    folder("other");
    folder("sub");
    struct Case {
        std::string oldPath;
        const char *atNew;  // where the file is, which the record says it was moved to
        UndoOutcome outcome;
    };
    const std::vector<Case> cases{
        {path("kept.pdf"), "Kept Paper.pdf", UndoOutcome::kRestored},
        {"relative.pdf", "Relative.pdf", UndoOutcome::kNotInOneFolder},
        {path("other/away.pdf"), "Away.pdf", UndoOutcome::kNotInOneFolder},
        {path(".."), "Up.pdf", UndoOutcome::kNotInOneFolder},
    };
    RunRecord run;
    for (const Case &c : cases) {
        writeFileBytes(path(c.atNew), c.atNew);
        MoveRecord move{c.oldPath, path(c.atNew), {}, MoveRecord::State::kDone};
        ASSERT_FALSE(readFileStamp(move.newPath, move.stamp));
        run.moves.insert(run.moves.begin(), move);  // undone last first
    }
    // A name longer than a name may be is an error to tell, not a change.
    const std::string tooLong = path(std::string(300, 'x') + ".pdf");
    run.moves.push_back({path("long.pdf"), tooLong, {1, 2}, MoveRecord::State::kDone});
    const Tree before = snapshot(papers.path());

    std::vector<UndoReport> reports;
    undoRun(run, *fs, [&](const UndoReport &r) { reports.push_back(r); });
    ASSERT_EQ(reports.size(), cases.size() + 1);
    EXPECT_EQ(reports[0].outcome, UndoOutcome::kFailed);
    EXPECT_TRUE(reports[0].error) << reports[0].error.message();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(reports[i + 1].outcome, cases[i].outcome) << cases[i].oldPath;
    }
    Tree expected = before;
    expected["kept.pdf"] = expected["Kept Paper.pdf"];
    expected.erase("Kept Paper.pdf");
    EXPECT_EQ(snapshot(papers.path()), expected);
}

TEST_F(JournalRun, ConcurrentRunsKeepTheirRecordsWhole)
{
    // Each thread opens the journal as a process of its own would.
    const auto runMany = [this](const std::string &who) {
        for (int run = 0; run < 20; ++run) {
            const std::unique_ptr<Journal> j = journal();
            j->beginRun({who, {}});
            for (int move = 0; move < 10; ++move) {
                std::size_t number = 0;
                const std::string name = who + "/" + std::to_string(run) + "/" + std::to_string(move);
                ASSERT_FALSE(j->recordMove(name, name + ".new", FileStamp{1, 2}, number));
                ASSERT_FALSE(j->markMove(number, true));
            }
        }
    };
    std::thread first(runMany, "first");
    std::thread second(runMany, "second");
    first.join();
    second.join();

    std::vector<RunRecord> all = runs();
    ASSERT_EQ(all.size(), 40u);
    std::reverse(all.begin(), all.end());
    std::map<std::string, int> runsOf;
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(all[i].id, i + 1);
        const std::string prefix = all[i].info.command + "/" + std::to_string(runsOf[all[i].info.command]++) + "/";
        ASSERT_EQ(all[i].moves.size(), 10u) << all[i].id;
        for (std::size_t m = 0; m < 10; ++m) {
            EXPECT_EQ(all[i].moves[m].oldPath, prefix + std::to_string(m));
            EXPECT_EQ(all[i].moves[m].state, MoveRecord::State::kDone);
        }
    }
    EXPECT_EQ(runsOf["first"], 20);
    EXPECT_EQ(runsOf["second"], 20);
}

// When a run starts and the journal holds 1,100 runs that moved something,
// or 64 MiB, it keeps the newest 1,000 such runs in no more than 56 MiB but
// for the newest. A run is kept or dropped whole, one whose process still
// records it is kept, and the trimmed journal takes the old one's place
// only once it is on the disk.
TEST_F(JournalRun, TrimKeepsTheNewestRunsWhole)
{
    struct Case {
        const char *why;
        std::uint64_t runs;   // in the journal before one more starts
        std::size_t bytes;    // of each (0: a start and one move), and of the last
        std::size_t lastBytes;
        std::uint64_t empty;  // the newest runs that moved nothing
        bool syncFails;
        std::size_t runsAfter;  // the new one with them
        std::uint64_t oldestAfter;  // but for run 1, which goes on
        std::string head = "";      // the first line, as a trim leaves it
    };
    const std::size_t mib2 = 2u << 20;
    const Case cases[] = {
        {"one run short of the bound", 1099, 0, 0, 0, false, 1100, 2},
        {"at the bound", 1100, 0, 0, 0, false, 1001, 102},
        {"a hundred moved nothing", 1100, 0, 0, 100, false, 1101, 2},
        {"the trimmed journal cannot be synced", 1100, 0, 0, 0, true, 1101, 2},
        {"a byte short of 64 MiB", 32, mib2, mib2 - 1, 0, false, 33, 2},
        {"64 MiB", 32, mib2, mib2, 0, false, 30, 5},
        {"the newest run alone past 56 MiB", 2, 8u << 20, 60u << 20, 0, false, 3, 2},
        {"1,000 kept at the last trim, 100 runs since", 1100, 0, 0, 0, false, 1001, 102,
         "{\"kept\":1000,\"through\":1000}\n"},
        {"999 kept at the last trim, 100 runs since", 1100, 0, 0, 0, false, 1101, 2,
         "{\"kept\":999,\"through\":1000}\n"},
    };
    for (const Case &c : cases) {
        // Each run: its start, then moves with names long enough to make it
        // `bytes`, or one move; or an end for one that moved nothing.
        std::map<std::uint64_t, std::size_t> movesOf;
        {
            std::ofstream out(journalFile(), std::ios::binary | std::ios::trunc);
            out << c.head;
            for (std::uint64_t id = 1; id <= c.runs; ++id) {
                const std::size_t bytes = id < c.runs ? c.bytes : c.lastBytes;
                std::string text = startLine(std::to_string(id));
                std::size_t &moves = movesOf[id];
                while (id <= c.runs - c.empty && (moves == 0 || text.size() < bytes)) {
                    const std::size_t shortest = moveLine(id, ++moves, ".pdf").size();
                    const std::size_t left = bytes > text.size() + shortest ? bytes - text.size() - shortest : 0;
                    text += moveLine(id, moves, std::string(left >= 3000 ? 1000 : left, 'x') + ".pdf");
                }
                out << (moves == 0 ? text + "{\"run\":" + std::to_string(id) + ",\"end\":1,\"counts\":{}}\n" : text);
            }
        }
        const std::unique_ptr<JournalStore> running = store();
        ASSERT_FALSE(running->holdRun(1));

        std::unique_ptr<JournalStore> watched = store();
        watched->setCallHook([&c](StoreCall call) {
            return call == StoreCall::kSyncReplacement && c.syncFails ? std::make_error_code(std::errc::io_error)
                                                                      : std::error_code{};
        });
        Journal j(std::move(watched));
        j.beginRun({"new", {}});
        std::size_t number = 0;
        ASSERT_FALSE(j.recordMove("old", "new", FileStamp{}, number));
        movesOf[c.runs + 1] = 1;
        std::vector<RunRecord> all;
        ASSERT_FALSE(j.readRuns(all, Journal::kAllRuns, false));
        ASSERT_EQ(all.size(), c.runsAfter) << c.why;
        EXPECT_EQ(all.front().id, c.runs + 1) << c.why;
        EXPECT_EQ(all.back().id, 1u) << c.why;
        EXPECT_EQ(all[all.size() - 2].id, c.oldestAfter) << c.why;
        for (const RunRecord &run : all) {
            ASSERT_EQ(run.tally.unconfirmed, movesOf[run.id]) << c.why << ": run " << run.id << " is whole";
        }
        EXPECT_EQ(snapshot(state.path()).count("journal.new"), 0u) << c.why;
    }
}

// Fails every read of the journal's bytes from `from` up to `to`, and says
// that one was tried.
class UnreadableStretchStore final : public ForwardingStore {
public:
    UnreadableStretchStore(std::unique_ptr<JournalStore> real, std::uint64_t from, std::uint64_t to)
        : ForwardingStore(std::move(real)), from_(from), to_(to)
    {
    }
    std::error_code readAt(std::uint64_t offset, std::size_t length, std::string &bytes) override
    {
        if (offset < to_ && offset + length > from_) {
            tried = true;
            return std::make_error_code(std::errc::io_error);
        }
        return real_->readAt(offset, length, bytes);
    }
    bool tried = false;

private:
    std::uint64_t from_;
    std::uint64_t to_;
};

// Starting a run, history and undo read the journal's end, as far back as
// the runs they need, and its first line: a long journal costs them no
// more than a short one. Runs 2 and 3 are 100 KiB each; of run 1's 3 MiB
// before them, only its first line and its last megabyte can be read here.
TEST_F(JournalRun, ReadingGoesNoFurtherBackThanTheRunsItNeeds)
{
    std::string text = startLine("1");
    for (std::uint64_t move = 1; move <= 3000; ++move) {
        text += moveLine(1, move, std::string(1000, 'x') + ".pdf");
    }
    const std::uint64_t unreadableTo = text.size() - (1u << 20);
    for (const std::uint64_t run : {2, 3}) {
        text += startLine(std::to_string(run));
        for (std::uint64_t move = 1; move <= 100; ++move) {
            text += moveLine(run, move, std::string(1000, 'x') + ".pdf");
        }
    }
    writeFileBytes(journalFile(), text);
    auto unreadable = std::make_unique<UnreadableStretchStore>(store(), 4096, unreadableTo);
    UnreadableStretchStore &stretch = *unreadable;
    Journal j(std::move(unreadable));

    struct Case {
        const char *why;
        std::function<std::error_code()> read;
        bool readable;
    };
    std::vector<RunRecord> shown;
    std::optional<RunRecord> undone;
    std::string why;
    const std::vector<Case> cases{
        {"history -n 2", [&] { return j.readRuns(shown, 2, false); }, true},
        {"history -n 3", [&] { return j.readRuns(shown, 3, false); }, false},
        {"undo", [&] { return findRunToUndo(j, 0, undone, why); }, true},
        {"undo 1", [&] { return findRunToUndo(j, 1, undone, why); }, false},
        {"undo 2", [&] { return findRunToUndo(j, 2, undone, why); }, true},
    };
    for (const Case &c : cases) {
        stretch.tried = false;
        EXPECT_EQ(!c.read(), c.readable) << c.why;
        EXPECT_EQ(stretch.tried, !c.readable) << c.why;
    }
    ASSERT_TRUE(undone);
    EXPECT_EQ(undone->id, 2u);
    EXPECT_EQ(undone->moves.size(), 100u);
    j.beginRun({"rename", {}});
    std::size_t number = 0;
    stretch.tried = false;
    EXPECT_FALSE(j.recordMove("/p/a.pdf", "/p/b.pdf", FileStamp{}, number));
    EXPECT_EQ(j.runId(), 4u);
    EXPECT_FALSE(stretch.tried);
}

TEST_F(JournalRun, LineCutShortByAPowerCutIsPassedOver)
{
    std::size_t number = 0;
    ASSERT_FALSE(journal()->recordMove("first", "first.new", FileStamp{}, number));
    std::ofstream(journalFile(), std::ios::binary | std::ios::app) << "{\"run\":1,\"move\":2,\"old\":{\"hex\":\"f";
    const std::unique_ptr<Journal> next = journal();
    next->beginRun({"after the cut", {}});
    ASSERT_FALSE(next->recordMove("second", "second.new", FileStamp{}, number));
    const std::vector<RunRecord> all = runs();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[1].moves.size(), 1u);
    ASSERT_EQ(all[0].moves.size(), 1u);
    EXPECT_EQ(all[0].moves[0].oldPath, "second");
}

// A full disk: the record that the test picks is written in part and the
// write fails, once.
class HalfWritingStore final : public ForwardingStore {
public:
    HalfWritingStore(std::unique_ptr<JournalStore> real, std::string record, bool truncates)
        : ForwardingStore(std::move(real)), record_(std::move(record)), truncates_(truncates)
    {
    }
    std::error_code append(const std::string &bytes) override
    {
        if (record_.empty() || bytes.find(record_) == std::string::npos) {
            return real_->append(bytes);
        }
        record_.clear();
        (void)real_->append(bytes.substr(0, bytes.size() / 2));
        return std::make_error_code(std::errc::no_space_on_device);
    }
    std::error_code truncate(std::uint64_t length) override
    {
        return truncates_ ? real_->truncate(length) : std::make_error_code(std::errc::io_error);
    }

private:
    std::string record_;
    bool truncates_;
};

TEST_F(JournalRun, AnAppendThatFailsPartwayLeavesNoRecordGluedToTheNext)
{
    for (const bool truncates : {true, false}) {
        for (const char *name : {"a.pdf", "b.pdf", "c.pdf"}) {
            paper(name, std::string("Full Disk ") + name);
        }
        const Tree before = snapshot(papers.path());
        {
            // The mark of the first move fails: that move is made, and
            // the next record must be read back as it was written.
            Journal j(std::make_unique<HalfWritingStore>(store(), "\"done\":1}", truncates));
            j.beginRun({"rename", {papers.path()}});
            RecordingFileSystem recording(*fs, &j, RecordingFileSystem::Policy::kRefuseUnrecorded);
            Renamer(recording, systemCodePage()).RenamePdfsInFolder(false, papers.path());
            EXPECT_FALSE(j.finish({}));
        }
        std::size_t unreadable = 0;
        std::istringstream lines(readFileBytes(journalFile()));
        for (std::string line; std::getline(lines, line);) {
            unreadable += !line.empty() && line.back() == '}' ? 0 : 1;
        }
        EXPECT_EQ(unreadable, truncates ? 0u : 1u);

        std::vector<UndoReport> reports;
        undo(0, &reports);
        EXPECT_EQ(reports.size(), 3u);
        EXPECT_EQ(snapshot(papers.path()), before) << truncates;
        stdfs::remove_all(papers.path());
        stdfs::create_directories(papers.path());
        stdfs::remove(journalFile());
    }
}

// The journal's file fails every append after the first `allowed` ones.
class FailingStore final : public ForwardingStore {
public:
    FailingStore(std::unique_ptr<JournalStore> real, int allowed) : ForwardingStore(std::move(real)), allowed_(allowed) {}
    std::error_code append(const std::string &bytes) override
    {
        return allowed_-- > 0 ? real_->append(bytes) : std::make_error_code(std::errc::no_space_on_device);
    }

private:
    int allowed_;
};

TEST_F(JournalRun, MoveThatCannotBeRecorded)
{
    struct Case {
        RecordingFileSystem::Policy policy;
        bool moved;
    };
    for (const Case c : {Case{RecordingFileSystem::Policy::kRefuseUnrecorded, false},
                         Case{RecordingFileSystem::Policy::kMoveAnyway, true}}) {
        paper("scan.pdf", "Full Disk");
        paper("first.pdf", "Recorded First");
        Journal j(std::make_unique<FailingStore>(store(), 3));  // start, first move, its mark
        j.beginRun({"rename", {}});
        RecordingFileSystem recording(*fs, &j, c.policy);
        Renamer renamer(recording, systemCodePage());
        EXPECT_EQ(renamer.RenamePdfToTitle(path(""), "first.pdf"), Outcome::kRenamed);

        std::error_code error;
        const Outcome outcome = renamer.RenameFile(path("Full Disk.pdf"), path("scan.pdf"), error);
        EXPECT_EQ(outcome, c.moved ? Outcome::kRenamed : Outcome::kFailed);
        EXPECT_EQ(snapshot(papers.path()).count(c.moved ? "Full Disk.pdf" : "scan.pdf"), 1u);
        if (!c.moved) {
            EXPECT_EQ(error.category(), journalCategory());
        }
        stdfs::remove_all(papers.path());
        stdfs::create_directories(papers.path());
    }
}

// A run's number is one more than the largest the journal holds, read or
// not, and never past the last that JSON readers keep exactly.
TEST_F(JournalRun, TheNextRunsNumber)
{
    struct Case {
        const char *why;
        std::string journal;
        std::uint64_t next;  // 0: refused
    };
    const std::vector<Case> cases{
        {"no journal yet", "", 1},
        {"a run that ended", startLine("7") + moveLine(7, 1) + "{\"run\":7,\"end\":1714640060,\"counts\":{}}\n", 8},
        {"a start line whose number cannot be read", startLine("1") + startLine("-2") + moveLine(2, 1), 3},
        {"a number another process wrote", startLine("5") + moveLine(9, 1), 10},
        {"a trim that kept no run", "{\"kept\":0,\"through\":41}\n", 42},
        {"the number before the last", startLine("9007199254740990"), 9007199254740991u},
        {"the last number", startLine("9007199254740991"), 0},
        {"the largest 64-bit number", startLine("18446744073709551615"), 0},
    };
    for (const Case &c : cases) {
        writeFileBytes(journalFile(), c.journal);
        std::unique_ptr<Journal> opened;
        const std::error_code error = Journal::open(state.path(), opened);
        EXPECT_EQ(error, c.next == 0 ? make_error_code(JournalErrc::kRunNumbersUsedUp) : std::error_code{}) << c.why;

        // A journal opened past that check refuses at the run's start.
        Journal j(store());
        j.beginRun({"rename", {}});
        std::size_t number = 0;
        const std::error_code recorded = j.recordMove("/p/a.pdf", "/p/b.pdf", FileStamp{}, number);
        EXPECT_EQ(recorded, c.next == 0 ? make_error_code(JournalErrc::kRunNumbersUsedUp) : std::error_code{})
            << c.why;
        EXPECT_EQ(j.runId(), c.next) << c.why;
    }
    EXPECT_EQ(journalError(make_error_code(JournalErrc::kRunNumbersUsedUp)).message(),
              "the journal's run numbers are used up: move the journal away to start a new one");
}

// Stops an undo: every move fails, or the process ends (an exception here,
// SIGKILL or SIGPIPE for a user) at the move numbered `stopAt`.
class StoppingDisk final : public ForwardingFileSystem {
public:
    struct Stopped {};
    StoppingDisk(FileSystem &disk, int stopAt) : ForwardingFileSystem(disk), stopAt_(stopAt) {}
    std::error_code move(const std::string &oldPath, const std::string &newPath) override
    {
        if (stopAt_ < 0) {
            return std::make_error_code(std::errc::permission_denied);
        }
        if (stopAt_-- == 0) {
            throw Stopped{};
        }
        return disk_.move(oldPath, newPath);
    }

private:
    int stopAt_;
};

// An undo uses up its run only when it ended with no file failed; else the
// next undo picks the same run again and carries it on.
TEST_F(JournalRun, UndoThatFailsOrStopsPartwayDoesNotUseUpTheRun)
{
    struct Case {
        const char *why;
        int stopAt;               // -1: every move fails
        std::uint64_t partlyBy;   // what history says of the run after it
        std::size_t restoredAfter;
    };
    for (const Case &c : {Case{"every move fails", -1, 0, 4}, Case{"stopped before its first move", 0, 0, 4},
                          Case{"stopped after two moves", 2, 3, 2}}) {
        folder("older");
        folder("newer");
        paper("older/o.pdf", "Older Paper");
        for (const char *name : {"a.pdf", "b.pdf", "c.pdf", "d.pdf"}) {
            paper(std::string("newer/") + name, std::string("Newer ") + name);
        }
        renameAll("", "older");  // run 1, in another folder
        const Tree older = snapshot(path("older"));
        const Tree before = snapshot(path("newer"));
        renameAll("", "newer");  // run 2
        StoppingDisk stopping(*fs, c.stopAt);
        try {
            undo(0, nullptr, &stopping);
        } catch (const StoppingDisk::Stopped &) {
        }

        std::string why;
        const std::optional<RunRecord> again = runToUndo(0, why);
        ASSERT_TRUE(again) << c.why << ": " << why;
        EXPECT_EQ(again->id, 2u) << c.why;
        EXPECT_EQ(again->undoneBy, 0u) << c.why;
        EXPECT_EQ(again->partlyUndoneBy, c.partlyBy) << c.why;
        const UndoCounts counts = undo(0);
        EXPECT_EQ(counts.restored, c.restoredAfter) << c.why;
        EXPECT_EQ(counts.restored + counts.underOldName, 4u) << c.why;
        EXPECT_EQ(snapshot(path("newer")), before) << c.why;
        EXPECT_EQ(snapshot(path("older")), older) << c.why;

        EXPECT_FALSE(runToUndo(2, why)) << c.why;
        EXPECT_EQ(why, "run 2 was taken back by run 4") << c.why;
        EXPECT_EQ(runToUndo(0, why)->id, 1u) << c.why;
        stdfs::remove_all(papers.path());
        stdfs::create_directories(papers.path());
        stdfs::remove(journalFile());
    }
}

// A run is taken back once it has ended, and by one undo at a time.
TEST_F(JournalRun, UndoWaitsForTheRunAndForAnotherUndoOfIt)
{
    paper("a.pdf", "Going On");
    const auto moveOnce = [this](Journal &j, const std::string &from, const std::string &to) {
        std::size_t number = 0;
        FileStamp stamp;
        ASSERT_FALSE(readFileStamp(path(from), stamp));
        ASSERT_FALSE(j.recordMove(path(from), path(to), stamp, number));
        ASSERT_FALSE(fs->move(path(from), path(to)));
        ASSERT_FALSE(j.markMove(number, true));
    };
    std::string why;
    {
        const std::unique_ptr<Journal> rename = journal();
        rename->beginRun({"rename", {papers.path()}});
        moveOnce(*rename, "a.pdf", "Going On.pdf");
        EXPECT_FALSE(runToUndo(0, why));
        EXPECT_EQ(why, "run 1 is still going: take it back once it has ended");
        EXPECT_TRUE(runs().front().goesOn);
        ASSERT_FALSE(rename->finish({}));
    }
    EXPECT_FALSE(runs().front().goesOn);
    {
        const std::unique_ptr<Journal> undoing = journal();
        undoing->beginRun({"undo 1", {papers.path()}, 1}, Journal::Recording::kAlways);
        moveOnce(*undoing, "Going On.pdf", "a.pdf");
        EXPECT_FALSE(runToUndo(1, why));
        EXPECT_EQ(why, "run 1 is being taken back by run 2");
    }
    // Its process gone, the undo is carried on by the next.
    const std::optional<RunRecord> run = runToUndo(1, why);
    ASSERT_TRUE(run) << why;
    EXPECT_EQ(run->partlyUndoneBy, 2u);
}

// Whether a shared lock on the journal could be had now, as another process
// of the program would ask: byte 0 of the lock file.
bool journalLockIsFree(const std::string &lockFile)
{
#ifdef _WIN32
    const HANDLE h = CreateFileA(lockFile.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
    OVERLAPPED at{};
    const bool free = LockFileEx(h, LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at);
    if (free) {
        UnlockFileEx(h, 0, 1, 0, &at);
    }
    CloseHandle(h);
    return free;
#else
    const int fd = open(lockFile.c_str(), O_RDONLY | O_CLOEXEC);
    struct flock range {};
    range.l_type = F_RDLCK;
    range.l_whence = SEEK_SET;
    range.l_len = 1;
    const bool free = fcntl(fd, F_OFD_SETLK, &range) == 0;
    close(fd);
    return free;
#endif
}

// The lock is held alone, and on the lock file that the name names, even
// when another process deleted or replaced it: else two processes would
// write, or trim, the journal at once.
TEST_F(JournalRun, LockIsExclusiveAndFollowsTheLockFilesName)
{
    const std::string lockFile = state.file("journal.lock");
    const std::string other = state.file("other");
    [[maybe_unused]] int moved = 0;
    struct Case {
        const char *why;
        std::function<void()> change;
    };
    const std::vector<Case> cases{
        {"as it was", [] {}},
        {"replaced",
         [&] {
             writeFileBytes(other, "");
#ifdef _WIN32
             // Wine keeps the name of a file that is open, as Windows did
             // before its POSIX deletes: the folder is replaced instead.
             if (!MoveFileExA(other.c_str(), lockFile.c_str(), MOVEFILE_REPLACE_EXISTING)) {
                 const std::string away = papers.file("away-" + std::to_string(++moved));
                 ASSERT_TRUE(MoveFileExA(state.path().c_str(), away.c_str(), 0));
                 ASSERT_TRUE(CreateDirectoryA(state.path().c_str(), nullptr));
                 writeFileBytes(lockFile, "");
             }
#else
             ASSERT_EQ(rename(other.c_str(), lockFile.c_str()), 0);
#endif
         }},
#ifndef _WIN32
        {"deleted", [&] { ASSERT_EQ(unlink(lockFile.c_str()), 0); }},
#endif
    };
    for (const Case &c : cases) {
        const std::unique_ptr<JournalStore> running = store();
        ASSERT_FALSE(running->holdRun(7));
        c.change();
        ASSERT_FALSE(running->lock()) << c.why;
        EXPECT_FALSE(journalLockIsFree(lockFile)) << c.why;
        running->unlock();
        EXPECT_TRUE(journalLockIsFree(lockFile)) << c.why;

        EXPECT_TRUE(store()->runGoesOn(7)) << c.why;
        running->releaseRun(7);
        EXPECT_FALSE(store()->runGoesOn(7)) << c.why;
    }
}

// A path the user named is judged by the disk's own rule for such paths,
// not by the walk's, through every layer a front end puts over the disk.
TEST(FileSystemLayers, PassPathsTheUserNamedToTheDisksRule)
{
    struct WalkPassesOver final : ForwardingFileSystem {
        using ForwardingFileSystem::ForwardingFileSystem;
        EntryKind entryKind(const std::string &, std::error_code &) const override { return EntryKind::kOther; }
        EntryKind argumentKind(const std::string &, std::error_code &) const override { return EntryKind::kFile; }
    };
    const std::unique_ptr<FileSystem> system = makeSystemFileSystem();
    WalkPassesOver disk(*system);
    RecordingFileSystem recording(disk, nullptr, RecordingFileSystem::Policy::kRefuseUnrecorded);
    DryRunFileSystem dryRun(disk);
    const FileSystem *const layers[] = {&recording, &dryRun};
    for (const FileSystem *layer : layers) {
        std::error_code error;
        EXPECT_EQ(layer->kindOf("read-only.pdf"), EntryKind::kFile);
        EXPECT_EQ(layer->entryKind("read-only.pdf", error), EntryKind::kOther);
    }
}

}  // namespace
}  // namespace tidemark
