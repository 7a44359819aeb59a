#include "ui/SettingsSheet.h"

#include "res/resource.h"
#include "ui/StartWithSystem.h"

namespace tidemark {

namespace {

// The controls of the four hotkeys, in the order of CMainPage::hotkeys.
constexpr int kHotkeyControls[] = {IDC_HOTKEY_CLIPBOARD, IDC_HOTKEY_RECURSIVE, IDC_HOTKEY_FOLDER, IDC_HOTKEY_FILE};

// What a hotkey control shows for `hotkey`: the key's low byte, the flags
// for the low byte of the modifiers.
WORD controlValue(const CMainPage::Hotkey &hotkey)
{
    return MAKEWORD(LOBYTE(hotkey.key), ModifiersToControlFlags(LOBYTE(hotkey.modifiers)));
}

}  // namespace

BYTE ModifiersToControlFlags(UINT modifiers)
{
    BYTE flags = 0;
    if (modifiers & MOD_ALT) {
        flags |= HOTKEYF_ALT;
    }
    if (modifiers & MOD_CONTROL) {
        flags |= HOTKEYF_CONTROL;
    }
    if (modifiers & MOD_SHIFT) {
        flags |= HOTKEYF_SHIFT;
    }
    if (modifiers & 8) {
        flags |= HOTKEYF_EXT;
    }
    return flags;
}

UINT ControlFlagsToModifiers(BYTE flags)
{
    UINT modifiers = 0;
    if (flags & HOTKEYF_ALT) {
        modifiers |= MOD_ALT;
    }
    if (flags & HOTKEYF_CONTROL) {
        modifiers |= MOD_CONTROL;
    }
    if (flags & HOTKEYF_SHIFT) {
        modifiers |= MOD_SHIFT;
    }
    return modifiers;
}

CMainPage::CMainPage() : CPropertyPage(IDD_HOTKEY_PAGE) {}

void CMainPage::DoDataExchange(CDataExchange &dx)
{
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        DDX_Control(dx, kHotkeyControls[i], controls_[i]);
    }
    DDX_Check(dx, IDC_START_WITH_SYSTEM, startWithSystem);
    DDX_Check(dx, IDC_DISABLE, disable);
}

BOOL CMainPage::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    const StartWithSystemState state = QueryStartWithSystem(*runKeys);
    startWithSystem = state.on;
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        // A key typed alone, or with Shift only, becomes Ctrl+Alt and the
        // key: a hotkey without Ctrl or Alt would be taken from every program.
        SendMessageA(controls_[i].GetSafeHwnd(), HKM_SETRULES, HKCOMB_NONE | HKCOMB_S,
                     MAKELPARAM(HOTKEYF_CONTROL | HOTKEYF_ALT, 0));
        controls_[i].SetHotKey(controlValue(hotkeys[i]));
    }
    UpdateData(FALSE);
    ShowStartWithSystem(state);
    return TRUE;
}

void CMainPage::ShowStartWithSystem(const StartWithSystemState &state)
{
    EnableWindow(GetDlgItem(IDC_START_WITH_SYSTEM), state.changeable);
    SetDlgItemTextA(hwnd_, IDC_START_NOTE, state.note.c_str());
}

BOOL CMainPage::OnApply()
{
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        const WORD keyAndFlags = controls_[i].GetHotKey();
        hotkeys[i].key = LOBYTE(keyAndFlags);
        hotkeys[i].modifiers = static_cast<WORD>(ControlFlagsToModifiers(HIBYTE(keyAndFlags)));
    }
    // Whenever the page applies, OK or Apply, changed or not.
    const std::string problem = ApplyStartWithSystem(startWithSystem, *runKeys);
    if (!problem.empty()) {
        SetDlgItemTextA(hwnd_, IDC_START_NOTE, problem.c_str());
        return FALSE;
    }
    ShowStartWithSystem(QueryStartWithSystem(*runKeys));
    return TRUE;
}

bool CMainPage::OnCommand(UINT id, UINT code)
{
    if (id == IDC_LOAD_DEFAULTS && code == BN_CLICKED) {
        OnLoadDefaults();
        return true;
    }
    if ((id == IDC_START_WITH_SYSTEM || id == IDC_DISABLE) && code == BN_CLICKED) {
        SetModified(TRUE);
        return true;
    }
    // A hotkey typed into a control is a change that Apply can take.
    if (code == EN_CHANGE) {
        for (int control : kHotkeyControls) {
            if (static_cast<int>(id) == control) {
                SetModified(TRUE);
                return true;
            }
        }
    }
    return false;
}

void CMainPage::OnLoadDefaults()
{
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        controls_[i].SetHotKey(controlValue(defaultHotkeys[i]));
    }
    SetModified(TRUE);
}

CSettingsSheet::CSettingsSheet() : CPropertySheet(IDS_PROPSHT_CAPTION, nullptr, 0)
{
    AddPage(&mainPage);
    AddPage(&logPage);
}

}  // namespace tidemark
