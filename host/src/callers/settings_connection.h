// The business database as the settings tool keeps it for the user (server, database
// and password, scrambled in the registry): the same connection its test opens, as an
// ODBC connection string for the "SQL Server" driver every Windows has.
#pragma once
#include <string>

#include "settings_value_store.h"

namespace host::callers {

// UTF-8 in and out. A value with ';', braces or blanks at its ends is braced.
std::string sql_server_connection(const std::string& server, const std::string& database,
                                  const std::string& password);

// From the settings key's stored values (system code page), decoded as the settings
// tool decodes them. False with the reason when they cannot be read or name no server
// or no database.
bool connection_from_settings(ostrand::SettingsValueStore& key, std::string* connection, std::string* error);

#ifdef _WIN32
// The same from the current user's registry.
bool connection_from_saved_settings(std::string* connection, std::string* error);
#endif

// Whether the settings tool saved a connection (server and database) for the user the
// recorder runs as; never on a system without the settings tool.
bool saved_settings_exist();

struct CustomerDbConfig;
// Fills in the connection of a configuration that says "connection = settings" (from
// the registry on Windows; elsewhere there is no settings tool: false). Any other
// configuration is left as it is.
bool resolve_connection(CustomerDbConfig* config, std::string* error);

}  // namespace host::callers
