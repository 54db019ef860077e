// The call list: the log's rows that match the page's filter, a page at a time, the
// calls that started last first.
#include <filesystem>
#include <nlohmann/json.hpp>

#include "platform/platform.h"

#include "web/http_text.h"
#include "web/web_answers.h"
#include "web/web_routes.h"

namespace host::web {

namespace {
using json = nlohmann::json;
constexpr size_t kDefaultPerPage = 50;
constexpr size_t kMostPerPage = 200;

std::string value(const std::map<std::string, std::string>& q, const char* name) {
    const auto it = q.find(name);
    return it == q.end() ? std::string() : it->second;
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
    // 2025-03-14T09:30:05+08:00; the seconds tell two calls of a minute apart
    std::string when = "call";
    if (start.size() >= 19 && start[10] == 'T') {
        when = std::string(start.substr(0, 10)) + " " + std::string(start.substr(11, 2)) + "-" +
               std::string(start.substr(14, 2)) + "-" + std::string(start.substr(17, 2));
        if (when.find_first_not_of("0123456789- ") != std::string::npos) when = "call";
    }
    return when + " " + number + ".wav";
}

WebResponse WebRoutes::calls(const std::string& query) {
    const auto q = parse_query(query);
    CallFilter filter;
    FilterRefusal refusal;
    if (!read_filter({value(q, "number"), value(q, "since"), value(q, "until"), value(q, "outcome")}, &filter,
                     &refusal))
        // Codes only: the page says it in the reader's language.
        return text(400, json{{"error", refusal.code}, {"field", refusal.field}}.dump(), kJson);
    const size_t per = std::max<size_t>(1, number_or(q, "per", kDefaultPerPage, kMostPerPage));
    const size_t page = number_or(q, "page", 0, 1000000);
    log_.refresh();
    const CallRows& rows = log_.rows();
    const std::vector<uint32_t> found = rows.matching(filter);
    const size_t total = found.size();
    json calls = json::array();
    for (size_t n = page * per; n < total && n < (page + 1) * per; ++n) {
        const size_t i = found[total - 1 - n];
        auto f = [&](CallColumn c) { return std::string(rows.field(i, c)); };
        const bool named = plain_recording_name(rows.field(i, CallColumn::File));
        std::error_code ec;
        // A recording the row names and the folder no longer holds was retired (or
        // deleted by hand): there is nothing to play.
        const bool kept = named && std::filesystem::is_regular_file(
                                       platform::fs_path(site_.folder) / platform::fs_path(f(CallColumn::File)), ec);
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
                         {"recording", kept},
                         {"retired", named && !kept},
                         {"name", download_name(rows.field(i, CallColumn::Start), rows.field(i, CallColumn::Caller))}});
    }
    json outcomes = json::array();
    for (CallOutcome o : kCallOutcomes) outcomes.push_back(outcome_name(o));
    const json answer = {{"total", total}, {"page", page}, {"per", per}, {"calls", calls}, {"outcomes", outcomes}};
    return text(200, answer.dump(-1, ' ', false, json::error_handler_t::replace), kJson);
}

}  // namespace host::web
