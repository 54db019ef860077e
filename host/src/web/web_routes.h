// What the console answers, request by request, apart from the network: the pages, the
// lines, the call list, the recordings and their loudness, the login. Read-only: no
// request changes anything but the console's own sessions.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "call_log/call_log_reader.h"
#include "web/line_board.h"
#include "web/web_auth.h"

namespace host::web {

struct WebRequest {
    std::string method;
    std::string target;   // path and query, as sent
    std::string host;     // the Host header
    std::string cookie;
    std::string range;
    std::string body;     // the login form
    std::string address;  // the client's
    std::string accept_language{};  // the Accept-Language header
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
    // Reads what the call log gained.
    void read_log() { log_.refresh(); }

    static constexpr uint64_t kMostBytesPerPart = 1 << 20;  // a range answered at most this much at a time
    static constexpr size_t kPeaks = 1000;

private:
    WebResponse calls(const std::string& query);
    WebResponse recording(size_t id, bool peaks, bool download, const std::string& range);
    WebResponse login(const WebRequest& request);
    WebResponse messages(const WebRequest& request, const std::string& query) const;
    bool recording_path(size_t id, std::string* path);

    WebSite site_;
    const LineBoard& board_;
    std::function<int64_t()> now_ms_;
    WebAuth auth_;
    CallLogReader log_;
};

// "2025-03-14 09-30-05 13800138000.wav", from the call's start and caller.
std::string download_name(std::string_view start, std::string_view caller);

}  // namespace host::web
