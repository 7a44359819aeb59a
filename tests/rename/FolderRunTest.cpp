#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "PosixFolderTest.h"
#include "RenameTestSupport.h"
#include "TempDir.h"
#include "rename/CodePage.h"
#include "rename/DryRunFileSystem.h"
#include "rename/PosixFileSystem.h"
#include "rename/Renamer.h"
#include "title/TitleExtractor.h"

namespace tidemark {
namespace {

using testing::Recorder;
using testing::treeOf;
using testing::writePaper;
using Names = std::vector<std::string>;

class FolderRun : public testing::PosixFolderTest {};

TEST_F(FolderRun, OnlyTheFolderItselfWithoutRecursion)
{
    folder("sub");
    folder("sub/deeper");
    paper("a.pdf", "Top Level Paper");
    paper("sub/b.pdf", "Second Level Paper");
    paper("sub/deeper/c.pdf", "Third Level Paper");

    EXPECT_TRUE(run(false));
    EXPECT_EQ(tree(), (Names{"Top Level Paper.pdf", "sub/", "sub/b.pdf", "sub/deeper/", "sub/deeper/c.pdf"}));
    EXPECT_EQ(recorder.files.size(), 1u);
}

TEST_F(FolderRun, RecursionWalksEverySubfolder)
{
    folder("sub");
    folder("sub/deeper");
    paper("a.pdf", "Top Level Paper");
    paper("sub/b.pdf", "Second Level Paper");
    paper("sub/deeper/c.pdf", "Third Level Paper");

    EXPECT_TRUE(run(true));
    EXPECT_EQ(tree(), (Names{"Top Level Paper.pdf", "sub/", "sub/Second Level Paper.pdf", "sub/deeper/",
                             "sub/deeper/Third Level Paper.pdf"}));
    const FileReport *c = recorder.find(path("sub/deeper/c.pdf"));
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->outcome, Outcome::kRenamed);
    EXPECT_EQ(c->newPath, path("sub/deeper/Third Level Paper.pdf"));
    EXPECT_EQ(c->title, "Third Level Paper");
}

TEST_F(FolderRun, TwoPapersWithOneTitleKeepBothFiles)
{
    paper("first.pdf", "Shared Title", "First Author");
    paper("second.pdf", "Shared Title", "Second Author");
    const std::string first = readFileBytes(path("first.pdf"));
    const std::string second = readFileBytes(path("second.pdf"));
    ASSERT_NE(first, second);

    EXPECT_TRUE(run(false));
    EXPECT_EQ(tree(), (Names{"Shared Title(1).pdf", "Shared Title.pdf"}));
    const std::vector<std::string> contents{readFileBytes(path("Shared Title.pdf")),
                                            readFileBytes(path("Shared Title(1).pdf"))};
    EXPECT_EQ(std::count(contents.begin(), contents.end(), first), 1);
    EXPECT_EQ(std::count(contents.begin(), contents.end(), second), 1);
}

TEST_F(FolderRun, PaperAlreadyNamedRightIsLeftAlone)
{
    paper("Tidal Flats.pdf", "Tidal Flats");
    struct stat before {};
    ASSERT_EQ(stat(path("Tidal Flats.pdf").c_str(), &before), 0);

    EXPECT_TRUE(run(false));
    ASSERT_EQ(recorder.files.size(), 1u);
    EXPECT_EQ(recorder.files[0].outcome, Outcome::kUnchanged);
    struct stat after {};
    ASSERT_EQ(stat(path("Tidal Flats.pdf").c_str(), &after), 0);
    // Not even moved onto itself: a move would update the change time.
    EXPECT_EQ(before.st_ctim.tv_sec, after.st_ctim.tv_sec);
    EXPECT_EQ(before.st_ctim.tv_nsec, after.st_ctim.tv_nsec);
    EXPECT_EQ(before.st_ino, after.st_ino);
}

TEST_F(FolderRun, ExtensionInAnyCaseBecomesLowerCase)
{
    paper("SCAN.PDF", "Upper Case Scan");
    paper("Mixed.Pdf", "Mixed Case Scan");
    writeFileBytes(path("notes.txt"), "not a paper");
    writeFileBytes(path("paper.pdf.bak"), "an old copy");

    EXPECT_TRUE(run(false));
    EXPECT_EQ(tree(), (Names{"Mixed Case Scan.pdf", "Upper Case Scan.pdf", "notes.txt", "paper.pdf.bak"}));
}

TEST_F(FolderRun, PapersWithoutTitleKeepTheirNames)
{
    pdfgen::writeFile(path("blank.pdf"), pdfgen::Document{});
    writeFileBytes(path("broken.pdf"), "%PDF-1.4\nthis is not a document");
    paper("good.pdf", "Readable Paper");

    EXPECT_FALSE(run(false));
    EXPECT_EQ(tree(), (Names{"Readable Paper.pdf", "blank.pdf", "broken.pdf"}));
    ASSERT_NE(recorder.find(path("blank.pdf")), nullptr);
    EXPECT_EQ(recorder.find(path("blank.pdf"))->outcome, Outcome::kNoTitle);
    EXPECT_EQ(recorder.find(path("broken.pdf"))->outcome, Outcome::kNoTitle);
}

TEST_F(FolderRun, TitleThatLeavesNoNameKeepsTheFile)
{
    // Titles from the layout begin with a letter, so this takes a title
    // source of another kind; the renamer must not rely on that rule.
    paper("marks.pdf", "Marks");
    paper("stars.pdf", "Stars");
    paper("fine.pdf", "Fine");
    const std::map<std::string, std::string> titles{
        {path("marks.pdf"), "???"}, {path("stars.pdf"), "?*?"}, {path("fine.pdf"), "Fine"}};
    Renamer renamer(fs, cp, &recorder, [&titles](const std::string &p) { return titles.at(p); });

    EXPECT_FALSE(renamer.RenamePdfsInFolder(false, dir.path()));
    EXPECT_EQ(tree(), (Names{"Fine.pdf", "marks.pdf", "stars.pdf"}));
    EXPECT_EQ(recorder.find(path("marks.pdf"))->outcome, Outcome::kNoName);
    EXPECT_EQ(recorder.find(path("stars.pdf"))->outcome, Outcome::kNoName);
    EXPECT_EQ(recorder.find(path("stars.pdf"))->title, "?*?");
}

TEST_F(FolderRun, FolderNamedLikeAPaperIsNotRenamed)
{
    folder("x.pdf");
    paper("x.pdf/inner.pdf", "Inner Paper");

    EXPECT_TRUE(run(false));
    EXPECT_EQ(tree(), (Names{"x.pdf/", "x.pdf/inner.pdf"}));
    EXPECT_TRUE(run(true));
    EXPECT_EQ(tree(), (Names{"x.pdf/", "x.pdf/Inner Paper.pdf"}));
}

TEST_F(FolderRun, SymbolicLinksAreNeitherFollowedNorRenamed)
{
    TempDir elsewhere;
    writePaper(elsewhere.file("target.pdf"), "Linked Paper");
    mkdir(elsewhere.file("papers").c_str(), 0755);
    writePaper(elsewhere.file("papers/inside.pdf"), "Paper Behind A Folder Link");
    ASSERT_EQ(symlink(elsewhere.file("target.pdf").c_str(), path("link.pdf").c_str()), 0);
    ASSERT_EQ(symlink(elsewhere.file("papers").c_str(), path("papers").c_str()), 0);
    ASSERT_EQ(symlink("missing.pdf", path("dangling.pdf").c_str()), 0);

    EXPECT_TRUE(run(true));
    EXPECT_TRUE(recorder.files.empty());
    EXPECT_EQ(tree(), (Names{"dangling.pdf@", "link.pdf@", "papers@"}));
    EXPECT_EQ(treeOf(elsewhere.path()), (Names{"papers/", "papers/inside.pdf", "target.pdf"}));
}

// A disk on which one folder cannot be listed, whoever runs the test.
class RefusingFileSystem final : public testing::ForwardingFileSystem {
public:
    RefusingFileSystem(FileSystem &disk, std::string refused) : ForwardingFileSystem(disk), refused_(std::move(refused)) {}
    std::error_code listFolder(const std::string &folder, const Visit &visit) override
    {
        if (folder == refused_) {
            return std::make_error_code(std::errc::permission_denied);
        }
        return disk_.listFolder(folder, visit);
    }

private:
    std::string refused_;
};

TEST_F(FolderRun, FolderThatCannotBeListedIsPassedOver)
{
    folder("a");
    folder("b");
    folder("c");
    paper("a/one.pdf", "Paper One");
    paper("b/two.pdf", "Paper Two");
    paper("c/three.pdf", "Paper Three");
    RefusingFileSystem refusing(fs, path("b/"));
    Renamer renamer(refusing, cp, &recorder);

    EXPECT_FALSE(renamer.RenamePdfsInFolder(true, dir.path()));
    EXPECT_EQ(tree(), (Names{"a/", "a/Paper One.pdf", "b/", "b/two.pdf", "c/", "c/Paper Three.pdf"}));
    EXPECT_EQ(recorder.skipped, (Names{path("b/")}));
    ASSERT_EQ(recorder.skipErrors.size(), 1u);
    EXPECT_EQ(recorder.skipErrors[0], std::errc::permission_denied);
}

TEST_F(FolderRun, TargetAppearingBeforeTheMoveIsNeverReplaced)
{
    for (const bool linkFallback : {false, true}) {
        SCOPED_TRACE(linkFallback ? "link and unlink" : "renameat2");
        TempDir fresh;
        const std::string original = fresh.file("scan.pdf");
        const std::string target = fresh.file("Raced Title.pdf");
        writePaper(original, "Raced Title");
        const std::string paperBytes = readFileBytes(original);
        const std::string intruder = "written by someone else in the meantime";
        fs.setLinkInsteadOfRename(linkFallback);
        fs.setBeforeMoveHook([&](const std::string &, const std::string &newPath) {
            EXPECT_EQ(newPath, target);
            writeFileBytes(newPath, intruder);
        });
        Recorder seen;
        Renamer renamer(fs, cp, &seen);

        EXPECT_EQ(renamer.RenamePdfToTitle(fresh.path() + "/", "scan.pdf"), Outcome::kFailed);
        ASSERT_EQ(seen.files.size(), 1u);
        EXPECT_EQ(seen.files[0].error, std::errc::file_exists);
        EXPECT_EQ(readFileBytes(original), paperBytes);
        EXPECT_EQ(readFileBytes(target), intruder);
        EXPECT_EQ(treeOf(fresh.path()), (Names{"Raced Title.pdf", "scan.pdf"}));
        fs.setBeforeMoveHook(nullptr);
    }
}

TEST_F(FolderRun, LinkAndUnlinkMovesWhereRenameIsRefused)
{
    fs.setLinkInsteadOfRename(true);
    paper("scan.pdf", "Moved By Link");
    const std::string bytes = readFileBytes(path("scan.pdf"));

    EXPECT_TRUE(run(false));
    EXPECT_EQ(tree(), (Names{"Moved By Link.pdf"}));
    EXPECT_EQ(readFileBytes(path("Moved By Link.pdf")), bytes);
    struct stat st {};
    ASSERT_EQ(stat(path("Moved By Link.pdf").c_str(), &st), 0);
    EXPECT_EQ(st.st_nlink, 1u);
}

// Lists the way Windows does: the search stays open while files are
// renamed, and a name made meanwhile turns up later in the same listing.
class OpenListingFileSystem final : public testing::ForwardingFileSystem {
public:
    using ForwardingFileSystem::ForwardingFileSystem;
    std::error_code listFolder(const std::string &folder, const Visit &visit) override
    {
        std::vector<std::string> met;
        for (;;) {
            std::vector<std::string> now;
            if (const std::error_code e = disk_.listFolder(folder, [&](const std::string &n) { now.push_back(n); })) {
                return e;
            }
            std::sort(now.begin(), now.end());
            auto fresh = std::find_if(now.begin(), now.end(), [&](const std::string &n) {
                return std::find(met.begin(), met.end(), n) == met.end();
            });
            if (fresh == now.end()) {
                return {};
            }
            met.push_back(*fresh);
            visit(*fresh);
        }
    }
};

TEST_F(FolderRun, FileRenamedDuringAnOpenListingIsNotHandledAgain)
{
    paper("a.pdf", "Zebra Paper");
    paper("b.pdf", "Yak Paper");
    OpenListingFileSystem open(fs);
    Renamer renamer(open, cp, &recorder);

    EXPECT_TRUE(renamer.RenamePdfsInFolder(false, dir.path()));
    EXPECT_EQ(tree(), (Names{"Yak Paper.pdf", "Zebra Paper.pdf"}));
    ASSERT_EQ(recorder.files.size(), 2u);
    EXPECT_EQ(recorder.files[0].outcome, Outcome::kRenamed);
    EXPECT_EQ(recorder.files[1].outcome, Outcome::kRenamed);
}

// What a run reported, one line per PDF, to compare a dry run with a real one.
std::vector<std::string> lines(const Recorder &r)
{
    std::vector<std::string> out;
    for (const FileReport &f : r.files) {
        out.push_back(std::to_string(static_cast<int>(f.outcome)) + " " + f.oldPath + " -> " + f.newPath);
    }
    return out;
}

TEST_F(FolderRun, DryRunPlansWhatTheRealRunDoes)
{
    folder("sub");
    paper("a.pdf", "Bravo");  // Bravo.pdf is taken until that file is renamed
    paper("Bravo.pdf", "Charlie");
    paper("c.pdf", "Charlie", "Other Author");
    paper("d.pdf", "Charlie", "Third Author");
    paper("Delta.pdf", "Delta");
    paper("sub/e.PDF", "Bravo");
    pdfgen::writeFile(path("sub/blank.pdf"), pdfgen::Document{});
    const Names before = tree();

    Recorder planned;
    DryRunFileSystem overlay(fs);
    Renamer dry(overlay, cp, &planned);
    const bool dryAllWell = dry.RenamePdfsInFolder(true, dir.path());
    EXPECT_EQ(tree(), before);

    EXPECT_EQ(run(true), dryAllWell);
    EXPECT_EQ(lines(planned), lines(recorder));
    EXPECT_EQ(recorder.files.size(), 7u);
    // Which paper gets "(1)" depends on the listing order; no file is lost.
    EXPECT_EQ(tree().size(), before.size());
}

// Lists each folder in name order, so that "the files before" are known,
// and asks the run to stop while it moves the file named `stopAt`.
class StopWhileMoving final : public ForwardingFileSystem {
public:
    StopWhileMoving(FileSystem &disk, std::atomic<bool> &stop, std::string stopAt)
        : ForwardingFileSystem(disk), stop_(stop), stopAt_(std::move(stopAt))
    {
    }
    std::error_code listFolder(const std::string &folder, const Visit &visit) override
    {
        std::vector<std::string> names;
        const std::error_code error = disk_.listFolder(folder, [&](const std::string &n) { names.push_back(n); });
        std::sort(names.begin(), names.end());
        std::for_each(names.begin(), names.end(), visit);
        return error;
    }
    std::error_code move(const std::string &oldPath, const std::string &newPath) override
    {
        const std::error_code error = disk_.move(oldPath, newPath);
        if (!stopAt_.empty() && oldPath.ends_with(stopAt_)) {
            stop_ = true;
        }
        return error;
    }

private:
    std::atomic<bool> &stop_;
    std::string stopAt_;
};

TEST_F(FolderRun, StopEndsTheRunBetweenTwoFilesAndCountsTheRest)
{
    folder("sub");
    paper("a.pdf", "Alpha");
    paper("b.pdf", "Bravo");
    paper("sub/c.pdf", "Charlie");
    paper("sub/d.pdf", "Delta");
    const Names untouched = tree();
    const struct {
        const char *stopWhileMoving;  // empty: while reading the title of /b.pdf
        bool recursive;
        Names after;
        std::size_t notReached;
    } cases[] = {
        {"/a.pdf", true, {"Alpha.pdf", "b.pdf", "sub/", "sub/c.pdf", "sub/d.pdf"}, 3},
        {"/a.pdf", false, {"Alpha.pdf", "b.pdf", "sub/", "sub/c.pdf", "sub/d.pdf"}, 1},
        // The file whose title is being read when the stop comes is finished.
        {"", true, {"Alpha.pdf", "Bravo.pdf", "sub/", "sub/c.pdf", "sub/d.pdf"}, 2},
        {"/c.pdf", true, {"Alpha.pdf", "Bravo.pdf", "sub/", "sub/Charlie.pdf", "sub/d.pdf"}, 1},
        {"/d.pdf", true, {"Alpha.pdf", "Bravo.pdf", "sub/", "sub/Charlie.pdf", "sub/Delta.pdf"}, 0},
        {"/none.pdf", true, {"Alpha.pdf", "Bravo.pdf", "sub/", "sub/Charlie.pdf", "sub/Delta.pdf"}, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.stopWhileMoving) + (c.recursive ? " recursive" : ""));
        TempDir fresh;
        std::filesystem::copy(dir.path(), fresh.path(), std::filesystem::copy_options::recursive);
        std::atomic<bool> stop{false};
        StopWhileMoving layer(fs, stop, c.stopWhileMoving);
        Recorder seen;
        Renamer renamer(layer, cp, &seen, [&](const std::string &path) {
            if (*c.stopWhileMoving == '\0' && path.ends_with("/b.pdf")) {
                stop = true;
            }
            return extractTitle(path);
        });
        renamer.setStop(&stop);

        EXPECT_EQ(renamer.RenamePdfsInFolder(c.recursive, fresh.path()), c.notReached == 0);
        EXPECT_EQ(treeOf(fresh.path()), c.after);
        EXPECT_EQ(renamer.notReached(), c.notReached);
        EXPECT_EQ(seen.files.size(), (c.recursive ? 4u : 2u) - c.notReached);
    }
    EXPECT_EQ(tree(), untouched);
}

}  // namespace
}  // namespace tidemark
