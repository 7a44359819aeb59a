// The journal and undo through the platform's own file-system layer: POSIX
// calls on Linux, the ANSI Windows calls under Windows (and Wine).
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
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
    std::unique_ptr<Journal> journal()
    {
        std::unique_ptr<Journal> opened;
        EXPECT_FALSE(Journal::open(state.path(), opened));
        return opened;
    }
    // Renames every paper under the folder, `first` before the others, as
    // one recorded run.
    void renameAll(const std::string &first = "")
    {
        const std::unique_ptr<Journal> j = journal();
        j->beginRun({"rename -r", {papers.path()}});
        RecordingFileSystem recording(*fs, j.get(), RecordingFileSystem::Policy::kRefuseUnrecorded);
        Renamer renamer(recording, systemCodePage());
        if (!first.empty()) {
            renamer.RenamePdfToTitle(path(""), first);
        }
        renamer.RenamePdfsInFolder(true, papers.path());
        EXPECT_FALSE(j->finish(renameCounts(0, 0, 0, 0)));
    }
    std::vector<RunRecord> runs()
    {
        std::vector<RunRecord> all;
        EXPECT_FALSE(journal()->readRuns(all));
        return all;
    }
    // Takes back run `wanted` (0: the newest) as `tidemark undo` does.
    std::vector<UndoReport> undo(std::uint64_t wanted)
    {
        const std::vector<RunRecord> all = runs();
        std::string why;
        const RunRecord *run = findRunToUndo(all, wanted, why);
        EXPECT_NE(run, nullptr) << why;
        std::vector<UndoReport> reports;
        if (run != nullptr) {
            const std::unique_ptr<Journal> j = journal();
            j->beginRun({"undo", run->info.paths, run->id});
            RecordingFileSystem recording(*fs, j.get(), RecordingFileSystem::Policy::kRefuseUnrecorded);
            undoRun(*run, recording, [&reports](const UndoReport &r) { reports.push_back(r); });
            EXPECT_FALSE(j->finish({}));
        }
        return reports;
    }

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

    const std::vector<UndoReport> reports = undo(0);
    EXPECT_EQ(snapshot(papers.path()), before);
    ASSERT_EQ(reports.size(), 5u);
    for (const UndoReport &r : reports) {
        EXPECT_EQ(r.outcome, UndoOutcome::kRestored) << r.newPath;
    }
    std::vector<RunRecord> all = runs();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].undoneBy, 2u);
    std::string why;
    EXPECT_EQ(findRunToUndo(all, 0, why), nullptr);  // an undo is only taken back by name

    undo(2);
    EXPECT_EQ(snapshot(papers.path()), renamed);
    all = runs();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].undoneBy, 0u);  // its undo was taken back
    EXPECT_EQ(all[1].undoneBy, 3u);
    EXPECT_EQ(findRunToUndo(all, 0, why), &all[0]);
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

    const std::vector<UndoReport> reports = undo(0);
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

    const std::vector<RunRecord> all = runs();
    ASSERT_EQ(all.size(), 40u);
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

TEST_F(JournalRun, KeepsTheLastThousandRuns)
{
    // 1,100 runs stay; the next one leaves the newest 1,000.
    for (int run = 1; run <= 1101; ++run) {
        const std::unique_ptr<Journal> j = journal();
        j->beginRun({"run " + std::to_string(run), {}});
        std::size_t number = 0;
        ASSERT_FALSE(j->recordMove("old", "new", FileStamp{}, number));
        if (run == 1100) {
            EXPECT_EQ(runs().size(), 1100u);
        }
    }
    const std::vector<RunRecord> all = runs();
    ASSERT_EQ(all.size(), 1000u);
    EXPECT_EQ(all.front().info.command, "run 102");
    EXPECT_EQ(all.front().moves.size(), 1u);
    EXPECT_EQ(all.back().id, 1101u);
    EXPECT_EQ(snapshot(state.path()).count("journal.new"), 0u);
}

TEST_F(JournalRun, LineCutShortByAPowerCutIsPassedOver)
{
    std::size_t number = 0;
    ASSERT_FALSE(journal()->recordMove("first", "first.new", FileStamp{}, number));
    std::ofstream(state.file("journal"), std::ios::binary | std::ios::app) << "{\"run\":1,\"move\":2,\"old\":{\"hex\":\"f";
    const std::unique_ptr<Journal> next = journal();
    next->beginRun({"after the cut", {}});
    ASSERT_FALSE(next->recordMove("second", "second.new", FileStamp{}, number));
    const std::vector<RunRecord> all = runs();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].moves.size(), 1u);
    ASSERT_EQ(all[1].moves.size(), 1u);
    EXPECT_EQ(all[1].moves[0].oldPath, "second");
}

// The journal's file fails every append after the first `allowed` ones.
class FailingStore final : public JournalStore {
public:
    FailingStore(std::unique_ptr<JournalStore> real, int allowed) : real_(std::move(real)), allowed_(allowed) {}
    std::error_code lock() override { return real_->lock(); }
    void unlock() override { real_->unlock(); }
    std::error_code append(const std::string &bytes) override
    {
        return allowed_-- > 0 ? real_->append(bytes) : std::make_error_code(std::errc::no_space_on_device);
    }
    std::error_code read(std::string &bytes) override { return real_->read(bytes); }
    std::error_code replace(const std::string &bytes) override { return real_->replace(bytes); }
    std::error_code sync() override { return real_->sync(); }
    std::string path() const override { return real_->path(); }

private:
    std::unique_ptr<JournalStore> real_;
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
        std::unique_ptr<JournalStore> store;
        ASSERT_FALSE(openJournalStore(state.path(), store));
        Journal j(std::make_unique<FailingStore>(std::move(store), 3));  // start, first move, its mark
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
