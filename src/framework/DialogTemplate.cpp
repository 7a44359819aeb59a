#include "framework/DialogTemplate.h"

#include <cstring>
#include <vector>

namespace tidemark {

namespace {

// Where the parts of a dialog template lie, in bytes from its start.
struct Layout {
    bool extended = false;
    std::size_t font = 0;   // the font fields (after the title)
    std::size_t items = 0;  // the first control, DWORD-aligned
    std::size_t end = 0;    // past the last control
    bool hasFont = false;
};

const WORD *words(const void *base, std::size_t offset)
{
    return reinterpret_cast<const WORD *>(static_cast<const BYTE *>(base) + offset);
}

// A menu, class or title field: empty (one zero WORD), an ordinal (0xFFFF
// and the number) or a zero-terminated string. Its size in bytes.
std::size_t fieldSize(const void *base, std::size_t offset)
{
    const WORD *w = words(base, offset);
    if (w[0] == 0xFFFF) {
        return 2 * sizeof(WORD);
    }
    std::size_t n = 0;
    while (w[n] != 0) {
        ++n;
    }
    return (n + 1) * sizeof(WORD);
}

std::size_t alignDword(std::size_t offset)
{
    return (offset + 3) & ~static_cast<std::size_t>(3);
}

Layout layoutOf(const void *dialog)
{
    Layout layout;
    const WORD *w = words(dialog, 0);
    layout.extended = w[0] == 1 && w[1] == 0xFFFF;
    DWORD style = 0;
    WORD count = 0;
    std::size_t offset = 0;
    if (layout.extended) {
        std::memcpy(&style, static_cast<const BYTE *>(dialog) + 12, sizeof style);
        count = *words(dialog, 16);
        offset = 26;
    } else {
        std::memcpy(&style, dialog, sizeof style);
        count = *words(dialog, 8);
        offset = 18;
    }
    for (int field = 0; field < 3; ++field) {  // menu, class, title
        offset += fieldSize(dialog, offset);
    }
    layout.font = offset;
    layout.hasFont = (style & (DS_SETFONT | DS_SHELLFONT)) != 0;
    if (layout.hasFont) {
        offset += layout.extended ? 6 : 2;  // size (weight, italic, charset)
        offset += fieldSize(dialog, offset);
    }
    offset = alignDword(offset);
    layout.items = offset;
    for (WORD i = 0; i < count; ++i) {
        offset = alignDword(offset) + (layout.extended ? 24 : 18);
        offset += fieldSize(dialog, offset);  // class
        offset += fieldSize(dialog, offset);  // title
        offset += sizeof(WORD) + *words(dialog, offset);  // creation data
    }
    layout.end = offset;
    return layout;
}

}  // namespace

std::optional<DialogFont> ResourceDialogFont(UINT id)
{
    const HMODULE module = GetModuleHandleA(nullptr);
    const HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));  // RT_DIALOG
    const HGLOBAL loaded = resource != nullptr ? LoadResource(module, resource) : nullptr;
    const void *dialog = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (dialog == nullptr) {
        return std::nullopt;
    }
    const Layout layout = layoutOf(dialog);
    if (!layout.hasFont) {
        return std::nullopt;
    }
    DialogFont font;
    const WORD *w = words(dialog, layout.font);
    font.pointSize = w[0];
    std::size_t face = layout.font + sizeof(WORD);
    if (layout.extended) {
        font.weight = w[1];
        font.italic = static_cast<BYTE>(w[2] & 0xFF);
        font.charset = static_cast<BYTE>(w[2] >> 8);
        face += 2 * sizeof(WORD);
    }
    font.face = reinterpret_cast<const wchar_t *>(words(dialog, face));
    return font;
}

bool ReplaceDialogFont(void *dialog, const DialogFont &font)
{
    const Layout layout = layoutOf(dialog);
    if (!layout.hasFont) {
        return false;
    }
    std::vector<BYTE> rebuilt(static_cast<const BYTE *>(dialog), static_cast<const BYTE *>(dialog) + layout.font);
    const auto put = [&](const void *data, std::size_t size) {
        const auto *bytes = static_cast<const BYTE *>(data);
        rebuilt.insert(rebuilt.end(), bytes, bytes + size);
    };
    put(&font.pointSize, sizeof(WORD));
    if (layout.extended) {
        put(&font.weight, sizeof(WORD));
        put(&font.italic, 1);
        put(&font.charset, 1);
    }
    put(font.face.c_str(), (font.face.size() + 1) * sizeof(wchar_t));
    rebuilt.resize(alignDword(rebuilt.size()), 0);
    put(static_cast<const BYTE *>(dialog) + layout.items, layout.end - layout.items);
    if (rebuilt.size() > layout.end) {
        return false;
    }
    std::memcpy(dialog, rebuilt.data(), rebuilt.size());
    return true;
}

}  // namespace tidemark
