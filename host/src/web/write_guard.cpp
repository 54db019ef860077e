#include "web/write_guard.h"

#include <algorithm>

#include "web/web_auth.h"

namespace host::web {

namespace {
bool same_text_folded(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return (x >= 'A' && x <= 'Z' ? x - 'A' + 'a' : x) == (y >= 'A' && y <= 'Z' ? y - 'A' + 'a' : y);
           });
}

// "http://<host>" or "https://<host>" (behind a proxy that adds TLS), the Host header's
// own name and port: a page of any other origin cannot send that.
bool own_origin(std::string_view origin, std::string_view host) {
    if (host.empty()) return false;
    for (std::string_view scheme : {"http://", "https://"})
        if (origin.size() > scheme.size() && same_text_folded(origin.substr(0, scheme.size()), scheme))
            return same_text_folded(origin.substr(scheme.size()), host);
    return false;
}

// The Referer's origin: what comes before its path.
std::string_view origin_of(std::string_view url) {
    const size_t scheme_end = url.find("://");
    if (scheme_end == std::string_view::npos) return {};
    return url.substr(0, url.find('/', scheme_end + 3));
}

bool json_type(std::string_view type) {
    const std::string_view json = "application/json";
    if (type.size() < json.size() || !same_text_folded(type.substr(0, json.size()), json)) return false;
    const std::string_view rest = type.substr(json.size());
    return rest.empty() || rest.front() == ';' || rest.front() == ' ';
}
}  // namespace

std::optional<WriteRefusal> guard_write(const WriteAsk& ask) {
    if (ask.method != kWriteMethod) return WriteRefusal{405, "wrong-method"};
    if (!ask.session) return WriteRefusal{401, "no-session"};
    const std::string_view from = !ask.origin.empty() ? ask.origin : origin_of(ask.referer);
    if (!own_origin(from, ask.host)) return WriteRefusal{403, "foreign-origin"};
    if (ask.session_token.empty() || !same_secret(std::string(ask.token), std::string(ask.session_token)))
        return WriteRefusal{403, "bad-token"};
    if (!json_type(ask.content_type)) return WriteRefusal{415, "wrong-type"};
    if (ask.body_bytes > kMostWriteBytes) return WriteRefusal{413, "too-large"};
    return std::nullopt;
}

bool WriteBudget::take(const std::string& who, int64_t now_ms) {
    auto it = recent_.find(who);
    if (it == recent_.end()) {
        if (recent_.size() >= kMostKept) {
            auto oldest = recent_.begin();
            for (auto i = recent_.begin(); i != recent_.end(); ++i)
                if (i->second.empty() || (!oldest->second.empty() && i->second.back() < oldest->second.back())) oldest = i;
            recent_.erase(oldest);
        }
        it = recent_.emplace(who, std::deque<int64_t>()).first;
    }
    auto& writes = it->second;
    while (!writes.empty() && now_ms - writes.front() >= kMinuteMs) writes.pop_front();
    if (writes.size() >= kWritesPerMinute) return false;
    writes.push_back(now_ms);
    return true;
}

}  // namespace host::web
