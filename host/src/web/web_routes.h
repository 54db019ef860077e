// What the console answers, request by request, apart from the network: the pages, the
// lines, the call list, the recordings and their loudness, the login, the calls' notes.
// The notes are the one thing a request changes, and only through the write guard
// (web/write_guard).
#pragma once
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "call_log/call_log_reader.h"
#include "call_views/box_places.h"
#include "call_views/call_backs.h"
#include "call_views/call_index.h"
#include "call_views/caller_names.h"
#include "call_views/line_names.h"
#include "callers/caller_directory.h"
#include "notes/call_notes.h"
#include "web/line_board.h"
#include "web/web_auth.h"
#include "web/write_guard.h"

namespace host::web {

struct WebRequest {
    std::string method;
    std::string target;   // path and query, as sent
    std::string host;     // the Host header
    std::string cookie;
    std::string range;
    std::string body;     // the login form, a note as JSON
    std::string address;  // the client's
    std::string accept_language{};  // the Accept-Language header
    // What a writing request is checked by (web/write_guard); left out by a reading one.
    std::string origin{};
    std::string referer{};
    std::string content_type{};
    std::string token{};  // the X-Vornix-Token header
};

struct WebResponse {
    int status = 200;
    std::string type;
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string file;     // sent whole as the body instead
    bool events = false;  // the lines' event stream follows the header
};

struct WebSite {
    std::string folder;          // the recordings and the call log
    std::string listen_address;  // as given to --web
    std::string password;        // empty: none asked
};

class WebRoutes {
public:
    WebRoutes(WebSite site, const LineBoard& board, std::function<int64_t()> now_ms);

    WebResponse handle(const WebRequest& request);
    // The lines as one event of the stream; `version` says which snapshot it shows.
    std::string lines_event(uint64_t* version) const;
    // The console's own directory of caller names (used on the console's thread only).
    void use_callers(std::unique_ptr<callers::CallerDirectory> directory) {
        callers_ = std::move(directory);
        // The views name the parties from the same directory.
        if (!caller_names_)
            caller_names_ = [this](std::string_view number) -> std::optional<callers::CallerCard> {
                callers::CallerLookup found = callers_->lookup(number);
                if (found.state != callers::LookupState::Found) return std::nullopt;
                return std::move(found.card);
            };
    }
    // Reads what the call log gained; the notes file the first time.
    void read_log();
    // The calls' notes, for whatever else beside the loop shows calls (the export, the
    // call-backs view): find(CallKey) looks a call up, closed_by_hand() lists the calls
    // whose last mark closes a call-back.
    const CallNotes& notes() const { return notes_; }
    // The office's names of the boxes; without them the lines go by their serial codes.
    void set_line_names(call_views::LineNames names) { line_names_ = std::move(names); }
    // How the views key the numbers (the office's area code); before the first request.
    void set_number_plan(callers::NumberPlan plan) { index_ = call_views::CallIndex(std::move(plan)); }
    // Who the numbers belong to; without it the views show numbers only.
    void set_caller_names(call_views::CallerNames names) { caller_names_ = std::move(names); }
    // The calls closed by hand (their call_identity), asked at every request of the
    // call-backs; without it, those the notes' marks close.
    using ClosedByHandSource = std::function<std::shared_ptr<const call_views::ClosedByHand>()>;
    void set_closed_by_hand(ClosedByHandSource source) { closed_by_hand_ = std::move(source); }
    // The wall clock the views count days and waiting from (tests set their own).
    void set_wall_clock(std::function<std::chrono::system_clock::time_point()> clock) { wall_now_ = std::move(clock); }

    static constexpr uint64_t kMostBytesPerPart = 1 << 20;  // a range answered at most this much at a time
    static constexpr size_t kPeaks = 1000;
    static constexpr long kMostDays = 366;         // the views look back at most a year
    static constexpr size_t kMostExportRows = 100000;  // the newest calls a file takes

private:
    WebResponse calls(const std::string& query);
    // The rows the list's filter (number, since, until, outcome, line) asks for, in the
    // order the calls started; false with the answer to a filter that cannot be used.
    bool matching_calls(const std::map<std::string, std::string>& q, std::vector<uint32_t>* found,
                        WebResponse* refused);
    WebResponse history(const std::string& query);
    WebResponse call_backs(const std::string& query);
    WebResponse stats(const std::string& query);
    WebResponse export_calls(const std::string& query);
    void refresh_views();
    std::shared_ptr<const call_views::ClosedByHand> closed_calls() const;
    long today() const;
    WebResponse recording(size_t id, bool peaks, bool download, const std::string& range);
    WebResponse login(const WebRequest& request);
    WebResponse session(const WebRequest& request);
    WebResponse write_note(const WebRequest& request);
    WebResponse messages(const WebRequest& request, const std::string& query) const;
    bool recording_path(size_t id, std::string* path);

    WebSite site_;
    const LineBoard& board_;
    std::function<int64_t()> now_ms_;
    WebAuth auth_;
    CallLogReader log_;
    std::unique_ptr<callers::CallerDirectory> callers_;
    CallNotes notes_;
    bool notes_read_ = false;
    WriteBudget budget_;
    call_views::LineNames line_names_;
    call_views::CallIndex index_{callers::NumberPlan{}};
    mutable call_views::BoxPlaces places_;  // the cards' order, kept by the console's thread
    call_views::CallerNames caller_names_;
    ClosedByHandSource closed_by_hand_;
    std::function<std::chrono::system_clock::time_point()> wall_now_ = [] { return std::chrono::system_clock::now(); };
};

// "2025-03-14 09-30-05 13800138000.wav", from the call's start and caller.
std::string download_name(std::string_view start, std::string_view caller);

}  // namespace host::web
