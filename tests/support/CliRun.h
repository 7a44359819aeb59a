#pragma once

// Runs the tidemark program as a user does (POSIX shells only), for the
// command-line tests. The program's path comes from TIDEMARK_CLI, which the
// test runner sets.
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TempDir.h"

struct CliRun {
    int status = -1;
    std::vector<std::string> out;  // standard output, by line
    std::string err;
};

// The program's path, or empty when the test runner did not give it.
inline std::string cliPath()
{
    const char *cli = std::getenv("TIDEMARK_CLI");
    return cli != nullptr ? cli : "";
}

// A test of the program, skipped when the test runner did not give its
// path. A fixture with more to set up calls SetUp() first and returns when
// the test is skipped.
class CliTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        cli_ = cliPath();
        if (cli_.empty()) {
            GTEST_SKIP() << "TIDEMARK_CLI is not set";
        }
    }

    std::string cli_;
};

// Runs "tidemark ARGS" in `workDir`; standard error goes through `errFile`.
inline CliRun runCli(const std::string &cli, const std::string &workDir, const std::string &args,
                     const std::string &errFile)
{
    const std::string command = "cd '" + workDir + "' && '" + cli + "' " + args + " 2>'" + errFile + "'";
    CliRun result;
    std::FILE *pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    std::string out;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        out.append(buffer, n);
    }
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        result.out.push_back(line);
    }
    result.err = readFileBytes(errFile);
    return result;
}
