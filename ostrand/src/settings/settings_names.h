// Where the settings live: the key under HKEY_CURRENT_USER and the value names, which
// the business application reads as well.
#pragma once
#include <array>

#include "settings_store.h"

namespace ostrand {

constexpr char kVendorKeyPrefix[] = "Software\\Parvel\\";
constexpr char kProductKey[] = "lm_orv";
constexpr char kSettingsKeyPath[] = "Software\\Parvel\\lm_orv";

// The order in which the values are read and written.
constexpr std::array<Setting, kSettingCount> kSettingOrder = {
    Setting::DeptName, Setting::DataBase, Setting::Server, Setting::PassWord};

// "DeptName", "DataBase", "Server" or "PassWord".
const char* SettingValueName(Setting which);

}  // namespace ostrand
