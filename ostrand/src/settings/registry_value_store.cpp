#include "registry_value_store.h"

#include <cstring>
#include <vector>

#include "settings_names.h"

namespace ostrand {

namespace {
// The value may be rewritten between sizing it and reading it; give up after a few
// rounds rather than chase it forever.
constexpr int kReadAttempts = 4;

bool IsString(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }
}  // namespace

RegKey OpenSettingsKey(REGSAM access) {
    HKEY key = nullptr;
    const LONG rc = RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKeyPath, 0, nullptr,
                                    REG_OPTION_NON_VOLATILE, access, nullptr, &key,
                                    nullptr);
    return rc == ERROR_SUCCESS ? RegKey(key) : RegKey();
}

bool RegistryValueStore::ReadText(const char* name, std::string& text) {
    text.clear();
    if (key_ == nullptr) return true;

    std::vector<char> data;
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        DWORD type = REG_NONE;
        DWORD size = static_cast<DWORD>(data.size());
        const LONG rc = RegQueryValueExA(key_, name, nullptr, &type,
                                         data.empty() ? nullptr : reinterpret_cast<BYTE*>(data.data()),
                                         &size);
        if (rc == ERROR_FILE_NOT_FOUND) return true;
        if (rc == ERROR_MORE_DATA) {
            data.resize(size);
            continue;
        }
        if (rc != ERROR_SUCCESS) return false;
        if (size == 0) return true;
        if (!IsString(type)) return false;
        if (data.empty()) {  // that was the sizing query
            data.resize(size);
            continue;
        }
        // The data need not end in a NUL; never read past what was returned.
        const std::size_t returned = size < data.size() ? size : data.size();
        const void* nul = std::memchr(data.data(), '\0', returned);
        const std::size_t length =
            nul != nullptr ? static_cast<std::size_t>(static_cast<const char*>(nul) - data.data())
                           : returned;
        text.assign(data.data(), length);
        return true;
    }
    return false;
}

bool RegistryValueStore::WriteText(const char* name, const std::string& text) {
    if (key_ == nullptr) return false;
    // REG_SZ data counts its terminating NUL.
    const std::size_t size = text.size() + 1;
    if (size > MAXDWORD) return false;
    return RegSetValueExA(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(size)) == ERROR_SUCCESS;
}

}  // namespace ostrand
