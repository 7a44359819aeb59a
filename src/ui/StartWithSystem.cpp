#include "ui/StartWithSystem.h"

namespace tidemark {

namespace {

const char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kValueName[] = "Tidemark";

const char kSetForEveryUser[] =
    "Set for every user by the installer or an administrator; only an administrator can change it.";
const char kOtherCopyForEveryUser[] =
    "Another copy of Tidemark is set to start for every user; only an administrator can change that.";

enum class Entry { kMissing, kThisProgram, kOther };

// The path of this executable; false when it does not fit the buffer, as a
// cut path would name another file.
bool executablePath(char (&path)[MAX_PATH], DWORD &length)
{
    length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return length > 0 && length < MAX_PATH;
}

// What the value of the Run key of `root` is; missing also when the key
// cannot be read (this user cannot know of it, and it cannot be told apart).
Entry readEntry(RunKeyOpener &keys, HKEY root)
{
    RegistryKey key;
    if (keys.Open(root, kRunKey, KEY_READ, key) != ERROR_SUCCESS) {
        return Entry::kMissing;
    }
    char text[MAX_PATH] = "";
    DWORD type = REG_NONE;
    DWORD size = sizeof text;
    // A longer value fails the query (ERROR_MORE_DATA): it is there, and it
    // is no path of this program.
    const LONG status =
        RegQueryValueExA(key.get(), kValueName, nullptr, &type, reinterpret_cast<BYTE *>(text), &size);
    if (status == ERROR_FILE_NOT_FOUND) {
        return Entry::kMissing;
    }
    if (status != ERROR_SUCCESS) {
        return Entry::kOther;
    }
    const bool stringType = type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
    bool terminated = size > 0 && text[size - 1] == '\0';
    if (type == REG_MULTI_SZ && size >= 2) {
        terminated = terminated && text[size - 2] == '\0';
    }
    char path[MAX_PATH] = "";
    DWORD length = 0;
    return stringType && terminated && executablePath(path, length) && lstrcmpA(text, path) == 0 ? Entry::kThisProgram
                                                                                                  : Entry::kOther;
}

bool mayChange(RunKeyOpener &keys, HKEY root)
{
    RegistryKey key;
    return keys.Open(root, kRunKey, KEY_READ | KEY_WRITE, key) == ERROR_SUCCESS;
}

LONG writeEntry(RunKeyOpener &keys, HKEY root)
{
    char path[MAX_PATH] = {};
    DWORD length = 0;
    if (!executablePath(path, length)) {
        return ERROR_FILENAME_EXCED_RANGE;
    }
    RegistryKey key;
    if (const LONG status = keys.Open(root, kRunKey, KEY_READ | KEY_WRITE, key); status != ERROR_SUCCESS) {
        return status;
    }
    return RegSetValueExA(key.get(), kValueName, 0, REG_SZ, reinterpret_cast<const BYTE *>(path), length + 1);
}

LONG deleteEntry(RunKeyOpener &keys, HKEY root)
{
    RegistryKey key;
    if (const LONG status = keys.Open(root, kRunKey, KEY_READ | KEY_WRITE, key); status != ERROR_SUCCESS) {
        return status;
    }
    const LONG status = RegDeleteValueA(key.get(), kValueName);
    return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

std::string couldNotChange(LONG error)
{
    char reason[256] = "";
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                        static_cast<DWORD>(error), 0, reason, sizeof reason, nullptr);
    std::string text(reason, length);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.pop_back();
    }
    if (text.empty()) {
        text = "error " + std::to_string(error);
    }
    return "The start at logon could not be changed: " + text;
}

}  // namespace

RunKeyOpener &SystemRunKeys()
{
    static RunKeyOpener system;
    return system;
}

StartWithSystemState QueryStartWithSystem(RunKeyOpener &keys)
{
    const Entry machine = readEntry(keys, HKEY_LOCAL_MACHINE);
    const Entry user = readEntry(keys, HKEY_CURRENT_USER);
    StartWithSystemState state;
    state.on = machine == Entry::kThisProgram || user == Entry::kThisProgram;
    if (machine != Entry::kMissing && !mayChange(keys, HKEY_LOCAL_MACHINE)) {
        state.note = machine == Entry::kThisProgram ? kSetForEveryUser : kOtherCopyForEveryUser;
        // Unticked, the machine's entry would still start this program;
        // ticked beside another copy's, two copies would start. Only this
        // user's own entry, when there is one, may still go.
        state.changeable = machine == Entry::kOther && user == Entry::kThisProgram;
    }
    return state;
}

std::string ApplyStartWithSystem(BOOL on, RunKeyOpener &keys)
{
    const Entry machine = readEntry(keys, HKEY_LOCAL_MACHINE);
    const Entry user = readEntry(keys, HKEY_CURRENT_USER);
    LONG error = ERROR_SUCCESS;
    if (on) {
        if (machine == Entry::kThisProgram || user == Entry::kThisProgram) {
            return {};
        }
        error = writeEntry(keys, mayChange(keys, HKEY_LOCAL_MACHINE) ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER);
    } else {
        // Another program's entry that this user may not delete is not this
        // program's to delete.
        if (machine != Entry::kMissing) {
            if (const LONG status = deleteEntry(keys, HKEY_LOCAL_MACHINE);
                status != ERROR_SUCCESS && machine == Entry::kThisProgram) {
                error = status;
            }
        }
        if (user != Entry::kMissing) {
            if (const LONG status = deleteEntry(keys, HKEY_CURRENT_USER); status != ERROR_SUCCESS) {
                error = status;
            }
        }
    }
    return error == ERROR_SUCCESS ? std::string() : couldNotChange(error);
}

}  // namespace tidemark
