#include "settings_transfer.h"

#include "scrambler.h"
#include "settings_names.h"

namespace ostrand {

bool LoadSettingsFrom(SettingsValueStore& key, SettingsFields& fields) {
    for (const Setting which : kSettingOrder) {
        std::string stored;
        if (!key.ReadText(SettingValueName(which), stored)) return false;
        fields.set_field(which, DecodeSetting(stored));
    }
    return true;
}

void SaveSettingsTo(SettingsValueStore& key, const SettingsFields& fields) {
    for (const Setting which : kSettingOrder) {
        const char* name = SettingValueName(which);
        if (!key.WriteText(name, EncodeSetting(fields.field(which)))) {
            throw SettingsWriteError(std::string("Failed to set data for '") + name + "'");
        }
    }
}

}  // namespace ostrand
