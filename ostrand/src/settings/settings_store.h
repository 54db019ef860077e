// The settings store: the four connection settings of the business database, kept
// scrambled under HKEY_CURRENT_USER\Software\Parvel\lm_orv.
#pragma once
#include <stdexcept>
#include <string>

namespace ostrand {

// The four settings, in the order they are read and written.
enum class Setting { DeptName, DataBase, Server, PassWord };
constexpr int kSettingCount = 4;

// The dialog fields the settings are loaded into and saved from. Texts are bytes in
// the ANSI code page (GBK).
class SettingsFields {
public:
    virtual ~SettingsFields() = default;
    virtual std::string field(Setting which) const = 0;
    virtual void set_field(Setting which, const std::string& text) = 0;
};

// A value that could not be written; what() is the text of the generic error report,
// "Failed to set data for '<value name>'".
class SettingsWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Fills the fields from the registry in order; false at the first value of a type
// other than a string (earlier fields keep their new contents). Missing key or
// values read as empty. Never throws.
bool LoadSettings(SettingsFields& fields);

// Writes the four fields, scrambled, in order. Throws SettingsWriteError at the
// first value that cannot be written; earlier values stay written.
void SaveSettings(const SettingsFields& fields);

}  // namespace ostrand
