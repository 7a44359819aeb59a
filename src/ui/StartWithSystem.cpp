#include "ui/StartWithSystem.h"

#include "framework/RegistryKey.h"

namespace tidemark {

namespace {

const char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kValueName[] = "Tidemark";
constexpr REGSAM kAccess = KEY_READ | KEY_WRITE;

// The path of this executable; false when it does not fit the buffer, as a
// cut path would name another file.
bool executablePath(char (&path)[MAX_PATH], DWORD &length)
{
    length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return length > 0 && length < MAX_PATH;
}

// The entry's text, or an empty text when it is not a whole string that
// fits the buffer.
void readEntry(HKEY key, char (&text)[MAX_PATH])
{
    DWORD type = REG_NONE;
    DWORD size = sizeof text;
    // A longer value fails the query (ERROR_MORE_DATA).
    if (RegQueryValueExA(key, kValueName, nullptr, &type, reinterpret_cast<BYTE *>(text), &size) != ERROR_SUCCESS) {
        text[0] = '\0';
        return;
    }
    const bool stringType = type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
    bool terminated = size > 0 && text[size - 1] == '\0';
    if (type == REG_MULTI_SZ && size >= 2) {
        terminated = terminated && text[size - 2] == '\0';
    }
    if (!stringType || !terminated) {
        text[0] = '\0';
    }
}

}  // namespace

BOOL QueryStartWithSystem()
{
    RegistryKey key;
    if (!key.Open(HKEY_LOCAL_MACHINE, kRunKey, kAccess)) {
        return FALSE;
    }
    char entry[MAX_PATH] = "";
    readEntry(key.get(), entry);
    char path[MAX_PATH] = "";
    DWORD length = 0;
    return executablePath(path, length) && lstrcmpA(entry, path) == 0;
}

void ApplyStartWithSystem(BOOL on)
{
    RegistryKey key;
    if (!key.Open(HKEY_LOCAL_MACHINE, kRunKey, kAccess)) {
        return;
    }
    if (!on) {
        RegDeleteValueA(key.get(), kValueName);
        return;
    }
    char path[MAX_PATH] = {};
    DWORD length = 0;
    if (executablePath(path, length)) {
        RegSetValueExA(key.get(), kValueName, 0, REG_SZ, reinterpret_cast<const BYTE *>(path), length + 1);
    }
}

}  // namespace tidemark
