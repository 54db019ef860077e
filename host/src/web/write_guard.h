// The guard of every request that changes something: only the console's own page may
// write, in a session where a password is set, with the session's token, as JSON of a
// bounded size, and a session only so often. A refusal carries a status and a code
// that stays the same (the page words it), and nothing is written then.
#pragma once
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace host::web {

// A writing request as the guard sees it.
struct WriteAsk {
    std::string_view method;
    std::string_view host;     // the Host header: the console's own address
    std::string_view origin;   // the Origin header
    std::string_view referer;  // looked at only without an Origin
    std::string_view content_type;
    std::string_view token;    // the X-Vornix-Token header
    size_t body_bytes = 0;
    bool session = false;      // a valid session, or no password set
    std::string_view session_token;  // what `token` must be
};

struct WriteRefusal {
    int status;
    const char* code;  // wrong-method, no-session, foreign-origin, bad-token, wrong-type, too-large, too-many
};

constexpr const char* kWriteMethod = "POST";
constexpr const char* kTokenHeader = "X-Vornix-Token";
constexpr size_t kMostWriteBytes = 4096;  // a request's body

// Null when the request may go on to write.
std::optional<WriteRefusal> guard_write(const WriteAsk& ask);

// Writes a session (or, without a password, a client) may make in a minute.
class WriteBudget {
public:
    // True, and counted, when `who` may write now; false beyond the budget.
    bool take(const std::string& who, int64_t now_ms);

    static constexpr size_t kWritesPerMinute = 60;
    static constexpr int64_t kMinuteMs = 60 * 1000;
    static constexpr size_t kMostKept = 4096;  // who wrote longest ago is forgotten beyond this many

private:
    std::map<std::string, std::deque<int64_t>> recent_;  // each one's writes of the last minute
};

}  // namespace host::web
