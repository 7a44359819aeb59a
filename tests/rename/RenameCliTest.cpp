// The tidemark program run as a user runs it, on real folders.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CliRun.h"
#include "RenameTestSupport.h"
#include "TempDir.h"

namespace tidemark {
namespace {

using testing::treeOf;
using Lines = std::vector<std::string>;

class RenameCli : public CliTest {
protected:
    void SetUp() override
    {
        CliTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        ASSERT_EQ(mkdir(path("work").c_str(), 0755), 0);
    }
    std::string path(const std::string &relative) const { return dir.path() + "/" + relative; }
    void paper(const std::string &relative, const std::string &title, const std::string &author = "Ann Author")
    {
        testing::writePaper(path("work/" + relative), title, author);
    }
    // Runs "tidemark ARGS" in the folder "work".
    CliRun run(const std::string &args) { return runCli(cli_, path("work"), args, path("stderr.txt")); }
    std::vector<std::string> tree() const { return treeOf(path("work")); }

    TempDir dir;
};

TEST_F(RenameCli, FolderRunPrintsALinePerPaperAndASummary)
{
    mkdir(path("work/papers").c_str(), 0755);
    paper("papers/scan.pdf", "Alpha Paper");
    paper("papers/Beta Paper.pdf", "Beta Paper");

    const CliRun r = run("rename papers");
    EXPECT_EQ(r.status, 0);
    ASSERT_EQ(r.out.size(), 3u);
    const Lines files(r.out.begin(), r.out.end() - 1);
    EXPECT_NE(std::find(files.begin(), files.end(), "renamed: papers/scan.pdf -> papers/Alpha Paper.pdf"),
              files.end());
    EXPECT_NE(std::find(files.begin(), files.end(), "unchanged: papers/Beta Paper.pdf (already named so)"),
              files.end());
    EXPECT_EQ(r.out.back(), "1 renamed, 1 unchanged, 0 no title, 0 failed");
    // Piped output carries no progress line.
    EXPECT_EQ(r.err.find('\r'), std::string::npos);
    EXPECT_EQ(tree(), (Lines{"papers/", "papers/Alpha Paper.pdf", "papers/Beta Paper.pdf"}));
}

TEST_F(RenameCli, SubfoldersOnlyWithRecursive)
{
    mkdir(path("work/sub").c_str(), 0755);
    paper("sub/deep.pdf", "Deep Paper");

    CliRun r = run("rename .");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, (Lines{"0 renamed, 0 unchanged, 0 no title, 0 failed"}));
    r = run("rename -r .");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, (Lines{"renamed: ./sub/deep.pdf -> ./sub/Deep Paper.pdf",
                            "1 renamed, 0 unchanged, 0 no title, 0 failed"}));
}

TEST_F(RenameCli, PaperWithoutTitleGivesStatusOne)
{
    pdfgen::writeFile(path("work/blank.pdf"), pdfgen::Document{});
    paper("good.pdf", "Good Paper");

    const CliRun r = run("rename .");
    EXPECT_EQ(r.status, 1);
    ASSERT_EQ(r.out.size(), 3u);
    EXPECT_NE(std::find(r.out.begin(), r.out.end(), "no title: ./blank.pdf"), r.out.end());
    EXPECT_EQ(r.out.back(), "1 renamed, 0 unchanged, 1 no title, 0 failed");
    EXPECT_NE(r.err.find("Error: "), std::string::npos);  // the library said why
    EXPECT_EQ(tree(), (Lines{"Good Paper.pdf", "blank.pdf"}));
}

TEST_F(RenameCli, EachPathIsAPaperAFolderOrAnError)
{
    paper("SCAN.PDF", "Caf\xE9 Culture");
    testing::writePaper(path("work/notes.txt"), "Not Looked At");

    paper("target.pdf", "Behind A Link");
    ASSERT_EQ(symlink("target.pdf", path("work/link.pdf").c_str()), 0);

    const CliRun r = run("rename SCAN.PDF notes.txt missing.pdf link.pdf");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, (Lines{"renamed: SCAN.PDF -> Caf\xC3\xA9 Culture.pdf", "failed: notes.txt: not a PDF file or a folder",
                            "failed: missing.pdf: No such file or directory",
                            "failed: link.pdf: a symbolic link; links are neither followed nor renamed",
                            "1 renamed, 0 unchanged, 0 no title, 3 failed"}));
    EXPECT_EQ(tree(), (Lines{"Caf\xC3\xA9 Culture.pdf", "link.pdf@", "notes.txt", "target.pdf"}));
}

TEST_F(RenameCli, UsageErrorsGiveStatusTwo)
{
    paper("scan.pdf", "Untouched Paper");
    for (const char *args : {"rename", "rename --frobnicate .", "rename -x .", "rename -r", "rename -n --"}) {
        const CliRun r = run(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_TRUE(r.out.empty()) << args;
        EXPECT_NE(r.err.find("Usage:"), std::string::npos) << args;
    }
    EXPECT_EQ(tree(), (Lines{"scan.pdf"}));
}

TEST_F(RenameCli, FailedMoveNamesTheReason)
{
    paper("long.pdf", testing::overlongTitle());

    const CliRun r = run("rename long.pdf");
    EXPECT_EQ(r.status, 1);
    ASSERT_EQ(r.out.size(), 2u);
    EXPECT_EQ(r.out[0].rfind("failed: long.pdf -> ", 0), 0u) << r.out[0];
    EXPECT_NE(r.out[0].find(": File name too long"), std::string::npos) << r.out[0];
    EXPECT_EQ(r.out[1], "0 renamed, 0 unchanged, 0 no title, 1 failed");
    EXPECT_EQ(tree(), (Lines{"long.pdf"}));
}

TEST_F(RenameCli, DryRunPrintsTheLinesOfTheRealRun)
{
    mkdir(path("work/sub").c_str(), 0755);
    mkdir(path("work/sub/x.pdf").c_str(), 0755);
    paper("a.pdf", "Bravo");
    paper("Bravo.pdf", "Charlie");
    paper("c.pdf", "Charlie", "Other Author");
    paper("d.PDF", "Charlie", "Third Author");
    paper("Delta.pdf", "Delta");
    paper("sub/e.pdf", "Echo: A Study");
    paper("sub/x.pdf/f.pdf", "Echo: A Study", "Other Author");
    paper("sub/Echo - A Study.pdf", "Foxtrot");
    pdfgen::writeFile(path("work/sub/blank.pdf"), pdfgen::Document{});
    paper("long.pdf", testing::overlongTitle());
    const Lines before = tree();

    const CliRun dry = run("rename -rn .");
    EXPECT_EQ(tree(), before);
    const CliRun real = run("rename --recursive .");

    EXPECT_EQ(dry.status, 1);
    EXPECT_EQ(real.status, 1);
    ASSERT_EQ(dry.out.size(), 11u);
    ASSERT_EQ(real.out.size(), 11u);
    EXPECT_EQ(Lines(dry.out.begin(), dry.out.end() - 1), Lines(real.out.begin(), real.out.end() - 1));
    EXPECT_EQ(dry.out.back(), "7 renamed, 1 unchanged, 1 no title, 1 failed (dry run: nothing was renamed)");
    EXPECT_EQ(real.out.back(), "7 renamed, 1 unchanged, 1 no title, 1 failed");
    EXPECT_EQ(tree().size(), before.size());
}

}  // namespace
}  // namespace tidemark
