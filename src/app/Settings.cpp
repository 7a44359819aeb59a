#include "app/Settings.h"

#include <windows.h>

#include <iterator>

#include "framework/WinApp.h"

namespace tidemark {

namespace {

struct SettingNames {
    const char *key;
    const char *modifiers;
    HotkeyBinding defaults;
};

constexpr std::uint32_t kCtrlShift = MOD_CONTROL | MOD_SHIFT;

// In the order of the table's records, which is also the order of reading
// and writing.
constexpr SettingNames kNames[] = {
    {"ClipboardRename", "ClipboardRenameModifier", {'C', kCtrlShift}},
    {"FolderRecursiveRename", "FolderRecursiveRenameModifier", {'E', kCtrlShift}},
    {"FolderRename", "FolderRenameModifier", {'D', kCtrlShift}},
    {"FileRename", "FileRenameModifier", {'W', kCtrlShift}},
};
static_assert(std::size(kNames) == std::tuple_size_v<HotkeyTable>);

}  // namespace

HotkeyTable DefaultHotkeys()
{
    HotkeyTable table;
    for (std::size_t i = 0; i < table.size(); ++i) {
        table[i] = kNames[i].defaults;
    }
    return table;
}

void LoadSettings(HotkeyTable &hotkeys)
{
    CWinApp *app = CWinApp::Current();
    for (std::size_t i = 0; i < hotkeys.size(); ++i) {
        const SettingNames &names = kNames[i];
        hotkeys[i].virtualKey =
            app->GetProfileInt(kSettingsSection, names.key, static_cast<int>(names.defaults.virtualKey));
        hotkeys[i].modifiers =
            app->GetProfileInt(kSettingsSection, names.modifiers, static_cast<int>(names.defaults.modifiers));
    }
}

void SaveSettings(const HotkeyTable &hotkeys)
{
    CWinApp *app = CWinApp::Current();
    for (std::size_t i = 0; i < hotkeys.size(); ++i) {
        app->WriteProfileInt(kSettingsSection, kNames[i].key, static_cast<int>(hotkeys[i].virtualKey));
        app->WriteProfileInt(kSettingsSection, kNames[i].modifiers, static_cast<int>(hotkeys[i].modifiers));
    }
}

}  // namespace tidemark
