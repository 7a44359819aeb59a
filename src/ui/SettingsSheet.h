#pragma once

#include <windows.h>

#include <array>

#include "framework/PropertySheet.h"
#include "ui/LogPage.h"
#include "ui/StartWithSystem.h"

namespace tidemark {

// The hotkey control's flags (HOTKEYF_) for RegisterHotKey's modifiers
// (MOD_): Alt 1 -> 4, Control 2 -> 2, Shift 4 -> 1, 8 -> 8 (extended key);
// other bits are dropped.
BYTE ModifiersToControlFlags(UINT modifiers);
// The other way: 4 -> Alt 1, 2 -> Control 2, 1 -> Shift 4; the
// extended-key flag and other bits are dropped.
UINT ControlFlagsToModifiers(BYTE flags);

// The hotkey page: the four hotkeys, the disabled state and the start with
// the system.
class CMainPage : public CPropertyPage {
public:
    // One hotkey as the page carries it: 16 bits each.
    struct Hotkey {
        WORD key = 0;
        WORD modifiers = 0;  // MOD_ flags
    };

    CMainPage();

    // In the order of the program's hotkey table: rename to the clipboard
    // text, the folder with its subfolders, the folder, the focused PDF.
    std::array<Hotkey, 4> hotkeys{};
    // What "Load Default Hotkeys" puts into the controls, in the same order.
    std::array<Hotkey, 4> defaultHotkeys{};
    BOOL startWithSystem = FALSE;
    BOOL disable = FALSE;
    // How the page reaches the lists of programs started at logon.
    RunKeyOpener *runKeys = &SystemRunKeys();

protected:
    void DoDataExchange(CDataExchange &dx) override;
    BOOL OnInitDialog() override;
    // Also makes the start with the system agree with its box; when that
    // cannot be done, the line under the box says why and the sheet stays.
    BOOL OnApply() override;
    bool OnCommand(UINT id, UINT code) override;

private:
    void OnLoadDefaults();
    // Greys the box when this user may not change what it shows, and says why.
    void ShowStartWithSystem(const StartWithSystemState &state);

    // Bound to the controls of the hotkeys, in the order of `hotkeys`.
    std::array<CHotKeyCtrl, 4> controls_;
};

// The settings window: the hotkey page and the log page.
class CSettingsSheet : public CPropertySheet {
public:
    CSettingsSheet();

    CMainPage mainPage;
    CLogPage logPage;
};

}  // namespace tidemark
