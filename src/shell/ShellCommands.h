#pragma once

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "journal/Journal.h"
#include "rename/Renamer.h"
#include "shell/RenameContext.h"

namespace tidemark {

// A command of the tray program as the user-interface thread finds it when
// the hotkey is pressed: what to rename, read from the Explorer window in
// front (and from the clipboard). The rest of the work needs neither COM nor
// a window, so it can run on any thread (DoRun).
struct RunRequest {
    enum class Command {
        kFile,           // the focused PDF, to its title
        kFolder,         // every PDF of the folder shown, to its title
        kFolderTree,     // the same through every subfolder
        kClipboardText,  // the focused file, to the clipboard's text
    };
    Command command = Command::kFile;
    std::string folder;  // the folder shown, with a backslash at its end
    std::string name;    // the focused item (file and clipboard commands)
    std::string text;    // the new name's stem, cleaned (clipboard command)
    DWORD clipboardSequence = 0;  // the clipboard's change count when its text was read
    std::optional<NameTemplate> nameTemplate;  // file commands: how papers are named (none: by title)
};

// What came of a run: handed to the user-interface thread when it ends.
struct RunResult {
    RunRequest request;
    std::vector<FileReport> files;  // each file looked at, in order
    RunCounts counts;               // as the journal keeps them
    std::size_t notReached = 0;     // PDFs a stopped folder run did not come to
    // File and clipboard commands: renamed, or already so named.
    // Folder commands: the folder was worked through, whatever became of
    // each file.
    bool succeeded = false;
};

// On the user-interface thread (the shell's window list is an object of
// that thread's apartment): the request for `command` on the Explorer window
// `foregroundWindow`, or nothing when there is nothing to do. That is when
// the window is not an Explorer window showing a file-system folder with a
// focused item; for the file command, when that item is not a PDF; for the
// clipboard command, when the clipboard cannot be opened (another program
// holds it) or holds no text that leaves a name.
std::optional<RunRequest> PrepareRun(CRenameContext &context, RunRequest::Command command,
                                     HWND foregroundWindow) noexcept;

// The work of `request`, on any thread: the renames, recorded in the user's
// journal. A folder run looks at `stop` after each file and, once it is set,
// renames no more (the journal's entry then counts the PDFs "not reached").
// Throws nothing: running out of memory ends the run, which then did not
// succeed. Every move is a single system call, so none is left half made.
RunResult DoRun(const RunRequest &request, const std::atomic<bool> *stop = nullptr) noexcept;

// On the user-interface thread, once a run has ended: after a clipboard
// rename that succeeded, the text has served and the clipboard is emptied,
// unless it has changed since the text was read (the user copied something
// else meanwhile, which is not Tidemark's to throw away).
void FinishRun(CRenameContext &context, const RunResult &result);

// The commands from start to end on the calling thread, which must be the
// user-interface thread. Each returns false and changes nothing when
// PrepareRun finds nothing to do.

// Renames the focused item, when it is a PDF, to its title.
bool RenameSelectedPdf(CRenameContext &context, HWND foregroundWindow) noexcept;

// Renames the PDFs of the folder the window shows (and with `recursive` of
// all folders below it) to their titles. A focused item must be there but
// is not what is worked on: a focused subfolder is not entered by itself.
// True once the folder has been worked through, whatever became of each file.
bool RenameSelectedFolder(CRenameContext &context, bool recursive, HWND foregroundWindow) noexcept;

// Renames the focused item to the text on the clipboard, cleaned as a title
// is, keeping the item's extension; an existing file is never replaced. On
// success the clipboard is emptied.
bool RenameWithClipboardText(CRenameContext &context, HWND foregroundWindow) noexcept;

// `folder` with a backslash at its end, which a drive root ("C:\") already
// has. Only a backslash that is a character of its own counts: under a
// double-byte code page the second byte of a character may be 0x5C.
std::string FolderWithSeparator(const std::string &folder);

}  // namespace tidemark
