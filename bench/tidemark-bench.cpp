// tidemark-bench: how long the title search takes per file, next to what
// Poppler's own pdftotext needs to lay out the same pages.
//
//   tidemark-bench [--runs N] FILE...
//
// For each file: the median time of extractTitle with the library's global
// parameters built for every extraction (as a single rename does), the median
// with them built once for the run (as a folder run does), the pages that
// the title search laid out, the median time of
// `pdftotext -f 1 -l PAGES FILE -` on the same file, and the ratio.
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Timing.h"
#include "title/TitleExtractor.h"

extern char **environ;

namespace {

using bench::median;
using bench::timeMs;

bool runPdftotext(const std::string &file, int lastPage)
{
    const std::string last = std::to_string(std::max(lastPage, 1));
    std::vector<std::string> args{"pdftotext", "-q", "-f", "1", "-l", last, file, "/dev/null"};
    std::vector<char *> argv;
    for (std::string &a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    pid_t pid;
    if (posix_spawnp(&pid, "pdftotext", nullptr, nullptr, argv.data(), environ) != 0) {
        return false;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status);
}

}  // namespace

int main(int argc, char **argv)
{
    int runs = 7;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else {
            files.push_back(a);
        }
    }
    if (files.empty()) {
        std::fputs("usage: tidemark-bench [--runs N] FILE...\n", stderr);
        return 2;
    }
    tidemark::setErrorSink([](const std::string &) {});

    std::printf("%-40s %6s %10s %10s %12s %7s\n", "file", "pages", "fresh ms", "shared ms", "pdftotext ms",
                "ratio");
    double totalFresh = 0, totalShared = 0, totalFloor = 0;
    for (const std::string &file : files) {
        std::vector<double> fresh, shared, floor;
        int pages = 0;
        for (int r = 0; r < runs; ++r) {
            tidemark::CollectorState state;
            fresh.push_back(timeMs([&] { pages = tidemark::extractTitle(file, state).pagesRendered; }));
        }
        {
            tidemark::PdfLibrary library;
            for (int r = 0; r < runs; ++r) {
                tidemark::CollectorState state;
                shared.push_back(timeMs([&] { tidemark::extractTitle(file, state); }));
            }
        }
        for (int r = 0; r < runs; ++r) {
            floor.push_back(timeMs([&] { runPdftotext(file, pages); }));
        }
        const double f = median(fresh), s = median(shared), p = median(floor);
        totalFresh += f;
        totalShared += s;
        totalFloor += p;
        std::string name = file.substr(file.find_last_of('/') + 1);
        if (name.size() > 40) {
            name = name.substr(0, 37) + "...";
        }
        std::printf("%-40s %6d %10.2f %10.2f %12.2f %7.2f\n", name.c_str(), pages, f, s, p, p > 0 ? s / p : 0);
    }
    std::printf("%-40s %6s %10.2f %10.2f %12.2f %7.2f\n", "total", "", totalFresh, totalShared, totalFloor,
                totalFloor > 0 ? totalShared / totalFloor : 0);
    std::printf("global parameters built per extraction cost %.2f ms per file on average\n",
                (totalFresh - totalShared) / static_cast<double>(files.size()));
    return 0;
}
