#pragma once

#include <array>
#include <cstdint>

namespace tidemark {

// One hotkey: a virtual-key code and modifier flags as RegisterHotKey takes
// them (MOD_ALT 1, MOD_CONTROL 2, MOD_SHIFT 4, MOD_WIN 8).
struct HotkeyBinding {
    std::uint32_t virtualKey = 0;
    std::uint32_t modifiers = 0;
};

// The four hotkeys in the order of their ids 256 to 259: rename to the
// clipboard text, the folder with its subfolders, the folder, the focused PDF.
using HotkeyTable = std::array<HotkeyBinding, 4>;

// Whether `hotkey` may be taken from the system: its key comes with Ctrl or
// Alt. A key alone, or with Shift only, would be taken from every program,
// and typed with Explorer in front it would rename every PDF of the folder.
inline bool HasCtrlOrAlt(const HotkeyBinding &hotkey)
{
    constexpr std::uint32_t kCtrlOrAlt = 2 | 1;  // MOD_CONTROL | MOD_ALT
    return (hotkey.modifiers & kCtrlOrAlt) != 0;
}

// The section of the application's registry key that holds the hotkeys.
inline constexpr char kSettingsSection[] = "Settings";

// Reads the hotkeys through the application's profile; a missing value gives
// its default (Ctrl+Shift+C, E, D and W).
void LoadSettings(HotkeyTable &hotkeys);
// Writes all eight values, changed or not.
void SaveSettings(const HotkeyTable &hotkeys);

// The defaults, as the settings page's "Load Default Hotkeys" offers them.
HotkeyTable DefaultHotkeys();

}  // namespace tidemark
