// The console's views over the call log: a caller's history, the call-backs still
// open, the office's figures, and the list as a spreadsheet file.
#include <nlohmann/json.hpp>

#include "call_log/time_text.h"
#include "call_views/call_export.h"
#include "call_views/call_stats.h"
#include "web/call_json.h"
#include "web/http_text.h"
#include "web/page_files.h"
#include "web/page_language.h"
#include "web/query_values.h"
#include "web/web_answers.h"
#include "web/web_routes.h"

namespace host::web {

namespace {
using json = nlohmann::json;
constexpr size_t kMostNumberBytes = 64;
constexpr long kMostPerPage = 200;
constexpr size_t kTop = 10;

// Codes only: the page says it in the reader's language.
WebResponse refuse(const char* code, const char* field) {
    return text(400, json{{"error", code}, {"field", field}}.dump(), kJson);
}

std::string dumped(const json& j) { return j.dump(-1, ' ', false, json::error_handler_t::replace); }
}  // namespace

void WebRoutes::refresh_views() { read_log(); }

std::shared_ptr<const call_views::ClosedByHand> WebRoutes::closed_calls() const {
    if (closed_by_hand_) return closed_by_hand_();
    // The notes' marks that say the call needs no call-back, or had one.
    auto closed = std::make_shared<call_views::ClosedByHand>();
    for (const CallKey& call : notes_.closed_by_hand()) closed->insert(call.start + "/" + call.box);
    return closed;
}

long WebRoutes::today() const {
    const std::tm t = local_time(wall_now_());
    return days_from_civil(t.tm_year + 1900L, static_cast<unsigned>(t.tm_mon + 1), static_cast<unsigned>(t.tm_mday));
}

WebResponse WebRoutes::history(const std::string& query) {
    const auto q = parse_query(query);
    const std::string number = value(q, "number");
    long per = 0, page = 0;
    if (number.empty() || number.size() > kMostNumberBytes)
        return refuse("bad-number", "number");
    if (!bounded_number(q, "per", 1, kMostPerPage, 50, &per) || !bounded_number(q, "page", 0, 1000000, 0, &page))
        return refuse("bad-page", "page");
    refresh_views();
    const uint64_t key = index_.key_of(number);
    if (key == 0) return refuse("bad-number", "number");
    const std::vector<uint32_t> found = index_.party_calls(key);
    const CallRows& rows = log_.rows();
    const CallJsonContext context{rows, site_.folder, line_names_, caller_names_};
    json calls = json::array();
    for (size_t n = static_cast<size_t>(page * per); n < found.size() && n < static_cast<size_t>((page + 1) * per); ++n)
        calls.push_back(call_json(context, found[n]));
    uint32_t rang = 0;
    for (uint32_t row : found) rang += index_.call(row).kind != call_views::CallKind::Outgoing;
    json answer = {{"number", number},
                   {"card", caller_json(caller_names_, number)},
                   {"total", found.size()},
                   {"rang", rang},
                   {"last", found.empty() ? json(nullptr) : json(std::string(rows.field(found[0], CallColumn::Start)))},
                   {"page", page},
                   {"per", per},
                   {"calls", calls}};
    return text(200, dumped(answer), kJson);
}

WebResponse WebRoutes::call_backs(const std::string& query) {
    const auto q = parse_query(query);
    long days = 0, per = 0, page = 0;
    if (!bounded_number(q, "days", 1, kMostDays, 30, &days)) return refuse("bad-days", "days");
    if (!bounded_number(q, "per", 1, kMostPerPage, 50, &per) || !bounded_number(q, "page", 0, 1000000, 0, &page))
        return refuse("bad-page", "page");
    refresh_views();
    const auto closed = closed_calls();
    const auto backs = call_views::open_call_backs(index_, log_.rows(), today() - days + 1, closed.get());
    const int64_t now_s = std::chrono::duration_cast<std::chrono::seconds>(wall_now_().time_since_epoch()).count();
    const CallJsonContext context{log_.rows(), site_.folder, line_names_, caller_names_};
    json open = json::array();
    for (size_t n = static_cast<size_t>(page * per); n < backs.size() && n < static_cast<size_t>((page + 1) * per); ++n) {
        const call_views::OpenCallBack& b = backs[n];
        json first = call_json(context, b.row);
        open.push_back({{"call", first},
                        {"missed", b.missed},
                        {"last", std::string(log_.rows().field(b.last, CallColumn::Start))},
                        {"waited", std::max<int64_t>(0, now_s - index_.call(b.row).utc_s())}});
    }
    return text(200, dumped({{"days", days}, {"count", backs.size()}, {"page", page}, {"per", per}, {"open", open}}),
                kJson);
}

WebResponse WebRoutes::stats(const std::string& query) {
    const auto q = parse_query(query);
    long days = 0;
    if (!bounded_number(q, "days", 1, kMostDays, 1, &days)) return refuse("bad-days", "days");
    refresh_views();
    const long day = today();
    const call_views::CallStats s = call_views::call_stats(index_, day, static_cast<int>(days), kTop);
    auto counts = [](const call_views::CallCounts& c) {
        return json{{"answered", c.answered}, {"missed", c.missed}, {"outgoing", c.outgoing}};
    };
    json hours = json::array(), by_day = json::array(), lines = json::array(), callers = json::array();
    for (const auto& h : s.by_hour) hours.push_back(counts(h));
    for (size_t d = 0; d < s.by_day.size(); ++d) {
        json c = counts(s.by_day[d]);
        c["date"] = civil_date(s.first_day + static_cast<long>(d));
        by_day.push_back(c);
    }
    for (const auto& [serial, n] : s.lines)
        lines.push_back({{"serial", serial}, {"name", line_names_.name(serial)}, {"calls", n}});
    const CallRows& rows = log_.rows();
    for (const auto& [row, n] : s.callers) {
        const std::string party(call_views::party_number(rows, row));
        callers.push_back({{"number", party}, {"card", caller_json(caller_names_, party)}, {"calls", n}});
    }
    const auto closed = closed_calls();
    const size_t open = call_views::open_call_backs(index_, rows, s.first_day, closed.get()).size();
    const uint32_t rang = s.total.answered + s.total.missed;
    const json answer = {
        {"days", days},
        {"from", civil_date(s.first_day)},
        {"to", civil_date(day)},
        {"total", counts(s.total)},
        {"answer_rate", rang ? static_cast<double>(s.total.answered) / rang : 0.0},
        {"talk_seconds", s.talk_seconds},
        {"average_seconds", s.talked ? static_cast<double>(s.talk_seconds) / s.talked : 0.0},
        {"by_hour", hours},
        {"by_day", by_day},
        {"lines", lines},
        {"callers", callers},
        {"open_callbacks", open}};
    return text(200, dumped(answer), kJson);
}

WebResponse WebRoutes::export_calls(const std::string& query) {
    const auto q = parse_query(query);
    const std::string lang = q.count("lang") ? value(q, "lang") : "zh-CN";
    if (lang != "zh-CN" && lang != "en") return refuse("bad-lang", "lang");
    const EmbeddedFile* catalogue = page_file(catalogue_file(lang));
    std::vector<uint32_t> found;
    if (WebResponse refused; !matching_calls(q, &found, &refused)) return refused;
    // Newest first, as the list shows them.
    std::reverse(found.begin(), found.end());
    if (found.size() > kMostExportRows) found.resize(kMostExportRows);
    const json words = catalogue ? json::parse(catalogue->text(), nullptr, false) : json();
    auto word = [&](const std::string& key) {
        return words.is_object() && words.contains(key) && words[key].is_string() ? words[key].get<std::string>() : key;
    };
    call_views::ExportWords w;
    for (const char* column : call_views::kExportColumns) w.headings.push_back(word(std::string("export.col.") + column));
    w.incoming = word("direction.incoming");
    w.outgoing = word("direction.outgoing");
    for (CallOutcome o : kCallOutcomes) w.outcomes[outcome_name(o)] = word(std::string("outcome.") + outcome_name(o));
    const auto noted = notes_.all();
    std::string key;
    const call_views::ExportNotes notes = [&](uint32_t row) {
        row_key(log_.rows(), row, &key);
        const auto it = noted.find(key);
        if (it == noted.end()) return call_views::ExportNote{};
        const CallMark mark = it->second.mark;
        return call_views::ExportNote{mark == CallMark::None ? "" : word(std::string("mark.") + mark_code(mark)),
                                      it->second.note};
    };
    WebResponse r = text(200, call_views::export_csv(log_.rows(), found, w, line_names_, caller_names_, notes),
                         "text/csv; charset=utf-8");
    r.headers.emplace_back("Content-Disposition", "attachment; filename=\"calls.csv\"");
    return r;
}

}  // namespace host::web
