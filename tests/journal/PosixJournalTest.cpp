// Runs killed with SIGKILL, a journal that cannot be written, and undo and
// history from the command line, on POSIX.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CliRun.h"
#include "RenameTestSupport.h"
#include "TempDir.h"
#include "journal/Journal.h"
#include "journal/RecordingFileSystem.h"
#include "journal/Undo.h"
#include "rename/PosixFileSystem.h"
#include "rename/Renamer.h"

namespace tidemark {
namespace {

using Lines = std::vector<std::string>;
using testing::treeOf;

std::map<std::string, std::string> filesIn(const std::string &root)
{
    std::map<std::string, std::string> files;
    for (const std::string &name : treeOf(root)) {
        files[name] = name.back() == '/' ? "" : readFileBytes(root + "/" + name);
    }
    return files;
}

class PosixJournal : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(mkdir(path("work").c_str(), 0755), 0);
        setenv("XDG_STATE_HOME", path("state").c_str(), 1);
    }
    std::string path(const std::string &relative) const { return dir.path() + "/" + relative; }
    std::string work() const { return path("work"); }
    void paper(const std::string &relative, const std::string &title)
    {
        testing::writePaper(path("work/" + relative), title);
    }
    CliRun run(const std::string &args)
    {
        EXPECT_FALSE(cliPath().empty()) << "TIDEMARK_CLI is not set";
        return runCli(cliPath(), work(), args, path("stderr.txt"));
    }

    TempDir dir;
};

// Killed inside the move: after recording it and before making it, or after
// making it and before marking it done. Undo must bring every file back.
TEST_F(PosixJournal, RunKilledAroundAMoveIsTakenBackWhole)
{
    for (const bool afterTheMove : {false, true}) {
        for (int i = 0; i < 4; ++i) {
            paper("p" + std::to_string(i) + ".pdf", "Killed Run Paper " + std::to_string(i));
        }
        const auto before = filesIn(work());
        const pid_t child = fork();
        ASSERT_NE(child, -1);
        if (child == 0) {
            PosixFileSystem disk;
            int moves = 0;
            disk.setBeforeMoveHook([&](const std::string &, const std::string &) {
                if (++moves == 3 && !afterTheMove) {
                    raise(SIGKILL);
                }
            });
            struct KillAfterThirdMove final : testing::ForwardingFileSystem {
                using ForwardingFileSystem::ForwardingFileSystem;
                std::error_code move(const std::string &o, const std::string &n) override
                {
                    const std::error_code error = disk_.move(o, n);
                    if (++moves == 3) {
                        raise(SIGKILL);
                    }
                    return error;
                }
                int moves = 0;
            } killing(disk);
            std::unique_ptr<Journal> journal;
            if (Journal::open(path("state"), journal)) {
                _exit(3);
            }
            journal->beginRun({"rename", {work()}});
            RecordingFileSystem recording(killing, journal.get(), RecordingFileSystem::Policy::kRefuseUnrecorded);
            Renamer(recording, systemCodePage()).RenamePdfsInFolder(false, work());
            _exit(0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << afterTheMove;
        EXPECT_NE(filesIn(work()), before);

        std::unique_ptr<Journal> journal;
        ASSERT_FALSE(Journal::open(path("state"), journal));
        std::vector<RunRecord> runs;
        ASSERT_FALSE(journal->readRuns(runs));
        std::string why;
        const RunRecord *killed = findRunToUndo(runs, 0, why);
        ASSERT_NE(killed, nullptr) << why;
        EXPECT_FALSE(killed->ended);
        const std::unique_ptr<FileSystem> disk = makeSystemFileSystem();
        std::size_t restored = 0;
        undoRun(*killed, *disk, [&](const UndoReport &r) {
            EXPECT_EQ(r.outcome, UndoOutcome::kRestored) << r.newPath;
            ++restored;
        });
        EXPECT_EQ(restored, afterTheMove ? 3u : 2u);
        EXPECT_EQ(filesIn(work()), before) << afterTheMove;
        std::filesystem::remove_all(work());
        std::filesystem::remove_all(path("state"));
        ASSERT_EQ(mkdir(work().c_str(), 0755), 0);
    }
}

// The program itself killed in the middle of a folder: it is stopped while
// it works or while it waits on a full pipe, never after its end, since its
// report does not fit in the pipe.
TEST_F(PosixJournal, ProgramKilledInTheMiddleOfAFolder)
{
    for (int i = 0; i < 80; ++i) {
        paper("scan-" + std::to_string(i) + ".pdf", "A Rather Long Title of the Paper Numbered " + std::to_string(i));
    }
    const auto before = filesIn(work());
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    ASSERT_GE(fcntl(out[1], F_SETPIPE_SZ, 4096), 4096);
    const std::string cli = cliPath();
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        dup2(out[1], 1);
        close(out[0]);
        if (chdir(work().c_str()) == 0) {
            execl(cli.c_str(), cli.c_str(), "rename", ".", static_cast<char *>(nullptr));
        }
        _exit(127);
    }
    close(out[1]);
    std::FILE *report = fdopen(out[0], "r");
    char line[512];
    for (int renamed = 0; renamed < 5 && std::fgets(line, sizeof line, report) != nullptr;) {
        renamed += std::string(line).rfind("renamed: ", 0) == 0 ? 1 : 0;
    }
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    std::fclose(report);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_NE(filesIn(work()), before);

    const CliRun history = run("history -n 1");
    ASSERT_EQ(history.out.size(), 1u);
    EXPECT_NE(history.out[0].find("stopped before its end"), std::string::npos) << history.out[0];
    const CliRun undo = run("undo");
    EXPECT_EQ(undo.status, 0) << undo.err;
    EXPECT_EQ(filesIn(work()), before);
}

TEST_F(PosixJournal, UndoAndHistoryFromTheCommandLine)
{
    paper("\xFF-scan.pdf", "Alpha Paper");  // not UTF-8
    paper("b.pdf", "Beta Paper");
    paper("c.pdf", "Gamma Paper");
    const auto before = filesIn(work());
    ASSERT_EQ(run("rename .").status, 0);
    const auto renamed = filesIn(work());
    writeFileBytes(path("work/c.pdf"), "the user's new c.pdf");

    const CliRun dry = run("undo --dry-run");
    EXPECT_EQ(filesIn(work()).size(), 4u);
    const CliRun undo = run("undo");
    EXPECT_EQ(undo.status, 1);
    const std::string w = work() + "/";
    ASSERT_EQ(undo.out.size(), 5u);
    EXPECT_EQ(undo.out.front(), "taking back run 1: rename  " + work());
    Lines files(undo.out.begin() + 1, undo.out.end() - 1);
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (Lines{"left alone: " + w + "Gamma Paper.pdf: its old name " + w + "c.pdf is taken",
                            "restored: " + w + "Alpha Paper.pdf -> " + w + "\xFF-scan.pdf",
                            "restored: " + w + "Beta Paper.pdf -> " + w + "b.pdf"}));
    EXPECT_EQ(undo.out.back(), "2 restored, 1 left alone, 0 failed (recorded as run 2)");
    EXPECT_EQ(Lines(dry.out.begin(), dry.out.end() - 1), Lines(undo.out.begin(), undo.out.end() - 1));
    EXPECT_EQ(dry.out.back(), "2 restored, 1 left alone, 0 failed (dry run: nothing was restored)");
    auto expected = before;
    expected["Gamma Paper.pdf"] = before.at("c.pdf");
    expected["c.pdf"] = "the user's new c.pdf";
    EXPECT_EQ(filesIn(work()), expected);

    // Times aside, newest first.
    CliRun history = run("history");
    ASSERT_EQ(history.out.size(), 2u);
    for (std::string &line : history.out) {
        line.erase(line.find("  ") + 2, 18);
    }
    EXPECT_EQ(history.out, (Lines{"2  undo 1  " + work() + "  2 restored, 1 left alone, 0 failed",
                                  "1  rename  " + work() +
                                      "  3 renamed, 0 unchanged, 0 no title, 0 failed  (taken back by run 2)"}));

    EXPECT_EQ(run("undo").status, 1);  // nothing left: the undo is taken back only by name
    EXPECT_EQ(run("undo 2").status, 0);
    auto again = renamed;
    again["c.pdf"] = "the user's new c.pdf";
    EXPECT_EQ(filesIn(work()), again);
}

TEST_F(PosixJournal, JournalThatCannotBeWrittenStopsTheRun)
{
    writeFileBytes(path("a-file"), "");
    struct Case {
        const char *why;
        std::string stateHome;
        std::string inTheWay;  // a folder where the journal file should be
    };
    for (const Case &c : {Case{"a file where a folder should be", path("a-file/state"), ""},
                          Case{"a folder where the journal should be", path("state2"), path("state2/tidemark/journal")}}) {
        setenv("XDG_STATE_HOME", c.stateHome.c_str(), 1);
        if (!c.inTheWay.empty()) {
            std::filesystem::create_directories(c.inTheWay);
        }
        paper("scan.pdf", "Unrecorded Paper");
        const CliRun refused = run("rename .");
        EXPECT_EQ(refused.status, 2) << c.why;
        EXPECT_TRUE(refused.out.empty()) << c.why;
        EXPECT_NE(refused.err.find("tidemark rename: cannot write the journal in " + c.stateHome + "/tidemark: "),
                  std::string::npos)
            << refused.err;
        EXPECT_EQ(treeOf(work()), (Lines{"scan.pdf"})) << c.why;

        const CliRun unrecorded = run("rename --no-journal .");
        EXPECT_EQ(unrecorded.status, 0) << c.why;
        EXPECT_EQ(treeOf(work()), (Lines{"Unrecorded Paper.pdf"})) << c.why;
        std::filesystem::remove(path("work/Unrecorded Paper.pdf"));
    }

    // A dry run writes nothing, not even the journal's folder.
    setenv("XDG_STATE_HOME", path("untouched").c_str(), 1);
    paper("scan.pdf", "Planned Paper");
    EXPECT_EQ(run("rename --dry-run .").status, 0);
    EXPECT_FALSE(std::filesystem::exists(path("untouched")));
}

}  // namespace
}  // namespace tidemark
