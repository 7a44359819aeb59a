// "tidemark title" as a user runs it.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CliRun.h"
#include "PdfWriter.h"
#include "TempDir.h"

namespace {

using Lines = std::vector<std::string>;

class TitleCli : public CliTest {
protected:
    void paper(const std::string &name, const std::string &title)
    {
        pdfgen::PageBuilder b;
        b.line(title, 20, "Helvetica-Bold").line("Ann Author", 11).line("Abstract", 10).body(4);
        pdfgen::writeFile(dir.file(name), {{b.page()}, "Wrong Metadata Title"});
    }
    CliRun run(const std::string &args) { return runCli(cli_, dir.path(), args, dir.file("stderr.txt")); }

    TempDir dir;
};

TEST_F(TitleCli, OneFilePrintsTheTitleAloneInUtf8)
{
    paper("a.pdf", "Caf\xe9 Dynamics");
    const CliRun r = run("title a.pdf");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, Lines{"Caf\xc3\xa9 Dynamics"});
}

TEST_F(TitleCli, SeveralFilesPrintFileTabTitleAndAMissingTitleGivesStatusOne)
{
    paper("a.pdf", "First Title");
    writeFileBytes(dir.file("b.pdf"), "not a pdf at all");
    const CliRun r = run("title a.pdf b.pdf missing.pdf");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, (Lines{"a.pdf\tFirst Title", "b.pdf\t", "missing.pdf\t"}));
    EXPECT_NE(r.err.find("Error: "), std::string::npos) << r.err;
}

TEST_F(TitleCli, UsageHelpAndVersion)
{
    CliRun r = run("title");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("Usage:"), std::string::npos);
    EXPECT_EQ(run("title --bogus x.pdf").status, 2);
    EXPECT_EQ(run("frobnicate").status, 2);
    EXPECT_EQ(run("").status, 2);

    r = run("--help");
    EXPECT_EQ(r.status, 0);
    ASSERT_FALSE(r.out.empty());
    EXPECT_EQ(r.out[0].rfind("Usage: tidemark title", 0), 0u);

    r = run("--version");
    EXPECT_EQ(r.status, 0);
    // The version of this build, so that a release needs no change here.
    EXPECT_EQ(r.out, Lines{"tidemark " TIDEMARK_VERSION});
}

TEST_F(TitleCli, FileNamedLikeAnOptionAfterTheSeparator)
{
    paper("-odd.pdf", "Odd Name Title");
    const CliRun r = run("title -- -odd.pdf");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, Lines{"Odd Name Title"});
}

}  // namespace
