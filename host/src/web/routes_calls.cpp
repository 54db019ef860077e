// The call list: the log's rows that match the page's filter, a page at a time, the
// calls that started last first, each with its note and mark.
#include <algorithm>
#include <nlohmann/json.hpp>

#include "notes/note_filter.h"
#include "web/call_json.h"
#include "web/caller_search.h"
#include "web/http_text.h"
#include "web/query_values.h"
#include "web/web_answers.h"
#include "web/web_routes.h"

namespace host::web {

namespace {
using json = nlohmann::json;
constexpr size_t kDefaultPerPage = 50;
constexpr size_t kMostPerPage = 200;
constexpr size_t kMostWhoBytes = 200;  // a number or a name as typed
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
    std::vector<uint32_t> found;
    if (WebResponse refused; !matching_calls(q, &found, &refused)) return refused;
    const size_t per = std::max<size_t>(1, number_or(q, "per", kDefaultPerPage, kMostPerPage));
    const size_t page = number_or(q, "page", 0, 1000000);
    const CallRows& rows = log_.rows();
    const size_t total = found.size();
    const CallJsonContext context{rows, site_.folder, line_names_, caller_names_};
    json calls = json::array();
    std::string key;
    for (size_t n = page * per; n < total && n < (page + 1) * per; ++n) {
        const size_t i = found[total - 1 - n];
        json call = call_json(context, static_cast<uint32_t>(i));
        // Looked up as the row is shown: calls.csv keeps the number only.
        callers::CallerCard card;
        if (callers_) {
            callers::CallerLookup l = callers_->lookup(rows.field(i, CallColumn::Caller));
            if (l.state == callers::LookupState::Found) card = std::move(l.card);
        }
        call["caller_name"] = card.name;
        call["caller_company"] = card.company;
        row_key(rows, i, &key);
        const auto note = notes_.find(key);
        call["mark"] = note ? mark_code(note->mark) : "";
        call["note"] = note ? note->note : "";
        call["noted"] = note ? note->written : "";
        calls.push_back(std::move(call));
    }
    json outcomes = json::array();
    for (CallOutcome o : kCallOutcomes) outcomes.push_back(outcome_name(o));
    json marks = json::array();
    for (CallMark m : kCallMarks) marks.push_back(mark_code(m));
    const json answer = {{"total", total}, {"page", page},           {"per", per},
                         {"calls", calls}, {"outcomes", outcomes}, {"marks", marks}};
    return text(200, answer.dump(-1, ' ', false, json::error_handler_t::replace), kJson);
}

bool WebRoutes::matching_calls(const std::map<std::string, std::string>& q, std::vector<uint32_t>* found,
                               WebResponse* refused) {
    CallFilter filter;
    FilterRefusal refusal;
    if (!read_filter({value(q, "number"), value(q, "since"), value(q, "until"), value(q, "outcome")}, &filter,
                     &refusal)) {
        // Codes only: the page says it in the reader's language.
        *refused = text(400, json{{"error", refusal.code}, {"field", refusal.field}}.dump(), kJson);
        return false;
    }
    NoteFilter by_note;
    if (!read_note_filter(value(q, "note"), value(q, "mark"), &by_note, &refusal)) {
        *refused = text(400, json{{"error", refusal.code}, {"field", refusal.field}}.dump(), kJson);
        return false;
    }
    const std::string line = value(q, "line");
    if (!line.empty() && (line.size() > 9 || line.find_first_not_of("0123456789") != std::string::npos)) {
        *refused = text(400, json{{"error", "bad-line"}, {"field", "line"}}.dump(), kJson);
        return false;
    }
    refresh_views();
    const CallRows& rows = log_.rows();
    *found = rows.matching(filter);
    // The number as typed also finds the calls with that party however the log wrote
    // it: a number dialled out without the area code, a caller with +86.
    const uint64_t key = filter.number.empty() ? 0 : index_.key_of(value(q, "number"));
    if (key != 0) {
        std::vector<bool> hit(rows.size());
        for (uint32_t row : *found) hit[row] = true;
        CallFilter rest = filter;
        rest.number.clear();
        bool more = false;
        for (uint32_t row = 0; row < index_.size(); ++row)
            if (!hit[row] && index_.call(row).key == key && rows.matches(row, rest)) more = hit[row] = true;
        if (more) {
            found->clear();
            for (uint32_t row : index_.in_start_order())
                if (hit[row]) found->push_back(row);
        }
    }
    if (!line.empty()) {
        const auto other = [&](uint32_t row) { return rows.field(row, CallColumn::Box) != line; };
        found->erase(std::remove_if(found->begin(), found->end(), other), found->end());
    }
    const std::string who = value(q, "who");
    if (!who.empty()) {
        if (who.size() > kMostWhoBytes) {
            *refused = text(400, json{{"error", "bad-who"}, {"field", "number"}}.dump(), kJson);
            return false;
        }
        // Digits among Latin letters and signs that make no number were meant as one,
        // mistyped ("138x"): said so, as for the number's own field. A name in Chinese
        // may hold digits ("二店", "3号店").
        std::string digits;
        const bool latin = std::all_of(who.begin(), who.end(), [](char c) { return (c & 0x80) == 0; });
        if (latin && !typed_number(who, &digits) && who.find_first_of("0123456789") != std::string::npos) {
            read_filter({who, "", "", ""}, &filter, &refusal);
            *refused = text(400, json{{"error", refusal.code}, {"field", refusal.field}}.dump(), kJson);
            return false;
        }
        *found = calls_of_caller(rows, *found, who, callers_.get(), callers_ ? callers_->plan() : callers::NumberPlan());
    }
    if (by_note.any()) {
        const auto noted = notes_.matching(by_note);
        std::string key;
        const auto unnoted = [&](uint32_t row) {
            row_key(rows, row, &key);
            return noted.count(key) == 0;
        };
        found->erase(std::remove_if(found->begin(), found->end(), unnoted), found->end());
    }
    return true;
}

}  // namespace host::web
