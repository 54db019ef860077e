// Loading and saving the four settings through any opened settings key.
#pragma once
#include "settings_store.h"
#include "settings_value_store.h"

namespace ostrand {

// Decodes each value into its field, in order; stops with false at the first value
// that cannot be read, leaving the later fields untouched.
bool LoadSettingsFrom(SettingsValueStore& key, SettingsFields& fields);

// Encodes and writes each field, in order; throws SettingsWriteError at the first
// value that cannot be written.
void SaveSettingsTo(SettingsValueStore& key, const SettingsFields& fields);

}  // namespace ostrand
