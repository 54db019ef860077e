// The console's password: sessions given out for the right one, and a client address
// that tried a wrong one made to wait, longer after each further miss.
#pragma once
#include <cstdint>
#include <map>
#include <set>
#include <string>

namespace host::web {

class WebAuth {
public:
    // An empty password: every request is let in (the console is on the loopback only).
    explicit WebAuth(std::string password);
    bool needed() const { return !password_.empty(); }

    enum class Try { Right, Wrong, Wait };
    // On Right, `session` holds a new session's token.
    Try log_in(const std::string& address, const std::string& password, int64_t now_ms, std::string* session);
    bool valid(const std::string& session, int64_t now_ms) const;

    static constexpr int64_t kFirstWaitMs = 1000;     // doubled with every further miss
    static constexpr int64_t kLongestWaitMs = 60000;
    static constexpr int64_t kSessionMs = 12LL * 3600 * 1000;

private:
    struct Misses {
        int count = 0;
        int64_t next_try_ms = 0;
    };
    std::string password_;
    std::map<std::string, Misses> misses_;
    std::map<std::string, int64_t> sessions_;  // token -> expiry
};

// The password file's first line, line end and surrounding blanks left off.
bool read_password_file(const std::string& path, std::string* password);

}  // namespace host::web
