// tidemark watch as a user runs it: the program in the background on real
// folders, stopped by SIGTERM, and its runs taken back by tidemark undo.
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Background.h"
#include "CliRun.h"
#include "RenameTestSupport.h"
#include "TempDir.h"

namespace tidemark {
namespace {

using Lines = std::vector<std::string>;
namespace fs = std::filesystem;

std::size_t countStarting(const Lines &lines, const std::string &prefix)
{
    return static_cast<std::size_t>(
        std::count_if(lines.begin(), lines.end(), [&](const std::string &l) { return l.rfind(prefix, 0) == 0; }));
}

class WatchCli : public CliTest {
protected:
    void SetUp() override
    {
        CliTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        fs::create_directories(path("in"));
        fs::create_directories(path("out"));
        setenv("XDG_STATE_HOME", path("state").c_str(), 1);
    }
    std::string path(const std::string &relative) const { return dir.path() + "/" + relative; }
    std::unique_ptr<Background> watch(const std::vector<std::string> &args)
    {
        std::vector<std::string> all{"watch"};
        all.insert(all.end(), args.begin(), args.end());
        return std::make_unique<Background>(cli_, dir.path(), all, path("stderr.txt"));
    }
    std::map<std::string, std::string> filesIn(const std::string &relative) const
    {
        std::map<std::string, std::string> files;
        for (const std::string &name : testing::treeOf(path(relative))) {
            files[name] = readFileBytes(path(relative + "/" + name));
        }
        return files;
    }
    CliRun run(const std::string &args) { return runCli(cli_, dir.path(), args, path("run-stderr.txt")); }

    TempDir dir;
};

TEST_F(WatchCli, SigtermInABurstStopsBetweenTwoFilesAndUndoTakesAllBack)
{
    for (int i = 0; i < 60; ++i) {
        testing::writePaper(path("out/scan-" + std::to_string(i) + ".pdf"), "Burst Paper Number " + std::to_string(i));
    }
    const auto arrived = filesIn("out");
    const auto program = watch({"-j", "2", "in"});
    ASSERT_TRUE(program->errorSays("tidemark watch: watching " + path("in") + "\n"));
    for (const auto &[name, bytes] : arrived) {
        fs::rename(path("out/" + name), path("in/" + name));
    }
    program->readUntil([](const Lines &lines) { return countStarting(lines, "renamed: ") >= 3; });
    program->signal(SIGTERM);
    EXPECT_EQ(program->finish(), 0);

    // Every line whole; the summary last; each file either where it
    // arrived or where its line says it went.
    const Lines &lines = program->lines();
    ASSERT_FALSE(lines.empty());
    const std::size_t renamed = countStarting(lines, "renamed: ");
    EXPECT_GE(renamed, 3u);
    EXPECT_EQ(lines.back(), std::to_string(renamed) + " renamed, 0 unchanged, 0 no title, 0 failed");
    EXPECT_EQ(lines.size(), renamed + 1);
    std::map<std::string, std::string> expected = arrived;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        const std::string prefix = "renamed: " + path("in/");
        const std::size_t arrow = lines[i].find(" -> " + path("in/"));
        ASSERT_EQ(lines[i].rfind(prefix, 0), 0u) << lines[i];
        ASSERT_NE(arrow, std::string::npos) << lines[i];
        const std::string from = lines[i].substr(prefix.size(), arrow - prefix.size());
        const std::string to = lines[i].substr(arrow + 4 + path("in/").size());
        expected[to] = expected[from];
        expected.erase(from);
    }
    EXPECT_EQ(filesIn("in"), expected);

    // The last batch was recorded as ended, not cut short.
    const CliRun history = run("history -n 1");
    ASSERT_EQ(history.out.size(), 1u);
    EXPECT_NE(history.out[0].find("  watch  " + path("in") + "  "), std::string::npos) << history.out[0];
    EXPECT_NE(history.out[0].find(" renamed, 0 unchanged, 0 no title, 0 failed"), std::string::npos)
        << history.out[0];

    while (run("undo").status == 0) {
    }
    EXPECT_EQ(filesIn("in"), arrived);
}

TEST_F(WatchCli, FoldersThatCannotBeWatchedAreUsageErrors)
{
    testing::writePaper(path("in/scan.pdf"), "Untouched Paper");
    struct Case {
        const char *args;
        const char *says;
    };
    const Case cases[] = {
        {"watch missing", "tidemark watch: missing: No such file or directory"},
        {"watch in in/scan.pdf", "tidemark watch: 'in/scan.pdf' is not a folder"},
        {"watch --frobnicate in", "tidemark watch: unknown option '--frobnicate'"},
        {"watch -j 0 in", "-j wants a number of jobs from 1 to 64"},
        {"watch --rule=largest in", "tidemark watch: unknown rule 'largest'"},
    };
    for (const Case &c : cases) {
        const CliRun r = run(c.args);
        EXPECT_EQ(r.status, 2) << c.args;
        EXPECT_TRUE(r.out.empty()) << c.args;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.args << ": " << r.err;
        EXPECT_NE(r.err.find("Usage:"), std::string::npos) << c.args;
    }
    EXPECT_EQ(testing::treeOf(path("in")), Lines{"scan.pdf"});
}

// Without DIR: the folders of ~/.config/tidemark/watch, or the download
// folder that xdg-user-dir names.
TEST_F(WatchCli, FoldersFromTheConfigurationOrTheDownloadFolder)
{
    setenv("HOME", path("home").c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    fs::create_directories(path("home/.config/tidemark"));
    fs::create_directories(path("home/papers"));
    fs::create_directories(path("home/Fetched"));
    writeFileBytes(path("home/.config/tidemark/watch"),
                   "# folders to watch\n\n  ~/papers  \n" + path("missing") + "\n");
    auto program = watch({});
    ASSERT_TRUE(program->errorSays("tidemark watch: watching " + path("home/papers") + "\n"));
    testing::writePaper(path("home/papers/a.pdf"), "Configured Folder Paper");
    program->readUntil([](const Lines &lines) { return !lines.empty(); });
    program->signal(SIGTERM);
    EXPECT_EQ(program->finish(), 0);
    EXPECT_EQ(program->lines(), (Lines{"renamed: " + path("home/papers/a.pdf") + " -> " +
                                           path("home/papers/Configured Folder Paper.pdf"),
                                       "1 renamed, 0 unchanged, 0 no title, 0 failed"}));
    const std::string err = readFileBytes(path("stderr.txt"));
    EXPECT_NE(err.find(path("missing") + ": No such file or directory (in " + path("home/.config/tidemark/watch") +
                       "); watching the others"),
              std::string::npos)
        << err;

    fs::remove(path("home/.config/tidemark/watch"));
    writeFileBytes(path("home/.config/user-dirs.dirs"), "XDG_DOWNLOAD_DIR=\"$HOME/Fetched\"\n");
    program = watch({});
    EXPECT_TRUE(program->errorSays("tidemark watch: watching " + path("home/Fetched") + "\n"));
    program->signal(SIGTERM);
    EXPECT_EQ(program->finish(), 0);
}

}  // namespace
}  // namespace tidemark
