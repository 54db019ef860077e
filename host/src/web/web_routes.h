// What the console answers, request by request, apart from the network: the pages, the
// lines, the call list, the recordings and their loudness, the login, the calls' notes.
// The notes are the one thing a request changes, and only through the write guard
// (web/write_guard).
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "call_log/call_log_reader.h"
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
    void use_callers(std::unique_ptr<callers::CallerDirectory> directory) { callers_ = std::move(directory); }
    // Reads what the call log gained; the notes file the first time.
    void read_log();
    // The calls' notes, for whatever else beside the loop shows calls (the export, the
    // call-backs view): find(CallKey) looks a call up, closed_by_hand() lists the calls
    // whose last mark closes a call-back.
    const CallNotes& notes() const { return notes_; }

    static constexpr uint64_t kMostBytesPerPart = 1 << 20;  // a range answered at most this much at a time
    static constexpr size_t kPeaks = 1000;

private:
    WebResponse calls(const std::string& query);
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
};

// "2025-03-14 09-30-05 13800138000.wav", from the call's start and caller.
std::string download_name(std::string_view start, std::string_view caller);

}  // namespace host::web
