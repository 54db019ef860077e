#include "web/login_page.h"

#include "web/page_files.h"

namespace host::web {

namespace {
constexpr std::string_view kMessageMark = "{{message}}";

std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '&': out += "&amp;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}
}  // namespace

std::string page_login(const std::string& message) {
    const EmbeddedFile* file = page_file("login.html");
    if (!file) return escaped(message);
    const std::string_view page = file->text();
    const size_t at = page.find(kMessageMark);
    if (at == std::string_view::npos) return std::string(page);
    return std::string(page.substr(0, at)) + escaped(message) + std::string(page.substr(at + kMessageMark.size()));
}

}  // namespace host::web
