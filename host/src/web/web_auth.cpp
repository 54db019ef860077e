#include "web/web_auth.h"

#include <fstream>
#include <random>

namespace host::web {

namespace {
constexpr size_t kMaxAddresses = 4096;  // forgotten oldest-first beyond this many
constexpr size_t kMaxSessions = 1024;

// Takes as long whatever the first wrong character.
bool same_secret(const std::string& a, const std::string& b) {
    unsigned diff = a.size() != b.size();
    for (size_t i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i]) ^ static_cast<unsigned char>(b[i % (b.size() + 1)]);
    return diff == 0;
}

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

WebAuth::WebAuth(std::string password) : password_(std::move(password)) {}

WebAuth::Try WebAuth::log_in(const std::string& address, const std::string& password, int64_t now_ms,
                             std::string* session) {
    Misses& m = misses_[address];
    if (now_ms < m.next_try_ms) return Try::Wait;
    if (!same_secret(password, password_)) {
        int64_t wait = kFirstWaitMs << std::min(m.count, 6);
        m.count++;
        m.next_try_ms = now_ms + std::min(wait, kLongestWaitMs);
        if (misses_.size() > kMaxAddresses) misses_.erase(misses_.begin());
        return Try::Wrong;
    }
    misses_.erase(address);
    for (auto it = sessions_.begin(); it != sessions_.end();) it = it->second < now_ms ? sessions_.erase(it) : ++it;
    if (sessions_.size() >= kMaxSessions) sessions_.erase(sessions_.begin());
    *session = new_token();
    sessions_[*session] = now_ms + kSessionMs;
    return Try::Right;
}

bool WebAuth::valid(const std::string& session, int64_t now_ms) const {
    if (!needed()) return true;
    const auto it = sessions_.find(session);
    return it != sessions_.end() && now_ms <= it->second;
}

bool read_password_file(const std::string& path, std::string* password) {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    if (!in || !std::getline(in, line)) return false;
    const size_t first = line.find_first_not_of(" \t\r");
    const size_t last = line.find_last_not_of(" \t\r");
    *password = first == std::string::npos ? "" : line.substr(first, last - first + 1);
    return !password->empty();
}

}  // namespace host::web
