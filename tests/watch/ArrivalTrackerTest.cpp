// Which entries of watched folders are papers that arrived, and when each is
// quiet enough to read: scripts of changes at given milliseconds.
#include <chrono>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "rename/CodePage.h"
#include "rename/FileSystem.h"
#include "watch/ArrivalTracker.h"

namespace tidemark {
namespace {

using std::chrono::milliseconds;

// A script is "TIME OP; TIME OP; ...", TIME in milliseconds, OP one of:
//   +NAME  created (NAME/ a folder)      -NAME  removed (NAME/ a folder)
//   ~NAME  written                       A>B    renamed (A/>B/ folders)
//   !NAME  the watched folder NAME gone  ?A,B   the quiet files are A and B
//   @T     the next deadline is T (@- none)
//   h:NAME held (someone writes it)      w:NAME empty, awaits a change
struct Script {
    const char *what;
    const char *steps;
};

const Script kScripts[] = {
    {"a created file is quiet after the settle time", "0 +a.pdf; 999 ?; 1000 ?a.pdf; 1000 @-"},
    {"each write starts the settle time again", "0 +a.pdf; 600 ~a.pdf; 1599 ?; 1600 ?a.pdf"},
    {"a download finished by a rename", "0 +a.pdf.part; 300 ~a.pdf.part; 500 a.pdf.part>a.pdf; 1499 ?; 1500 ?a.pdf"},
    {"partial downloads never arrive", "0 +a.crdownload; 0 +b.download; 0 +c.pdf.part; 0 +d.txt; 9000 ?; 9000 @-"},
    {"a rename between PDF names is someone's choice", "0 x.pdf>y.pdf; 0 +a.pdf; 100 a.pdf>b.pdf; 9000 ?"},
    {"a PDF renamed to another kind is no paper", "0 +a.pdf; 100 a.pdf>a.txt; 0 a.part>a.tmp; 9000 ?"},
    {"the extension in any case", "0 +A.PDF; 0 +b.Pdf; 1000 ?A.PDF,b.Pdf"},
    {"a file removed before it is quiet", "0 +a.pdf; 100 -a.pdf; 9000 ?"},
    {"a write to a file that did not arrive", "0 ~old.pdf; 9000 ?"},
    {"a renamed folder carries its waiting files", "0 +sub/a.pdf; 100 sub/>new/; 1000 ?new/a.pdf"},
    {"a removed folder takes its files along", "0 +sub/a.pdf; 0 +subway.pdf; 100 -sub/; 1000 ?subway.pdf"},
    {"a watched folder gone", "0 +sub/a.pdf; 0 +b.pdf; 100 !sub; 1000 ?b.pdf"},
    {"a held file is looked at again after the settle time", "0 +a.pdf; 1000 ?a.pdf; 1000 h:a.pdf; 1999 ?; 2000 ?a.pdf"},
    {"an empty file waits for its next change",
     "0 +a.pdf; 1000 ?a.pdf; 1000 w:a.pdf; 9000 @-; 9000 ?; 9500 ~a.pdf; 10499 ?; 10500 ?a.pdf"},
    {"the next deadline is the earliest", "0 +a.pdf; 300 +b.pdf; 300 @1000; 1000 ?a.pdf; 1000 @1300"},
    {"a file created twice settles from the second time", "0 +a.pdf; 800 -a.pdf; 900 +a.pdf; 1899 ?; 1900 ?a.pdf"},
    {"files quiet within a quarter second go together", "0 +b.pdf; 250 +a.pdf; 1000 @1250; 1000 ?; 1250 ?a.pdf,b.pdf"},
    {"a file quiet later goes in the next batch", "0 +b.pdf; 251 +a.pdf; 1000 ?b.pdf; 1000 @1251; 1251 ?a.pdf"},
    {"a stream of arrivals holds a quiet file back one settle time at most",
     "0 +a.pdf; 200 +b.pdf; 400 +c.pdf; 600 +d.pdf; 800 +e.pdf; 1000 +f.pdf; 1200 +g.pdf; 1800 @2000; 1999 ?; "
     "2000 ?a.pdf,b.pdf,c.pdf,d.pdf,e.pdf,f.pdf"},
    {"a quiet file held back is due a settle time after it turned quiet",
     "0 +a.pdf; 200 +b.pdf; 1000 ?; 1100 +c.pdf; 1950 @2000; 2000 ?a.pdf,b.pdf"},
};

class Tracker : public ::testing::Test {
protected:
    std::string path(std::string name) const
    {
        for (char &c : name) {
            if (c == '/') {
                c = fs->separator();
            }
        }
        return root + fs->separator() + name;
    }
    Change change(Change::Kind kind, std::string name, std::string oldName = {}) const
    {
        const bool folder = !name.empty() && name.back() == '/';
        if (folder) {
            name.pop_back();
            oldName = oldName.empty() ? oldName : oldName.substr(0, oldName.size() - 1);
        }
        return {kind, path(name), oldName.empty() ? std::string() : path(oldName), folder};
    }

    std::unique_ptr<FileSystem> fs = makeSystemFileSystem();
#ifdef _WIN32
    const std::string root = "C:\\w";
#else
    const std::string root = "/w";
#endif
};

TEST_F(Tracker, DecidesWhatArrivedAndWhenItIsQuiet)
{
    const WatchClock::time_point t0{};
    for (const Script &script : kScripts) {
        ArrivalTracker tracker(*fs, systemCodePage(), milliseconds(1000));
        std::istringstream steps(script.steps);
        for (std::string step; std::getline(steps, step, ';');) {
            std::istringstream in(step);
            long ms = 0;
            std::string op;
            in >> ms >> op;
            const WatchClock::time_point now = t0 + milliseconds(ms);
            const std::string arg = op.substr(1);
            const std::string where = std::string(script.what) + ", at " + step;
            if (op[0] == '+') {
                tracker.note(change(Change::Kind::kAppeared, arg), now);
            } else if (op[0] == '-') {
                tracker.note(change(Change::Kind::kRemoved, arg), now);
            } else if (op[0] == '~') {
                tracker.note(change(Change::Kind::kWritten, arg), now);
            } else if (op[0] == '!') {
                tracker.note(change(Change::Kind::kFolderGone, arg), now);
            } else if (op.find('>') != std::string::npos) {
                const std::size_t arrow = op.find('>');
                tracker.note(change(Change::Kind::kRenamed, op.substr(arrow + 1), op.substr(0, arrow)), now);
            } else if (op.rfind("h:", 0) == 0 || op.rfind("w:", 0) == 0) {
                tracker.putBack(path(op.substr(2)), op[0] == 'h' ? Verdict::kHold : Verdict::kAwaitChange, now);
            } else if (op[0] == '?') {
                std::vector<std::string> expected;
                std::istringstream names(arg);
                for (std::string name; std::getline(names, name, ',');) {
                    expected.push_back(path(name));
                }
                EXPECT_EQ(tracker.takeQuiet(now), expected) << where;
            } else if (op[0] == '@') {
                const auto deadline = tracker.nextDeadline(now);
                if (arg == "-") {
                    EXPECT_FALSE(deadline.has_value()) << where;
                } else {
                    EXPECT_EQ(deadline, t0 + milliseconds(std::stol(arg))) << where;
                }
            } else {
                ADD_FAILURE() << "bad step: " << where;
            }
        }
    }
}

TEST_F(Tracker, JudgesAQuietFile)
{
#ifdef _WIN32
    const Verdict otherCase = Verdict::kLeaveAlone;  // the same name, where names ignore case
#else
    const Verdict otherCase = Verdict::kTake;
#endif
    const FileStamp moved{100, 5};
    struct Case {
        const char *what;
        const char *name;
        FileFacts facts;
        Verdict want;
    };
    const Case cases[] = {
        {"nothing there", "new.pdf", {false, {100, 5}, Writers::kNone}, Verdict::kGone},
        {"empty: a placeholder", "new.pdf", {true, {0, 5}, Writers::kNone}, Verdict::kAwaitChange},
        {"one byte", "new.pdf", {true, {1, 5}, Writers::kNone}, Verdict::kTake},
        {"open for writing", "new.pdf", {true, {100, 5}, Writers::kSome}, Verdict::kHold},
        {"writers unknown: the settle time judges", "new.pdf", {true, {100, 5}, Writers::kUnknown}, Verdict::kTake},
        {"renamed back by hand", "scan.pdf", {true, moved, Writers::kNone}, Verdict::kLeaveAlone},
        {"the name made by a run", "Title.pdf", {true, moved, Writers::kNone}, Verdict::kLeaveAlone},
        {"a new file under a name moved from", "scan.pdf", {true, {100, 6}, Writers::kNone}, Verdict::kTake},
        {"another size under a name moved from", "scan.pdf", {true, {101, 5}, Writers::kNone}, Verdict::kTake},
        {"the name in another case", "SCAN.pdf", {true, moved, Writers::kNone}, otherCase},
        {"held before it is left alone", "scan.pdf", {true, moved, Writers::kSome}, Verdict::kHold},
    };
    ArrivalTracker tracker(*fs, systemCodePage());
    tracker.remember(path("scan.pdf"), moved);
    tracker.remember(path("Title.pdf"), moved);
    for (const Case &c : cases) {
        EXPECT_EQ(tracker.judge(path(c.name), c.facts), c.want) << c.what;
    }
}

TEST_F(Tracker, KeepsTheNewestMovesInMind)
{
    ArrivalTracker tracker(*fs, systemCodePage());
    const FileStamp stamp{100, 5};
    for (std::size_t i = 0; i <= ArrivalTracker::kRemembered; ++i) {
        tracker.remember(path("p" + std::to_string(i) + ".pdf"), stamp);
    }
    const FileFacts facts{true, stamp, Writers::kNone};
    EXPECT_EQ(tracker.judge(path("p0.pdf"), facts), Verdict::kTake);  // the oldest, forgotten
    EXPECT_EQ(tracker.judge(path("p1.pdf"), facts), Verdict::kLeaveAlone);
}

}  // namespace
}  // namespace tidemark
