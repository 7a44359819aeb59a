// "tidemark title" and "tidemark rename" with --rule and --explain, as a
// user runs them.
#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CliRun.h"
#include "PdfWriter.h"
#include "TempDir.h"

namespace {

using Lines = std::vector<std::string>;
using pdfgen::PageBuilder;

bool contains(const Lines &lines, const std::string &part)
{
    for (const std::string &line : lines) {
        if (line.find(part) != std::string::npos) {
            return true;
        }
    }
    return false;
}

class RefinedCli : public CliTest {
protected:
    void SetUp() override
    {
        CliTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        // A journal's name in the largest type over its issue data: the
        // layout rule takes it for the title, the refined rule passes it over.
        PageBuilder masthead(700);
        masthead.line("Annals of Coastal Research", 26).line("Vol. 12, No. 3 (2021), pp. 211-230", 9).gap(40);
        masthead.line("Sediment Budgets of Barrier Islands", 16, "Helvetica-Bold").line("Ann Author", 11);
        masthead.line("Abstract", 10, "Helvetica-Bold").body(8);
        pdfgen::writeFile(dir.file("journal.pdf"), {{masthead.page()}, ""});
        // A Greek title, which Latin-1 cannot hold.
        PageBuilder greek;
        greek.line("\xCE\x98\xCE\xAC\xCE\xBB\xCE\xB1\xCF\x83\xCF\x83\xCE\xB1 \xCE\xBA\xCE\xB1\xCE\xB9 "
                   "\xCE\xB1\xCE\xBA\xCF\x84\xCE\xAD\xCF\x82",
                   20, pdfgen::kUnicodeBoldFont)
            .line("Ann Author", 11)
            .line("Abstract", 10, "Helvetica-Bold")
            .body(8);
        pdfgen::writeFile(dir.file("greek.pdf"), {{greek.page()}, ""});
    }
    CliRun run(const std::string &args) { return runCli(cli_, dir.path(), args, dir.file("stderr.txt")); }

    const std::string greekTitle =
        "\xCE\x98\xCE\xAC\xCE\xBB\xCE\xB1\xCF\x83\xCF\x83\xCE\xB1 \xCE\xBA\xCE\xB1\xCE\xB9 "
        "\xCE\xB1\xCE\xBA\xCF\x84\xCE\xAD\xCF\x82";
    TempDir dir;
};

TEST_F(RefinedCli, TitleByEitherRuleAndTheExplanation)
{
    // The refined rule is the default; the layout rule takes the masthead
    // and drops the Greek letters.
    const Lines refined{"journal.pdf\tSediment Budgets of Barrier Islands", "greek.pdf\t" + greekTitle};
    CliRun r = run("title journal.pdf greek.pdf");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, refined);
    EXPECT_EQ(run("title --rule=refined journal.pdf greek.pdf").out, refined);
    EXPECT_EQ(run("title --rule=layout journal.pdf greek.pdf").out,
              (Lines{"journal.pdf\tAnnals of Coastal Research", "greek.pdf\tAnn Author"}));

    r = run("title --explain journal.pdf");
    EXPECT_EQ(r.status, 0);
    ASSERT_FALSE(r.out.empty());
    EXPECT_EQ(r.out.front(), "journal.pdf: 1 page read");
    EXPECT_EQ(r.out.back(), "title: Sediment Budgets of Barrier Islands");
    EXPECT_TRUE(contains(r.out, "26.0pt")) << r.out.size();
    EXPECT_TRUE(contains(r.out, "\"Annals of Coastal Research\" -- passed over; next to journal or issue data"));
    EXPECT_TRUE(contains(r.out, "\"Sediment Budgets of Barrier Islands\" -- title"));

    EXPECT_EQ(run("title --rule=fancy journal.pdf").status, 2);
    EXPECT_EQ(run("title --explain journal.pdf greek.pdf").status, 2);
    EXPECT_EQ(run("title --rule=layout --explain journal.pdf").status, 2);
}

TEST_F(RefinedCli, RenameDryThenForRealWithUtf8Names)
{
    const std::string journal = readFileBytes(dir.file("journal.pdf"));
    const Lines expected{"renamed: ./greek.pdf -> ./" + greekTitle + ".pdf",
                         "renamed: ./journal.pdf -> ./Sediment Budgets of Barrier Islands.pdf",
                         "2 renamed, 0 unchanged, 0 no title, 0 failed"};
    CliRun r = run("rename -n --rule=refined .");
    EXPECT_EQ(r.status, 0);
    ASSERT_EQ(r.out.size(), 3u);
    Lines sorted{r.out[0], r.out[1]};
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted[0], expected[0]);
    EXPECT_EQ(sorted[1], expected[1]);
    EXPECT_EQ(r.out[2], expected[2] + " (dry run: nothing was renamed)");
    EXPECT_EQ(readFileBytes(dir.file("journal.pdf")), journal);

    EXPECT_EQ(run("rename --rule=bogus .").status, 2);
    EXPECT_EQ(run("rename -n --rule=layout journal.pdf").out.front(),
              "renamed: journal.pdf -> Annals of Coastal Research.pdf");

    // The refined rule is the default.
    r = run("rename .");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.back(), expected[2]);
    EXPECT_EQ(readFileBytes(dir.file("Sediment Budgets of Barrier Islands.pdf")), journal);
    EXPECT_FALSE(readFileBytes(dir.file(greekTitle + ".pdf")).empty());
}

}  // namespace
