#include "shell/Clipboard.h"

#include <windows.h>

#include <cstring>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "ClipboardHolder.h"
#include "ShellTestSupport.h"

namespace tidemark {
namespace {

// An entry whose bytes the test chooses, standing for whatever another
// program put on the clipboard.
class BytesEntry final : public CClipboardEntry {
public:
    BytesEntry(std::uint32_t format, const std::string &bytes)
    {
        format_ = format;
        size_ = static_cast<std::uint32_t>(bytes.size());
        data_ = std::make_unique<std::uint8_t[]>(bytes.size());
        std::memcpy(data_.get(), bytes.data(), bytes.size());
    }
    void Draw(HDC, const RECT &) override {}
};

std::unique_ptr<CClipboardEntryArray> snapshotOf(std::unique_ptr<CClipboardEntry> entry)
{
    auto snapshot = std::make_unique<CClipboardEntryArray>();
    snapshot->Add(std::move(entry));
    return snapshot;
}

TEST(ClipboardFormats, OnlyAnsiTextIsKept)
{
    EXPECT_TRUE(IsFormatSupported(CF_TEXT));
    EXPECT_FALSE(IsFormatSupported(CF_UNICODETEXT));
    EXPECT_FALSE(IsFormatSupported(CF_OEMTEXT));
    EXPECT_FALSE(IsFormatSupported(CF_BITMAP));
    EXPECT_FALSE(IsFormatSupported(CF_DIB));
    EXPECT_FALSE(IsFormatSupported(0));

    const std::unique_ptr<CClipboardEntry> text = CreateEntry(CF_TEXT);
    ASSERT_NE(text, nullptr);
    EXPECT_NE(dynamic_cast<CClipboardCFTextEntry *>(text.get()), nullptr);
    EXPECT_EQ(CreateEntry(CF_BITMAP), nullptr);
    EXPECT_EQ(CreateEntry(CF_UNICODETEXT), nullptr);
}

TEST(ClipboardEntry, EmptyAtFirst)
{
    const CClipboardCFTextEntry entry;
    EXPECT_EQ(entry.format(), static_cast<std::uint32_t>(CF_TEXT));
    EXPECT_EQ(entry.size(), 0u);
    EXPECT_EQ(entry.data(), nullptr);
    EXPECT_EQ(SavedText(entry), "");
}

TEST(ClipboardEntry, ReleaseDataFreesTheCopy)
{
    BytesEntry entry(CF_TEXT, "abc");
    ASSERT_EQ(SavedText(entry), "abc");
    entry.ReleaseData();
    EXPECT_EQ(entry.data(), nullptr);
    EXPECT_EQ(entry.size(), 0u);
    EXPECT_EQ(SavedText(entry), "");
}

TEST(ClipboardEntry, TextEndsAtTheFirstNulAndNeverPastTheSize)
{
    EXPECT_EQ(SavedText(BytesEntry(CF_TEXT, std::string("Title\0tail", 10))), "Title");
    // Nothing after the saved bytes is read, though no NUL ends them.
    EXPECT_EQ(SavedText(BytesEntry(CF_TEXT, "Title")), "Title");
    EXPECT_EQ(SavedText(BytesEntry(CF_TEXT, "")), "");
}

TEST(ClipboardEntryArray, FindByFormatPassesOverEmptyPlaces)
{
    CClipboardEntryArray snapshot;
    EXPECT_EQ(snapshot.FindByFormat(CF_TEXT), nullptr);
    snapshot.Add(nullptr);
    snapshot.Add(std::make_unique<BytesEntry>(CF_BITMAP, "b"));
    snapshot.Add(nullptr);
    snapshot.Add(std::make_unique<BytesEntry>(CF_TEXT, "first"));
    snapshot.Add(std::make_unique<BytesEntry>(CF_TEXT, "second"));
    ASSERT_EQ(snapshot.Count(), 5u);
    const CClipboardEntry *text = snapshot.FindByFormat(CF_TEXT);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(SavedText(*text), "first");
    EXPECT_EQ(snapshot.FindByFormat(CF_BITMAP), snapshot.At(1));
    EXPECT_EQ(snapshot.FindByFormat(CF_DIB), nullptr);
}

TEST(ClipboardList, KeepsTheSevenLatest)
{
    CClipboardList list;
    EXPECT_EQ(list.GetCurrent(), nullptr);
    for (int i = 0; i < 9; ++i) {
        list.AddSnapshot(snapshotOf(std::make_unique<BytesEntry>(CF_TEXT, "run " + std::to_string(i))));
        EXPECT_EQ(list.Count(), std::min<std::size_t>(i + 1, 7));
        ASSERT_NE(list.GetCurrent(), nullptr);
        EXPECT_EQ(SavedText(*list.GetCurrent()->FindByFormat(CF_TEXT)), "run " + std::to_string(i));
    }
    list.RemoveAllSnapshots();
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_EQ(list.GetCurrent(), nullptr);
}

// The entries and the manager against the system's clipboard.
class RealClipboard : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(emptyClipboard(owner.get())); }
    void TearDown() override { emptyClipboard(owner.get()); }

    HiddenWindow owner;
};

TEST_F(RealClipboard, SaveCopiesTheText)
{
    ASSERT_TRUE(putClipboardText(owner.get(), withNul("Tide tables")));
    CClipboardCFTextEntry entry;
    ASSERT_TRUE(OpenClipboard(owner.get()));
    EXPECT_TRUE(entry.Save());
    CloseClipboard();
    EXPECT_GE(entry.size(), 12u);
    EXPECT_EQ(SavedText(entry), "Tide tables");
}

TEST_F(RealClipboard, SaveOfAMissingFormatLeavesTheEntryAsItWas)
{
    ASSERT_TRUE(putClipboardBitmap(owner.get()));
    CClipboardCFTextEntry entry;
    ASSERT_TRUE(OpenClipboard(owner.get()));
    EXPECT_TRUE(entry.Save());
    CloseClipboard();
    EXPECT_EQ(entry.size(), 0u);
    EXPECT_EQ(entry.data(), nullptr);
}

TEST_F(RealClipboard, RestorePutsTheCopyBack)
{
    ASSERT_TRUE(putClipboardText(owner.get(), withNul("Saved text")));
    CClipboardCFTextEntry entry;
    ASSERT_TRUE(OpenClipboard(owner.get()));
    EXPECT_TRUE(entry.Save());
    CloseClipboard();
    ASSERT_TRUE(putClipboardText(owner.get(), withNul("Something else")));

    ASSERT_TRUE(OpenClipboard(owner.get()));
    EmptyClipboard();
    EXPECT_TRUE(entry.Restore());
    CloseClipboard();
    EXPECT_EQ(clipboardText(owner.get()), "Saved text");
}

TEST_F(RealClipboard, RestoreWithoutACopyPutsNothing)
{
    CClipboardCFTextEntry entry;
    ASSERT_TRUE(OpenClipboard(owner.get()));
    EmptyClipboard();
    EXPECT_FALSE(entry.Restore());
    CloseClipboard();
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
}

TEST_F(RealClipboard, SaveClipboardTakesASnapshotOfTheText)
{
    ASSERT_TRUE(putClipboardText(owner.get(), withNul("Estuary Dynamics")));
    CClipboardMgr manager(owner.get());
    EXPECT_TRUE(manager.SaveClipboard());
    EXPECT_EQ(manager.Snapshots().Count(), 1u);
    const CClipboardEntryArray *snapshot = manager.Snapshots().GetCurrent();
    ASSERT_NE(snapshot, nullptr);
    // CF_TEXT only, though the system offers the text in other formats too.
    ASSERT_EQ(snapshot->Count(), 1u);
    EXPECT_EQ(snapshot->At(0)->format(), static_cast<std::uint32_t>(CF_TEXT));
    EXPECT_EQ(manager.GetClipboardText(), "Estuary Dynamics");
    // Saving leaves the clipboard as it was.
    EXPECT_EQ(clipboardText(owner.get()), "Estuary Dynamics");
}

TEST_F(RealClipboard, NothingToSaveAddsNoSnapshot)
{
    CClipboardMgr manager(owner.get());
    EXPECT_TRUE(manager.SaveClipboard());
    EXPECT_EQ(manager.Snapshots().Count(), 0u);
    EXPECT_EQ(manager.GetClipboardText(), "");

    ASSERT_TRUE(putClipboardBitmap(owner.get()));
    EXPECT_TRUE(manager.SaveClipboard());
    EXPECT_EQ(manager.Snapshots().Count(), 0u);
    EXPECT_EQ(manager.GetClipboardText(), "");
}

TEST_F(RealClipboard, TextIsReadOnlyWhileTheClipboardOffersText)
{
    CClipboardMgr manager(owner.get());
    ASSERT_TRUE(putClipboardText(owner.get(), withNul("Older Title")));
    ASSERT_TRUE(manager.SaveClipboard());
    // A bitmap now: the snapshot of the text stays, but is not what the
    // clipboard holds.
    ASSERT_TRUE(putClipboardBitmap(owner.get()));
    ASSERT_TRUE(manager.SaveClipboard());
    EXPECT_EQ(manager.Snapshots().Count(), 1u);
    EXPECT_EQ(manager.GetClipboardText(), "");
}

TEST_F(RealClipboard, ClearClipboardEmptiesItAndForgetsTheSnapshots)
{
    CClipboardMgr manager(owner.get());
    ASSERT_TRUE(putClipboardText(owner.get(), withNul("One")));
    ASSERT_TRUE(manager.SaveClipboard());
    ASSERT_TRUE(putClipboardText(owner.get(), withNul("Two")));
    ASSERT_TRUE(manager.SaveClipboard());
    ASSERT_EQ(manager.Snapshots().Count(), 2u);
    EXPECT_TRUE(manager.ClearClipboard());
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
    EXPECT_EQ(manager.Snapshots().Count(), 0u);
    EXPECT_EQ(manager.Snapshots().GetCurrent(), nullptr);
}

TEST_F(RealClipboard, SaveClipboardFailsWhileAnotherWindowHoldsIt)
{
    ASSERT_TRUE(putClipboardText(owner.get(), withNul("Held")));
    CClipboardMgr manager(owner.get());
    {
        const ClipboardHolder holder;
        ASSERT_TRUE(holder.holding());
        EXPECT_FALSE(manager.SaveClipboard());
        EXPECT_EQ(manager.Snapshots().Count(), 0u);
    }
    EXPECT_TRUE(manager.SaveClipboard());
    EXPECT_EQ(manager.GetClipboardText(), "Held");
}

TEST_F(RealClipboard, TextEntryDrawsItsText)
{
    ASSERT_TRUE(putClipboardText(owner.get(), withNul("MMMM WWWW")));
    CClipboardCFTextEntry entry;
    ASSERT_TRUE(OpenClipboard(owner.get()));
    ASSERT_TRUE(entry.Save());
    CloseClipboard();

    // A white bitmap in a memory device context; the text is drawn in black.
    struct DcDeleter {
        void operator()(HDC dc) const { DeleteDC(dc); }
    };
    struct ObjectDeleter {
        void operator()(HGDIOBJ object) const { DeleteObject(object); }
    };
    const HDC screen = GetDC(nullptr);
    const std::unique_ptr<HDC__, DcDeleter> dc(CreateCompatibleDC(screen));
    const std::unique_ptr<void, ObjectDeleter> bitmap(CreateCompatibleBitmap(screen, 200, 40));
    ReleaseDC(nullptr, screen);
    ASSERT_NE(dc, nullptr);
    ASSERT_NE(bitmap, nullptr);
    const HGDIOBJ previous = SelectObject(dc.get(), bitmap.get());
    RECT all{0, 0, 200, 40};
    FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetTextColor(dc.get(), RGB(0, 0, 0));
    SetBkMode(dc.get(), TRANSPARENT);

    entry.Draw(dc.get(), RECT{0, 0, 200, 40});

    int inked = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 200; ++x) {
            if (GetPixel(dc.get(), x, y) != RGB(255, 255, 255)) {
                ++inked;
            }
        }
    }
    // The bitmap is deleted after the context lets go of it.
    SelectObject(dc.get(), previous);
    EXPECT_GT(inked, 0);
}

}  // namespace
}  // namespace tidemark
