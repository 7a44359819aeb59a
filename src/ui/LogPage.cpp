#include "ui/LogPage.h"

#include <commctrl.h>
#include <windowsx.h>

#include <memory>
#include <optional>

#include "journal/RunText.h"
#include "journal/Undo.h"
#include "rename/FileSystem.h"
#include "res/resource.h"

namespace tidemark {

namespace {

// The list's columns: a run fills When, Command, Result and Folder, each of
// its files, on the rows below it, the names and Result. The folder, a full
// path, comes last, so that the columns before it stay in sight.
enum Column { kWhen, kCommand, kOldName, kNewName, kResult, kFolder, kColumns };
const char *const kColumnTitles[kColumns] = {"When", "Command", "Old name", "New name", "Result", "Folder"};

// The name of the file or folder at the end of `path`.
std::string lastPart(const std::string &path)
{
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string folderOf(const RunInfo &info)
{
    if (info.paths.empty()) {
        return {};
    }
    std::string text = info.paths.front();
    if (info.paths.size() > 1) {
        text += " and " + std::to_string(info.paths.size() - 1) + " more";
    }
    return text;
}

const char *moveText(const RunRecord &run, const MoveRecord &move)
{
    switch (move.state) {
    case MoveRecord::State::kDone:
        return "renamed";
    case MoveRecord::State::kFailed:
        return "failed";
    case MoveRecord::State::kPending:
        break;
    }
    return run.goesOn ? "under way" : "not confirmed";
}

void setText(HWND list, int row, int column, const std::string &text)
{
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = const_cast<char *>(text.c_str());
    SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

// Adds a row at the end; its lParam is the run it belongs to, and a file's
// row is indented under its run.
int addRow(HWND list, std::uint64_t run, int indent, const std::string &first)
{
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_INDENT;
    item.iItem = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    item.pszText = const_cast<char *>(first.c_str());
    item.lParam = static_cast<LPARAM>(run);
    item.iIndent = indent;
    return static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

void readJournal(Journal &journal, LogPageWork &out)
{
    if (const std::error_code error = journal.readRuns(out.runs)) {
        out.problem = "The journal " + journal.path() + " cannot be read: " + error.message();
    }
}

}  // namespace

CLogPage::CLogPage() : CPropertyPage(IDD_LOG_PAGE), journalFolder(defaultJournalFolder()) {}

CLogPage::~CLogPage()
{
    if (thread_.joinable()) {
        thread_.join();
    }
}

BOOL CLogPage::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    list_ = GetDlgItem(IDC_LOG_LIST);
    SendMessageA(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
    for (int column = 0; column < kColumns; ++column) {
        LVCOLUMNA c{};
        c.mask = LVCF_TEXT | LVCF_SUBITEM;
        c.pszText = const_cast<char *>(kColumnTitles[column]);
        c.iSubItem = column;
        SendMessageA(list_, LVM_INSERTCOLUMNA, column, reinterpret_cast<LPARAM>(&c));
        SendMessageA(list_, LVM_SETCOLUMNWIDTH, column, LVSCW_AUTOSIZE_USEHEADER);
    }
    return TRUE;
}

BOOL CLogPage::OnSetActive()
{
    CPropertyPage::OnSetActive();
    StartWork(
        [](const std::string &folder, std::uint64_t, LogPageWork &out) {
            std::unique_ptr<Journal> journal;
            if (const std::error_code error = Journal::openForReading(folder, journal)) {
                out.problem = "The journal in " + folder + " cannot be read: " + error.message();
                return;
            }
            readJournal(*journal, out);
        },
        0);
    return TRUE;
}

bool CLogPage::StartWork(void (*work)(const std::string &folder, std::uint64_t run, LogPageWork &out),
                         std::uint64_t run)
{
    if (busy_) {
        return false;
    }
    if (thread_.joinable()) {
        thread_.join();
    }
    done_ = {};
    busy_ = true;
    try {
        thread_ = std::thread([this, work, run, window = hwnd_] {
            try {
                work(journalFolder, run, done_);
            } catch (const std::exception &e) {
                done_.problem = std::string("The journal cannot be read: ") + e.what();
            }
            PostMessageA(window, kWorkDoneMessage, 0, 0);
        });
    } catch (const std::system_error &) {
        // No thread to be had: the list stays as it is.
        busy_ = false;
        return false;
    }
    return true;
}

void CLogPage::OnWorkDone()
{
    if (thread_.joinable()) {
        thread_.join();
    }
    busy_ = false;
    const std::string note = done_.note;
    Fill(std::move(done_));
    if (!note.empty()) {
        MessageBoxA(GetParent(hwnd_), note.c_str(), "Tidemark", MB_OK | MB_ICONINFORMATION);
    }
}

void CLogPage::Fill(LogPageWork work)
{
    shown_ = std::move(work);
    nextRun_ = 0;
    SendMessageA(list_, LVM_DELETEALLITEMS, 0, 0);
    if (!shown_.problem.empty()) {
        const int row = addRow(list_, 0, 0, "");
        setText(list_, row, kResult, shown_.problem);
    }
    FillMore();
    // Sized to the newest runs, which the list shows first: measuring every
    // row of a large journal would hold up the page.
    for (int column = 0; column < kColumns; ++column) {
        SendMessageA(list_, LVM_SETCOLUMNWIDTH, column, LVSCW_AUTOSIZE_USEHEADER);
    }
}

void CLogPage::FillMore()
{
    // A journal of a thousand runs has a hundred thousand rows, which take
    // the list seconds to take in: they go in two hundred at a time, the
    // newest first, and the page answers in between.
    constexpr std::size_t kRowsAtOnce = 200;
    std::size_t added = 0;
    SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
    for (; nextRun_ < shown_.runs.size() && added < kRowsAtOnce; ++nextRun_) {
        const RunRecord &run = shown_.runs[nextRun_];
        const int row = addRow(list_, run.id, 0, runTimeText(run.started));
        setText(list_, row, kCommand, run.info.command);
        setText(list_, row, kFolder, folderOf(run.info));
        setText(list_, row, kResult, runResultText(run));
        for (const MoveRecord &move : run.moves) {
            const int fileRow = addRow(list_, run.id, 1, "");
            setText(list_, fileRow, kOldName, lastPart(move.oldPath));
            setText(list_, fileRow, kNewName, lastPart(move.newPath));
            setText(list_, fileRow, kResult, moveText(run, move));
        }
        added += 1 + run.moves.size();
    }
    SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
    if (nextRun_ < shown_.runs.size() && !fillPosted_) {
        fillPosted_ = PostMessageA(hwnd_, kFillMoreMessage, 0, 0) != FALSE;
    }
}

std::uint64_t CLogPage::SelectedRun() const
{
    const int row = static_cast<int>(SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    if (row < 0) {
        return 0;
    }
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    SendMessageA(list_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return static_cast<std::uint64_t>(item.lParam);
}

void CLogPage::TakeBack(std::uint64_t run)
{
    if (run == 0) {
        return;
    }
    StartWork(
        [](const std::string &folder, std::uint64_t id, LogPageWork &out) {
            std::unique_ptr<Journal> journal;
            if (const std::error_code error = Journal::open(folder, journal)) {
                out.note = "The journal in " + folder + " cannot be written: " + error.message();
                return;
            }
            std::optional<RunRecord> found;
            std::string why;
            if (const std::error_code error = findRunToUndo(*journal, id, found, why)) {
                out.note = "The journal " + journal->path() + " cannot be read: " + error.message();
            } else if (!found) {
                out.note = "Run " + std::to_string(id) + " cannot be taken back: " + why;
            } else {
                std::string leftAlone;
                const std::unique_ptr<FileSystem> disk = makeSystemFileSystem();
                const UndoCounts counts = takeBackRun(*found, *disk, journal.get(), [&](const UndoReport &r) {
                    if (const std::string reason = leftAloneText(r); !reason.empty()) {
                        leftAlone += "\n" + r.newPath + ": " + reason;
                    }
                });
                out.note = "Run " + std::to_string(id) + " taken back: " + std::to_string(counts.restored) +
                           " restored, " + std::to_string(counts.leftAlone) + " left alone, " +
                           std::to_string(counts.failed) + " failed.";
                if (!leftAlone.empty()) {
                    out.note += "\n\nLeft as they are:" + leftAlone;
                }
            }
            readJournal(*journal, out);
        },
        run);
}

void CLogPage::ShowContextMenu(LPARAM at)
{
    const std::uint64_t run = SelectedRun();
    if (run == 0) {
        return;
    }
    POINT point{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    // From the keyboard (Shift+F10, the menu key): below the selected row.
    if (at == -1) {
        RECT rect{LVIR_BOUNDS, 0, 0, 0};
        const int row = static_cast<int>(SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
        SendMessageA(list_, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect));
        point = {rect.left, rect.bottom};
        ClientToScreen(list_, &point);
    }
    const HMENU menu = CreatePopupMenu();
    if (menu == nullptr) {
        return;
    }
    AppendMenuA(menu, MF_STRING | (busy_ ? MF_GRAYED : 0), kTakeBackCommand, "&Take back this run");
    const UINT chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, point.x, point.y, 0, hwnd_, nullptr);
    DestroyMenu(menu);
    if (chosen == kTakeBackCommand) {
        TakeBack(run);
    }
}

INT_PTR CLogPage::DialogProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kWorkDoneMessage) {
        OnWorkDone();
        return TRUE;
    }
    if (message == kFillMoreMessage) {
        fillPosted_ = false;
        FillMore();
        return TRUE;
    }
    if (message == WM_CONTEXTMENU && reinterpret_cast<HWND>(wParam) == list_) {
        ShowContextMenu(lParam);
        return TRUE;
    }
    if (message == WM_NOTIFY) {
        const auto *header = reinterpret_cast<const NMHDR *>(lParam);
        if (header->hwndFrom == list_ && header->code == LVN_KEYDOWN &&
            reinterpret_cast<const NMLVKEYDOWN *>(lParam)->wVKey == VK_DELETE) {
            TakeBack(SelectedRun());
            return TRUE;
        }
    }
    return CPropertyPage::DialogProc(message, wParam, lParam);
}

}  // namespace tidemark
