#include "shell/ShellCommands.h"

#include <windows.h>

#include <memory>
#include <system_error>

#include "journal/RecordingFileSystem.h"
#include "rename/CodePage.h"
#include "rename/FileSystem.h"
#include "rename/Renamer.h"
#include "rename/TargetName.h"
#include "rename/TemplateName.h"
#include "rename/TitlesAhead.h"
#include "shell/ExplorerSelection.h"

namespace tidemark {

namespace {

// Where the file commands' names come from: the context's name template,
// or the layout rule's title.
TitleSource NamesOf(const CRenameContext &context)
{
    const std::optional<NameTemplate> &name = context.GetNameTemplate();
    return name ? TemplateNameSource(*name) : TitleSource{};
}

void NameAs(const CRenameContext &context, Renamer &renamer)
{
    if (context.GetNameTemplate()) {
        renamer.setTitleEncoding(TitleEncoding::kUtf8);
    }
}

}  // namespace

std::string FolderWithSeparator(const std::string &folder)
{
    const CodePage &cp = systemCodePage();
    bool endsWithSeparator = false;
    for (std::size_t i = 0; i < folder.size();) {
        const bool lead = cp.isLeadByte(static_cast<unsigned char>(folder[i]));
        endsWithSeparator = !lead && folder[i] == '\\';
        i += lead ? 2 : 1;
    }
    return endsWithSeparator ? folder : folder + '\\';
}

// The commands run inside the tray program's handling of a hotkey, where an
// exception would end the program. The only one the engine lets through is
// running out of memory: that ends the command, which then counts as failed.
// Every move is a single system call, so none is left half made.
bool RenameSelectedPdf(CRenameContext &context, HWND foregroundWindow) noexcept
try {
    std::string folder;
    std::string name;
    GetExplorerSelection(context, foregroundWindow, folder, name);
    if (folder.empty() || name.empty()) {
        return false;
    }
    const CodePage &cp = systemCodePage();
    if (GetLowerExtension(name, cp) != ".pdf") {
        return false;
    }
    const std::unique_ptr<FileSystem> disk = makeSystemFileSystem();
    const std::string base = FolderWithSeparator(folder);
    // Recorded so that "tidemark-cli undo" can take it back.
    QuietRecording recording(*disk, {"hotkey: file", {base + name}});
    OutcomeCounter counter;
    Renamer renamer(recording.fs(), cp, &counter, NamesOf(context));
    NameAs(context, renamer);
    const bool renamed = succeeded(renamer.RenamePdfToTitle(base, name));
    recording.finish(counter.counts());
    return renamed;
} catch (...) {
    return false;
}

bool RenameSelectedFolder(CRenameContext &context, bool recursive, HWND foregroundWindow) noexcept
try {
    std::string folder;
    std::string name;
    GetExplorerSelection(context, foregroundWindow, folder, name);
    if (folder.empty() || name.empty()) {
        return false;
    }
    // One title per processor read at once, ahead of the moves, which are
    // made here in the folder's order: the names are those of a one-job run.
    TitlesAhead titles(NamesOf(context), TitlesAhead::defaultJobs());
    const std::unique_ptr<FileSystem> disk = makeSystemFileSystem();
    const std::string base = FolderWithSeparator(folder);
    QuietRecording recording(*disk, {recursive ? "hotkey: folder and subfolders" : "hotkey: folder", {base}});
    OutcomeCounter counter;
    Renamer renamer(recording.fs(), systemCodePage(), &counter, titles.source());
    NameAs(context, renamer);
    if (titles.readsAhead()) {
        for (const std::string &pdf : renamer.ListPdfsInFolder(recursive, base)) {
            titles.queue(pdf);
        }
    }
    renamer.RenamePdfsInFolder(recursive, base);
    recording.finish(counter.counts());
    return true;
} catch (...) {
    return false;
}

bool RenameWithClipboardText(CRenameContext &context, HWND foregroundWindow) noexcept
try {
    CClipboardMgr &clipboard = context.Clipboard();
    if (!clipboard.SaveClipboard()) {
        return false;
    }
    std::string text = clipboard.GetClipboardText();
    if (text.empty()) {
        return false;
    }
    const CodePage &cp = systemCodePage();
    SanitizeFileName(text, cp);
    if (text.empty()) {
        return false;
    }
    std::string folder;
    std::string name;
    GetExplorerSelection(context, foregroundWindow, folder, name);
    if (folder.empty() || name.empty()) {
        return false;
    }
    const std::string base = FolderWithSeparator(folder);
    // The name the user chose is taken as it is: no check for a file of that
    // name and no "(1)" added; the move refuses to replace one.
    const std::string newPath = base + text + GetLowerExtension(name, cp);
    const std::string oldPath = base + name;
    const std::unique_ptr<FileSystem> disk = makeSystemFileSystem();
    QuietRecording recording(*disk, {"hotkey: clipboard text", {oldPath}});
    Renamer renamer(recording.fs(), cp);
    std::error_code error;
    const Outcome outcome = renamer.RenameFile(newPath, oldPath, error);
    OutcomeCounter counter;
    counter.add(outcome);
    recording.finish(counter.counts());
    if (!succeeded(outcome)) {
        return false;
    }
    // The text has served; the next press must not reuse it.
    clipboard.ClearClipboard();
    return true;
} catch (...) {
    return false;
}

}  // namespace tidemark
