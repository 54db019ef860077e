#include "space_guard.h"

#include <filesystem>

namespace host {

SpaceGuard::SpaceGuard(std::string folder, uint64_t min_free_bytes)
    : folder_(std::move(folder)), min_free_bytes_(min_free_bytes) {}

SpaceGuard::Change SpaceGuard::check(int64_t now_ms) {
    checked_ = true;
    checked_at_ms_ = now_ms;
    if (min_free_bytes_ == 0) return Change::None;
    std::error_code ec;
    const auto info = std::filesystem::space(folder_, ec);
    // A folder that cannot be asked is no reason to stop recording; the recording's own
    // start then fails and says so.
    free_bytes_ = ec ? UINT64_MAX : static_cast<uint64_t>(info.available);
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
