#include "callers/settings_connection.h"
#include "registry_value_store.h"
#include "settings_names.h"

namespace host::callers {

bool connection_from_saved_settings(std::string* connection, std::string* error) {
    // Opened, not created: the recorder leaves the settings tool's key as it finds it.
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, ostrand::kSettingsKeyPath, 0, KEY_READ, &opened) != ERROR_SUCCESS) {
        *error = "the settings tool has saved nothing for this user";
        return false;
    }
    const ostrand::RegKey key(opened);
    ostrand::RegistryValueStore values(key.get());
    return connection_from_settings(values, connection, error);
}

}  // namespace host::callers
