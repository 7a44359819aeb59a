#include "shell/Clipboard.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "shell/ClipboardHandles.h"

namespace tidemark {

int CClipboardEntry::ReleaseData()
{
    data_.reset();
    size_ = 0;
    return 0;
}

bool CClipboardEntry::Save()
{
    const HANDLE handle = GetClipboardData(format_);
    if (handle == nullptr) {
        return true;
    }
    // A saved entry is saved once; should it be saved again, the old copy
    // goes first so that size and data always describe the same bytes.
    ReleaseData();
    const SIZE_T size = GlobalSize(handle);
    const GlobalLockGuard lock(handle);
    if (lock.get() != nullptr && size > 0) {
        // Clipboard data beyond 4 GB is not text anyone renames with.
        const auto bytes = static_cast<std::uint32_t>(std::min<SIZE_T>(size, UINT32_MAX));
        // Without memory for the copy the entry stays without data, which
        // reads as no text; the command then ends like on an empty clipboard.
        data_.reset(new (std::nothrow) std::uint8_t[bytes]);
        if (data_ != nullptr) {
            size_ = bytes;
            std::memcpy(data_.get(), lock.get(), size_);
        }
    }
    return true;
}

bool CClipboardEntry::Restore()
{
    if (data_ == nullptr) {
        return false;
    }
    GlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, size_));
    if (memory == nullptr) {
        return false;
    }
    {
        const GlobalLockGuard lock(memory.get());
        if (lock.get() == nullptr) {
            return false;
        }
        std::memcpy(lock.get(), data_.get(), size_);
    }
    if (SetClipboardData(format_, memory.get()) == nullptr) {
        return false;
    }
    // The clipboard owns the block now.
    memory.release();
    return true;
}

void CClipboardCFTextEntry::Draw(HDC dc, const RECT &rect)
{
    const std::string text = SavedText(*this);
    RECT box = rect;
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &box,
              DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX | DT_END_ELLIPSIS);
}

bool CClipboardEntryArray::SaveAll()
{
    bool all = true;
    for (const auto &entry : entries_) {
        if (entry != nullptr && !entry->Save()) {
            all = false;
        }
    }
    return all;
}

CClipboardEntry *CClipboardEntryArray::FindByFormat(std::uint32_t format) const
{
    for (const auto &entry : entries_) {
        if (entry != nullptr && entry->format() == format) {
            return entry.get();
        }
    }
    return nullptr;
}

void CClipboardList::AddSnapshot(std::unique_ptr<CClipboardEntryArray> snapshot)
{
    if (snapshots_.size() >= maxCount) {
        snapshots_.pop_front();
    }
    snapshots_.push_back(std::move(snapshot));
    current_ = snapshots_.back().get();
}

void CClipboardList::RemoveAllSnapshots()
{
    snapshots_.clear();
    current_ = nullptr;
}

CClipboardEntryArray *CClipboardList::GetCurrent() const
{
    return current_;
}

bool CClipboardMgr::SaveClipboard()
{
    const ClipboardSession session(mainWindow_);
    if (!session.isOpen()) {
        return false;
    }
    std::unique_ptr<CClipboardEntryArray> snapshot;
    for (UINT format = EnumClipboardFormats(0); format != 0; format = EnumClipboardFormats(format)) {
        if (!IsFormatSupported(format)) {
            continue;
        }
        if (snapshot == nullptr) {
            snapshot = std::make_unique<CClipboardEntryArray>();
        }
        snapshot->Add(CreateEntry(format));
    }
    if (snapshot != nullptr) {
        snapshot->SaveAll();
        list_.AddSnapshot(std::move(snapshot));
    }
    return true;
}

std::string CClipboardMgr::GetClipboardText() const
{
    UINT priority[] = {CF_TEXT, CF_BITMAP};
    if (GetPriorityClipboardFormat(priority, 2) != CF_TEXT) {
        return {};
    }
    const CClipboardEntryArray *snapshot = list_.GetCurrent();
    if (snapshot == nullptr) {
        return {};
    }
    const CClipboardEntry *entry = snapshot->FindByFormat(CF_TEXT);
    return entry != nullptr ? SavedText(*entry) : std::string{};
}

bool CClipboardMgr::ClearClipboard()
{
    bool emptied = false;
    {
        const ClipboardSession session(mainWindow_);
        emptied = session.isOpen() && EmptyClipboard() != FALSE;
    }
    list_.RemoveAllSnapshots();
    return emptied;
}

std::string SavedText(const CClipboardEntry &entry)
{
    if (entry.data() == nullptr) {
        return {};
    }
    const char *text = reinterpret_cast<const char *>(entry.data());
    return std::string(text, strnlen(text, entry.size()));
}

bool IsFormatSupported(std::uint32_t format)
{
    return format == CF_TEXT;
}

std::unique_ptr<CClipboardEntry> CreateEntry(std::uint32_t format)
{
    if (format == CF_TEXT) {
        return std::make_unique<CClipboardCFTextEntry>();
    }
    return nullptr;
}

}  // namespace tidemark
