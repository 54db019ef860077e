// Direct access to the settings key, to plant and inspect values behind the store.
#pragma once
#include <windows.h>

#include <string>

#include "settings_names.h"

namespace ostrand {

struct RawValue {
    LONG status = ERROR_SUCCESS;
    DWORD type = REG_NONE;
    std::string data;
};

inline void DeleteSettingsKey() { RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKeyPath); }

inline bool SettingsKeyExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

inline DWORD CountSettingsValues() {
    DWORD values = 0;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKeyPath, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                         nullptr, nullptr, nullptr, nullptr);
        RegCloseKey(key);
    }
    return values;
}

inline RawValue ReadRaw(const char* name) {
    RawValue raw;
    char buffer[8192];
    DWORD size = sizeof buffer;
    raw.status = RegGetValueA(HKEY_CURRENT_USER, kSettingsKeyPath, name,
                              RRF_RT_ANY | RRF_NOEXPAND, &raw.type, buffer, &size);
    if (raw.status == ERROR_SUCCESS) raw.data.assign(buffer, size);
    return raw;
}

inline bool PutRaw(const char* name, DWORD type, const std::string& data) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const LONG rc = RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                                   static_cast<DWORD>(data.size()));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

}  // namespace ostrand
