// The watch on real folders, through the system's own change notices
// (inotify on Linux, ReadDirectoryChangesW under Windows and Wine), with
// real papers and a real journal. The watch runs on a thread of its own;
// the test waits for what it reports.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include <gtest/gtest.h>

#include "RenameTestSupport.h"
#include "TempDir.h"
#include "journal/Journal.h"
#include "journal/Undo.h"
#include "rename/FileSystem.h"
#include "rename/ForwardingFileSystem.h"
#include "rename/TitlesAhead.h"
#include "watch/ChangeSource.h"
#include "watch/Watch.h"

namespace tidemark {
namespace {

using Lines = std::vector<std::string>;
namespace fs = std::filesystem;

// What the watch reported, one line each: "renamed in/a.pdf -> in/T.pdf",
// "no title in/a.pdf", "held in/a.pdf", "left alone in/a.pdf", "lost in",
// with paths relative to the test's folder and '/' between folders.
class Events final : public WatchObserver {
public:
    explicit Events(std::string root) : root_(std::move(root)) {}

    void fileDone(const FileReport &r) override
    {
        if (r.outcome == Outcome::kRenamed) {
            add("renamed " + relative(r.oldPath) + " -> " + relative(r.newPath));
        } else {
            add((r.outcome == Outcome::kUnchanged ? "unchanged " : r.outcome == Outcome::kFailed ? "failed " : "no title ") +
                relative(r.oldPath));
        }
    }
    void watching(const std::string &) override
    {
        {
            const std::lock_guard lock(mutex_);
            ++watched_;
        }
        changed_.notify_all();
    }
    void folderLost(const std::string &folder, const std::string &) override { add("lost " + relative(folder)); }
    void passedOver(const std::string &path, Verdict verdict) override
    {
        add((verdict == Verdict::kHold ? "held " : verdict == Verdict::kLeaveAlone ? "left alone " : "empty ") +
            relative(path));
    }

    void add(const std::string &line)
    {
        {
            const std::lock_guard lock(mutex_);
            lines_.push_back(line);
        }
        changed_.notify_all();
    }
    // Waits until `done` holds for the lines so far (a minute at most, so
    // that a watch that missed a change fails the test instead of hanging
    // it), and returns them.
    Lines waitFor(const std::function<bool(const Lines &)> &done)
    {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::minutes(1), [&] { return done(lines_); });
        return lines_;
    }
    Lines waitForLine(const std::string &line)
    {
        return waitFor([&](const Lines &lines) { return std::find(lines.begin(), lines.end(), line) != lines.end(); });
    }
    // Waits until `count` folders are watched in all, or the watch ended.
    void waitForWatching(int count)
    {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::minutes(1), [&] {
            return watched_ >= count || (!lines_.empty() && lines_.back() == "ended");
        });
    }
    Lines lines()
    {
        const std::lock_guard lock(mutex_);
        return lines_;
    }

private:
    std::string relative(const std::string &path) const
    {
        std::string r = path.rfind(root_, 0) == 0 ? path.substr(root_.size() + 1) : path;
        for (char &c : r) {
            c = c == '\\' ? '/' : c;
        }
        return r;
    }

    std::string root_;
    std::mutex mutex_;
    std::condition_variable changed_;
    Lines lines_;
    int watched_ = 0;
};

class WatchRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::error_code error;
        source = makeSystemChangeSource(error);  // before any thread
        ASSERT_TRUE(source) << error.message();
        ASSERT_FALSE(Journal::open(state.path(), journal));
        folder("in");
        folder("out");
    }
    void TearDown() override { stop(); }

    std::string path(const std::string &relative) const
    {
        std::string p = dir.file(relative);
        for (char &c : p) {
            c = c == '/' ? disk->separator() : c;
        }
        return p;
    }
    void folder(const std::string &relative) { fs::create_directories(path(relative)); }
    void paper(const std::string &relative, const std::string &title, const std::string &author = "Ann Author")
    {
        testing::writePaper(path(relative), title, author);
    }
    // Moves a file as a user or a browser does, in one rename.
    void move(const std::string &from, const std::string &to) { fs::rename(path(from), path(to)); }
    Lines tree(const std::string &relative) const { return testing::treeOf(path(relative)); }

    void start(std::vector<std::string> folders = {"in"}, FileSystem *through = nullptr, bool existing = false)
    {
        WatchSettings settings;
        for (const std::string &f : folders) {
            settings.folders.push_back(path(f));
        }
        settings.existing = existing;
        settings.settle = std::chrono::milliseconds(200);
        titles = std::make_unique<TitlesAhead>(TitleSource{}, 2);
        watch = std::make_unique<Watch>(*source, through != nullptr ? *through : *disk, journal.get(), *titles,
                                        [](Renamer &) {}, events, settings);
        thread = std::thread([this] {
            end = watch->run();
            events.add("ended");
        });
        watchedSoFar += static_cast<int>(folders.size());
        events.waitForWatching(watchedSoFar);
    }
    // A new source for a second watch: a stop, once asked for, stays.
    void freshSource()
    {
        watch.reset();
        titles.reset();
        source.reset();
        std::error_code error;
        source = makeSystemChangeSource(error);
        ASSERT_TRUE(source) << error.message();
    }
    // Asks the watch to stop, as the user's signal does, and waits for it.
    void stop()
    {
        if (thread.joinable()) {
            source->requestStop();
            thread.join();
        }
    }
    std::vector<RunRecord> runs()
    {
        std::vector<RunRecord> all;
        EXPECT_FALSE(journal->readRuns(all));
        return all;
    }

    TempDir dir;
    TempDir state;
    std::unique_ptr<FileSystem> disk = makeSystemFileSystem();
    std::unique_ptr<ChangeSource> source;
    std::unique_ptr<Journal> journal;
    std::unique_ptr<TitlesAhead> titles;
    Events events{dir.path()};
    std::unique_ptr<Watch> watch;
    std::thread thread;
    Watch::End end = Watch::End::kStopped;
    int watchedSoFar = 0;
};

TEST_F(WatchRun, FileWrittenInPiecesIsReadOnlyOnceItIsClosed)
{
    const std::string bytes = pdfgen::render(testing::paper("Written In Pieces"));
    start();
    {
        std::ofstream out(path("in/slow.pdf"), std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size() / 2));
        out.flush();
        events.waitFor([](const Lines &lines) { return !lines.empty(); });
        out.write(bytes.data() + bytes.size() / 2, static_cast<std::streamsize>(bytes.size() - bytes.size() / 2));
        out.flush();
        events.add("closed");
    }
    Lines lines = events.waitForLine("renamed in/slow.pdf -> in/Written In Pieces.pdf");
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());  // looked at more than once while open
    EXPECT_EQ(lines, (Lines{"held in/slow.pdf", "closed", "renamed in/slow.pdf -> in/Written In Pieces.pdf"}));
    EXPECT_EQ(readFileBytes(path("in/Written In Pieces.pdf")), bytes);
}

TEST_F(WatchRun, DownloadFinishedByARenameAndPartialFilesLeftAlone)
{
    start();
    paper("in/report.pdf.crdownload", "Still Downloading");
    paper("in/article.pdf.part", "Finished Download");
    paper("in/notes.download", "Another Partial File");
    move("in/article.pdf.part", "in/article.pdf");
    events.waitForLine("renamed in/article.pdf -> in/Finished Download.pdf");
    // Any of the others, taken, would have been quiet before the download
    // finished, and renamed in its batch or before.
    stop();
    EXPECT_EQ(tree("in"), (Lines{"Finished Download.pdf", "notes.download", "report.pdf.crdownload"}));
    EXPECT_EQ(events.lines(), (Lines{"renamed in/article.pdf -> in/Finished Download.pdf", "ended"}));
}

TEST_F(WatchRun, BurstOfOneTitleKeepsEveryFileAndIsTakenBackWhole)
{
    std::map<std::string, std::string> staged;  // name -> bytes
    for (int i = 0; i < 6; ++i) {
        const std::string name = "copy" + std::to_string(i) + ".pdf";
        paper("out/" + name, "Shared Title", "Author " + std::to_string(i));
        staged[name] = readFileBytes(path("out/" + name));
    }
    start();
    for (const auto &[name, bytes] : staged) {
        move("out/" + name, "in/" + name);
    }
    events.waitFor([](const Lines &lines) { return lines.size() == 6; });
    stop();

    EXPECT_EQ(tree("in"), (Lines{"Shared Title(1).pdf", "Shared Title(2).pdf", "Shared Title(3).pdf",
                                 "Shared Title(4).pdf", "Shared Title(5).pdf", "Shared Title.pdf"}));
    std::multiset<std::string> kept;
    for (const std::string &name : tree("in")) {
        kept.insert(readFileBytes(path("in/" + name)));
    }
    std::multiset<std::string> arrived;
    for (const auto &[name, bytes] : staged) {
        arrived.insert(bytes);
    }
    EXPECT_EQ(kept, arrived);

    // Every batch is a whole run of the journal, and taking them all back
    // leaves the folder as the files arrived in it.
    std::size_t moves = 0;
    for (const RunRecord &run : runs()) {
        EXPECT_TRUE(run.ended);
        EXPECT_EQ(run.info.command, "watch");
        moves += run.moves.size();
    }
    EXPECT_EQ(moves, 6u);
    std::string why;
    for (std::optional<RunRecord> run; !findRunToUndo(*journal, 0, run, why) && run;) {
        takeBackRun(*run, *disk, journal.get(),
                    [](const UndoReport &r) { EXPECT_EQ(r.outcome, UndoOutcome::kRestored) << r.newPath; });
    }
    for (const auto &[name, bytes] : staged) {
        EXPECT_EQ(readFileBytes(path("in/" + name)), bytes) << name;
    }
    EXPECT_EQ(tree("in").size(), staged.size());
}

TEST_F(WatchRun, FileRenamedBackOrBroughtBackIsLeftAlone)
{
    start();
    paper("in/scan.pdf", "Kept As Named");
    events.waitForLine("renamed in/scan.pdf -> in/Kept As Named.pdf");
    // Renamed back by hand in the folder: someone's choice of name.
    move("in/Kept As Named.pdf", "in/scan.pdf");
    // Moved out, and back in under the name the watch moved it away from.
    move("in/scan.pdf", "out/scan.pdf");
    move("out/scan.pdf", "in/scan.pdf");
    events.waitForLine("left alone in/scan.pdf");
    // A paper after it comes in its batch or later; it sorts after it, so
    // that a batch holding both renames scan.pdf first.
    paper("in/zz-marker.pdf", "Marker Paper");
    events.waitForLine("renamed in/zz-marker.pdf -> in/Marker Paper.pdf");
    // A file the watch named, moved out and back: already named, not read again.
    move("in/Marker Paper.pdf", "out/Marker Paper.pdf");
    move("out/Marker Paper.pdf", "in/Marker Paper.pdf");
    events.waitFor([](const Lines &lines) { return lines.size() == 4; });
    stop();
    EXPECT_EQ(events.lines(), (Lines{"renamed in/scan.pdf -> in/Kept As Named.pdf", "left alone in/scan.pdf",
                                     "renamed in/zz-marker.pdf -> in/Marker Paper.pdf",
                                     "left alone in/Marker Paper.pdf", "ended"}));
    EXPECT_EQ(tree("in"), (Lines{"Marker Paper.pdf", "scan.pdf"}));
}

TEST_F(WatchRun, FolderRemovedWhileWatchedIsReportedAndTheOthersGoOn)
{
#ifdef _WIN32
    // Windows ends the read of a folder's changes when the folder is
    // deleted. Wine keeps a folder deleted through it until its last handle
    // closes, the watch's own, and says nothing meanwhile.
    if (GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr) {
        GTEST_SKIP() << "Wine reports no deletion of a watched folder while the watch holds it";
    }
#endif
    folder("in2");
    start({"in", "in2"});
    fs::remove_all(path("in"));
    events.waitForLine("lost in");
    paper("in2/x.pdf", "Still Watched");
    events.waitForLine("renamed in2/x.pdf -> in2/Still Watched.pdf");
    fs::remove_all(path("in2"));
    events.waitForLine("ended");
    stop();
    EXPECT_EQ(end, Watch::End::kNoFolderLeft);
    EXPECT_EQ(events.lines(), (Lines{"lost in", "renamed in2/x.pdf -> in2/Still Watched.pdf", "lost in2", "ended"}));
}

TEST_F(WatchRun, FilesThereAtTheStartOnlyWithExisting)
{
    paper("in/earlier.pdf", "Already There");  // sorts first: a batch holding both takes it first
    start();
    paper("in/new.pdf", "Arrived Later");
    events.waitForLine("renamed in/new.pdf -> in/Arrived Later.pdf");
    stop();
    EXPECT_EQ(tree("in"), (Lines{"Arrived Later.pdf", "earlier.pdf"}));

    freshSource();
    start({"in"}, nullptr, true);
    events.waitForLine("renamed in/earlier.pdf -> in/Already There.pdf");
    stop();
    EXPECT_EQ(tree("in"), (Lines{"Already There.pdf", "Arrived Later.pdf"}));
}

// A stop asked for while a file is being moved ends the watch after that
// move and before the next file; the batch is recorded as a whole run with
// what it did.
TEST_F(WatchRun, StopDuringAMoveEndsTheBatchAfterIt)
{
    struct StopInMove final : ForwardingFileSystem {
        StopInMove(FileSystem &disk, ChangeSource &source) : ForwardingFileSystem(disk), source(source) {}
        std::error_code move(const std::string &oldPath, const std::string &newPath) override
        {
            source.requestStop();
            return disk_.move(oldPath, newPath);
        }
        ChangeSource &source;
    } stopping(*disk, *source);
    for (const char *name : {"a.pdf", "b.pdf", "c.pdf"}) {
        paper(std::string("out/") + name, std::string("Paper Named ") + static_cast<char>(name[0] - 'a' + 'A'));
    }
    start({"in"}, &stopping);
    for (const char *name : {"a.pdf", "b.pdf", "c.pdf"}) {
        move(std::string("out/") + name, std::string("in/") + name);
    }
    events.waitForLine("ended");
    stop();
    EXPECT_EQ(end, Watch::End::kStopped);
    EXPECT_EQ(events.lines(), (Lines{"renamed in/a.pdf -> in/Paper Named A.pdf", "ended"}));
    EXPECT_EQ(tree("in"), (Lines{"Paper Named A.pdf", "b.pdf", "c.pdf"}));
    const std::vector<RunRecord> all = runs();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_TRUE(all[0].ended);
    ASSERT_EQ(all[0].moves.size(), 1u);
    EXPECT_EQ(all[0].moves[0].state, MoveRecord::State::kDone);
    EXPECT_EQ(all[0].counts, (RunCounts{{"renamed", 1}, {"unchanged", 0}, {"no title", 0}, {"failed", 0}}));
}

}  // namespace
}  // namespace tidemark
