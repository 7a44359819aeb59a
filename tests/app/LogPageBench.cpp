// What the log page costs on a large journal: the page is shown, and the
// sheet is asked every few milliseconds whether it answers, until the list
// holds ROWS rows. Prints figures; asserts nothing. Run by
// bench/log-page.sh, which makes the journal.
//
//   xvfb-run -a wine build-win/tests/app/tray_logpage_bench.exe ROWS APPDATA
//
// APPDATA is the folder whose Tidemark\journal is read (Wine sets
// LOCALAPPDATA itself, so it is handed over here).
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "Harness.h"

using namespace tidemark::testing;

int main(int argc, char **argv)
{
    const long rows = argc > 1 ? std::atol(argv[1]) : 0;
    const auto now = nowMs;
    if (argc > 2) {
        SetEnvironmentVariableA("LOCALAPPDATA", argv[2]);
    }
    cleanRegistry();
    useWineWithoutWindowManager();
    Desktop desktop;
    TidemarkProcess tidemark;
    const HWND frame = tidemark.frame();
    const HWND sheet = frame == nullptr ? nullptr : openSettings(tidemark, frame);
    if (sheet == nullptr) {
        std::fprintf(stderr, "the settings did not open\n");
        return 1;
    }
    const double start = now();
    sendTo(sheet, PSM_SETCURSEL, 1, 0);
    const double shown = now();
    const HWND list = GetDlgItem(currentPage(sheet), 1008);
    double longest = shown - start;
    LRESULT count = 0;
    double first = 0;
    while (count < rows && now() - start < 120000) {
        const double before = now();
        sendTo(sheet, WM_NULL, 0, 0);
        longest = std::max(longest, now() - before);
        sendTo(list, LVM_GETITEMCOUNT, 0, 0, &count);
        if (first == 0 && count > 0) {
            first = now();
        }
        Sleep(5);
    }
    const double filled = now();
    std::printf("page shown (PSM_SETCURSEL answered): %.0f ms\n", shown - start);
    std::printf("first rows in the list: %.0f ms after the page was chosen\n", first - start);
    std::printf("list holds %ld of %ld rows: %.0f ms after the page was chosen\n", static_cast<long>(count), rows,
                filled - start);
    std::printf("longest wait for the sheet to answer meanwhile: %.0f ms\n", longest);
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    PostMessageA(frame, WM_COMMAND, 0xE141, 0);  // Exit
    tidemark.waitForEnd();
    return 0;
}
