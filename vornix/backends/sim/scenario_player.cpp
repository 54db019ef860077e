#include "scenario_player.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "linebox_protocol.h"

namespace vornix::sim {

namespace {


constexpr int64_t kBlockEveryMs = 2048;        // 16,384 samples at 8000 per second
constexpr uint32_t kChunkBytes = vornix::kAudioChunkSize;
constexpr int kFirstSerial = 5001;             // boxes without a serial in the scenario
constexpr int64_t kSettleMs = 2000;            // time for the host to notice the last line

int status_reads(const Box& b) {
    auto it = b.counters.requests.find(vornix::IOCTL_LINEBOX_READ_STATUS);
    return it == b.counters.requests.end() ? 0 : it->second;
}

}  // namespace

ScenarioPlayer::ScenarioPlayer(Bus& bus, Scenario scenario)
    : bus_(bus), scenario_(std::move(scenario)), next_serial_(kFirstSerial),
      explicit_end_(false) {
    audio_.resize(scenario_.actions.size());
    for (size_t i = 0; i < scenario_.actions.size(); ++i) {
        const Action& a = scenario_.actions[i];
        if (a.kind != ActionKind::Audio) continue;
        switch (a.audio) {
            case AudioKind::Silence: audio_[i] = silence(); break;
            case AudioKind::Tone: audio_[i] = tone(a.tone_hz); break;
            case AudioKind::Wav:
                try {
                    audio_[i] = wav_file(a.text);
                } catch (const std::exception& e) {
                    throw ScenarioError(scenario_.origin + ":" + std::to_string(a.line) + ": " + e.what());
                }
                break;
        }
    }
    explicit_end_ = scenario_.actions.empty() || scenario_.end_ms > scenario_.actions.back().at_ms;
}

ScenarioPlayer::~ScenarioPlayer() {
    for (auto& [name, b] : boxes_) {
        if (b.bus_id < 0) continue;
        try {
            bus_.set_audio(b.bus_id, nullptr);
        } catch (const std::out_of_range&) {
            // The box left the bus another way (a reset); it has no feed to take.
        }
    }
}

bool ScenarioPlayer::over() const {
    if (next_ < scenario_.actions.size()) return false;
    return now_ms_ >= scenario_.end_ms + (explicit_end_ ? 0 : kSettleMs);
}

int ScenarioPlayer::bus_id(const std::string& box) const {
    auto it = boxes_.find(box);
    return it == boxes_.end() ? -1 : it->second.bus_id;
}

void ScenarioPlayer::start() {
    if (scenario_.clock_at_start_ms) bus_.set_clock(static_cast<int32_t>(*scenario_.clock_at_start_ms));
    play_due();
}

void ScenarioPlayer::advance(int32_t ms) {
    const int64_t target = now_ms_ + ms;
    // Each line plays at its own time, also inside one long step: a hang-up ends the
    // call audio where the scenario says, however seldom the host looks.
    while (next_ < scenario_.actions.size() && scenario_.actions[next_].at_ms < target) {
        move_to(scenario_.actions[next_].at_ms);
        play_due();
    }
    move_to(target);
    play_due();
}

void ScenarioPlayer::move_to(int64_t t) {
    if (t <= now_ms_) return;
    const auto ms = static_cast<int32_t>(t - now_ms_);
    bus_.advance(ms);
    now_ms_ = t;
    for (auto& [name, b] : boxes_)
        if (b.bus_id >= 0) refresh(b, ms);
}

void ScenarioPlayer::play_due() {
    while (next_ < scenario_.actions.size() && scenario_.actions[next_].at_ms <= now_ms_) apply(next_++);
}

void ScenarioPlayer::plug(SimBox& b, const Action& a) {
    if (b.serial == 0) b.serial = a.serial ? a.serial : next_serial_++;
    else if (a.serial) b.serial = a.serial;
    b.offset_marker = a.offset_marker;
    b.bus_id = bus_.plug();
    b.reads_seen = 0;
    SimBox* self = &b;
    bus_.set_audio(b.bus_id, [this, self](uint8_t* block, uint32_t, uint32_t size, uint64_t) {
        fill_block(*self, block, size);
    });
}

void ScenarioPlayer::apply(size_t index) {
    const Action& a = scenario_.actions[index];
    SimBox& b = boxes_[a.box];
    switch (a.kind) {
        case ActionKind::Plug: plug(b, a); break;
        case ActionKind::Unplug: {
            const int id = b.bus_id;
            SimBox kept;
            kept.serial = b.serial;
            kept.offset_marker = b.offset_marker;
            kept.audio = b.audio;
            b = kept;
            bus_.unplug(id);
            return;
        }
        case ActionKind::Ring:
            b.ringing = true;
            b.caller = a.text;
            break;
        case ActionKind::OffHook:
            b.ringing = false;
            b.off_hook = true;
            b.call_ms = 0;
            b.finishing = false;
            b.blocks_made = b.blocks_pending = 0;
            b.blocks_sent = 0;
            break;
        case ActionKind::HangUp:
            // A block already reported ready stays readable; the one in progress is
            // completed, as a real box completes it, and reported ready 2.048 s after
            // it began.
            b.finishing = b.off_hook && b.call_ms % kBlockEveryMs != 0;
            b.ringing = b.off_hook = false;
            b.caller.clear();
            break;
        case ActionKind::Dtmf:
            b.dtmf = a.text;
            b.dtmf_reads_mark = status_reads(bus_.box(b.bus_id));
            break;
        case ActionKind::Audio: b.audio = audio_[index]; break;
        case ActionKind::Fault:
            switch (a.fault) {
                case FaultKind::RejectNext: bus_.set_fault(b.bus_id, Fault::RequestRejected, 0, 1); break;
                case FaultKind::ReadFailsNext: bus_.set_fault(b.bus_id, Fault::ReadFails, 0, 1); break;
                case FaultKind::ReadEmptyNext: bus_.set_fault(b.bus_id, Fault::ReadEmpty, 0, 1); break;
                case FaultKind::OpenFailsNext: bus_.set_fault(b.bus_id, Fault::OpenFails, 0, 1); break;
                case FaultKind::Clear: bus_.clear_faults(b.bus_id); break;
            }
            break;
        case ActionKind::End: break;
    }
    refresh(b, 0);
}

void ScenarioPlayer::refresh(SimBox& b, int32_t elapsed_ms) {
    Box& box = bus_.box(b.bus_id);
    // Blocks fetched since the last look are no longer pending.
    const uint64_t reads = box.audio_reads - b.reads_seen;
    b.reads_seen = box.audio_reads;
    b.blocks_pending -= std::min<int64_t>(b.blocks_pending, static_cast<int64_t>(reads));
    if (b.off_hook || b.finishing) {
        b.call_ms += elapsed_ms;
        while (b.call_ms >= (b.blocks_made + 1) * kBlockEveryMs) {
            ++b.blocks_made;
            ++b.blocks_pending;
            if (b.finishing) {
                b.finishing = false;
                break;
            }
        }
    }
    // Digits are reported until one status read has fetched them.
    if (!b.dtmf.empty() && status_reads(box) > b.dtmf_reads_mark) b.dtmf.clear();

    StatusRecord r = StatusRecord::valid();
    r.serial(static_cast<uint16_t>(b.serial))
        .ringing(b.ringing)
        .off_hook(b.off_hook)
        .disconnected(!b.off_hook && !b.ringing)
        .record_end(b.blocks_pending > 0);
    if (b.ringing) r.caller_id(b.caller);
    if (!b.dtmf.empty()) r.dtmf(b.dtmf);
    bus_.set_status(b.bus_id, r, b.offset_marker);
}

void ScenarioPlayer::fill_block(SimBox& b, uint8_t* block, uint32_t size) {
    const uint32_t at = b.offset_marker ? kPayloadAtBehindMarker : kPayloadAt;
    if (size < at) return;
    const uint64_t first = b.blocks_sent * kChunkBytes;
    ++b.blocks_sent;
    const uint32_t n = std::min(kChunkBytes, size - at);
    for (uint32_t i = 0; i < n; ++i) block[at + i] = b.audio ? b.audio->sample(first + i) : kSilentSample;
    if (b.offset_marker) {
        std::memset(block + kMarkerAt, kMarkerChar, kMarkerLength);
    } else if (payload_offset(block, size) != kPayloadAt) {
        // Without the marker the chunk itself covers the marker bytes; five '+' samples
        // there would read as the marker, so the box nudges one of them.
        block[kMarkerAt] = kMarkerChar + 1;
    }
}

}  // namespace vornix::sim
