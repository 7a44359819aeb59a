// tidemark watch as a user runs it: the program in the background on real
// folders, stopped by SIGTERM, and its runs taken back by tidemark undo.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CliRun.h"
#include "RenameTestSupport.h"
#include "TempDir.h"

namespace tidemark {
namespace {

using Lines = std::vector<std::string>;
namespace fs = std::filesystem;

// The program running in the background, its standard output read line by
// line, its standard error kept in a file.
class Background {
public:
    Background(const std::string &cli, const std::string &workDir, const std::vector<std::string> &args,
               const std::string &errFile)
    {
        int out[2];
        const int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (err < 0 || pipe(out) != 0) {
            return;
        }
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], 1);
            dup2(err, 2);
            close(out[0]);
            if (chdir(workDir.c_str()) != 0) {
                _exit(127);
            }
            std::vector<char *> argv{const_cast<char *>(cli.c_str())};
            for (const std::string &arg : args) {
                argv.push_back(const_cast<char *>(arg.c_str()));
            }
            argv.push_back(nullptr);
            execv(cli.c_str(), argv.data());
            _exit(127);
        }
        close(out[1]);
        close(err);
        out_ = out[0];
        errFile_ = errFile;
    }
    ~Background()
    {
        if (pid_ > 0 && status_ == -2) {
            kill(pid_, SIGKILL);
            finish();
        }
        if (out_ >= 0) {
            close(out_);
        }
    }
    Background(const Background &) = delete;
    Background &operator=(const Background &) = delete;

    // Reads standard output until `done` holds for the lines so far, or
    // the program ends, or a minute passes (a guard against a hang).
    const Lines &readUntil(const std::function<bool(const Lines &)> &done)
    {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(1);
        while (!done(lines_) && out_ >= 0 && std::chrono::steady_clock::now() < giveUp) {
            pollfd p{out_, POLLIN, 0};
            if (poll(&p, 1, 1000) <= 0) {
                continue;
            }
            char buffer[4096];
            const ssize_t n = read(out_, buffer, sizeof buffer);
            if (n <= 0) {
                close(out_);
                out_ = -1;
                break;
            }
            partial_.append(buffer, static_cast<std::size_t>(n));
            for (std::size_t end; (end = partial_.find('\n')) != std::string::npos; partial_.erase(0, end + 1)) {
                lines_.push_back(partial_.substr(0, end));
            }
        }
        return lines_;
    }
    // Waits until standard error holds `text` (the program says it watches).
    bool errorSays(const std::string &text) const
    {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(1);
        while (readFileBytes(errFile_).find(text) == std::string::npos) {
            if (std::chrono::steady_clock::now() > giveUp) {
                return false;
            }
            usleep(10000);
        }
        return true;
    }
    void signal(int sig) const { kill(pid_, sig); }
    // Waits for the end; the exit status, or -1 when a signal ended it.
    int finish()
    {
        readUntil([](const Lines &) { return false; });
        int status = 0;
        waitpid(pid_, &status, 0);
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return status_;
    }
    const Lines &lines() const { return lines_; }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    int status_ = -2;  // not ended yet
    std::string errFile_;
    std::string partial_;
    Lines lines_;
};

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
