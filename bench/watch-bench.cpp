// watch-bench: what "tidemark watch" costs and how soon it names a paper.
//
//   watch-bench TIDEMARK [ARRIVALS [BURST [IDLE_SECONDS]]]   defaults: 100 1000 30
//
// Runs the program given on fresh temporary folders and prints:
//   1. from completion to name: ARRIVALS papers, one at a time, each
//      written beside the folder and renamed into it as a finished download
//      is; the time from that rename until the watch's "renamed:" line;
//      median and worst;
//   2. idle: CPU time and wake-ups (context switches) of the watch while
//      nothing arrives, over IDLE_SECONDS;
//   3. a burst: BURST papers moved in at once; CPU time and wall time until
//      the last is named;
//   4. SIGKILL in a burst: BURST papers moved in, the watch killed with
//      SIGKILL after a third are named, then "tidemark undo" until no run is
//      left: how many files are lost or not back under their names.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Background.h"
#include "PdfWriter.h"
#include "TempDir.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using Lines = std::vector<std::string>;

pdfgen::Document paper(int n)
{
    pdfgen::PageBuilder b;
    b.line("Arrival Number " + std::to_string(n) + " of the Watch Benchmark", 20, "Helvetica-Bold");
    b.line("Ada Marlow", 12).gap(10).line("Abstract", 11, "Helvetica-Bold").body(20, 10, std::to_string(n));
    return {{b.page()}, ""};
}

std::size_t renamedLines(const Lines &lines)
{
    return static_cast<std::size_t>(std::count_if(
        lines.begin(), lines.end(), [](const std::string &l) { return l.rfind("renamed: ", 0) == 0; }));
}

// User and system CPU time of a process in milliseconds, and how often it
// was switched out (each wake-up ends with one).
struct Usage {
    double cpuMs = 0;
    long switches = 0;
};

Usage usageOf(pid_t pid)
{
    Usage u;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14 || i == 15) {  // utime, stime
            u.cpuMs += std::stod(field) * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
        }
    }
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0 || line.rfind("nonvoluntary_ctxt_switches:", 0) == 0) {
            u.switches += std::stol(line.substr(line.find(':') + 1));
        }
    }
    return u;
}

// A watch of its own: folder "in" of `dir`, journal in "state".
std::unique_ptr<Background> startWatch(const std::string &cli, const TempDir &dir)
{
    fs::create_directories(dir.file("in"));
    fs::create_directories(dir.file("stage"));
    setenv("XDG_STATE_HOME", dir.file("state").c_str(), 1);
    auto watch = std::make_unique<Background>(cli, dir.path(), Lines{"watch", "in"}, dir.file("stderr"));
    const auto giveUp = Clock::now() + std::chrono::minutes(1);
    while (readFileBytes(dir.file("stderr")).find("watching") == std::string::npos && Clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return watch;
}

void stage(const TempDir &dir, int count)
{
    fs::create_directories(dir.file("stage"));
    for (int i = 0; i < count; ++i) {
        pdfgen::writeFile(dir.file("stage/arrival-" + std::to_string(i) + ".pdf"), paper(i));
    }
}

void moveAllIn(const TempDir &dir, int count)
{
    for (int i = 0; i < count; ++i) {
        const std::string name = "arrival-" + std::to_string(i) + ".pdf";
        fs::rename(dir.file("stage/" + name), dir.file("in/" + name));
    }
}

void latency(const std::string &cli, int arrivals)
{
    TempDir dir;
    auto watch = startWatch(cli, dir);
    std::vector<double> ms;
    for (int i = 0; i < arrivals; ++i) {
        const std::string part = dir.file("in/arrival-" + std::to_string(i) + ".pdf.part");
        pdfgen::writeFile(part, paper(i));
        const auto complete = Clock::now();
        fs::rename(part, dir.file("in/arrival-" + std::to_string(i) + ".pdf"));
        watch->readUntil([i](const Lines &lines) { return renamedLines(lines) > static_cast<std::size_t>(i); });
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - complete).count());
    }
    watch->signal(SIGTERM);
    watch->finish();
    std::sort(ms.begin(), ms.end());
    std::printf("completion to name, %d arrivals one at a time: median %.0f ms, worst %.0f ms (best %.0f ms)\n",
                arrivals, ms[ms.size() / 2], ms.back(), ms.front());
}

void idleAndBurst(const std::string &cli, int burst, int idleSeconds)
{
    TempDir dir;
    stage(dir, burst);
    auto watch = startWatch(cli, dir);
    std::this_thread::sleep_for(std::chrono::seconds(1));  // past the start
    const Usage before = usageOf(watch->pid());
    std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
    const Usage idle = usageOf(watch->pid());
    std::printf("idle for %d s: %.0f ms CPU, %ld wake-ups\n", idleSeconds, idle.cpuMs - before.cpuMs,
                idle.switches - before.switches);

    const auto start = Clock::now();
    moveAllIn(dir, burst);
    watch->readUntil([burst](const Lines &lines) { return renamedLines(lines) >= static_cast<std::size_t>(burst); });
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    const Usage after = usageOf(watch->pid());
    std::printf("burst of %d papers moved in at once: %.2f s CPU (%.1f ms a paper), all named after %.2f s; "
                "%zu named\n",
                burst, (after.cpuMs - idle.cpuMs) / 1000.0, (after.cpuMs - idle.cpuMs) / burst, wall,
                renamedLines(watch->lines()));
    watch->signal(SIGTERM);
    watch->finish();
}

void killedInABurst(const std::string &cli, int burst)
{
    TempDir dir;
    stage(dir, burst);
    std::map<std::string, std::string> arrived;
    for (const auto &entry : fs::directory_iterator(dir.file("stage"))) {
        arrived[entry.path().filename().string()] = readFileBytes(entry.path().string());
    }
    auto watch = startWatch(cli, dir);
    moveAllIn(dir, burst);
    watch->readUntil([burst](const Lines &lines) { return renamedLines(lines) >= static_cast<std::size_t>(burst / 3); });
    watch->signal(SIGKILL);
    watch->finish();
    const std::size_t named = renamedLines(watch->lines());
    int undos = 0;
    const std::string undo = "cd '" + dir.path() + "' && '" + cli + "' undo >/dev/null 2>&1";
    while (std::system(undo.c_str()) == 0) {
        ++undos;
    }
    std::size_t lost = 0;
    std::size_t elsewhere = 0;
    for (const auto &[name, bytes] : arrived) {
        std::error_code error;
        if (!fs::exists(dir.file("in/" + name), error)) {
            ++elsewhere;
        } else if (readFileBytes(dir.file("in/" + name)) != bytes) {
            ++lost;
        }
    }
    std::size_t extra = 0;
    for (const auto &entry : fs::directory_iterator(dir.file("in"))) {
        extra += arrived.count(entry.path().filename().string()) == 0 ? 1 : 0;
    }
    std::printf("SIGKILL after %zu of %d named, then %d undo runs: %zu files lost or changed, %zu not back under "
                "their names, %zu other files left\n",
                named, burst, undos, lost, elsewhere, extra);
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fputs("usage: watch-bench TIDEMARK [ARRIVALS [BURST [IDLE_SECONDS]]]\n", stderr);
        return 2;
    }
    const std::string cli = fs::absolute(argv[1]).string();
    const int arrivals = argc > 2 ? std::atoi(argv[2]) : 100;
    const int burst = argc > 3 ? std::atoi(argv[3]) : 1000;
    const int idleSeconds = argc > 4 ? std::atoi(argv[4]) : 30;
    latency(cli, arrivals);
    idleAndBurst(cli, burst, idleSeconds);
    killedInABurst(cli, burst);
    return 0;
}
