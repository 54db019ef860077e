#include "callers/settings_connection.h"

#include <map>

#include "callers/contact.h"
#include "callers/customer_db_config.h"
#include "callers/text_codec.h"
#include "settings_store.h"
#include "settings_transfer.h"

namespace host::callers {

namespace {

std::string attribute_value(const std::string& value) {
    const bool plain = value.find_first_of(";{}") == std::string::npos && !value.empty() &&
                       value.front() != ' ' && value.back() != ' ';
    if (plain) return value;
    std::string braced = "{";
    for (char c : value) {
        braced += c;
        if (c == '}') braced += '}';
    }
    return braced + "}";
}

class Fields : public ostrand::SettingsFields {
public:
    std::string field(ostrand::Setting which) const override {
        const auto it = values_.find(which);
        return it == values_.end() ? std::string() : it->second;
    }
    void set_field(ostrand::Setting which, const std::string& text) override { values_[which] = text; }

private:
    std::map<ostrand::Setting, std::string> values_;
};

}  // namespace

std::string sql_server_connection(const std::string& server, const std::string& database,
                                  const std::string& password) {
    // The settings tool's own test logs in as sa; so does this.
    return "Driver={SQL Server};Server=" + attribute_value(server) + ";Database=" + attribute_value(database) +
           ";UID=sa;PWD=" + attribute_value(password) + ";";
}

bool connection_from_settings(ostrand::SettingsValueStore& key, std::string* connection, std::string* error) {
    Fields fields;
    if (!ostrand::LoadSettingsFrom(key, fields)) {
        *error = "the settings tool's values cannot be read";
        return false;
    }
    const std::string server = system_to_utf8(fields.field(ostrand::Setting::Server));
    const std::string database = system_to_utf8(fields.field(ostrand::Setting::DataBase));
    if (trim(server).empty() || trim(database).empty()) {
        *error = "the settings tool has no server or no database saved for this user";
        return false;
    }
    *connection = sql_server_connection(server, database, system_to_utf8(fields.field(ostrand::Setting::PassWord)));
    return true;
}

bool saved_settings_exist() {
#ifdef _WIN32
    std::string connection, error;
    return connection_from_saved_settings(&connection, &error);
#else
    return false;
#endif
}

bool resolve_connection(CustomerDbConfig* config, std::string* error) {
    if (!config->from_settings) return true;
#ifdef _WIN32
    return connection_from_saved_settings(&config->connection, error);
#else
    *error = "connection = settings: the settings tool keeps its values on Windows only";
    return false;
#endif
}

}  // namespace host::callers
