// The calls' notes: the token the page writes with, and a note and a mark written for a
// call, through the write guard.
#include <chrono>
#include <nlohmann/json.hpp>

#include "call_log/time_text.h"
#include "notes/note_filter.h"

#include "web/http_text.h"
#include "web/web_answers.h"
#include "web/web_routes.h"

namespace host::web {

namespace {
using json = nlohmann::json;

// Tab and line breaks are a note's; no other control character is.
bool plain_text(const std::string& text) {
    for (unsigned char c : text)
        if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7F) return false;
    return true;
}
}  // namespace

WebResponse WebRoutes::session(const WebRequest& request) {
    json marks = json::array();
    for (CallMark m : kCallMarks) marks.push_back(mark_code(m));
    const json answer = {{"token", auth_.write_token(cookie_value(request.cookie, kSessionCookie), now_ms_())},
                         {"marks", marks},
                         {"most_note_chars", kMostNoteChars}};
    return text(200, answer.dump(), kJson);
}

WebResponse WebRoutes::write_note(const WebRequest& request) {
    const std::string cookie = cookie_value(request.cookie, kSessionCookie);
    const int64_t now = now_ms_();
    const std::string token = auth_.write_token(cookie, now);
    WriteAsk ask;
    ask.method = request.method;
    ask.host = request.host;
    ask.origin = request.origin;
    ask.referer = request.referer;
    ask.content_type = request.content_type;
    ask.token = request.token;
    ask.body_bytes = request.body.size();
    ask.session = auth_.valid(cookie, now);
    ask.session_token = token;
    if (const auto refused = guard_write(ask)) {
        WebResponse r = refusal(refused->status, refused->code);
        if (refused->status == 405) r.headers.emplace_back("Allow", kWriteMethod);
        return r;
    }
    const json ask_body = json::parse(request.body, nullptr, false);
    if (!ask_body.is_object()) return refusal(400, "bad-json");
    const auto id = ask_body.find("id");
    const auto start = ask_body.find("start");
    const auto mark = ask_body.find("mark");
    const auto note = ask_body.find("note");
    if (id == ask_body.end() || !id->is_number_unsigned() || start == ask_body.end() || !start->is_string())
        return refusal(400, "bad-call");
    NoteChange change;
    if (mark != ask_body.end() && (!mark->is_string() || !mark_of(mark->get<std::string>(), &change.mark)))
        return refusal(400, "bad-mark");
    if (note != ask_body.end() && !note->is_string()) return refusal(400, "bad-note");
    if (note != ask_body.end()) change.note = note->get<std::string>();
    if (text_chars(change.note) > kMostNoteChars) return refusal(413, "note-too-long");
    if (!plain_text(change.note)) return refusal(400, "bad-note");
    // The row the page showed, still the same call: a log replaced since shows others.
    read_log();
    const CallRows& rows = log_.rows();
    const uint64_t row = id->get<uint64_t>();
    if (row == 0 || row > rows.size() || rows.field(row - 1, CallColumn::Start) != start->get<std::string>())
        return refusal(404, "no-call");
    // Counted only once everything else is right: a page's mistakes spend none of it.
    if (!budget_.take(auth_.needed() ? cookie : request.address, now)) return refusal(429, "too-many");
    change.call = call_key(rows, row - 1);
    change.written = iso8601_local(std::chrono::system_clock::now());
    change.by = request.address;
    if (!notes_.write(change)) return refusal(503, "not-saved");
    const json answer = {{"saved", true},
                         {"id", row},
                         {"mark", mark_code(change.mark)},
                         {"note", change.note},
                         {"noted", change.written},
                         {"noted_by", change.by}};
    return text(200, answer.dump(-1, ' ', false, json::error_handler_t::replace), kJson);
}

}  // namespace host::web
