#include "lines/line_watcher.h"

#include <algorithm>
#include <climits>
#include <cstdio>

#include "recordings/recording_name.h"
#include "vornix.h"

namespace host {

namespace {

constexpr int kLedOff = VORNIX_LED_OFF;
constexpr int kLedRinging = VORNIX_LED_1;
constexpr int kLedInCall = VORNIX_LED_2;
constexpr int64_t kChunkMs = VORNIX_CHUNK_BYTES / 8;  // 8000 one-byte samples per second: 2.048 s
static_assert(kChunkMs == 2048, "a chunk is 2.048 s of audio");
// A hook change is seen within a status poll (its record up to 600 ms old) and a round:
// the call may have begun and ended this much before it was seen.
constexpr int64_t kHookLagMs = 1000;
// The host keeps its own time limit per call; the library's budget only tells, by its
// fall, that a chunk was appended, and at its largest it never runs out.
constexpr int kRecordBudget = INT32_MAX;
constexpr int kSubstituteSerial = 5301;    // what SW_GetSN gives for a box without a usable code
constexpr size_t kMaxDigitsKept = 256;

std::string seconds_text(int64_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", static_cast<double>(ms) / 1000.0);
    return text;
}

// The serial code read fresh from the box: SW_test installs the box's own status record
// (status records of a slot may still belong to the box that sat there before). A read
// the box rejected installs what the library's buffer held, another box's record, so a
// code counts once two reads agree.
int read_serial(int slot) {
    constexpr int kMostReads = 4;
    int last = -1;
    for (int reads = 0; reads < kMostReads; ++reads) {
        SW_test(slot, 0);
        const int serial = SW_GetSN(slot);
        if (serial == last) break;
        last = serial;
    }
    return last;
}

}  // namespace

const char* phase_name(LineState::Phase phase) {
    switch (phase) {
        case LineState::Phase::Idle: return "idle";
        case LineState::Phase::Ringing: return "ringing";
        case LineState::Phase::InCall: return "in call";
    }
    return "?";
}

LineWatcher::LineWatcher(WatcherConfig config, const HostClock& clock, CallEventSink sink, CallRecordSink calls)
    : config_(std::move(config)),
      clock_(clock),
      sink_(std::move(sink)),
      calls_(std::move(calls)),
      space_(config_.folder, config_.min_free_bytes) {}

int LineWatcher::open_recordings() const {
    return static_cast<int>(std::count_if(lines_.begin(), lines_.end(),
                                          [](const LineState& l) { return !l.file.empty(); }));
}

void LineWatcher::tick() {
    const int count = SW_GetCount();
    if (count < 0) return;  // library closed
    if (!counted_ || count != static_cast<int>(lines_.size())) follow_count(count);
    follow_space(space_.check_if_due(clock_.now_ms()));
    for (int slot = 0; slot < count; ++slot) {
        // The poll behind the serial code also answers this round's flags: a box that took
        // another's slot while the count stayed the same is known before its flags count.
        if (!lines_[slot].vacant && SW_GetSN(slot) != lines_[slot].serial) follow_count(count);
        if (!lines_[slot].vacant) watch(slot);
    }
}

void LineWatcher::follow_space(SpaceGuard::Change change) {
    if (change == SpaceGuard::Change::None) return;
    if (change == SpaceGuard::Change::Unreadable) {
        emit(CallEventKind::Fault, -1, "free space of " + config_.folder + " cannot be read: the disk-space guard cannot work");
        return;
    }
    char note[160];
    if (change == SpaceGuard::Change::Back) {
        std::snprintf(note, sizeof note, "%llu MB free: new calls are recorded again",
                      static_cast<unsigned long long>(space_.free_mb()));
        emit(CallEventKind::SpaceBack, -1, note);
        return;
    }
    std::snprintf(note, sizeof note, "%llu MB free in %s, below %llu MB: no new recordings",
                  static_cast<unsigned long long>(space_.free_mb()), config_.folder.c_str(),
                  static_cast<unsigned long long>(space_.min_free_mb()));
    emit(CallEventKind::NoSpace, -1, note);
    // Finished now, with their final header, while there is still room to write it.
    for (int slot = 0; slot < static_cast<int>(lines_.size()); ++slot) {
        if (lines_[slot].file.empty()) continue;
        if (lines_[slot].hung_up_ms >= 0) end_call(slot);  // the room matters more than its last block
        else end_recording_early(slot, CallOutcome::NoSpace, CallEventKind::NoSpace, "recording finished: disk short of space");
    }
}

void LineWatcher::follow_count(int count) {
    counted_ = true;
    std::vector<int> serials;
    for (int slot = 0; slot < count; ++slot) serials.push_back(read_serial(slot));

    // Slots before the first changed serial still hold the same boxes. Without telling
    // serials (all substitutes), the change is taken to be at the end of the list.
    const int old_count = static_cast<int>(lines_.size());
    const int common = std::min(old_count, count);
    int first_changed = common;
    for (int slot = 0; slot < common; ++slot) {
        if (lines_[slot].serial != serials[slot]) {
            first_changed = slot;
            break;
        }
    }

    struct Departed {
        int slot;
        LineState line;
        int moved_to = -1;        // the box's new slot, -1 when it left
        bool call_goes_on = false;
    };
    std::vector<Departed> departed;
    for (int slot = first_changed; slot < old_count; ++slot) departed.push_back({slot, lines_[slot]});
    lines_.resize(static_cast<size_t>(first_changed));

    // A box that only moved takes its ringing or its call along.
    std::vector<LineState> arrived;
    std::vector<std::string> notes;
    for (int slot = first_changed; slot < count; ++slot) {
        LineState l;
        l.serial = serials[slot];
        // On Windows the count follows a removal only when its message arrives, while the
        // slots have shifted at once: the slots past the last box read the records of the
        // boxes that moved up from them.
        l.vacant = l.serial != kSubstituteSerial &&
                   std::find(serials.begin(), serials.begin() + slot, l.serial) != serials.begin() + slot;
        std::string note = "serial " + std::to_string(l.serial);
        for (Departed& d : departed) {
            if (l.vacant || d.moved_to >= 0 || l.serial == kSubstituteSerial || d.line.serial != l.serial) continue;
            d.moved_to = slot;
            note += ", was slot " + std::to_string(d.slot);
            l.led = d.line.led;
            d.call_goes_on = d.line.phase == LineState::Phase::InCall && d.line.hung_up_ms < 0 &&
                             SW_CheckDisconnect(slot) != 1;
            if (d.line.phase == LineState::Phase::Ringing || d.call_goes_on) {
                l = d.line;
                l.file.clear();
            }
            break;
        }
        arrived.push_back(l);
        notes.push_back(note);
    }
    auto call_goes_on_at = [&](int slot) {
        return slot >= first_changed && slot < count && arrived[slot - first_changed].phase == LineState::Phase::InCall;
    };

    // Each stop disconnects the box now at its slot. Stops on slots that are gone come
    // first: the hold-off their failure starts keeps the later ones from disconnecting
    // anyone. Where a box goes on with its call, the start of its new recording there
    // finishes the old file instead, with a reconnect.
    for (auto d = departed.rbegin(); d != departed.rend(); ++d) {
        if (d->line.file.empty()) continue;
        if (!call_goes_on_at(d->slot)) SW_StopFileRecord(d->slot);
        // Hung up already: not cut. A block still in progress at the hang-up stays behind,
        // as the library records by slot and the slot's next audio is another box's.
        if (d->line.hung_up_ms >= 0) continue;
        emit_for(d->line, CallEventKind::Cut, d->slot, "box unplugged or moved");
        d->line.file.clear();
    }
    for (const Departed& d : departed) {
        const bool left = d.moved_to < 0;
        if (d.line.phase == LineState::Phase::InCall) {
            if (d.line.hung_up_ms >= 0) {
                emit_hung_up(d.line, d.slot, true);
                log_call(d.line, d.slot, CallOutcome::Answered);
            } else if (left) {
                log_call(d.line, d.slot, CallOutcome::Unplugged);
            } else if (d.call_goes_on) {
                log_call(d.line, d.slot, CallOutcome::Moved);
            } else {  // hung up before the move was seen: the call ends here
                emit_for(d.line, CallEventKind::HungUp, d.slot, seconds_text(clock_.now_ms() - d.line.since_ms));
                log_call(d.line, d.slot, CallOutcome::Answered);
            }
        } else if (d.line.phase == LineState::Phase::Ringing && left) {
            log_call(d.line, d.slot, CallOutcome::Unplugged);
        }
        if (left && !d.line.vacant) emit_for(d.line, CallEventKind::Unplugged, d.slot, "serial " + std::to_string(d.line.serial));
    }

    for (size_t i = 0; i < arrived.size(); ++i) {
        const int slot = first_changed + static_cast<int>(i);
        lines_.push_back(arrived[i]);
        if (arrived[i].vacant) continue;
        emit(CallEventKind::Plugged, slot, notes[i]);
        if (lines_[slot].phase == LineState::Phase::Idle && lines_[slot].led >= 0) set_led(slot, kLedOff);
    }
    // The moved calls go on in a new row and file.
    for (const Departed& d : departed) {
        if (!d.call_goes_on) continue;
        LineState& l = lines_[d.moved_to];
        l.since_ms = clock_.now_ms();
        l.call_start = clock_.wall_now();
        l.call_file.clear();
        l.recording_ended.reset();
        l.fault_reported = false;
        if (start_recording(d.moved_to)) continue;
        // Not started: a file the start was to finish is finished now, and the box,
        // which the stop disconnects, is connected again.
        if (SW_StopFileRecord(d.moved_to) == 0) SW_Reconnect(d.moved_to);
    }
}

void LineWatcher::watch(int slot) {
    LineState& l = lines_[slot];
    const int64_t now = clock_.now_ms();
    switch (l.phase) {
        case LineState::Phase::Idle: {
            if (SW_CheckRing(slot) == 1) {
                start_ring(slot, caller_number(slot));
            } else if (SW_CheckOffHook(slot) == 1) {
                answer(slot);  // a call without a ring: dialled out, or a ring we missed
            }
            break;
        }
        case LineState::Phase::Ringing: {
            l.ring_heard = SW_CheckRing(slot) == 1;
            if (l.ring_heard) l.last_ring_ms = now;
            const std::string number = caller_number(slot);
            if (!number.empty() && l.caller.empty()) {
                l.caller = number;
                emit(CallEventKind::CallerId, slot);
            } else if (!number.empty() && number != l.caller) {
                // Another caller rings within the ring gap: the earlier one gave up.
                emit(CallEventKind::Missed, slot);
                log_call(l, slot, CallOutcome::Missed);
                reset_line(slot);
                start_ring(slot, number);
                break;
            }
            if (SW_CheckOffHook(slot) == 1) {
                answer(slot);
            } else if (now - l.last_ring_ms > config_.ring_gap_ms) {
                emit(CallEventKind::Missed, slot);
                log_call(l, slot, CallOutcome::Missed);
                set_led(slot, kLedOff);
                reset_line(slot);
            }
            break;
        }
        case LineState::Phase::InCall: {
            if (l.hung_up_ms >= 0) {
                await_last_block(slot);
                break;
            }
            feed(slot);
            collect_digits(slot);
            if (SW_CheckDisconnect(slot) == 1) {
                hang_up(slot);
            } else if (!l.file.empty() && now - l.since_ms > config_.max_call_ms) {
                end_recording_early(slot, CallOutcome::TimeLimit, CallEventKind::Cut, "call longer than the time limit");
            }
            break;
        }
    }
}

std::string LineWatcher::caller_number(int slot) {
    char digits[VORNIX_DIGITS + 1] = {};
    const int n = SW_ReceiveCID(slot, digits);
    return n > 0 ? std::string(digits, static_cast<size_t>(n)) : std::string();
}

void LineWatcher::start_ring(int slot, const std::string& caller) {
    LineState& l = lines_[slot];
    l.phase = LineState::Phase::Ringing;
    l.since_ms = l.last_ring_ms = clock_.now_ms();
    l.ring_heard = true;
    l.call_start = clock_.wall_now();
    l.incoming = true;
    l.caller = caller;
    emit(CallEventKind::Ring, slot);
    set_led(slot, kLedRinging);
}

void LineWatcher::answer(int slot) {
    LineState& l = lines_[slot];
    if (l.caller.empty()) l.caller = caller_number(slot);
    if (l.phase == LineState::Phase::Idle) l.call_start = clock_.wall_now();  // no ring: dialled out
    l.phase = LineState::Phase::InCall;
    l.since_ms = clock_.now_ms();
    l.fault_reported = false;
    set_led(slot, kLedInCall);
    start_recording(slot);
}

bool LineWatcher::start_recording(int slot) {
    LineState& l = lines_[slot];
    follow_space(space_.check(clock_.now_ms()));
    if (space_.low()) {
        l.recording_ended = CallOutcome::NoSpace;
        emit(CallEventKind::Answered, slot, "not recorded");
        emit(CallEventKind::NoSpace, slot, "not recorded: disk short of space");
        return false;
    }
    const std::string path = unused_recording_path(
        config_.folder, recording_file_name(clock_.wall_now(), slot, l.caller));
    if (SW_StartFileRecord(slot, path.c_str(), kRecordBudget) == 0) {
        l.file = l.call_file = path;
        l.chunks = 0;
        budget_left_ = kRecordBudget;
        emit(CallEventKind::Answered, slot);
        return true;
    }
    emit(CallEventKind::Answered, slot, "not recorded");
    emit(CallEventKind::Fault, slot, "recording could not be started: " + path);
    l.fault_reported = true;
    return false;
}

void LineWatcher::feed(int slot) {
    LineState& l = lines_[slot];
    if (l.file.empty()) return;
    const int left = SW_CheckFileRecordEnd(slot);
    if (left < 0) {
        if (!l.fault_reported) emit(CallEventKind::Fault, slot, "recording poll failed");
        l.fault_reported = true;
        return;
    }
    // The budget is one for all slots, and only this call can have lowered it since the last.
    if (left < budget_left_) {
        ++l.chunks;
        l.last_chunk_ms = clock_.now_ms();
    }
    budget_left_ = left;
}

void LineWatcher::collect_digits(int slot) {
    char digits[VORNIX_DIGITS + 1] = {};
    const int n = SW_ReceiveDTMF(slot, digits);
    if (n <= 0) return;
    LineState& l = lines_[slot];
    const std::string fresh(digits, static_cast<size_t>(n));
    if (l.digits.size() < kMaxDigitsKept) l.digits += fresh;
    emit(CallEventKind::Digits, slot, "+" + fresh);
}

void LineWatcher::hang_up(int slot) {
    LineState& l = lines_[slot];
    l.hung_up_ms = clock_.now_ms();
    l.hung_up_at = clock_.wall_now();
    l.chunks_at_hang_up = l.chunks;
    set_led(slot, kLedOff);
    // The block in progress holds the call's last words: the recording waits for it,
    // unless the chunks have the whole call already, however late its ends were seen.
    if (l.file.empty() || l.chunks * kChunkMs >= l.hung_up_ms - l.since_ms + kHookLagMs) end_call(slot);
}

void LineWatcher::await_last_block(int slot) {
    LineState& l = lines_[slot];
    // A new call on the line ends the wait: its audio belongs in a file of its own.
    const bool new_call = SW_CheckRing(slot) == 1 || SW_CheckOffHook(slot) == 1;
    if (!new_call) feed(slot);
    // One block more than at the hang-up, and the blocks hold the whole call: a loop held
    // up for seconds (a busy machine) finds several blocks waiting, and takes them all.
    // The library hands them over one at a time, some hundreds of ms apart, so the wait
    // lasts while they still come, not from the hang-up.
    const bool whole = l.chunks > l.chunks_at_hang_up && l.chunks * kChunkMs >= l.hung_up_ms - l.since_ms;
    const bool gave_up = clock_.now_ms() - std::max(l.hung_up_ms, l.last_chunk_ms) >= kLastBlockWaitMs;
    if (new_call || whole || gave_up) end_call(slot);
}

void LineWatcher::end_call(int slot) {
    LineState& l = lines_[slot];
    bool confirmed = true;
    l.file = stop_recording(slot, &confirmed);
    emit_hung_up(l, slot, confirmed);
    log_call(l, slot, CallOutcome::Answered);
    set_led(slot, kLedOff);
    reset_line(slot);
}

void LineWatcher::emit_hung_up(const LineState& l, int slot, bool confirmed) {
    std::string note = seconds_text(l.hung_up_ms - l.since_ms);
    if (!confirmed) note += ", box did not confirm the end of the recording";
    emit_for(l, CallEventKind::HungUp, slot, note);
}

void LineWatcher::end_recording_early(int slot, CallOutcome why, CallEventKind kind, const std::string& note) {
    LineState& l = lines_[slot];
    bool confirmed = false;
    l.file = stop_recording(slot, &confirmed);
    l.recording_ended = why;
    emit(kind, slot, note);
    l.file.clear();
}

void LineWatcher::log_call(const LineState& l, int slot, CallOutcome outcome) {
    if (!calls_) return;
    const bool hung_up = l.hung_up_ms >= 0;
    const int64_t now = hung_up ? l.hung_up_ms : clock_.now_ms();
    CallRecord r;
    r.start = l.call_start;
    r.end = hung_up ? l.hung_up_at : clock_.wall_now();
    r.talk_ms = l.phase == LineState::Phase::InCall ? now - l.since_ms : 0;
    r.slot = slot;
    r.serial = l.serial;
    r.incoming = l.incoming;
    r.caller = l.caller;
    r.digits = l.digits;
    // A recording that ended before the call says why the audio is short.
    r.outcome = outcome != CallOutcome::Missed && l.recording_ended ? *l.recording_ended : outcome;
    r.file = l.call_file;
    calls_(r);
}

void LineWatcher::reset_line(int slot) {
    LineState& l = lines_[slot];
    const int serial = l.serial;
    l = LineState{};
    l.serial = serial;
    l.led = kLedOff;
}

std::string LineWatcher::stop_recording(int slot, bool* confirmed) {
    LineState& l = lines_[slot];
    std::string file;
    file.swap(l.file);
    *confirmed = true;
    if (!file.empty()) *confirmed = SW_StopFileRecord(slot) == 0;
    return file;
}

void LineWatcher::finish_all(const std::string& reason) {
    // Every file gets its final header before any row is handed on: when the system
    // ends the process, the recordings matter most and the row writes wait on the disk.
    // A call hung up already ends as it would have, without its last block.
    const int count = static_cast<int>(lines_.size());
    for (int slot = 0; slot < count; ++slot) {
        LineState& l = lines_[slot];
        if (l.file.empty()) continue;
        bool confirmed = false;
        l.file = stop_recording(slot, &confirmed);
        if (l.hung_up_ms >= 0) continue;
        emit(CallEventKind::Cut, slot, reason);
        l.file.clear();
    }
    for (int slot = 0; slot < count; ++slot) {
        LineState& l = lines_[slot];
        if (l.hung_up_ms >= 0) emit_hung_up(l, slot, true);
        if (l.phase != LineState::Phase::Idle)
            log_call(l, slot, l.hung_up_ms >= 0 ? CallOutcome::Answered : CallOutcome::Stopped);
        reset_line(slot);
    }
}

void LineWatcher::set_led(int slot, int mode) {
    LineState& l = lines_[slot];
    if (l.led == mode) return;
    SW_LED(slot, mode);
    l.led = mode;
}

void LineWatcher::emit(CallEventKind kind, int slot, const std::string& note) {
    const bool line = slot >= 0 && slot < static_cast<int>(lines_.size());
    emit_for(line ? lines_[slot] : LineState{}, kind, slot, note);
}

void LineWatcher::emit_for(const LineState& l, CallEventKind kind, int slot, const std::string& note) {
    if (!sink_) return;
    CallEvent e;
    e.kind = kind;
    e.at_ms = clock_.now_ms();
    e.slot = slot;
    e.serial = l.serial;
    e.caller = l.caller;
    e.digits = l.digits;
    e.file = l.file;
    e.note = note;
    sink_(e);
}

}  // namespace host
