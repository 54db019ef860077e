// What the web console shows of the lines: the loop publishes the lines each round,
// the console's thread reads the latest copy. The loop never waits for the reader.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "callers/caller_card.h"
#include "lines/line_watcher.h"
#include "platform/host_clock.h"
#include "platform/platform_thread.h"

namespace host::web {

struct LineView {
    int slot = 0;
    int serial = 0;
    std::string phase;    // idle, ringing, rang (the ring stopped, not yet missed), in call (not recorded), recording
    std::string caller;
    std::string digits;
    int64_t since_ms = 0;  // wall clock, ms since 1970: start of the ring or the call
    // Who is calling, as the phonebook or the database names them; empty when unknown.
    std::string name, company, address, note;
    bool operator==(const LineView& o) const {
        return slot == o.slot && serial == o.serial && phase == o.phase && caller == o.caller && digits == o.digits &&
               since_ms == o.since_ms && name == o.name && company == o.company && address == o.address &&
               note == o.note;
    }
};

struct LineSnapshot {
    uint64_t version = 0;  // grows with every change
    std::vector<LineView> lines;
};

class LineBoard {
public:
    LineBoard();
    // The loop, every round. A round that finds the reader holding the lock leaves the
    // change to the next round.
    void publish(std::vector<LineView> lines, int64_t now_ms);
    std::shared_ptr<const LineSnapshot> latest() const;
    // The loop's wall clock at its last round, against which the lines' times count.
    int64_t now_ms() const { return now_ms_; }

private:
    mutable platform::Mutex mutex_;
    std::shared_ptr<const LineSnapshot> latest_;
    std::vector<LineView> last_;  // the loop's own copy, compared without the lock
    uint64_t version_ = 0;
    bool pending_ = false;
    std::atomic<int64_t> now_ms_{0};
};

// The loop's lines, as the board takes them, with the cards of their callers by slot
// (fewer cards than lines: the others unknown).
void publish_lines(LineBoard& board, const std::vector<LineState>& lines, const std::vector<callers::CallerCard>& cards,
                   const HostClock& clock);
inline void publish_lines(LineBoard& board, const std::vector<LineState>& lines, const HostClock& clock) {
    publish_lines(board, lines, {}, clock);
}

}  // namespace host::web
