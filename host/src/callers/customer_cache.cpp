#include "callers/customer_cache.h"

namespace host::callers {

const CustomerAnswer* CustomerCache::get(const std::string& key, int64_t now_ms) {
    const auto it = map_.find(key);
    if (it == map_.end()) return nullptr;
    if (now_ms >= it->second->expires_ms) {
        items_.erase(it->second);
        map_.erase(it);
        return nullptr;
    }
    items_.splice(items_.begin(), items_, it->second);
    return &it->second->answer;
}

void CustomerCache::put(const std::string& key, CustomerAnswer answer, int64_t now_ms) {
    if (limits_.capacity == 0) return;
    const int64_t expires = now_ms + (answer.found ? limits_.found_ms : limits_.missing_ms);
    const auto it = map_.find(key);
    if (it != map_.end()) {
        it->second->answer = std::move(answer);
        it->second->expires_ms = expires;
        items_.splice(items_.begin(), items_, it->second);
        return;
    }
    items_.push_front({key, std::move(answer), expires});
    map_[key] = items_.begin();
    if (map_.size() > limits_.capacity) {
        map_.erase(items_.back().key);
        items_.pop_back();
    }
}

}  // namespace host::callers
