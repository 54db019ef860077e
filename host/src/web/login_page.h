// The login page: host/web/login.html with the message of the last try in its place.
#pragma once
#include <string>

namespace host::web {

// The login form, with `message` above it (HTML-escaped here).
std::string page_login(const std::string& message);

}  // namespace host::web
