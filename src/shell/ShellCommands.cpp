#include "shell/ShellCommands.h"

#include <windows.h>

#include <memory>
#include <system_error>

#include "journal/RecordingFileSystem.h"
#include "rename/CodePage.h"
#include "rename/FileSystem.h"
#include "rename/TargetName.h"
#include "rename/TemplateName.h"
#include "rename/TitlesAhead.h"
#include "shell/ExplorerSelection.h"

namespace tidemark {

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

namespace {

using Command = RunRequest::Command;

// How the journal names the run.
const char *journalName(Command command)
{
    switch (command) {
    case Command::kFile:
        return "hotkey: file";
    case Command::kFolder:
        return "hotkey: folder";
    case Command::kFolderTree:
        return "hotkey: folder and subfolders";
    case Command::kClipboardText:
        return "hotkey: clipboard text";
    }
    return "hotkey";
}

// Where the file commands' names come from: the request's name template,
// or the layout rule's title.
TitleSource namesOf(const RunRequest &request)
{
    return request.nameTemplate ? TemplateNameSource(*request.nameTemplate) : TitleSource{};
}

void nameAs(const RunRequest &request, Renamer &renamer)
{
    if (request.nameTemplate) {
        renamer.setTitleEncoding(TitleEncoding::kUtf8);
    }
}

// Keeps each file's report for the result and counts the outcomes for the
// journal.
class Collector final : public RenameObserver {
public:
    explicit Collector(std::vector<FileReport> &files) : files_(files) {}
    void fileDone(const FileReport &r) override
    {
        counter.fileDone(r);
        files_.push_back(r);
    }
    void folderSkipped(const std::string &folder, const std::error_code &error) override
    {
        counter.folderSkipped(folder, error);
    }
    void entrySkipped(const std::string &path, const std::error_code &error) override
    {
        counter.entrySkipped(path, error);
    }

    OutcomeCounter counter;

private:
    std::vector<FileReport> &files_;
};

void renameFile(const RunRequest &request, RunResult &result)
{
    const std::unique_ptr<FileSystem> disk = makeSystemFileSystem();
    // Recorded so that "tidemark-cli undo" can take it back.
    QuietRecording recording(*disk, {journalName(request.command), {request.folder + request.name}});
    Collector collector(result.files);
    Renamer renamer(recording.fs(), systemCodePage(), &collector, namesOf(request));
    nameAs(request, renamer);
    result.succeeded = succeeded(renamer.RenamePdfToTitle(request.folder, request.name));
    result.counts = collector.counter.counts();
    recording.finish(result.counts);
}

void renameFolder(const RunRequest &request, const std::atomic<bool> *stop, RunResult &result)
{
    const bool recursive = request.command == Command::kFolderTree;
    // One title per processor read at once, ahead of the moves, which are
    // made here in the folder's order: the names are those of a one-job run.
    TitlesAhead titles(namesOf(request), TitlesAhead::defaultJobs());
    const std::unique_ptr<FileSystem> disk = makeSystemFileSystem();
    QuietRecording recording(*disk, {journalName(request.command), {request.folder}});
    Collector collector(result.files);
    Renamer renamer(recording.fs(), systemCodePage(), &collector, titles.source());
    renamer.setStop(stop);
    nameAs(request, renamer);
    if (titles.readsAhead()) {
        for (const std::string &pdf : renamer.ListPdfsInFolder(recursive, request.folder)) {
            titles.queue(pdf);
        }
    }
    renamer.RenamePdfsInFolder(recursive, request.folder);
    result.succeeded = true;
    result.notReached = renamer.notReached();
    result.counts = collector.counter.counts();
    // A run stopped by Exit or the end of the session says how far it got.
    if (result.notReached != 0) {
        result.counts.emplace_back("not reached", result.notReached);
    }
    recording.finish(result.counts);
}

void renameToText(const RunRequest &request, RunResult &result)
{
    const CodePage &cp = systemCodePage();
    FileReport report;
    report.oldPath = request.folder + request.name;
    // The name the user chose is taken as it is: no check for a file of that
    // name and no "(1)" added; the move refuses to replace one.
    report.newPath = request.folder + request.text + GetLowerExtension(request.name, cp);
    report.title = request.text;
    const std::unique_ptr<FileSystem> disk = makeSystemFileSystem();
    QuietRecording recording(*disk, {journalName(request.command), {report.oldPath}});
    Renamer renamer(recording.fs(), cp);
    report.outcome = renamer.RenameFile(report.newPath, report.oldPath, report.error);
    OutcomeCounter counter;
    counter.add(report.outcome);
    result.succeeded = succeeded(report.outcome);
    result.files.push_back(std::move(report));
    result.counts = counter.counts();
    recording.finish(result.counts);
}

// A command from start to end on the user-interface thread.
bool runHere(CRenameContext &context, Command command, HWND foregroundWindow) noexcept
{
    const std::optional<RunRequest> request = PrepareRun(context, command, foregroundWindow);
    if (!request) {
        return false;
    }
    const RunResult result = DoRun(*request);
    FinishRun(context, result);
    return result.succeeded;
}

}  // namespace

std::optional<RunRequest> PrepareRun(CRenameContext &context, Command command, HWND foregroundWindow) noexcept
try {
    RunRequest request;
    request.command = command;
    request.nameTemplate = context.GetNameTemplate();
    const CodePage &cp = systemCodePage();
    if (command == Command::kClipboardText) {
        CClipboardMgr &clipboard = context.Clipboard();
        if (!clipboard.SaveClipboard()) {
            return std::nullopt;
        }
        // Read once the text is saved: a program that renders its text only
        // when asked has put it there by now.
        request.clipboardSequence = GetClipboardSequenceNumber();
        request.text = clipboard.GetClipboardText();
        SanitizeFileName(request.text, cp);
        if (request.text.empty()) {
            return std::nullopt;
        }
    }
    std::string folder;
    GetExplorerSelection(context, foregroundWindow, folder, request.name);
    if (folder.empty() || request.name.empty()) {
        return std::nullopt;
    }
    if (command == Command::kFile && GetLowerExtension(request.name, cp) != ".pdf") {
        return std::nullopt;
    }
    request.folder = FolderWithSeparator(folder);
    return request;
} catch (...) {
    return std::nullopt;
}

// The work runs inside the tray program, where an exception would end the
// program. The only one the engine lets through is running out of memory:
// that ends the run, which then counts as failed.
RunResult DoRun(const RunRequest &request, const std::atomic<bool> *stop) noexcept
{
    RunResult result;
    try {
        result.request = request;
        switch (request.command) {
        case Command::kFile:
            renameFile(request, result);
            break;
        case Command::kFolder:
        case Command::kFolderTree:
            renameFolder(request, stop, result);
            break;
        case Command::kClipboardText:
            renameToText(request, result);
            break;
        }
    } catch (...) {
        result.succeeded = false;
    }
    return result;
}

void FinishRun(CRenameContext &context, const RunResult &result)
{
    if (result.request.command == Command::kClipboardText && result.succeeded &&
        GetClipboardSequenceNumber() == result.request.clipboardSequence) {
        // The text has served; the next press must not reuse it.
        context.Clipboard().ClearClipboard();
    }
}

bool RenameSelectedPdf(CRenameContext &context, HWND foregroundWindow) noexcept
{
    return runHere(context, Command::kFile, foregroundWindow);
}

bool RenameSelectedFolder(CRenameContext &context, bool recursive, HWND foregroundWindow) noexcept
{
    return runHere(context, recursive ? Command::kFolderTree : Command::kFolder, foregroundWindow);
}

bool RenameWithClipboardText(CRenameContext &context, HWND foregroundWindow) noexcept
{
    return runHere(context, Command::kClipboardText, foregroundWindow);
}

}  // namespace tidemark
