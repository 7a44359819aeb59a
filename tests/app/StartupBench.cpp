// Start-up cost of Tidemark.exe: from the process's creation to the end of
// its creation work (hotkeys registered, frame moved out of sight), for a
// few starts in a row. Prints figures; asserts nothing.
//
//   xvfb-run -a wine build-win/tests/app/tray_startup_bench.exe [STARTS]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "Harness.h"

using namespace tidemark::testing;

int main(int argc, char **argv)
{
    const int starts = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const auto now = nowMs;
    std::vector<double> ready;
    for (int i = 0; i < starts; ++i) {
        cleanRegistry();
        const double start = now();
        TidemarkProcess tidemark;
        const HWND frame = tidemark.frame();
        const double end = now();
        if (frame == nullptr || hotkeyFree(MOD_CONTROL | MOD_SHIFT, 'W')) {
            std::fprintf(stderr, "start %d: Tidemark did not come up\n", i + 1);
            return 1;
        }
        ready.push_back(end - start);
        std::printf("start %d: %.0f ms\n", i + 1, ready.back());
        PostMessageA(frame, WM_COMMAND, 0xE141, 0);  // Exit
        tidemark.waitForEnd();
    }
    std::sort(ready.begin(), ready.end());
    std::printf("process start to hotkeys registered: median %.0f ms, min %.0f ms, max %.0f ms (%d starts)\n",
                ready[ready.size() / 2], ready.front(), ready.back(), starts);
    return 0;
}
