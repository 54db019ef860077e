#include "web/line_board.h"

#include <chrono>

namespace host::web {

void publish_lines(LineBoard& board, const std::vector<LineState>& lines, const std::vector<callers::CallerCard>& cards,
                   const HostClock& clock) {
    // Phases are timed on the monotonic clock; the page is given wall times.
    const int64_t now_ms = clock.now_ms();
    const int64_t wall_now_ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(clock.wall_now().time_since_epoch()).count();
    auto wall_ms = [&](int64_t ms) { return wall_now_ms - (now_ms - ms); };
    std::vector<LineView> views;
    views.reserve(lines.size());
    for (size_t slot = 0; slot < lines.size(); ++slot) {
        const LineState& l = lines[slot];
        LineView v;
        v.slot = static_cast<int>(slot);
        v.serial = l.serial;
        switch (l.phase) {
            case LineState::Phase::Idle: v.phase = "idle"; break;
            case LineState::Phase::Ringing: v.phase = l.ring_heard ? "ringing" : "rang"; break;
            case LineState::Phase::InCall: v.phase = l.file.empty() ? "in call" : "recording"; break;
        }
        if (l.phase != LineState::Phase::Idle) {
            v.caller = l.caller;
            v.digits = l.digits;
            v.since_ms = wall_ms(l.since_ms);
            if (slot < cards.size()) {
                v.name = cards[slot].name;
                v.company = cards[slot].company;
                v.address = cards[slot].address;
                v.note = cards[slot].note;
            }
        }
        views.push_back(std::move(v));
    }
    board.publish(std::move(views), wall_now_ms);
}

LineBoard::LineBoard() : latest_(std::make_shared<LineSnapshot>()) {}

void LineBoard::publish(std::vector<LineView> lines, int64_t now_ms) {
    now_ms_ = now_ms;
    if (lines != last_) {
        last_ = std::move(lines);
        ++version_;
        pending_ = true;
    }
    if (!pending_) return;
    // Built outside the lock; only the pointer changes under it, and the old copy goes
    // after it.
    std::shared_ptr<const LineSnapshot> next = std::make_shared<LineSnapshot>(LineSnapshot{version_, last_});
    if (!mutex_.try_lock()) return;
    latest_.swap(next);
    mutex_.unlock();
    pending_ = false;
}

std::shared_ptr<const LineSnapshot> LineBoard::latest() const {
    mutex_.lock();
    auto copy = latest_;
    mutex_.unlock();
    return copy;
}

}  // namespace host::web
