#include "shell/ShellCommands.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ExplorerFixture.h"
#include "FakeExplorer.h"
#include "PdfWriter.h"
#include "ShellTestSupport.h"
#include "TempDir.h"
#include "shell/RenameContext.h"
#include "title/TitleExtractor.h"

namespace tidemark {
namespace {

using Names = std::vector<std::string>;

// A paper's first page: title, author, the abstract heading, some text.
pdfgen::Document paper(const std::string &title)
{
    pdfgen::PageBuilder b;
    b.line(title, 20, "Helvetica-Bold").line("Ann Author", 12).gap(10).line("Abstract", 11, "Helvetica-Bold").body(10);
    return pdfgen::Document{{b.page()}, "Metadata Is Not The Title"};
}

// The two file commands end to end: generated PDFs in a real temporary
// folder, shown by an Explorer window of the test's own.
class FileCommands : public testing::ExplorerFixture {
protected:
    void SetUp() override
    {
        ExplorerFixture::SetUp();
        pdfgen::writeFile(dir.file("a.pdf"), paper("Tidal Mixing in Estuaries"));
        pdfgen::writeFile(dir.file("B.PDF"), paper("Salt Marsh Accretion Rates"));
        pdfgen::writeFile(dir.file("notes.txt"), paper("Not Renamed Because Text"));
        makeFolder(dir.file("sub"));
        pdfgen::writeFile(dir.file("sub\\c.pdf"), paper("Sediment Budgets of Lagoons"));
        makeFolder(dir.file("sub\\deeper"));
        pdfgen::writeFile(dir.file("sub\\deeper\\d.pdf"), paper("Wave Energy on Mudflats"));
    }
    const Names untouchedTop{"B.PDF", "a.pdf", "notes.txt", "sub"};
    const Names untouchedSub{"c.pdf", "deeper"};
    const Names untouchedDeeper{"d.pdf"};
};

TEST_F(FileCommands, RenameSelectedPdfRenamesTheFocusedPdf)
{
    focus("a.pdf");
    EXPECT_TRUE(RenameSelectedPdf(context, explorerWindow.get()));
    EXPECT_EQ(namesIn(dir.path()), Names({"B.PDF", "Tidal Mixing in Estuaries.pdf", "notes.txt", "sub"}));
    EXPECT_EQ(namesIn(dir.file("sub")), untouchedSub);
}

TEST_F(FileCommands, RenameSelectedPdfTakesTheExtensionInAnyCase)
{
    focus("B.PDF");
    EXPECT_TRUE(RenameSelectedPdf(context, explorerWindow.get()));
    EXPECT_EQ(namesIn(dir.path()), Names({"Salt Marsh Accretion Rates.pdf", "a.pdf", "notes.txt", "sub"}));
}

TEST_F(FileCommands, RenameSelectedPdfLeavesOtherFilesAlone)
{
    focus("notes.txt");
    EXPECT_FALSE(RenameSelectedPdf(context, explorerWindow.get()));
    EXPECT_EQ(namesIn(dir.path()), untouchedTop);
}

TEST_F(FileCommands, RenameSelectedPdfLeavesAFocusedSubfolderAlone)
{
    focus("sub");
    EXPECT_FALSE(RenameSelectedPdf(context, explorerWindow.get()));
    EXPECT_EQ(namesIn(dir.path()), untouchedTop);
    EXPECT_EQ(namesIn(dir.file("sub")), untouchedSub);
}

TEST_F(FileCommands, RenameSelectedPdfWithoutAFocusedItem)
{
    focus("");
    EXPECT_FALSE(RenameSelectedPdf(context, explorerWindow.get()));
    EXPECT_EQ(namesIn(dir.path()), untouchedTop);
}

TEST_F(FileCommands, RenameSelectedPdfWithoutAnExplorerWindow)
{
    focus("a.pdf");
    EXPECT_FALSE(RenameSelectedPdf(context, otherWindow.get()));
    EXPECT_FALSE(RenameSelectedPdf(context, nullptr));
    EXPECT_EQ(namesIn(dir.path()), untouchedTop);
}

TEST_F(FileCommands, RenameSelectedPdfAlreadyNamedSo)
{
    pdfgen::writeFile(dir.file("Wave Heights.pdf"), paper("Wave Heights"));
    focus("Wave Heights.pdf");
    EXPECT_TRUE(RenameSelectedPdf(context, explorerWindow.get()));
    EXPECT_TRUE(fileExists(dir.file("Wave Heights.pdf")));
}

TEST_F(FileCommands, RenameSelectedPdfWithoutATitle)
{
    writeFileBytes(dir.file("broken.pdf"), "not a PDF at all");
    focus("broken.pdf");
    std::vector<std::string> messages;
    setErrorSink([&messages](const std::string &m) { messages.push_back(m); });
    const bool renamed = RenameSelectedPdf(context, explorerWindow.get());
    setErrorSink(nullptr);
    EXPECT_FALSE(renamed);
    EXPECT_FALSE(messages.empty());
    EXPECT_TRUE(fileExists(dir.file("broken.pdf")));
}

TEST_F(FileCommands, RenameSelectedFolderRenamesTheShownFolder)
{
    focus("a.pdf");
    EXPECT_TRUE(RenameSelectedFolder(context, false, explorerWindow.get()));
    EXPECT_EQ(namesIn(dir.path()), Names({"Salt Marsh Accretion Rates.pdf", "Tidal Mixing in Estuaries.pdf",
                                          "notes.txt", "sub"}));
    EXPECT_EQ(namesIn(dir.file("sub")), untouchedSub);
}

// With a name template the commands read authors and years by the refined
// rule: the name the template makes, for the file and for the folder.
TEST_F(FileCommands, NamesByTheContextsTemplate)
{
    std::string why;
    context.SetNameTemplate(NameTemplate::parse("[{year} ][{author} - ]{title:3}", why));
    focus("B.PDF");
    EXPECT_TRUE(RenameSelectedPdf(context, explorerWindow.get()));
    EXPECT_EQ(namesIn(dir.path()), Names({"Author - Salt Marsh Accretion.pdf", "a.pdf", "notes.txt", "sub"}));
    focus("sub");
    EXPECT_TRUE(RenameSelectedFolder(context, false, explorerWindow.get()));
    EXPECT_EQ(namesIn(dir.path()),
              Names({"Author - Salt Marsh Accretion.pdf", "Author - Tidal Mixing in.pdf", "notes.txt", "sub"}));
}

TEST_F(FileCommands, RenameSelectedFolderNeverEntersAFocusedSubfolderByItself)
{
    focus("sub");
    EXPECT_TRUE(RenameSelectedFolder(context, false, explorerWindow.get()));
    EXPECT_EQ(namesIn(dir.path()), Names({"Salt Marsh Accretion Rates.pdf", "Tidal Mixing in Estuaries.pdf",
                                          "notes.txt", "sub"}));
    EXPECT_EQ(namesIn(dir.file("sub")), untouchedSub);
    EXPECT_EQ(namesIn(dir.file("sub\\deeper")), untouchedDeeper);
}

TEST_F(FileCommands, RenameSelectedFolderRecursive)
{
    focus("sub");
    EXPECT_TRUE(RenameSelectedFolder(context, true, explorerWindow.get()));
    EXPECT_EQ(namesIn(dir.path()), Names({"Salt Marsh Accretion Rates.pdf", "Tidal Mixing in Estuaries.pdf",
                                          "notes.txt", "sub"}));
    EXPECT_EQ(namesIn(dir.file("sub")), Names({"Sediment Budgets of Lagoons.pdf", "deeper"}));
    EXPECT_EQ(namesIn(dir.file("sub\\deeper")), Names({"Wave Energy on Mudflats.pdf"}));
}

TEST_F(FileCommands, RenameSelectedFolderNeedsAFocusedItem)
{
    focus("");
    EXPECT_FALSE(RenameSelectedFolder(context, true, explorerWindow.get()));
    EXPECT_EQ(namesIn(dir.path()), untouchedTop);
    EXPECT_EQ(namesIn(dir.file("sub")), untouchedSub);
}

TEST_F(FileCommands, RenameSelectedFolderWithoutAnExplorerWindow)
{
    focus("a.pdf");
    EXPECT_FALSE(RenameSelectedFolder(context, true, otherWindow.get()));
    EXPECT_FALSE(RenameSelectedFolder(context, true, nullptr));
    EXPECT_EQ(namesIn(dir.path()), untouchedTop);
}

}  // namespace
}  // namespace tidemark
