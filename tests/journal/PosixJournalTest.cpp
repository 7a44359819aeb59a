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
#include <optional>
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
        std::optional<RunRecord> killed;
        std::string why;
        ASSERT_FALSE(findRunToUndo(*journal, 0, killed, why));
        ASSERT_TRUE(killed) << why;
        EXPECT_FALSE(killed->ended);
        EXPECT_FALSE(killed->goesOn);
        const std::unique_ptr<FileSystem> disk = makeSystemFileSystem();
        std::vector<UndoOutcome> outcomes;
        undoRun(*killed, *disk, [&](const UndoReport &r) { outcomes.push_back(r.outcome); });
        // The last move first: made and not marked, or recorded and not made.
        const UndoOutcome last = afterTheMove ? UndoOutcome::kRestored : UndoOutcome::kUnderOldName;
        EXPECT_EQ(outcomes, (std::vector<UndoOutcome>{last, UndoOutcome::kRestored, UndoOutcome::kRestored}));
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
    const auto changed = filesIn(work());
    const std::string journalBefore = readFileBytes(path("state/tidemark/journal"));

    const CliRun dry = run("undo --dry-run");
    EXPECT_EQ(filesIn(work()), changed);
    EXPECT_EQ(readFileBytes(path("state/tidemark/journal")), journalBefore);
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
                                      "  3 renamed, 0 unchanged, 0 no title, 0 failed  (partly taken back by run 2)"}));

    // Gamma's old name was taken: once the user's c.pdf is out of the way,
    // undo carries on with run 1.
    std::filesystem::rename(path("work/c.pdf"), path("users-c.pdf"));
    const CliRun carryOn = run("undo");
    EXPECT_EQ(carryOn.status, 0);
    EXPECT_EQ(carryOn.out, (Lines{"taking back run 1: rename  " + work(),
                                  "restored: " + w + "Gamma Paper.pdf -> " + w + "c.pdf",
                                  "1 restored, 0 left alone, 0 failed, 2 already back (recorded as run 3)"}));
    EXPECT_EQ(filesIn(work()), before);
    EXPECT_EQ(run("undo").status, 1);  // nothing left: an undo is taken back only by name
    EXPECT_EQ(run("undo 2").status, 0);
    auto again = renamed;
    again.erase("Gamma Paper.pdf");
    again["c.pdf"] = before.at("c.pdf");
    EXPECT_EQ(filesIn(work()), again);
}

// What history says of runs taken back in part, stopped, or killed, and of
// names that hold control characters, which reach the terminal escaped.
TEST_F(PosixJournal, HistoryAndUndoSayWhatBecameOfEachRunInPrintableText)
{
    const std::string w = work();
    const std::string oldName = "\x1b[2Jold\xc2\x9b.pdf";
    const std::string newName = "\x1b[2Jred\xc2\x9b.pdf";
    writeFileBytes(w + "/" + newName, "renamed by run 4");
    FileStamp stamp;
    ASSERT_FALSE(readFileStamp(w + "/" + newName, stamp));
    const auto start = [&](int run, const std::string &command, const std::string &paths, const char *more = "") {
        return "{\"run\":" + std::to_string(run) + ",\"start\":1714640000,\"command\":\"" + command +
               "\",\"paths\":[\"" + paths + "\"]" + more + "}\n";
    };
    const auto json = [](std::string name) {
        return name[0] == '\x1b' ? "\\u001b" + name.substr(1) : name;
    };
    const auto move = [&](int run, int number, const std::string &from, const std::string &to) {
        return "{\"run\":" + std::to_string(run) + ",\"move\":" + std::to_string(number) + ",\"old\":\"" + w + "/" +
               json(from) + "\",\"new\":\"" + w + "/" + json(to) + "\",\"size\":" + std::to_string(stamp.size) +
               ",\"mtime\":" + std::to_string(stamp.modified) + "}\n";
    };
    const std::string renamed = ",\"counts\":{\"renamed\":2,\"unchanged\":0,\"no title\":0,\"failed\":0}}\n";
    std::filesystem::create_directories(path("state/tidemark"));
    writeFileBytes(path("state/tidemark/journal"),
                   start(1, "rename", w) + move(1, 1, "a.pdf", "A.pdf") + "{\"run\":1,\"done\":1}\n" +
                       move(1, 2, "b.pdf", "B.pdf") + "{\"run\":1,\"done\":2}\n" +
                       "{\"run\":1,\"end\":1714640001" + renamed +
                       start(2, "undo 1", w, ",\"undoes\":1") + move(2, 1, "B.pdf", "b.pdf") +
                       "{\"run\":2,\"done\":1}\n" +  // stopped partway
                       start(3, "rename", w) + move(3, 1, "c.pdf", "C.pdf") +  // killed inside its first move
                       start(4, "rename", w + "/" + json(oldName)) + move(4, 1, oldName, newName) +
                       "{\"run\":4,\"done\":1}\n{\"run\":4,\"end\":1714640001" + renamed);

    CliRun history = run("history");
    for (std::string &line : history.out) {
        line.erase(line.find("  ") + 2, 18);
    }
    const std::string printed = "\\x1B[2Jold\\xC2\\x9B.pdf";
    EXPECT_EQ(history.out,
              (Lines{"4  rename  " + w + "/" + printed + "  2 renamed, 0 unchanged, 0 no title, 0 failed",
                     "3  rename  " + w + "  stopped before its end, 0 moved, 1 unconfirmed",
                     "2  undo 1  " + w + "  stopped before its end, 1 moved",
                     "1  rename  " + w + "  2 renamed, 0 unchanged, 0 no title, 0 failed  (partly taken back by run 2)"}));

    const CliRun undo = run("undo");
    EXPECT_EQ(undo.status, 0) << undo.err;
    EXPECT_EQ(undo.out, (Lines{"taking back run 4: rename  " + w + "/" + printed,
                               "restored: " + w + "/\\x1B[2Jred\\xC2\\x9B.pdf -> " + w + "/" + printed,
                               "1 restored, 0 left alone, 0 failed (recorded as run 5)"}));
    EXPECT_EQ(readFileBytes(w + "/" + oldName), "renamed by run 4");
}

// Reading commands write nothing, not even the journal's folder; mistakes
// are named.
TEST_F(PosixJournal, CommandsSayWhatIsWrongAndReadingOnesWriteNothing)
{
    paper("scan.pdf", "Waiting Paper");
    const std::string twoRuns = "{\"run\":1,\"start\":1714640000,\"command\":\"rename\",\"paths\":[\"/p\"]}\n"
                                "{\"run\":1,\"move\":1,\"old\":\"/p/a.pdf\",\"new\":\"/p/b.pdf\",\"size\":1,\"mtime\":2}\n"
                                "{\"run\":2,\"start\":1714640000,\"command\":\"rename -r\",\"paths\":[\"/p\"]}\n"
                                "{\"run\":2,\"move\":1,\"old\":\"/p/c.pdf\",\"new\":\"/p/d.pdf\",\"size\":1,\"mtime\":2}\n";
    struct Case {
        const char *args;
        std::string journal;  // none: no journal folder at all
        bool locked;          // its lock file there too, as a run leaves it
        int status;
        Lines out;
        std::string err;  // how standard error begins
    };
    const std::string state = path("state/tidemark");
    const std::vector<Case> cases{
        {"history -n 0", "", false, 2, {}, "tidemark history: -n wants a number of runs from 1 up, not '0'\n"},
        {"history -n", "", false, 2, {}, "tidemark history: -n wants a number of runs\n"},
        {"history", "", false, 0, {"no runs in " + state + "/journal"}, ""},
        {"undo --dry-run", "", false, 1, {}, "tidemark undo: no run left to take back\n"},
        {"history -n 1", twoRuns, false, 0, {"2  rename -r  /p  stopped before its end, 0 moved, 1 unconfirmed"}, ""},
        {"rename .", "{\"run\":18446744073709551615,\"start\":1,\"command\":\"rename\",\"paths\":[]}\n", true, 2, {},
         "tidemark rename: cannot write the journal in " + state +
             ": the journal's run numbers are used up: move the journal away to start a new one\n"
             "Nothing was renamed."},
    };
    for (const Case &c : cases) {
        std::filesystem::remove_all(path("state"));
        if (!c.journal.empty()) {
            std::filesystem::create_directories(state);
            writeFileBytes(state + "/journal", c.journal);
        }
        if (c.locked) {
            writeFileBytes(state + "/journal.lock", "");
        }
        const auto before = filesIn(path(""));
        CliRun result = run(c.args);
        EXPECT_EQ(result.status, c.status) << c.args;
        for (std::string &line : result.out) {
            line.erase(line.find("  ") + 2, line.find("  ") == std::string::npos ? 0 : 18);
        }
        EXPECT_EQ(result.out, c.out) << c.args;
        EXPECT_EQ(result.err.substr(0, c.err.size()), c.err) << c.args;
        std::filesystem::remove(path("stderr.txt"));
        EXPECT_EQ(filesIn(path("")), before) << c.args;
    }
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
