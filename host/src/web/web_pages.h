// The console's page, its style and script, and the login page: plain files built
// into the host, asking nothing of any other server.
#pragma once
#include <string>

namespace host::web {

const std::string& page_index();
const std::string& page_script();
const std::string& page_style();
// The login form, with `message` above it (HTML-escaped here).
std::string page_login(const std::string& message);

}  // namespace host::web
