#pragma once

#include <windows.h>

#include <utility>

namespace tidemark {

// An open registry key, closed when the object goes away.
class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey() { reset(); }
    RegistryKey(RegistryKey &&other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
    RegistryKey &operator=(RegistryKey &&other) noexcept
    {
        if (this != &other) {
            reset();
            key_ = std::exchange(other.key_, nullptr);
        }
        return *this;
    }

    // Opens `subKey` of `parent`; false, leaving this empty, when that fails.
    bool Open(HKEY parent, const char *subKey, REGSAM access) { return TryOpen(parent, subKey, access) == ERROR_SUCCESS; }
    // The same, with the system's answer (ERROR_ACCESS_DENIED, ...).
    LONG TryOpen(HKEY parent, const char *subKey, REGSAM access)
    {
        reset();
        HKEY key = nullptr;
        const LONG status = RegOpenKeyExA(parent, subKey, 0, access, &key);
        if (status == ERROR_SUCCESS) {
            key_ = key;
        }
        return status;
    }
    // Opens `subKey` of `parent`, creating it when it is missing.
    bool Create(HKEY parent, const char *subKey, REGSAM access)
    {
        reset();
        HKEY key = nullptr;
        if (RegCreateKeyExA(parent, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key, nullptr) !=
            ERROR_SUCCESS) {
            return false;
        }
        key_ = key;
        return true;
    }

    HKEY get() const { return key_; }
    explicit operator bool() const { return key_ != nullptr; }

    void reset()
    {
        if (HKEY key = std::exchange(key_, nullptr)) {
            RegCloseKey(key);
        }
    }

private:
    HKEY key_ = nullptr;
};

}  // namespace tidemark
