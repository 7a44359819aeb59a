#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <vector>

namespace tidemark {

// One clipboard format as it was when the clipboard was last saved: a copy of
// its bytes, owned by the entry.
class CClipboardEntry {
public:
    CClipboardEntry() = default;
    CClipboardEntry(const CClipboardEntry &) = delete;
    CClipboardEntry &operator=(const CClipboardEntry &) = delete;
    virtual ~CClipboardEntry() { ReleaseData(); }

    // Frees the copy; returns 0.
    virtual int ReleaseData();
    // Draws the saved content into `rect` of `dc`.
    virtual void Draw(HDC dc, const RECT &rect) = 0;
    // Copies the clipboard's data of this format; the clipboard must be open.
    // True also when the clipboard holds nothing of the format, or there is
    // no memory for the copy (nothing is copied then). Throws nothing.
    virtual bool Save();
    // Puts the copy back on the clipboard, which must be open. False when
    // there is no copy or the clipboard refuses it.
    virtual bool Restore();

    std::uint32_t size() const { return size_; }
    const std::uint8_t *data() const { return data_.get(); }
    std::uint32_t format() const { return format_; }

protected:
    std::uint32_t size_ = 0;
    std::unique_ptr<std::uint8_t[]> data_;
    std::uint32_t format_ = 0;
};

// Plain text in the ANSI code page.
class CClipboardCFTextEntry final : public CClipboardEntry {
public:
    CClipboardCFTextEntry() { format_ = CF_TEXT; }
    void Draw(HDC dc, const RECT &rect) override;
};

// The saved bytes of `entry` read as text: up to the first NUL and never past
// the saved size, since a program may put text on the clipboard without a
// NUL. Empty when nothing was saved.
std::string SavedText(const CClipboardEntry &entry);

// One snapshot of the clipboard: an entry for each format that was saved.
// Unsupported formats may leave null places, which every loop passes over.
class CClipboardEntryArray {
public:
    void Add(std::unique_ptr<CClipboardEntry> entry) { entries_.push_back(std::move(entry)); }
    // Saves each entry in order; true when every entry saved.
    bool SaveAll();
    // The first entry of `format`, or null.
    CClipboardEntry *FindByFormat(std::uint32_t format) const;

    std::size_t Count() const { return entries_.size(); }
    CClipboardEntry *At(std::size_t index) const { return entries_[index].get(); }

private:
    std::vector<std::unique_ptr<CClipboardEntry>> entries_;
};

// The latest snapshots, oldest first; the oldest goes when a new one would
// exceed the limit.
class CClipboardList {
public:
    static constexpr std::size_t maxCount = 7;

    CClipboardList() = default;
    CClipboardList(const CClipboardList &) = delete;
    CClipboardList &operator=(const CClipboardList &) = delete;

    // Appends `snapshot` (which must not be null) and makes it the current one.
    void AddSnapshot(std::unique_ptr<CClipboardEntryArray> snapshot);
    void RemoveAllSnapshots();
    // The most recently added snapshot, or null when there is none.
    CClipboardEntryArray *GetCurrent() const;

    std::size_t Count() const { return snapshots_.size(); }

private:
    std::list<std::unique_ptr<CClipboardEntryArray>> snapshots_;
    CClipboardEntryArray *current_ = nullptr;  // one of snapshots_, or null
};

// Saves the clipboard into snapshots and reads text back from them. The
// clipboard is opened in the name of the program's main window.
class CClipboardMgr {
public:
    explicit CClipboardMgr(HWND mainWindow = nullptr) : mainWindow_(mainWindow) {}

    HWND MainWindow() const { return mainWindow_; }
    void SetMainWindow(HWND window) { mainWindow_ = window; }

    // Saves every supported format of the clipboard as a new snapshot (none
    // is added when the clipboard holds no supported format). False, with
    // nothing saved, when the clipboard cannot be opened: another program
    // holds it, and an old snapshot must not be taken for its content.
    bool SaveClipboard();
    // The text of the current snapshot when text is what the clipboard
    // offers first; empty otherwise.
    std::string GetClipboardText() const;
    // Empties the clipboard and forgets every snapshot. The snapshots go
    // even when the clipboard cannot be opened; false then.
    bool ClearClipboard();

    const CClipboardList &Snapshots() const { return list_; }

private:
    HWND mainWindow_;
    CClipboardList list_;
};

// The formats that snapshots keep: only CF_TEXT, which is all the rename
// command reads.
bool IsFormatSupported(std::uint32_t format);
// A new empty entry for `format`, or null when the format is not supported.
std::unique_ptr<CClipboardEntry> CreateEntry(std::uint32_t format);

}  // namespace tidemark
