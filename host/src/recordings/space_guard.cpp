#include "recordings/space_guard.h"

#include "platform/platform.h"

namespace host {

SpaceGuard::SpaceGuard(std::string folder, uint64_t min_free_bytes)
    : folder_(std::move(folder)), min_free_bytes_(min_free_bytes) {}

SpaceGuard::Change SpaceGuard::check(int64_t now_ms) {
    checked_ = true;
    checked_at_ms_ = now_ms;
    if (min_free_bytes_ == 0) return Change::None;
    uint64_t free = 0;
    if (!platform::free_bytes(folder_, &free)) {
        const bool first = !unreadable_;
        unreadable_ = true;
        return first ? Change::Unreadable : Change::None;
    }
    unreadable_ = false;
    free_bytes_ = free;
    const bool low = free_bytes_ < min_free_bytes_;
    if (low == low_) return Change::None;
    low_ = low;
    return low ? Change::Low : Change::Back;
}

SpaceGuard::Change SpaceGuard::check_if_due(int64_t now_ms) {
    if (checked_ && now_ms - checked_at_ms_ < kCheckEveryMs) return Change::None;
    return check(now_ms);
}

}  // namespace host
