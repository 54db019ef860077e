// Registry set-up in the Wine prefix: the stand-in automation objects and the tool's
// settings key.
#pragma once
#include <windows.h>

#include <string>

namespace ostrand_ui {

// Registers one stand-in class (in-process, apartment) under a ProgID; a ProgID that
// already exists gets its class redirected. All is put back on destruction.
class ScopedProgId {
public:
    ScopedProgId(const wchar_t* prog_id, const wchar_t* clsid);
    ~ScopedProgId();
    ScopedProgId(const ScopedProgId&) = delete;
    ScopedProgId& operator=(const ScopedProgId&) = delete;

private:
    std::wstring prog_id_;
    std::wstring clsid_;
    bool had_prog_id_ = false;
    std::wstring previous_clsid_;
};

// An environment variable the started tool inherits; removed on destruction.
class ScopedEnvironment {
public:
    ScopedEnvironment(const wchar_t* name, const std::wstring& value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::wstring name_;
};

// The screen's DPI for the programs started from now on, as Wine reads it when a
// program starts (HKCU\Control Panel\Desktop, LogPixels). Put back on destruction.
class ScopedLogPixels {
public:
    explicit ScopedLogPixels(DWORD dpi);
    ~ScopedLogPixels();
    ScopedLogPixels(const ScopedLogPixels&) = delete;
    ScopedLogPixels& operator=(const ScopedLogPixels&) = delete;

private:
    bool had_value_ = false;
    DWORD previous_ = 0;
};

// The settings key, made so that the current user may not set its values: every
// write of the tool fails. The key is removed on destruction.
class ScopedWriteProtectedSettingsKey {
public:
    ScopedWriteProtectedSettingsKey();
    ~ScopedWriteProtectedSettingsKey();
    ScopedWriteProtectedSettingsKey(const ScopedWriteProtectedSettingsKey&) = delete;
    ScopedWriteProtectedSettingsKey& operator=(const ScopedWriteProtectedSettingsKey&) = delete;
    bool protected_now() const { return protected_; }

private:
    bool protected_ = false;
};

// HKCU\Software\Parvel\lm_orv
void DeleteSettingsKey();
bool SettingsKeyExists();
void PutSettingsDword(const wchar_t* value_name, DWORD value);
// The raw stored value; empty when missing.
std::wstring StoredSetting(const wchar_t* value_name);

}  // namespace ostrand_ui
