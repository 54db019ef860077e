#include "web/web_routes.h"

#include <nlohmann/json.hpp>

#include "web/http_text.h"
#include "web/login_page.h"
#include "web/page_files.h"
#include "web/page_language.h"
#include "web/web_answers.h"

namespace host::web {

namespace {
using json = nlohmann::json;
constexpr const char* kNotesPath = "/api/notes";
// What login.html links: its style, its words and the script that puts them in.
bool login_file(const std::string& path) {
    return path == "/style.css" || path == "/i18n.js" || path == "/messages.json";
}
}  // namespace

WebRoutes::WebRoutes(WebSite site, const LineBoard& board, std::function<int64_t()> now_ms)
    : site_(std::move(site)),
      board_(board),
      now_ms_(std::move(now_ms)),
      auth_(site_.password),
      log_(site_.folder),
      notes_(site_.folder) {}

void WebRoutes::read_log() {
    log_.refresh();
    if (!notes_read_) notes_read_ = notes_.load();
}

WebResponse WebRoutes::handle(const WebRequest& request) {
    if (!host_allowed(request.host, site_.listen_address)) return text(403, "unknown host name\n");
    const size_t q = request.target.find('?');
    const std::string path = request.target.substr(0, q);
    const std::string query = q == std::string::npos ? "" : request.target.substr(q + 1);
    const bool get = request.method == "GET" || request.method == "HEAD";
    if (path == "/login" && (get || request.method == "POST")) return login(request);
    if (path == kNotesPath) return write_note(request);
    if (!get) {
        WebResponse r = text(405, "the console only shows\n");
        r.headers.emplace_back("Allow", "GET, HEAD");
        return r;
    }
    // What the login page itself needs comes without a session; nothing else does.
    if (path == "/messages.json") return messages(request, query);
    if (login_file(path)) {
        const EmbeddedFile* file = served_page_file(path);
        return text(200, std::string(file->text()), page_file_type(file->name));
    }
    if (auth_.needed() && !auth_.valid(cookie_value(request.cookie, kSessionCookie), now_ms_()))
        return path.rfind("/api/", 0) == 0 || path.rfind("/rec/", 0) == 0 ? text(401, "log in first\n")
                                                                          : redirect("/login");
    if (const EmbeddedFile* file = served_page_file(path))
        return text(200, std::string(file->text()), page_file_type(file->name));
    if (path == "/api/lines") {
        WebResponse r = text(200, "", "text/event-stream");
        r.events = true;
        return r;
    }
    if (path == "/api/calls") return calls(query);
    if (path == "/api/session") return session(request);
    bool peaks = false;
    if (const size_t id = recording_id(path, &peaks))
        return recording(id, peaks, parse_query(query).count("download") > 0, request.range);
    return not_found();
}

std::string WebRoutes::lines_event(uint64_t* version) const {
    const auto snapshot = board_.latest();
    json lines = json::array();
    for (const LineView& l : snapshot->lines)
        lines.push_back({{"slot", l.slot}, {"serial", l.serial}, {"phase", l.phase}, {"caller", l.caller},
                         {"digits", l.digits}, {"since", l.since_ms}, {"caller_name", l.name},
                         {"caller_company", l.company}, {"caller_address", l.address}, {"caller_note", l.note}});
    *version = snapshot->version;
    return "data: " + json{{"now", board_.now_ms()}, {"lines", lines}}.dump(-1, ' ', false, json::error_handler_t::replace) +
           "\n\n";
}

WebResponse WebRoutes::login(const WebRequest& request) {
    if (!auth_.needed()) return redirect("/");
    if (request.method != "POST") return text(200, page_login(""), "text/html; charset=utf-8");
    const auto form = parse_query(request.body);
    const auto it = form.find("password");
    std::string session;
    switch (auth_.log_in(request.address, it == form.end() ? "" : it->second, now_ms_(), &session)) {
        case WebAuth::Try::Right: {
            WebResponse r = redirect("/");
            r.headers.emplace_back("Set-Cookie", std::string(kSessionCookie) + "=" + session +
                                                     "; Path=/; HttpOnly; SameSite=Strict");
            return r;
        }
        case WebAuth::Try::Wrong:
            return text(403, page_login("login.wrong_password"), "text/html; charset=utf-8");
        case WebAuth::Try::Wait:
            break;
    }
    return text(429, page_login("login.too_many"), "text/html; charset=utf-8");
}

// The catalogue of the language the switch chose (?lang=, else its cookie) or the
// browser asks for.
WebResponse WebRoutes::messages(const WebRequest& request, const std::string& query) const {
    const auto q = parse_query(query);
    const auto lang = q.find("lang");
    const std::string chosen =
        lang != q.end() ? lang->second : cookie_value(request.cookie, kLanguageCookie);
    const EmbeddedFile* file = page_file(catalogue_file(page_language(request.accept_language, chosen)));
    if (!file) return not_found();
    WebResponse r = text(200, std::string(file->text()), kJson);
    r.headers.emplace_back("Vary", "Accept-Language, Cookie");
    r.headers.emplace_back("Cache-Control", "no-store");
    return r;
}

}  // namespace host::web
