// Folders as users really have them: downloads with broken names, trees
// deeper than any path may be, files that vanish or are not files at all.
// Whatever happens, every file survives with its bytes.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "PosixFolderTest.h"
#include "RenameTestSupport.h"
#include "TempDir.h"
#include "rename/CodePage.h"
#include "rename/PosixFileSystem.h"
#include "rename/Renamer.h"
#include "title/TitleExtractor.h"

namespace tidemark {
namespace {

using testing::Recorder;
using testing::treeOf;
using Names = std::vector<std::string>;

class HostileInput : public testing::PosixFolderTest {};

TEST_F(HostileInput, NamesThatAreNotUtf8AreRenamedAndTitlesBecomeUtf8)
{
    paper("caf\xe9-\xff.pdf", "R\xe9sum\xe9 of Na\xefve Models");
    paper("\xc3(.PDF", "Plain Title");
    Renamer renamer(fs, cp, &recorder);
    EXPECT_TRUE(renamer.RenamePdfsInFolder(false, dir.path()));
    EXPECT_EQ(treeOf(dir.path()), (Names{"Plain Title.pdf", "R\xc3\xa9sum\xc3\xa9 of Na\xc3\xafve Models.pdf"}));
}

TEST_F(HostileInput, TreeDeeperThanThePathLimitIsWalkedAsFarAsItCanBe)
{
    // Each level is made relative to the one before, so the tree can grow
    // past PATH_MAX although no single call names it whole.
    const std::string level(200, 'd');
    int fd = open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    for (int i = 0; i < 25; ++i) {  // 25 * 201 bytes: beyond 4096
        ASSERT_EQ(mkdirat(fd, level.c_str(), 0755), 0);
        if (i == 2) {
            const int paper = openat(fd, "shallow.pdf", O_WRONLY | O_CREAT, 0644);
            ASSERT_GE(paper, 0);
            const std::string bytes = pdfgen::render(testing::paper("Shallow Enough Title"));
            ASSERT_EQ(write(paper, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
            close(paper);
        }
        const int next = openat(fd, level.c_str(), O_RDONLY | O_DIRECTORY);
        close(fd);
        ASSERT_GE(next, 0);
        fd = next;
    }
    const int deep = openat(fd, "deep.pdf", O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(deep, 0);
    close(deep);
    close(fd);

    Renamer renamer(fs, cp, &recorder);
    EXPECT_FALSE(renamer.RenamePdfsInFolder(true, dir.path()));
    // The reachable paper is renamed; the folders past the limit are reported.
    ASSERT_EQ(recorder.files.size(), 1u);
    EXPECT_EQ(recorder.files[0].outcome, Outcome::kRenamed);
    EXPECT_FALSE(recorder.skipped.empty());
    for (const std::error_code &e : recorder.skipErrors) {
        EXPECT_TRUE(e) << "a skipped folder carries its reason";
    }
}

TEST_F(HostileInput, FileThatDisappearsBeforeItIsReadHasNoTitle)
{
    paper("a.pdf", "Vanishing Paper");
    paper("b.pdf", "Staying Paper");
    Renamer renamer(fs, cp, &recorder, [](const std::string &p) {
        if (p.find("a.pdf") != std::string::npos) {
            unlink(p.c_str());
        }
        return extractTitle(p);
    });
    renamer.RenamePdfsInFolder(false, dir.path());
    EXPECT_EQ(treeOf(dir.path()), (Names{"Staying Paper.pdf"}));
    ASSERT_NE(recorder.find(path("a.pdf")), nullptr);
    EXPECT_EQ(recorder.find(path("a.pdf"))->outcome, Outcome::kNoTitle);
}

TEST_F(HostileInput, FileThatDisappearsBeforeTheMoveFailsCleanly)
{
    paper("a.pdf", "Vanishing Paper");
    fs.setBeforeMoveHook([](const std::string &oldPath, const std::string &) { unlink(oldPath.c_str()); });
    Renamer renamer(fs, cp, &recorder);
    EXPECT_FALSE(renamer.RenamePdfsInFolder(false, dir.path()));
    ASSERT_EQ(recorder.files.size(), 1u);
    EXPECT_EQ(recorder.files[0].outcome, Outcome::kFailed);
    EXPECT_EQ(recorder.files[0].error, std::errc::no_such_file_or_directory);
    EXPECT_EQ(treeOf(dir.path()), Names{});
}

TEST_F(HostileInput, PipesAndDevicesNamedLikePapersAreNeverOpened)
{
    // Opening a pipe for reading would wait for a writer for ever.
    ASSERT_EQ(mkfifo(path("pipe.pdf").c_str(), 0644), 0);
    paper("real.pdf", "Real Paper Title");
    Renamer renamer(fs, cp, &recorder);
    EXPECT_TRUE(renamer.RenamePdfsInFolder(false, dir.path()));
    EXPECT_EQ(treeOf(dir.path()), (Names{"Real Paper Title.pdf", "pipe.pdf"}));
}

TEST_F(HostileInput, DocumentOfTwoThousandPagesWithoutHeadingIsReadWhole)
{
    pdfgen::Document doc = testing::paper("Very Long Report");
    doc.pages[0].runs.erase(doc.pages[0].runs.begin() + 2);  // no "Abstract" heading
    for (int i = 1; i < 2000; ++i) {
        doc.pages.push_back(pdfgen::PageBuilder().line("page text " + std::to_string(i), 10).page());
    }
    pdfgen::writeFile(path("long.pdf"), doc);
    CollectorState state;
    const Extraction e = extractTitle(path("long.pdf"), state);
    EXPECT_EQ(e.pagesRendered, 2000);
    EXPECT_EQ(e.title, "Very Long Report");
}

}  // namespace
}  // namespace tidemark
