// Runs of the real Tidemark.exe that go on while the user (or the system)
// does something else: the icon, another hotkey, Exit, the end of the
// session. A run is held at a known point through the journal: every move
// is recorded before it is made, under the journal's lock, which the test
// holds for as long as it wants the run to wait there.
#include <windows.h>

#include <prsht.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <thread>

#include "HotkeyFixture.h"

namespace tidemark::testing {
namespace {

const Names kUntouched{"a.pdf", "b.pdf", "sub"};
const Names kUntouchedSub{"c.pdf"};

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The journal of the program started by a scenario is its own.
class RunTest : public HotkeyFixture {
protected:
    std::string journalFolder() const { return ownJournal_.folder(); }
    std::string journal() const { return readFile(journalFolder() + "\\journal"); }
    bool runBegun() const
    {
        return GetFileAttributesA((journalFolder() + "\\journal").c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    // The newest run as "tidemark-cli history" lists it, and how many there are.
    std::string newestRun(std::size_t *runs = nullptr) const
    {
        const std::string lines = runCli("history");
        if (runs != nullptr) {
            *runs = static_cast<std::size_t>(std::count(lines.begin(), lines.end(), '\n'));
        }
        std::string first = lines.substr(0, lines.find('\n'));
        if (!first.empty() && first.back() == '\r') {
            first.pop_back();
        }
        return first;
    }

    // Presses the hotkey and waits only until the program has handled it:
    // the run it starts goes on.
    std::set<DWORD> startRun(char key)
    {
        const std::set<DWORD> before = program->threads();
        pressCtrlShift(key);
        waitForCommands();
        std::set<DWORD> started;
        for (const DWORD thread : program->threads()) {
            if (before.count(thread) == 0) {
                started.insert(thread);
            }
        }
        return started;
    }

    OwnJournal ownJournal_;
};

// One of the two papers of the folder renamed, the other untouched: a
// folder lists its files in an order of its own.
bool oneOfTwoRenamed(const Names &names)
{
    return names == Names{"Tidal Mixing in Estuaries.pdf", "b.pdf", "sub"} ||
           names == Names{"Salt Marsh Accretion Rates.pdf", "a.pdf", "sub"};
}

TEST_F(RunTest, TheProgramAnswersWhileARunGoesOnAndIgnoresHotkeysMeanwhile)
{
    const HWND window = desktop.openWindow("CabinetWClass");
    const Papers papers;
    const Papers other;
    explorer.show({{window, nullptr, papers.path(), "a.pdf"}});
    ASSERT_NO_FATAL_FAILURE(start(window));
    {
        JournalLock lock(journalFolder());
        ASSERT_TRUE(lock.held());
        const std::set<DWORD> run = startRun('D');
        // The run has begun, and waits to record its first move.
        ASSERT_TRUE(waitUntil([&] { return runBegun(); }));

        // The icon's menu opens, and Settings with it.
        const HWND menu = openIconMenu(frame, WM_RBUTTONUP);
        ASSERT_NE(menu, nullptr);
        EXPECT_TRUE(closeMenu(menu));
        const HWND sheet = openSettings(*program, frame);
        ASSERT_NE(sheet, nullptr);
        closeSheet(desktop, sheet, PSBTN_CANCEL);

        // Another hotkey is ignored, not kept for later; the clipboard
        // command does not even read the clipboard.
        explorer.show({{window, nullptr, other.path(), "a.pdf"}});
        EXPECT_TRUE(startRun('W').empty());
        desktop.offerText("Chosen by Hand");
        EXPECT_TRUE(startRun('C').empty());
        EXPECT_EQ(desktop.renderRequests(), 0);

        lock.release();
        for (const DWORD thread : run) {
            ASSERT_TRUE(waitForThreadEnd(thread));
        }
        waitForCommands();
    }
    EXPECT_EQ(namesIn(papers.path()), Names({"Salt Marsh Accretion Rates.pdf", "Tidal Mixing in Estuaries.pdf", "sub"}));
    EXPECT_EQ(namesIn(other.path()), kUntouched);
    EXPECT_EQ(namesIn(other.sub()), kUntouchedSub);
    EXPECT_TRUE(newestRun().ends_with("hotkey: folder  " + papers.path() +
                                      "\\  2 renamed, 0 unchanged, 0 no title, 0 failed"))
        << newestRun();

    // After the run the next hotkey works again. While the clipboard rename
    // waits to record its move, the user copies other text: that text is
    // theirs and stays; the rename takes the text of the press.
    desktop.putText("Chosen by Hand");
    {
        JournalLock lock(journalFolder());
        ASSERT_TRUE(lock.held());
        const std::set<DWORD> run = startRun('C');
        EXPECT_FALSE(run.empty());
        desktop.putText("Copied Meanwhile");
        lock.release();
        for (const DWORD thread : run) {
            ASSERT_TRUE(waitForThreadEnd(thread));
        }
        waitForCommands();
    }
    EXPECT_EQ(namesIn(other.path()), Names({"Chosen by Hand.pdf", "b.pdf", "sub"}));
    EXPECT_EQ(desktop.clipboardText(), "Copied Meanwhile");
}

TEST_F(RunTest, ExitStopsARunBetweenTwoFilesAndTheJournalSaysHowFarItGot)
{
    const HWND window = desktop.openWindow("CabinetWClass");
    const Papers papers;
    explorer.show({{window, nullptr, papers.path(), "a.pdf"}});
    ASSERT_NO_FATAL_FAILURE(start(window));
    ASSERT_TRUE(desktop.waitForIconEvents(1));
    JournalLock lock(journalFolder());
    ASSERT_TRUE(lock.held());
    startRun('D');

    // Exit, as the icon's menu and the installer send it: the program waits
    // for the run, which cannot get past its first move while the journal
    // is held.
    ASSERT_TRUE(sendTo(frame, WM_COMMAND, 57665, 0));
    ASSERT_TRUE(sendTo(frame, WM_NULL, 0, 0));
    EXPECT_TRUE(program->running());
    EXPECT_TRUE(IsWindow(frame));
    EXPECT_NE(lastIconEvent().message, static_cast<DWORD>(NIM_DELETE));
    // Nothing new begins meanwhile: the icon opens no menu.
    LRESULT result = 1;
    ASSERT_TRUE(sendTo(frame, 0x040A, 144, WM_LBUTTONUP, &result));
    EXPECT_EQ(result, 0);

    lock.release();
    ASSERT_TRUE(program->waitForEnd());
    EXPECT_EQ(program->exitCode(), 0u);
    EXPECT_EQ(lastIconEvent().message, static_cast<DWORD>(NIM_DELETE));
    // The file the run was on is done; the other was not reached.
    EXPECT_TRUE(oneOfTwoRenamed(namesIn(papers.path()))) << ::testing::PrintToString(namesIn(papers.path()));
    EXPECT_TRUE(newestRun().ends_with("  1 renamed, 0 unchanged, 0 no title, 0 failed, 1 not reached")) << newestRun();
}

TEST_F(RunTest, TheEndOfTheSessionWaitsForTheRunToStopBetweenTwoFiles)
{
    const HWND window = desktop.openWindow("CabinetWClass");
    const Papers papers;
    explorer.show({{window, nullptr, papers.path(), "a.pdf"}});
    ASSERT_NO_FATAL_FAILURE(start(window));
    JournalLock lock(journalFolder());
    ASSERT_TRUE(lock.held());
    startRun('E');

    // The system asks whether the session may end, then ends it: the
    // process may be ended as soon as the program has answered. What the
    // journal holds at that moment is all that is left of the run.
    LRESULT mayEnd = 0;
    ASSERT_TRUE(sendTo(frame, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, &mayEnd));
    EXPECT_EQ(mayEnd, TRUE);
    std::string journalWhenAnswered;
    std::thread endSession([&] {
        sendTo(frame, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
        journalWhenAnswered = journal();
    });
    // The program answers nothing else while it waits for the run, which
    // cannot record its first move yet.
    EXPECT_TRUE(waitUntil([&] {
        DWORD_PTR ignored = 0;
        return SendMessageTimeoutA(frame, WM_NULL, 0, 0, SMTO_NORMAL, 200, &ignored) == 0;
    })) << "the end of the session did not wait for the run";
    lock.release();
    endSession.join();
    program.reset();  // the system ends the process

    EXPECT_NE(journalWhenAnswered.find("\"not reached\":2"), std::string::npos) << journalWhenAnswered;
    std::size_t runs = 0;
    EXPECT_TRUE(newestRun(&runs).ends_with("  1 renamed, 0 unchanged, 0 no title, 0 failed, 2 not reached"))
        << newestRun();
    EXPECT_EQ(runs, 1u);
    const Names top = namesIn(papers.path());
    const Names sub = namesIn(papers.sub());
    EXPECT_TRUE((oneOfTwoRenamed(top) && sub == kUntouchedSub) ||
                (top == kUntouched && sub == Names{"Sediment Budgets of Lagoons.pdf"}))
        << ::testing::PrintToString(top) << ::testing::PrintToString(sub);
}

}  // namespace
}  // namespace tidemark::testing
