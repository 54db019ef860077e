// The free-space guard of the recordings folder. The library ignores failed chunk
// writes, so on a full disk a recording would go on writing nothing. The host looks
// at the folder's free space before it starts a recording and about once a minute,
// and records nothing while it is below the limit.
#pragma once
#include <cstdint>
#include <string>

namespace host {

class SpaceGuard {
public:
    // `min_free_bytes` 0 switches the guard off.
    SpaceGuard(std::string folder, uint64_t min_free_bytes);

    // Unreadable: the free space cannot be read (said once until it can be again); the
    // guard then holds its last reading rather than assume there is room.
    enum class Change { None, Low, Back, Unreadable };

    // Reads the free space now. Says when it just fell below the limit or came back.
    Change check(int64_t now_ms);
    // Reads it only when the last reading is about a minute old.
    Change check_if_due(int64_t now_ms);

    bool low() const { return low_; }
    // Free space at the last reading that succeeded, in MB.
    uint64_t free_mb() const { return free_bytes_ / kBytesPerMb; }
    uint64_t min_free_mb() const { return min_free_bytes_ / kBytesPerMb; }

    static constexpr uint64_t kBytesPerMb = 1024 * 1024;
    static constexpr int64_t kCheckEveryMs = 60 * 1000;

private:
    std::string folder_;
    uint64_t min_free_bytes_;
    uint64_t free_bytes_ = UINT64_MAX;
    bool low_ = false;
    bool unreadable_ = false;
    bool checked_ = false;
    int64_t checked_at_ms_ = 0;
};

}  // namespace host
