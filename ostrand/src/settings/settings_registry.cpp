// LoadSettings and SaveSettings on the current user's registry.
#include <exception>

#include "registry_value_store.h"
#include "settings_store.h"
#include "settings_transfer.h"

namespace ostrand {

bool LoadSettings(SettingsFields& fields) {
    try {
        // Only reading is asked for: a key the user may read but not write still
        // shows what it holds. A key that cannot be opened reads as one without values.
        const RegKey key = OpenSettingsKey(KEY_READ);
        RegistryValueStore values(key.get());
        return LoadSettingsFrom(values, fields);
    } catch (const std::exception&) {
        return false;  // out of memory on a huge value: a read failure like any other
    }
}

void SaveSettings(const SettingsFields& fields) {
    // A key that cannot be opened fails the first write.
    const RegKey key = OpenSettingsKey(KEY_ALL_ACCESS);
    RegistryValueStore values(key.get());
    SaveSettingsTo(values, fields);
}

}  // namespace ostrand
