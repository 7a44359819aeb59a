#pragma once

// A program running in the background, as the watch runs (POSIX only): its
// standard output read line by line as it comes, its standard error kept in
// a file. For the command-line tests and the watch benchmark.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "TempDir.h"

// Reads its output only when asked (readUntil), so that nothing runs
// between two reads.
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
    const std::vector<std::string> &readUntil(const std::function<bool(const std::vector<std::string> &)> &done)
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
    pid_t pid() const { return pid_; }
    // Waits for the end; the exit status, or -1 when a signal ended it.
    int finish()
    {
        readUntil([](const std::vector<std::string> &) { return false; });
        int status = 0;
        waitpid(pid_, &status, 0);
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return status_;
    }
    const std::vector<std::string> &lines() const { return lines_; }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    int status_ = -2;  // not ended yet
    std::string errFile_;
    std::string partial_;
    std::vector<std::string> lines_;
};

