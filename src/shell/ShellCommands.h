#pragma once

#include <windows.h>

#include <string>

#include "shell/RenameContext.h"

namespace tidemark {

// The commands of the tray program. Each works on the Explorer window
// `foregroundWindow`; each returns false and changes nothing when that is
// not an Explorer window showing a file-system folder with a focused item.
// None throws: running out of memory ends a command with false.

// Renames the focused item, when it is a PDF, to its title.
bool RenameSelectedPdf(CRenameContext &context, HWND foregroundWindow) noexcept;

// Renames the PDFs of the folder the window shows (and with `recursive` of
// all folders below it) to their titles. A focused item must be there but
// is not what is worked on: a focused subfolder is not entered by itself.
// True once the folder has been worked through, whatever became of each file.
bool RenameSelectedFolder(CRenameContext &context, bool recursive, HWND foregroundWindow) noexcept;

// Renames the focused item to the text on the clipboard, cleaned as a title
// is, keeping the item's extension; an existing file is never replaced. On
// success the clipboard is emptied. False, with nothing renamed, when the
// clipboard cannot be opened (another program holds it) or holds no text.
bool RenameWithClipboardText(CRenameContext &context, HWND foregroundWindow) noexcept;

// `folder` with a backslash at its end, which a drive root ("C:\") already
// has. Only a backslash that is a character of its own counts: under a
// double-byte code page the second byte of a character may be 0x5C.
std::string FolderWithSeparator(const std::string &folder);

}  // namespace tidemark
