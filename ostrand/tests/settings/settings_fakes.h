// Stand-ins for the dialog fields and the settings key.
#pragma once
#include <array>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "settings_store.h"
#include "settings_value_store.h"

namespace ostrand {

class FakeFields : public SettingsFields {
public:
    FakeFields() = default;
    FakeFields(std::string dept, std::string database, std::string server, std::string password)
        : texts_{std::move(dept), std::move(database), std::move(server), std::move(password)} {}
    std::string field(Setting which) const override { return texts_[Index(which)]; }
    void set_field(Setting which, const std::string& text) override { texts_[Index(which)] = text; }
    bool operator==(const FakeFields& other) const { return texts_ == other.texts_; }

private:
    static std::size_t Index(Setting which) { return static_cast<std::size_t>(which); }
    std::array<std::string, kSettingCount> texts_;
};

// Values in a map; named values can be made unreadable or unwritable, and every
// access is logged in order.
class FakeValueStore : public SettingsValueStore {
public:
    bool ReadText(const char* name, std::string& text) override {
        log.push_back(std::string("read ") + name);
        if (unreadable.count(name) != 0) return false;
        const auto found = values.find(name);
        text = found == values.end() ? std::string() : found->second;
        return true;
    }
    bool WriteText(const char* name, const std::string& text) override {
        log.push_back(std::string("write ") + name);
        if (unwritable.count(name) != 0) return false;
        values[name] = text;
        return true;
    }

    std::map<std::string, std::string> values;
    std::set<std::string> unreadable;
    std::set<std::string> unwritable;
    std::vector<std::string> log;
};

}  // namespace ostrand
