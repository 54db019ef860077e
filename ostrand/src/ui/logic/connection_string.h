// The OLE DB connection string of the connection test.
#pragma once
#include <string>

namespace ostrand {

// One attribute value as it goes into the connection string. A value the OLE DB
// parser would misread (a ';' or quote inside, or blanks at either end, which the
// parser strips) is enclosed in double quotes with inner double quotes doubled;
// every other value is passed exactly as typed.
std::string ConnectionValue(const std::string& value);

// The SQL Server connection string for login sa with the field texts as typed.
std::string BuildConnectionString(const std::string& password, const std::string& database,
                                  const std::string& server);

}  // namespace ostrand
