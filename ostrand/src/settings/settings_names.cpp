#include "settings_names.h"

#include <string_view>

namespace ostrand {

namespace {
constexpr bool KeyPathIsPrefixAndProduct() {
    constexpr std::string_view prefix = kVendorKeyPrefix;
    constexpr std::string_view product = kProductKey;
    constexpr std::string_view path = kSettingsKeyPath;
    return path.size() == prefix.size() + product.size() &&
           path.substr(0, prefix.size()) == prefix && path.substr(prefix.size()) == product;
}
static_assert(KeyPathIsPrefixAndProduct(), "the key path is the vendor prefix plus the product key");
}  // namespace

const char* SettingValueName(Setting which) {
    switch (which) {
        case Setting::DeptName: return "DeptName";
        case Setting::DataBase: return "DataBase";
        case Setting::Server: return "Server";
        case Setting::PassWord: return "PassWord";
    }
    return "";
}

}  // namespace ostrand
