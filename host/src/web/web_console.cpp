#include "web/web_console.h"

#include <chrono>

#include "web/web_routes.h"
#include "web/web_server.h"

namespace host::web {

WebConsole::WebConsole(const HostOptions& options) : options_(options) {}
WebConsole::~WebConsole() = default;

bool WebConsole::start(std::string* error) {
    if (options_.web_port < 0) return true;
    WebSite site{options_.folder, options_.web_address, ""};
    if (!options_.web_password_file.empty() && !read_password_file(options_.web_password_file, &site.password, error))
        return false;
    routes_ = std::make_unique<WebRoutes>(site, board_, [] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch()).count();
    });
    if (phonebook_ != nullptr || database_ != nullptr)
        routes_->use_callers(std::make_unique<callers::CallerDirectory>(plan_, phonebook_, database_));
    server_ = std::make_unique<WebServer>(*routes_);
    std::string address = options_.web_address;
    if (address.size() > 2 && address.front() == '[') address = address.substr(1, address.size() - 2);
    return server_->start(address, static_cast<uint16_t>(options_.web_port), error);
}

std::string WebConsole::url() const {
    return "http://" + options_.web_address + ":" + std::to_string(server_ ? server_->port() : 0) + "/";
}

void WebConsole::use_callers(const callers::Phonebook* phonebook, callers::CustomerDb* database,
                             callers::NumberPlan plan) {
    phonebook_ = phonebook;
    database_ = database;
    plan_ = std::move(plan);
}

void WebConsole::publish(const std::vector<LineState>& lines, const std::vector<callers::CallerCard>& cards,
                         const HostClock& clock) {
    if (server_) publish_lines(board_, lines, cards, clock);
}

}  // namespace host::web
