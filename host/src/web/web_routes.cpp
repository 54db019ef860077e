#include "web/web_routes.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>

#include "platform/platform.h"
#include "web/http_text.h"
#include "web/wav_peaks.h"
#include "web/web_pages.h"

namespace host::web {

namespace {
using json = nlohmann::json;
constexpr const char* kSessionCookie = "vornix_session";
constexpr size_t kDefaultPerPage = 50;
constexpr size_t kMostPerPage = 200;
constexpr size_t kMostFilterText = 32;
constexpr const char* kJson = "application/json";
constexpr const char* kWav = "audio/wav";

const char* const kOutcomes[] = {"answered", "missed", "unplugged", "moved", "time-limit", "stopped", "no-space"};

WebResponse text(int status, std::string body, const char* type = "text/plain; charset=utf-8") {
    WebResponse r;
    r.status = status;
    r.type = type;
    r.body = std::move(body);
    return r;
}

WebResponse not_found() { return text(404, "not found\n"); }

WebResponse redirect(const std::string& to) {
    WebResponse r = text(303, "");
    r.headers.emplace_back("Location", to);
    return r;
}

// A file name the call log may name as a recording: in the folder itself, a WAV.
bool plain_recording_name(std::string_view name) {
    constexpr std::string_view kExt = ".wav";
    return !name.empty() && name.size() <= 255 && name.front() != '.' &&
           name.find_first_of("/\\:") == std::string_view::npos && name.size() > kExt.size() &&
           name.substr(name.size() - kExt.size()) == kExt;
}

// /rec/<id>.wav or /rec/<id>/peaks; id 0 when the path is neither.
size_t recording_id(std::string_view path, bool* peaks) {
    constexpr std::string_view kPrefix = "/rec/";
    if (path.substr(0, kPrefix.size()) != kPrefix) return 0;
    path.remove_prefix(kPrefix.size());
    size_t digits = 0;
    size_t id = 0;
    while (digits < path.size() && digits < 9 && path[digits] >= '0' && path[digits] <= '9')
        id = id * 10 + static_cast<size_t>(path[digits++] - '0');
    const std::string_view rest = path.substr(digits);
    if (digits == 0 || (rest != ".wav" && rest != "/peaks")) return 0;
    *peaks = rest == "/peaks";
    return id;
}

std::string bounded(const std::map<std::string, std::string>& q, const char* name) {
    const auto it = q.find(name);
    if (it == q.end()) return {};
    return it->second.substr(0, kMostFilterText);
}

size_t number_or(const std::map<std::string, std::string>& q, const char* name, size_t fallback, size_t most) {
    const auto it = q.find(name);
    if (it == q.end() || it->second.empty() || it->second.size() > 9 ||
        it->second.find_first_not_of("0123456789") != std::string::npos)
        return fallback;
    return std::min<size_t>(std::stoul(it->second), most);
}
}  // namespace

std::string download_name(std::string_view start, std::string_view caller) {
    std::string number;
    for (char c : caller)
        if (c >= '0' && c <= '9') number += c;
    if (number.empty()) number = "unknown";
    // 2025-03-14T09:30:05+08:00
    std::string when = "call";
    if (start.size() >= 16 && start[10] == 'T') {
        when = std::string(start.substr(0, 10)) + " " + std::string(start.substr(11, 2)) + "-" +
               std::string(start.substr(14, 2));
        if (when.find_first_not_of("0123456789- ") != std::string::npos) when = "call";
    }
    return when + " " + number + ".wav";
}

WebRoutes::WebRoutes(WebSite site, const LineBoard& board, std::function<int64_t()> now_ms)
    : site_(std::move(site)), board_(board), now_ms_(std::move(now_ms)), auth_(site_.password), log_(site_.folder) {}

WebResponse WebRoutes::handle(const WebRequest& request) {
    if (!host_allowed(request.host, site_.listen_address)) return text(403, "unknown host name\n");
    const size_t q = request.target.find('?');
    const std::string path = request.target.substr(0, q);
    const std::string query = q == std::string::npos ? "" : request.target.substr(q + 1);
    const bool get = request.method == "GET" || request.method == "HEAD";
    if (path == "/login" && (get || request.method == "POST")) return login(request);
    if (!get) {
        WebResponse r = text(405, "the console only shows\n");
        r.headers.emplace_back("Allow", "GET, HEAD");
        return r;
    }
    if (auth_.needed() && !auth_.valid(cookie_value(request.cookie, kSessionCookie), now_ms_()))
        return path.rfind("/api/", 0) == 0 || path.rfind("/rec/", 0) == 0 ? text(401, "log in first\n")
                                                                          : redirect("/login");
    if (path == "/") return text(200, page_index(), "text/html; charset=utf-8");
    if (path == "/app.js") return text(200, page_script(), "text/javascript; charset=utf-8");
    if (path == "/style.css") return text(200, page_style(), "text/css; charset=utf-8");
    if (path == "/api/lines") {
        WebResponse r = text(200, "", "text/event-stream");
        r.events = true;
        return r;
    }
    if (path == "/api/calls") return calls(query);
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
                         {"digits", l.digits}, {"since", l.since_ms}});
    *version = snapshot->version;
    return "data: " + json{{"now", board_.now_ms()}, {"lines", lines}}.dump(-1, ' ', false, json::error_handler_t::replace) +
           "\n\n";
}

WebResponse WebRoutes::calls(const std::string& query) {
    const auto q = parse_query(query);
    CallFilter filter{bounded(q, "number"), bounded(q, "since"), bounded(q, "until"), bounded(q, "outcome")};
    const size_t per = std::max<size_t>(1, number_or(q, "per", kDefaultPerPage, kMostPerPage));
    const size_t page = number_or(q, "page", 0, 1000000);
    log_.refresh();
    const CallRows& rows = log_.rows();
    const std::vector<uint32_t> found = rows.matching(filter);
    const size_t total = found.size();
    json calls = json::array();
    // Newest first: the log is in the order the calls ended.
    for (size_t n = page * per; n < total && n < (page + 1) * per; ++n) {
        const size_t i = found[total - 1 - n];
        auto f = [&](CallColumn c) { return std::string(rows.field(i, c)); };
        calls.push_back({{"id", i + 1},
                         {"start", f(CallColumn::Start)},
                         {"end", f(CallColumn::End)},
                         {"slot", f(CallColumn::Slot)},
                         {"box", f(CallColumn::Box)},
                         {"direction", f(CallColumn::Direction)},
                         {"caller", f(CallColumn::Caller)},
                         {"digits", f(CallColumn::Digits)},
                         {"outcome", f(CallColumn::Outcome)},
                         {"seconds", f(CallColumn::Seconds)},
                         {"recording", plain_recording_name(rows.field(i, CallColumn::File))},
                         {"name", download_name(rows.field(i, CallColumn::Start), rows.field(i, CallColumn::Caller))}});
    }
    json outcomes = json::array();
    for (const char* o : kOutcomes) outcomes.push_back(o);
    const json answer = {{"total", total}, {"page", page}, {"per", per}, {"calls", calls}, {"outcomes", outcomes}};
    return text(200, answer.dump(-1, ' ', false, json::error_handler_t::replace), kJson);
}

bool WebRoutes::recording_path(size_t id, std::string* path) {
    log_.refresh();
    if (id == 0 || id > log_.rows().size()) return false;
    const std::string_view name = log_.rows().field(id - 1, CallColumn::File);
    if (!plain_recording_name(name)) return false;
    const std::filesystem::path p = platform::fs_path(site_.folder) / platform::fs_path(std::string(name));
    std::error_code ec;
    if (!std::filesystem::is_regular_file(p, ec)) return false;
    *path = platform::path_text(p);
    return true;
}

WebResponse WebRoutes::recording(size_t id, bool peaks, bool download, const std::string& range) {
    std::string path;
    if (!recording_path(id, &path)) return not_found();
    if (peaks) {
        Loudness loudness;
        if (!wav_loudness(path, kPeaks, &loudness)) return not_found();
        return text(200, json{{"seconds", loudness.seconds}, {"peaks", loudness.peaks}}.dump(), kJson);
    }
    std::error_code ec;
    const uint64_t size = std::filesystem::file_size(platform::fs_path(path), ec);
    if (ec) return not_found();
    WebResponse r = text(200, "", kWav);
    r.headers.emplace_back("Accept-Ranges", "bytes");
    if (download) {
        const std::string name = download_name(log_.rows().field(id - 1, CallColumn::Start),
                                               log_.rows().field(id - 1, CallColumn::Caller));
        r.headers.emplace_back("Content-Disposition", "attachment; filename=\"" + name + "\"");
    }
    ByteRange part;
    switch (parse_range(range, size, &part)) {
        case RangeAsk::Whole:
            r.file = path;
            return r;
        case RangeAsk::Unsatisfiable:
            r.status = 416;
            r.headers.emplace_back("Content-Range", "bytes */" + std::to_string(size));
            return r;
        case RangeAsk::Part:
            break;
    }
    part.last = std::min(part.last, part.first + kMostBytesPerPart - 1);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!in) return not_found();
    r.body.resize(static_cast<size_t>(part.last - part.first + 1));
    if (std::fseek(in.get(), static_cast<long>(part.first), SEEK_SET) != 0) return not_found();
    r.body.resize(std::fread(&r.body[0], 1, r.body.size(), in.get()));
    if (r.body.empty()) return not_found();
    part.last = part.first + r.body.size() - 1;
    r.status = 206;
    r.headers.emplace_back("Content-Range", "bytes " + std::to_string(part.first) + "-" + std::to_string(part.last) +
                                                "/" + std::to_string(size));
    return r;
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
            return text(403, page_login("Wrong password."), "text/html; charset=utf-8");
        case WebAuth::Try::Wait:
            break;
    }
    return text(429, page_login("Too many wrong passwords: wait a little and try again."),
                "text/html; charset=utf-8");
}

}  // namespace host::web
