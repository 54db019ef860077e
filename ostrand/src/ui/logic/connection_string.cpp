#include "connection_string.h"

namespace ostrand {
namespace {

constexpr char kProviderAndLogin[] =
    "Provider = SQLOLEDB.1;Persist Security Info = true;User ID = sa; PassWord = ";
constexpr char kCatalogKey[] = "; Initial CataLog = ";
constexpr char kDataSourceKey[] = "; Data Source = ";

bool IsParserBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool NeedsQuoting(const std::string& value) {
    if (value.empty()) return false;
    if (IsParserBlank(value.front()) || IsParserBlank(value.back())) return true;
    // GBK trail bytes are 0x40 and above, so a byte scan cannot mistake one for these.
    return value.find_first_of(";'\"") != std::string::npos;
}

}  // namespace

std::string ConnectionValue(const std::string& value) {
    if (!NeedsQuoting(value)) return value;
    std::string quoted = "\"";
    for (char c : value) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::string BuildConnectionString(const std::string& password, const std::string& database,
                                  const std::string& server) {
    return kProviderAndLogin + ConnectionValue(password) + kCatalogKey +
           ConnectionValue(database) + kDataSourceKey + ConnectionValue(server);
}

}  // namespace ostrand
