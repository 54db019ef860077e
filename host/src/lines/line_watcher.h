// Watches every line box through the library's exports and records every call:
// ring -> caller ID -> handset lifted (recording starts, LED on) -> record-end blocks
// and DTMF digits during the call -> disconnect (recording finished, LED off).
// Follows hot-plug through SW_GetCount and tells boxes apart by their serial code, which
// every round compares with the one the slot's box had.
// Every call that ends is handed on as a call record; no recording starts while the
// recordings folder is short of free space.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "call_log/call_event.h"
#include "platform/host_clock.h"
#include "recordings/space_guard.h"

namespace host {

struct WatcherConfig {
    std::string folder = "recordings";  // where recordings go (must exist)
    int64_t max_call_ms = 60 * 60 * 1000;   // a longer call is cut and its file finished
    int64_t ring_gap_ms = 6000;             // ringing silent this long: the call was missed
    uint64_t min_free_bytes = 200 * SpaceGuard::kBytesPerMb;  // below: nothing is recorded
};

struct LineState {
    enum class Phase { Idle, Ringing, InCall };
    Phase phase = Phase::Idle;
    int serial = 0;            // as SW_GetSN reports it when the box was found
    // No box: the count still holds the slot after its box left (it reads the record of
    // the box that moved up from it). Not watched until the count follows.
    bool vacant = false;
    std::string caller;
    std::string digits;
    std::string file;          // the open recording, empty when none
    int64_t since_ms = 0;      // start of the ring or of the call
    int64_t last_ring_ms = 0;
    // Ringing: the box reported the ring at the last look. A ring no longer heard is
    // over for the people watching, though it counts as missed only after the ring gap.
    bool ring_heard = false;
    bool fault_reported = false;  // one fault line per call is enough
    int led = -1;              // last LED mode set, -1 unknown
    // For the call log
    HostClock::WallTime call_start;  // first ring, or handset lifted without one
    bool incoming = false;
    std::string call_file;          // the call's recording, also once it is finished
    std::optional<CallOutcome> recording_ended;  // why the recording ended before the call
    // The box delivers audio in whole blocks: after the hang-up the recording stays open
    // until the block that holds it has come (the call's end is kept until then).
    int64_t hung_up_ms = -1;        // host clock; -1 while the call goes on
    HostClock::WallTime hung_up_at;
    int chunks = 0;                 // chunks appended to the open recording
    int chunks_at_hang_up = 0;
    int64_t last_chunk_ms = -1;     // host clock: when the latest chunk was appended
};

const char* phase_name(LineState::Phase phase);

class LineWatcher {
public:
    LineWatcher(WatcherConfig config, const HostClock& clock, CallEventSink sink, CallRecordSink calls = {});

    // One round: follows a changed box count or a changed serial code, then looks at
    // every box once.
    void tick();
    // Ends every call in progress: first every recording is finished with
    // SW_StopFileRecord, then each call is handed on as stopped. The LEDs are left to
    // SW_Free, which switches them off.
    void finish_all(const std::string& reason);

    const std::vector<LineState>& lines() const { return lines_; }
    int open_recordings() const;

    // The longest wait after a hang-up, or after the latest block while the box still
    // hands over blocks that waited, for the block that holds it (one block is 2.048 s).
    static constexpr int64_t kLastBlockWaitMs = 3000;

private:
    void follow_count(int count);
    void watch(int slot);
    // The caller number the box reports now, empty when none.
    std::string caller_number(int slot);
    void start_ring(int slot, const std::string& caller);
    void answer(int slot);
    // Starts the call's recording; true when the library took it (and reconnected the box).
    bool start_recording(int slot);
    void feed(int slot);
    void collect_digits(int slot);
    void hang_up(int slot);
    // After the hang-up: the block that holds it has come, a new call began, or the wait
    // is over; then the call ends.
    void await_last_block(int slot);
    void end_call(int slot);
    void emit_hung_up(const LineState& l, int slot, bool confirmed);
    // Finishes the slot's recording, if any; returns the file it had.
    std::string stop_recording(int slot, bool* confirmed);
    // Finishes a recording while the call goes on, for `why`, with an event.
    void end_recording_early(int slot, CallOutcome why, CallEventKind kind, const std::string& note);
    void follow_space(SpaceGuard::Change change);
    void log_call(const LineState& l, int slot, CallOutcome outcome);
    void reset_line(int slot);
    void set_led(int slot, int mode);
    void emit(CallEventKind kind, int slot, const std::string& note = "");
    // For a line that is no longer at its slot.
    void emit_for(const LineState& l, CallEventKind kind, int slot, const std::string& note);

    WatcherConfig config_;
    const HostClock& clock_;
    CallEventSink sink_;
    CallRecordSink calls_;
    SpaceGuard space_;
    std::vector<LineState> lines_;
    bool counted_ = false;
    int budget_left_ = -1;  // the library's record budget (one for all slots) as last seen
};

}  // namespace host
