#pragma once

#include <windows.h>

#include <string>

#include "framework/RegistryKey.h"

namespace tidemark {

// The value "Tidemark" in one of the two lists of programs that Windows
// starts at logon, the keys SOFTWARE\Microsoft\Windows\CurrentVersion\Run:
// the machine-wide one of HKEY_LOCAL_MACHINE, which the installer writes and
// which only an administrator may change, and the one of HKEY_CURRENT_USER,
// which is each user's own. Either starts the program; an entry names this
// program when it holds this executable's full path exactly (no quotes, no
// arguments, same letter case).

// How the Run keys are opened: by RegOpenKeyExA. A test stands in for the
// system here to refuse what Windows refuses a user without administrator
// rights, which Wine's registry never refuses.
class RunKeyOpener {
public:
    virtual ~RunKeyOpener() = default;
    virtual LONG Open(HKEY root, const char *subKey, REGSAM access, RegistryKey &key)
    {
        return key.TryOpen(root, subKey, access);
    }
};
RunKeyOpener &SystemRunKeys();

// What the settings page shows of the start with the system.
struct StartWithSystemState {
    BOOL on = FALSE;         // an entry that can be read starts this program
    bool changeable = true;  // false: the machine-wide entry decides, and this user may not change it
    std::string note;        // for the line under the box; empty when there is nothing to say
};

StartWithSystemState QueryStartWithSystem(RunKeyOpener &keys = SystemRunKeys());

// Makes Windows start this program at logon, or not. On: nothing to do when
// an entry names it already; else the machine-wide entry is written where
// this user may, and this user's own otherwise. Off: every entry "Tidemark"
// that this user may change goes, in whatever form. Empty when done, else
// the line that tells the user why not.
std::string ApplyStartWithSystem(BOOL on, RunKeyOpener &keys = SystemRunKeys());

}  // namespace tidemark
