// The console's password: sessions given out for the right one, a client address that
// tried a wrong one made to wait, longer after each further miss, and a budget of wrong
// ones for the whole console, which many addresses together cannot outrun.
#pragma once
#include <cstdint>
#include <deque>
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
    // The token a writing request of this session must carry, which only the console's
    // own page can read (empty when the session is not valid). Without a password the
    // console has one of its own.
    std::string write_token(const std::string& session, int64_t now_ms) const;

    static constexpr int64_t kFirstWaitMs = 1000;     // doubled with every further miss
    static constexpr int64_t kLongestWaitMs = 60000;
    static constexpr int64_t kSessionMs = 12LL * 3600 * 1000;
    // Beyond this many wrong passwords within a minute, from whatever addresses, every
    // try waits until the oldest of them is a minute old.
    static constexpr size_t kMissesPerMinute = 10;
    static constexpr int64_t kMinuteMs = 60 * 1000;

private:
    struct Misses {
        int count = 0;
        int64_t next_try_ms = 0;
        int64_t last_miss_ms = 0;
    };
    void forget_oldest_address();

    std::string password_;
    std::map<std::string, Misses> misses_;
    std::deque<int64_t> recent_misses_;  // the console's last wrong tries, oldest first
    struct Session {
        int64_t expiry_ms = 0;
        std::string write_token;
    };
    std::map<std::string, Session> sessions_;  // by the cookie's token
    std::string console_token_;  // without a password
};

// True when both are the same, taking as long whatever the first wrong character.
bool same_secret(const std::string& a, const std::string& b);

// The password file's first line, line end and surrounding blanks left off, a UTF-8
// byte-order mark (Notepad's "UTF-8 with BOM") too. False with the reason, naming the
// file and what to do, when there is none or the file is UTF-16 (PowerShell 5's `>`):
// a password read from it would never match what the browser sends.
bool read_password_file(const std::string& path, std::string* password, std::string* error);

}  // namespace host::web
