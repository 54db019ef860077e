// The call list: the log's rows that match the page's filter, a page at a time, the
// calls that started last first, each with its note and mark.
#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "notes/note_filter.h"
#include "platform/platform.h"

#include "web/caller_search.h"
#include "web/http_text.h"
#include "web/web_answers.h"
#include "web/web_routes.h"

namespace host::web {

namespace {
using json = nlohmann::json;
constexpr size_t kDefaultPerPage = 50;
constexpr size_t kMostPerPage = 200;
constexpr size_t kMostWhoBytes = 200;  // a number or a name as typed

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
    NoteFilter by_note;
    if (!read_note_filter(value(q, "note"), value(q, "mark"), &by_note, &refusal))
        return text(400, json{{"error", refusal.code}, {"field", refusal.field}}.dump(), kJson);
    const size_t per = std::max<size_t>(1, number_or(q, "per", kDefaultPerPage, kMostPerPage));
    const size_t page = number_or(q, "page", 0, 1000000);
    read_log();
    const CallRows& rows = log_.rows();
    std::vector<uint32_t> found = rows.matching(filter);
    const std::string who = value(q, "who");
    if (!who.empty()) {
        if (who.size() > kMostWhoBytes) return text(400, json{{"error", "bad-who"}, {"field", "number"}}.dump(), kJson);
        // Digits among Latin letters and signs that make no number were meant as one,
        // mistyped ("138x"): said so, as for the number's own field. A name in Chinese
        // may hold digits ("二店", "3号店").
        std::string digits;
        const bool latin = std::all_of(who.begin(), who.end(), [](char c) { return (c & 0x80) == 0; });
        if (latin && !typed_number(who, &digits) && who.find_first_of("0123456789") != std::string::npos) {
            read_filter({who, "", "", ""}, &filter, &refusal);
            return text(400, json{{"error", refusal.code}, {"field", refusal.field}}.dump(), kJson);
        }
        found = calls_of_caller(rows, found, who, callers_.get(),
                                callers_ ? callers_->plan() : callers::NumberPlan());
    }
    std::string key;
    if (by_note.any()) {
        const auto noted = notes_.matching(by_note);
        found.erase(std::remove_if(found.begin(), found.end(),
                                   [&](uint32_t row) {
                                       row_key(rows, row, &key);
                                       return noted.count(key) == 0;
                                   }),
                    found.end());
    }
    const size_t total = found.size();
    json calls = json::array();
    for (size_t n = page * per; n < total && n < (page + 1) * per; ++n) {
        const size_t i = found[total - 1 - n];
        auto f = [&](CallColumn c) { return std::string(rows.field(i, c)); };
        const bool named = plain_recording_name(rows.field(i, CallColumn::File));
        // Looked up as the row is shown: calls.csv keeps the number only.
        callers::CallerCard card;
        if (callers_) {
            callers::CallerLookup l = callers_->lookup(rows.field(i, CallColumn::Caller));
            if (l.state == callers::LookupState::Found) card = std::move(l.card);
        }
        std::error_code ec;
        // A recording the row names and the folder no longer holds was retired (or
        // deleted by hand): there is nothing to play.
        const bool kept = named && std::filesystem::is_regular_file(
                                       platform::fs_path(site_.folder) / platform::fs_path(f(CallColumn::File)), ec);
        row_key(rows, i, &key);
        const auto note = notes_.find(key);
        calls.push_back({{"id", i + 1},
                         {"start", f(CallColumn::Start)},
                         {"end", f(CallColumn::End)},
                         {"slot", f(CallColumn::Slot)},
                         {"box", f(CallColumn::Box)},
                         {"direction", f(CallColumn::Direction)},
                         {"caller", f(CallColumn::Caller)},
                         {"caller_name", card.name},
                         {"caller_company", card.company},
                         {"digits", f(CallColumn::Digits)},
                         {"outcome", f(CallColumn::Outcome)},
                         {"seconds", f(CallColumn::Seconds)},
                         {"recording", kept},
                         {"retired", named && !kept},
                         {"name", download_name(rows.field(i, CallColumn::Start), rows.field(i, CallColumn::Caller))},
                         {"mark", note ? mark_code(note->mark) : ""},
                         {"note", note ? note->note : ""},
                         {"noted", note ? note->written : ""}});
    }
    json outcomes = json::array();
    for (CallOutcome o : kCallOutcomes) outcomes.push_back(outcome_name(o));
    json marks = json::array();
    for (CallMark m : kCallMarks) marks.push_back(mark_code(m));
    const json answer = {{"total", total}, {"page", page},           {"per", per},
                         {"calls", calls}, {"outcomes", outcomes}, {"marks", marks}};
    return text(200, answer.dump(-1, ' ', false, json::error_handler_t::replace), kJson);
}

}  // namespace host::web
