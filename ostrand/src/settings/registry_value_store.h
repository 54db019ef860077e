// The settings key in the current user's registry, as named text values.
#pragma once
#include "reg_key.h"
#include "settings_value_store.h"

namespace ostrand {

// Opens HKEY_CURRENT_USER\Software\Parvel\lm_orv with `access` (KEY_READ or
// KEY_ALL_ACCESS), creating it when missing. An empty RegKey when it can be neither
// opened nor created.
RegKey OpenSettingsKey(REGSAM access);

// Strings are REG_SZ; REG_EXPAND_SZ is read as it stands, unexpanded. A key that could
// not be opened reads every value as missing and fails every write.
class RegistryValueStore : public SettingsValueStore {
public:
    explicit RegistryValueStore(HKEY key) : key_(key) {}
    bool ReadText(const char* name, std::string& text) override;
    bool WriteText(const char* name, const std::string& text) override;

private:
    HKEY key_;
};

}  // namespace ostrand
