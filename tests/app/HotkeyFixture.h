#pragma once

// What a scenario of the hotkeys starts from: TrayFixture's clean registry
// and notification area, Explorer as fake_shell_windows.dll shows it to the
// Tidemark.exe started afterwards, and folders of papers.
#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "PdfWriter.h"
#include "TempDir.h"
#include "TrayFixture.h"

namespace tidemark::testing {

using Names = std::vector<std::string>;

// The names in `folder`, sorted.
inline Names namesIn(const std::string &folder)
{
    Names names;
    for (const auto &entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A folder of papers: a.pdf and b.pdf, and c.pdf in the subfolder "sub".
class Papers {
public:
    Papers()
    {
        write("a.pdf", "Tidal Mixing in Estuaries");
        write("b.pdf", "Salt Marsh Accretion Rates");
        std::filesystem::create_directory(dir_.file("sub"));
        write("sub\\c.pdf", "Sediment Budgets of Lagoons");
    }
    std::string path() const { return dir_.path(); }
    std::string sub() const { return dir_.file("sub"); }

private:
    void write(const std::string &name, const std::string &title)
    {
        pdfgen::PageBuilder b;
        b.line(title, 20, "Helvetica-Bold").line("Ann Author", 12).gap(10).line("Abstract", 11).body(10);
        pdfgen::writeFile(dir_.file(name), pdfgen::Document{{b.page()}, "Metadata Is Not The Title"});
    }
    TempDir dir_;
};

class HotkeyFixture : public TrayFixture {
protected:
    void SetUp() override
    {
        TrayFixture::SetUp();
        ASSERT_TRUE(explorer.registered()) << "fake_shell_windows.dll is not next to this program";
    }

    // Starts Tidemark.exe while `front` is the foreground window.
    void start(HWND front)
    {
        ASSERT_TRUE(desktop.bringToFront(front));
        program.emplace();
        frame = program->frame();
        ASSERT_NE(frame, nullptr);
    }

    // Presses Ctrl+Shift+`key` and waits until the program has handled it.
    void press(char key)
    {
        pressCtrlShift(key);
        waitForCommands();
    }

    // Waits until the frame has handled the messages posted to it so far
    // (the hotkeys pressed among them): it handles them in order, and two
    // Disable commands posted after them show in the icon and cancel out.
    void waitForCommands()
    {
        const std::size_t before = desktop.iconEvents().size();
        toggleDisable();
        toggleDisable();
        ASSERT_TRUE(desktop.waitForIconEvents(before + 2)) << "the program did not come back from a command";
    }

    void toggleDisable() const { PostMessageA(frame, WM_COMMAND, kDisableCommand, 0); }

    static constexpr WPARAM kDisableCommand = 32788;
    FakeExplorer explorer;
    std::optional<TidemarkProcess> program;
    HWND frame = nullptr;
};

}  // namespace tidemark::testing
