#include "web/web_auth.h"

#include <fstream>
#include <random>

namespace host::web {

namespace {
constexpr size_t kMaxAddresses = 4096;  // the one missed longest ago is forgotten beyond this many
constexpr size_t kMaxSessions = 1024;
}  // namespace

bool same_secret(const std::string& a, const std::string& b) {
    unsigned diff = a.size() != b.size();
    for (size_t i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i]) ^ static_cast<unsigned char>(b[i % (b.size() + 1)]);
    return diff == 0;
}

namespace {
std::string new_token() {
    static std::random_device device;
    static const char kHex[] = "0123456789abcdef";
    std::string token;
    for (int i = 0; i < 8; ++i) {
        const unsigned v = device();
        for (int n = 0; n < 8; ++n) token += kHex[(v >> (n * 4)) & 15];
    }
    return token;
}
}  // namespace

WebAuth::WebAuth(std::string password) : password_(std::move(password)), console_token_(new_token()) {}

WebAuth::Try WebAuth::log_in(const std::string& address, const std::string& password, int64_t now_ms,
                             std::string* session) {
    while (!recent_misses_.empty() && now_ms - recent_misses_.front() >= kMinuteMs) recent_misses_.pop_front();
    if (recent_misses_.size() >= kMissesPerMinute) return Try::Wait;
    Misses& m = misses_[address];
    if (now_ms < m.next_try_ms) return Try::Wait;
    if (!same_secret(password, password_)) {
        int64_t wait = kFirstWaitMs << std::min(m.count, 6);
        m.count++;
        m.next_try_ms = now_ms + std::min(wait, kLongestWaitMs);
        m.last_miss_ms = now_ms;
        recent_misses_.push_back(now_ms);
        if (misses_.size() > kMaxAddresses) forget_oldest_address();
        return Try::Wrong;
    }
    misses_.erase(address);
    for (auto it = sessions_.begin(); it != sessions_.end();) it = it->second.expiry_ms < now_ms ? sessions_.erase(it) : ++it;
    if (sessions_.size() >= kMaxSessions) sessions_.erase(sessions_.begin());
    *session = new_token();
    sessions_[*session] = Session{now_ms + kSessionMs, new_token()};
    return Try::Right;
}

void WebAuth::forget_oldest_address() {
    auto oldest = misses_.begin();
    for (auto it = misses_.begin(); it != misses_.end(); ++it)
        if (it->second.last_miss_ms < oldest->second.last_miss_ms) oldest = it;
    misses_.erase(oldest);
}

bool WebAuth::valid(const std::string& session, int64_t now_ms) const {
    if (!needed()) return true;
    const auto it = sessions_.find(session);
    return it != sessions_.end() && now_ms <= it->second.expiry_ms;
}

std::string WebAuth::write_token(const std::string& session, int64_t now_ms) const {
    if (!needed()) return console_token_;
    return valid(session, now_ms) ? sessions_.find(session)->second.write_token : std::string();
}

bool read_password_file(const std::string& path, std::string* password, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    if (!in) {
        *error = "cannot read the password file " + path;
        return false;
    }
    std::getline(in, line);
    if (line.find('\0') != std::string::npos || line.rfind("\xFF\xFE", 0) == 0 || line.rfind("\xFE\xFF", 0) == 0) {
        *error = "the password file " + path + " is UTF-16 (or holds NUL bytes): save it as plain text, "
                 "e.g. in Notepad as UTF-8, or in PowerShell with Set-Content -Encoding ASCII";
        return false;
    }
    if (line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
    const size_t first = line.find_first_not_of(" \t\r");
    const size_t last = line.find_last_not_of(" \t\r");
    *password = first == std::string::npos ? "" : line.substr(first, last - first + 1);
    if (password->empty()) *error = "no password in " + path;
    return !password->empty();
}

}  // namespace host::web
