// The hotkey commands record their runs in the user's journal, so that
// "tidemark-cli undo" takes a hotkey's folder run back.
#include <windows.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ExplorerFixture.h"
#include "PdfWriter.h"
#include "RenameTestSupport.h"
#include "ShellTestSupport.h"
#include "TempDir.h"
#include "journal/Journal.h"
#include "shell/ShellCommands.h"

namespace tidemark {
namespace {

using Names = std::vector<std::string>;

// Runs tidemark-cli.exe with `args` (its output goes nowhere) and returns
// its exit status, or -1 when it could not be started.
int runCli(const std::string &args)
{
    const char *cli = std::getenv("TIDEMARK_CLI");
    if (cli == nullptr) {
        return -1;
    }
    std::string command = "\"" + std::string(cli) + "\" " + args;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const HANDLE nul = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = nul;
    startup.hStdError = nul;
    PROCESS_INFORMATION process{};
    const BOOL started =
        CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    CloseHandle(nul);
    if (!started) {
        return -1;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(status);
}

class HotkeyJournal : public testing::ExplorerFixture {
protected:
    void SetUp() override
    {
        ExplorerFixture::SetUp();
        useJournalIn(state.path());
        testing::writePaper(dir.file("a.pdf"), "Tidal Mixing in Estuaries");
        makeFolder(dir.file("sub"));
        testing::writePaper(dir.file("sub\\c.pdf"), "Sediment Budgets of Lagoons");
    }
    void TearDown() override
    {
        SetEnvironmentVariableA("LOCALAPPDATA", saved_.empty() ? nullptr : saved_.c_str());
        ExplorerFixture::TearDown();
    }
    // Where the journal goes: "%LOCALAPPDATA%\Tidemark".
    void useJournalIn(const std::string &folder)
    {
        if (saved_.empty()) {
            char value[MAX_PATH] = "";
            GetEnvironmentVariableA("LOCALAPPDATA", value, MAX_PATH);
            saved_ = value;
        }
        SetEnvironmentVariableA("LOCALAPPDATA", folder.c_str());
    }

    TempDir state;
    std::string saved_;
};

TEST_F(HotkeyJournal, FolderRunIsTakenBackByTheCommandLine)
{
    const std::string paperBytes = readFileBytes(dir.file("sub\\c.pdf"));
    focus("a.pdf");
    EXPECT_TRUE(RenameSelectedFolder(context, true, explorerWindow.get()));
    ASSERT_EQ(namesIn(dir.path()), Names({"Tidal Mixing in Estuaries.pdf", "sub"}));
    ASSERT_EQ(namesIn(dir.file("sub")), Names({"Sediment Budgets of Lagoons.pdf"}));

    EXPECT_EQ(runCli("undo"), 0);
    EXPECT_EQ(namesIn(dir.path()), Names({"a.pdf", "sub"}));
    EXPECT_EQ(namesIn(dir.file("sub")), Names({"c.pdf"}));
    EXPECT_EQ(readFileBytes(dir.file("sub\\c.pdf")), paperBytes);
}

TEST_F(HotkeyJournal, JournalThatCannotBeWrittenChangesNothingTheUserSees)
{
    writeFileBytes(state.file("a-file"), "");
    useJournalIn(state.file("a-file"));
    focus("a.pdf");
    EXPECT_TRUE(RenameSelectedPdf(context, explorerWindow.get()));
    EXPECT_EQ(namesIn(dir.path()), Names({"Tidal Mixing in Estuaries.pdf", "sub"}));
}

// A hotkey run that renamed nothing is recorded too, so that the log page
// can tell the user why nothing happened; one that renamed a file as well.
TEST_F(HotkeyJournal, RunsThatRenameNothingAreRecorded)
{
    writeFileBytes(dir.file("broken.pdf"), "not a PDF at all");
    focus("broken.pdf");
    EXPECT_FALSE(RenameSelectedPdf(context, explorerWindow.get()));
    focus("a.pdf");
    EXPECT_TRUE(RenameSelectedPdf(context, explorerWindow.get()));

    std::unique_ptr<Journal> journal;
    ASSERT_FALSE(Journal::openForReading(state.file("Tidemark"), journal));
    std::vector<RunRecord> runs;
    ASSERT_FALSE(journal->readRuns(runs));
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].info.command, "hotkey: file");
    EXPECT_EQ(runs[0].counts, (RunCounts{{"renamed", 1}, {"unchanged", 0}, {"no title", 0}, {"failed", 0}}));
    EXPECT_EQ(runs[1].info.command, "hotkey: file");
    EXPECT_EQ(runs[1].info.paths, std::vector<std::string>{dir.file("broken.pdf")});
    EXPECT_EQ(runs[1].counts, (RunCounts{{"renamed", 0}, {"unchanged", 0}, {"no title", 1}, {"failed", 0}}));
    EXPECT_TRUE(runs[1].moves.empty());
}

}  // namespace
}  // namespace tidemark
