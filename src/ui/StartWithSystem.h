#pragma once

#include <windows.h>

namespace tidemark {

// The entry "Tidemark" in the machine-wide list of programs that Windows
// starts at logon: the key SOFTWARE\Microsoft\Windows\CurrentVersion\Run
// of HKEY_LOCAL_MACHINE.

// TRUE when the entry names this very executable: its full path, no quotes,
// no arguments, same letter case. FALSE when it cannot be read.
BOOL QueryStartWithSystem();
// Writes the entry (the executable's path) when `on`, deletes it otherwise.
// Failures change nothing and are not reported.
void ApplyStartWithSystem(BOOL on);

}  // namespace tidemark
