#include "shell/ShellCommands.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ClipboardHolder.h"
#include "ExplorerFixture.h"
#include "FakeExplorer.h"
#include "ShellTestSupport.h"
#include "TempDir.h"
#include "shell/RenameContext.h"

namespace tidemark {
namespace {


// The clipboard command against the system's clipboard, with an Explorer
// window of the test's own showing a real temporary folder.
class ClipboardCommand : public testing::ExplorerFixture {
protected:
    void SetUp() override
    {
        ExplorerFixture::SetUp();
        writeFileBytes(dir.file("paper.pdf"), "the paper");
        ASSERT_TRUE(emptyClipboard(mainWindow.get()));
    }
    void TearDown() override
    {
        emptyClipboard(mainWindow.get());
        ExplorerFixture::TearDown();
    }

    bool run() { return RenameWithClipboardText(context, explorerWindow.get()); }
    // A run in which the window in front is no Explorer window: it saves
    // the clipboard and fails.
    bool runElsewhere() { return RenameWithClipboardText(context, otherWindow.get()); }

    std::size_t snapshots() const { return context.Clipboard().Snapshots().Count(); }
};

TEST_F(ClipboardCommand, RenamesToTheTextAndEmptiesTheClipboard)
{
    focus("paper.pdf");
    ASSERT_TRUE(putClipboardText(mainWindow.get(), withNul("Tidal Flats: A Survey")));
    EXPECT_TRUE(run());
    EXPECT_FALSE(fileExists(dir.file("paper.pdf")));
    ASSERT_TRUE(fileExists(dir.file("Tidal Flats - A Survey.pdf")));
    EXPECT_EQ(readFileBytes(dir.file("Tidal Flats - A Survey.pdf")), "the paper");
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
    EXPECT_EQ(snapshots(), 0u);
    EXPECT_EQ(context.Clipboard().Snapshots().GetCurrent(), nullptr);
}

TEST_F(ClipboardCommand, KeepsTheExtensionInLowerCase)
{
    writeFileBytes(dir.file("Scan.PDF"), "scan");
    focus("Scan.PDF");
    ASSERT_TRUE(putClipboardText(mainWindow.get(), withNul("Marsh Survey")));
    EXPECT_TRUE(run());
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>({"Marsh Survey.pdf", "paper.pdf"}));
    EXPECT_EQ(readFileBytes(dir.file("Marsh Survey.pdf")), "scan");
}

TEST_F(ClipboardCommand, AnyFileOrFolderIsRenamed)
{
    // The command does not look at what the item is: a text file keeps its
    // extension, and a folder is renamed as well.
    writeFileBytes(dir.file("notes.txt"), "notes");
    focus("notes.txt");
    ASSERT_TRUE(putClipboardText(mainWindow.get(), withNul("Field Notes")));
    EXPECT_TRUE(run());
    EXPECT_EQ(readFileBytes(dir.file("Field Notes.txt")), "notes");
}

TEST_F(ClipboardCommand, NoTextOnTheClipboard)
{
    focus("paper.pdf");
    EXPECT_FALSE(run());
    EXPECT_TRUE(fileExists(dir.file("paper.pdf")));
    EXPECT_EQ(snapshots(), 0u);
    // Nothing was asked of the Explorer window.
    EXPECT_FALSE(explorer->Touched());
}

TEST_F(ClipboardCommand, OnlyABitmapOnTheClipboard)
{
    focus("paper.pdf");
    ASSERT_TRUE(putClipboardBitmap(mainWindow.get()));
    EXPECT_FALSE(run());
    EXPECT_TRUE(fileExists(dir.file("paper.pdf")));
    EXPECT_EQ(snapshots(), 0u);
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
}

TEST_F(ClipboardCommand, BitmapAfterAnEarlierTextIsNotTakenForText)
{
    focus("paper.pdf");
    ASSERT_TRUE(putClipboardText(mainWindow.get(), withNul("Earlier Title")));
    EXPECT_FALSE(runElsewhere());
    ASSERT_EQ(snapshots(), 1u);
    ASSERT_TRUE(putClipboardBitmap(mainWindow.get()));
    EXPECT_FALSE(run());
    EXPECT_TRUE(fileExists(dir.file("paper.pdf")));
    EXPECT_FALSE(fileExists(dir.file("Earlier Title.pdf")));
}

TEST_F(ClipboardCommand, NoMemoryForTheSnapshotEndsTheCommand)
{
    // The snapshot stays without data: there is no text, and the command
    // ends as on an empty clipboard instead of ending the program.
    focus("paper.pdf");
    const std::string title(100000, 'T');
    ASSERT_TRUE(putClipboardText(mainWindow.get(), withNul(title)));
    {
        const LargeAllocationsFail noMemory(64 * 1024);
        EXPECT_FALSE(run());
    }
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"paper.pdf"});
    EXPECT_EQ(readFileBytes(dir.file("paper.pdf")), "the paper");
    EXPECT_EQ(clipboardText(mainWindow.get()), title);
    EXPECT_EQ(snapshots(), 1u);
    EXPECT_FALSE(explorer->Touched());
}

TEST_F(ClipboardCommand, TextEndsAtItsFirstNul)
{
    focus("paper.pdf");
    ASSERT_TRUE(putClipboardText(mainWindow.get(), std::string("Short Title\0and what follows\0", 29)));
    EXPECT_TRUE(run());
    EXPECT_TRUE(fileExists(dir.file("Short Title.pdf")));
}

TEST_F(ClipboardCommand, TextIsCleanedAsATitleIs)
{
    focus("paper.pdf");
    ASSERT_TRUE(putClipboardText(mainWindow.get(), withNul("  Why \"Tides\"? A/B\r\nStudy  ")));
    EXPECT_TRUE(run());
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>({"Why 'Tides' A-B Study.pdf"}));
}

TEST_F(ClipboardCommand, TextThatCleansToNothing)
{
    focus("paper.pdf");
    ASSERT_TRUE(putClipboardText(mainWindow.get(), withNul(" ??? ")));
    EXPECT_FALSE(run());
    EXPECT_TRUE(fileExists(dir.file("paper.pdf")));
    EXPECT_EQ(clipboardText(mainWindow.get()), " ??? ");
    EXPECT_EQ(snapshots(), 1u);
    EXPECT_FALSE(explorer->Touched());
}

TEST_F(ClipboardCommand, ExistingNameIsNotReplaced)
{
    writeFileBytes(dir.file("Taken.pdf"), "the other paper");
    focus("paper.pdf");
    ASSERT_TRUE(putClipboardText(mainWindow.get(), withNul("Taken")));
    EXPECT_FALSE(run());
    EXPECT_EQ(readFileBytes(dir.file("paper.pdf")), "the paper");
    EXPECT_EQ(readFileBytes(dir.file("Taken.pdf")), "the other paper");
    // No "(1)": the user chose this very name.
    EXPECT_FALSE(fileExists(dir.file("Taken(1).pdf")));
    EXPECT_EQ(clipboardText(mainWindow.get()), "Taken");
    EXPECT_EQ(snapshots(), 1u);
}

TEST_F(ClipboardCommand, NamesAreComparedLetterByLetterIgnoringCase)
{
    // A name that differs only in case is the file's own: a success without
    // a move. A soft hyphen (0xAD) is a character like any other, which no
    // comparison may pass over: that file is moved.
    const struct {
        const char *file;
        const char *text;
        const char *after;
    } cases[] = {
        {"paper.pdf", "PAPER", "paper.pdf"},
        {"caf\xE9s.pdf", "CAF\xC9S", "caf\xE9s.pdf"},
        {"Title\xAD.pdf", "Title", "Title.pdf"},
    };
    for (const auto &c : cases) {
        writeFileBytes(dir.file(c.file), "the paper");
        focus(c.file);
        ASSERT_TRUE(putClipboardText(mainWindow.get(), withNul(c.text)));
        EXPECT_TRUE(run()) << c.file;
        EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{c.after}) << c.file;
        EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT)) << c.file;
        EXPECT_EQ(snapshots(), 0u) << c.file;
        DeleteFileA(dir.file(c.after).c_str());
    }
}

TEST_F(ClipboardCommand, NoExplorerWindowInFront)
{
    focus("paper.pdf");
    ASSERT_TRUE(putClipboardText(mainWindow.get(), withNul("Some Title")));
    EXPECT_FALSE(runElsewhere());
    EXPECT_FALSE(RenameWithClipboardText(context, nullptr));
    EXPECT_TRUE(fileExists(dir.file("paper.pdf")));
    EXPECT_EQ(clipboardText(mainWindow.get()), "Some Title");
    EXPECT_EQ(snapshots(), 2u);
}

TEST_F(ClipboardCommand, NoFocusedItem)
{
    focus("");
    ASSERT_TRUE(putClipboardText(mainWindow.get(), withNul("Some Title")));
    EXPECT_FALSE(run());
    EXPECT_TRUE(fileExists(dir.file("paper.pdf")));
    EXPECT_FALSE(fileExists(dir.file("Some Title.pdf")));
    EXPECT_EQ(snapshots(), 1u);
}

TEST_F(ClipboardCommand, EightFailedRunsKeepSevenSnapshots)
{
    focus("paper.pdf");
    for (int i = 1; i <= 8; ++i) {
        ASSERT_TRUE(putClipboardText(mainWindow.get(), withNul("Title " + std::to_string(i))));
        EXPECT_FALSE(runElsewhere());
    }
    EXPECT_EQ(snapshots(), 7u);
    EXPECT_EQ(context.Clipboard().GetClipboardText(), "Title 8");
    // The ninth run, with the Explorer window in front, uses the latest.
    EXPECT_TRUE(run());
    EXPECT_TRUE(fileExists(dir.file("Title 8.pdf")));
    EXPECT_EQ(snapshots(), 0u);
}

TEST_F(ClipboardCommand, ClipboardHeldByAnotherWindow)
{
    focus("paper.pdf");
    // An earlier failed run left a snapshot of this text behind.
    ASSERT_TRUE(putClipboardText(mainWindow.get(), withNul("Old Title")));
    EXPECT_FALSE(runElsewhere());
    ASSERT_EQ(snapshots(), 1u);
    const std::size_t entriesAsked = windows.asked.size();
    {
        const ClipboardHolder holder;
        ASSERT_TRUE(holder.holding());
        EXPECT_FALSE(run());
        EXPECT_FALSE(run());
    }
    EXPECT_TRUE(fileExists(dir.file("paper.pdf")));
    EXPECT_FALSE(fileExists(dir.file("Old Title.pdf")));
    EXPECT_EQ(snapshots(), 1u);
    // The command stopped before it looked for the Explorer window.
    EXPECT_EQ(windows.asked.size(), entriesAsked);
    EXPECT_EQ(clipboardText(mainWindow.get()), "Old Title");
}

TEST(FolderWithSeparator, AddsABackslashUnlessThereIsOne)
{
    EXPECT_EQ(FolderWithSeparator("C:\\Papers"), "C:\\Papers\\");
    EXPECT_EQ(FolderWithSeparator("C:\\Papers\\"), "C:\\Papers\\");
    // A drive root already ends in one: "C:\Title.pdf", never "C:\\Title.pdf".
    EXPECT_EQ(FolderWithSeparator("C:\\"), "C:\\");
    EXPECT_EQ(FolderWithSeparator("\\\\server\\share"), "\\\\server\\share\\");
}

}  // namespace
}  // namespace tidemark
