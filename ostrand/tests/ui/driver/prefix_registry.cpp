#include "prefix_registry.h"

#include <aclapi.h>

#include <vector>

#include "driver_options.h"

namespace ostrand_ui {
namespace {

constexpr wchar_t kClasses[] = L"Software\\Classes\\";
constexpr wchar_t kSettingsKey[] = L"Software\\Parvel\\lm_orv";
constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
constexpr wchar_t kLogPixels[] = L"LogPixels";

void SetDefault(HKEY root, const std::wstring& path, const std::wstring& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

bool GetDefault(HKEY root, const std::wstring& path, std::wstring* value) {
    wchar_t buffer[512] = {};
    DWORD size = sizeof buffer;
    if (RegGetValueW(root, path.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
        return false;
    *value = buffer;
    return true;
}

std::wstring FullPath(const std::wstring& path) {
    wchar_t full[MAX_PATH] = {};
    GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    return full;
}

}  // namespace

ScopedProgId::ScopedProgId(const wchar_t* prog_id, const wchar_t* clsid) : prog_id_(prog_id), clsid_(clsid) {
    const std::wstring server = std::wstring(kClasses) + L"CLSID\\" + clsid_ + L"\\InprocServer32";
    SetDefault(HKEY_LOCAL_MACHINE, server, FullPath(Options().fake_automation));
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, server.c_str(), 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        const wchar_t model[] = L"Apartment";
        RegSetValueExW(key, L"ThreadingModel", 0, REG_SZ, reinterpret_cast<const BYTE*>(model), sizeof model);
        RegCloseKey(key);
    }
    const std::wstring prog_clsid = std::wstring(kClasses) + prog_id_ + L"\\CLSID";
    had_prog_id_ = GetDefault(HKEY_LOCAL_MACHINE, prog_clsid, &previous_clsid_);
    SetDefault(HKEY_LOCAL_MACHINE, prog_clsid, clsid_);
}

ScopedProgId::~ScopedProgId() {
    const std::wstring prog_clsid = std::wstring(kClasses) + prog_id_ + L"\\CLSID";
    if (had_prog_id_) {
        SetDefault(HKEY_LOCAL_MACHINE, prog_clsid, previous_clsid_);
    } else {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, (std::wstring(kClasses) + prog_id_).c_str());
    }
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, (std::wstring(kClasses) + L"CLSID\\" + clsid_).c_str());
}

ScopedEnvironment::ScopedEnvironment(const wchar_t* name, const std::wstring& value) : name_(name) {
    SetEnvironmentVariableW(name, value.c_str());
}

ScopedEnvironment::~ScopedEnvironment() { SetEnvironmentVariableW(name_.c_str(), nullptr); }

ScopedLogPixels::ScopedLogPixels(DWORD dpi) {
    DWORD size = sizeof previous_;
    had_value_ = RegGetValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, RRF_RT_REG_DWORD, nullptr, &previous_,
                              &size) == ERROR_SUCCESS;
    RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, REG_DWORD, &dpi, sizeof dpi);
}

ScopedLogPixels::~ScopedLogPixels() {
    if (had_value_) {
        RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, REG_DWORD, &previous_, sizeof previous_);
    } else {
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels);
    }
}

ScopedWriteProtectedSettingsKey::ScopedWriteProtectedSettingsKey() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return;
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    const bool known = GetTokenInformation(token, TokenUser, user.data(), size, &size) != FALSE;
    CloseHandle(token);
    if (!known) return;

    EXPLICIT_ACCESSW rules[2]{};
    const DWORD rights[2] = {KEY_SET_VALUE, KEY_ALL_ACCESS};
    const ACCESS_MODE modes[2] = {DENY_ACCESS, GRANT_ACCESS};
    for (int i = 0; i < 2; ++i) {
        rules[i].grfAccessPermissions = rights[i];
        rules[i].grfAccessMode = modes[i];
        rules[i].grfInheritance = NO_INHERITANCE;
        rules[i].Trustee.TrusteeForm = TRUSTEE_IS_SID;
        rules[i].Trustee.ptstrName = static_cast<LPWSTR>(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid);
    }
    PACL acl = nullptr;
    if (SetEntriesInAclW(2, rules, nullptr, &acl) != ERROR_SUCCESS) return;
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
        ERROR_SUCCESS) {
        protected_ = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
        RegCloseKey(key);
    }
    LocalFree(acl);
}

ScopedWriteProtectedSettingsKey::~ScopedWriteProtectedSettingsKey() { DeleteSettingsKey(); }

void DeleteSettingsKey() { RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey); RegDeleteKeyW(HKEY_CURRENT_USER, kSettingsKey); }

bool SettingsKeyExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

void PutSettingsDword(const wchar_t* value_name, DWORD value) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExW(key, value_name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

std::wstring StoredSetting(const wchar_t* value_name) {
    DWORD size = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, value_name, RRF_RT_REG_SZ, nullptr, nullptr, &size) !=
        ERROR_SUCCESS)
        return std::wstring();
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, value_name, RRF_RT_REG_SZ, nullptr, text.data(), &size) !=
        ERROR_SUCCESS)
        return std::wstring();
    text.resize(text.find(L'\0'));
    return text;
}

}  // namespace ostrand_ui
