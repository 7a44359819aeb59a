#pragma once

// What a scenario of the hotkeys starts from: TrayFixture's clean registry
// and notification area, Explorer as fake_shell_windows.dll shows it to the
// Tidemark.exe started afterwards, and folders of papers.
#include <algorithm>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "PdfWriter.h"
#include "TempDir.h"
#include "TrayFixture.h"

namespace tidemark::testing {

using Names = std::vector<std::string>;

// The names in `folder`, sorted.
inline Names namesIn(const std::string &folder)
{
    Names names;
    for (const auto &entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A folder of papers: a.pdf and b.pdf, and c.pdf in the subfolder "sub".
class Papers {
public:
    Papers()
    {
        write("a.pdf", "Tidal Mixing in Estuaries");
        write("b.pdf", "Salt Marsh Accretion Rates");
        std::filesystem::create_directory(dir_.file("sub"));
        write("sub\\c.pdf", "Sediment Budgets of Lagoons");
    }
    std::string path() const { return dir_.path(); }
    std::string sub() const { return dir_.file("sub"); }

private:
    void write(const std::string &name, const std::string &title)
    {
        pdfgen::PageBuilder b;
        b.line(title, 20, "Helvetica-Bold").line("Ann Author", 12).gap(10).line("Abstract", 11).body(10);
        pdfgen::writeFile(dir_.file(name), pdfgen::Document{{b.page()}, "Metadata Is Not The Title"});
    }
    TempDir dir_;
};

// While it lives, the programs started by the test keep their journal apart:
// %LOCALAPPDATA%\Tidemark under a temporary folder.
class OwnJournal {
public:
    OwnJournal()
    {
        char value[MAX_PATH] = "";
        GetEnvironmentVariableA("LOCALAPPDATA", value, MAX_PATH);
        saved_ = value;
        SetEnvironmentVariableA("LOCALAPPDATA", appData_.path().c_str());
    }
    ~OwnJournal() { SetEnvironmentVariableA("LOCALAPPDATA", saved_.c_str()); }
    OwnJournal(const OwnJournal &) = delete;
    OwnJournal &operator=(const OwnJournal &) = delete;
    std::string folder() const { return appData_.file("Tidemark"); }

private:
    TempDir appData_;
    std::string saved_;
};

// Holds the lock of the journal in `folder` while it lives, or until released.
class JournalLock {
public:
    explicit JournalLock(const std::string &folder)
    {
        CreateDirectoryA(folder.c_str(), nullptr);
        file_ = CreateFileA((folder + "\\journal.lock").c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS, 0, nullptr);
        OVERLAPPED at{};
        held_ = file_ != INVALID_HANDLE_VALUE && LockFileEx(file_, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at);
    }
    ~JournalLock()
    {
        release();
        if (file_ != INVALID_HANDLE_VALUE) {
            CloseHandle(file_);
        }
    }
    JournalLock(const JournalLock &) = delete;
    JournalLock &operator=(const JournalLock &) = delete;
    bool held() const { return held_; }
    void release()
    {
        if (held_) {
            OVERLAPPED at{};
            UnlockFileEx(file_, 0, 1, 0, &at);
            held_ = false;
        }
    }

private:
    HANDLE file_ = INVALID_HANDLE_VALUE;
    bool held_ = false;
};

class HotkeyFixture : public TrayFixture {
protected:
    void SetUp() override
    {
        TrayFixture::SetUp();
        ASSERT_TRUE(explorer.registered()) << "fake_shell_windows.dll is not next to this program";
    }

    // Starts Tidemark.exe while `front` is the foreground window.
    void start(HWND front)
    {
        ASSERT_TRUE(desktop.bringToFront(front));
        program.emplace();
        frame = program->frame();
        ASSERT_NE(frame, nullptr);
    }

    // Presses Ctrl+Shift+`key` and waits until the program has handled it
    // and the run it started, if any, has ended. A run goes on a thread of
    // its own that lives as long as the run: the threads that are new once
    // the hotkey is handled are waited for, and the run's end, which each
    // hands to the frame before it ends, after them.
    void press(char key)
    {
        const std::set<DWORD> before = program->threads();
        pressCtrlShift(key);
        waitForCommands();
        for (const DWORD thread : program->threads()) {
            if (before.count(thread) == 0) {
                ASSERT_TRUE(waitForThreadEnd(thread)) << "a run did not end";
            }
        }
        waitForCommands();
    }

    // Waits until the frame has handled the messages posted to it so far
    // (the hotkeys pressed among them): it handles them in order, and two
    // Disable commands posted after them show in the icon and cancel out.
    void waitForCommands()
    {
        const std::size_t before = desktop.iconEvents().size();
        toggleDisable();
        toggleDisable();
        ASSERT_TRUE(desktop.waitForIconEvents(before + 2)) << "the program did not come back from a command";
    }

    void toggleDisable() const { PostMessageA(frame, WM_COMMAND, kDisableCommand, 0); }

    static constexpr WPARAM kDisableCommand = 32788;
    FakeExplorer explorer;
    std::optional<TidemarkProcess> program;
    HWND frame = nullptr;
};

}  // namespace tidemark::testing
