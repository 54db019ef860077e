// Fetching blocks of line audio (SW_Record) and the silence test built on it.
#include "audio_capture.h"

#include <cstdlib>

#include "clock_age.h"
#include "command_channel.h"
#include "device_port.h"
#include "library_state.h"
#include "linebox_protocol.h"
#include "refusals.h"
#include "shielded.h"

namespace vornix {

namespace {
constexpr int32_t kAudioGuardMs = 200;
constexpr int kSilenceBlock = 2048;
constexpr int kSmallDifference = 4;    // neighbouring samples closer than this are quiet
constexpr int kQuietPairsForSilence = 1500;  // more than this many quiet pairs is silence
}  // namespace

vx_bool record_audio(int slot, int offset, unsigned char* buffer, int length, Delivery* delivered) {
    Delivery sink;
    Delivery& out = delivered ? *delivered : sink;
    out = Delivery::Nothing;
    if (holding_off()) return 1;
    // The slot indexes the audio guard before the open flag's turn comes; a closed
    // library still answers "not open" first, as every export does.
    if (refuse_bad_slot(slot)) return 0;
    SlotTables& t = lib().slots;
    const int32_t now = port::clock_ms();
    if (t.audio_guard_flag[slot] == 1) {
        if (within_ms(t.audio_guard_stamp[slot], kAudioGuardMs)) return 1;
        t.audio_guard_flag[slot] = 0;
    }
    t.audio_guard_flag[slot] = 1;
    t.audio_guard_stamp[slot] = now;
    return shielded<vx_bool>(0, [&]() -> vx_bool {
        if (refuse_closed()) return 0;
        if (refuse_bad_argument(!read_range_ok(offset, length) || !buffer)) return 0;
        const uint32_t len = static_cast<uint32_t>(length);
        uint32_t got = 0;
        switch (read_request(slot, IOCTL_LINEBOX_READ_AUDIO, static_cast<uint32_t>(offset), buffer, len, &got)) {
            case ReadOutcome::NoBox: return 0;
            case ReadOutcome::Rejected:
            case ReadOutcome::ReadFailed: return 1;
            case ReadOutcome::Data: break;
        }
        out = got >= len ? Delivery::Full : Delivery::Short;
        return 1;
    });
}

int check_silence(int slot) {
    if (refuse_closed()) return VORNIX_SILENCE_UNKNOWN;
    if (refuse_bad_slot(slot)) return VORNIX_SILENCE_UNKNOWN;
    if (!line_command(slot, IOCTL_LINEBOX_RECONNECT)) return VORNIX_SILENCE_UNKNOWN;
    uint8_t* block = lib().scratch.read_buffer.data();
    Delivery delivered = Delivery::Nothing;
    if (!record_audio(slot, 0, block, kSilenceBlock, &delivered)) return VORNIX_SILENCE_UNKNOWN;
    SlotTables& t = lib().slots;
    // Without a fresh block the buffer holds whatever the last read of any slot or
    // status poll left there; the slot's last real answer stands instead.
    if (delivered != Delivery::Full) return t.silence_known[slot] ? t.silence_answer[slot] : VORNIX_SILENCE_UNKNOWN;
    int quiet = 0;
    for (int i = 0; i + 1 < kSilenceBlock; ++i)
        if (std::abs(static_cast<int>(block[i]) - static_cast<int>(block[i + 1])) < kSmallDifference) ++quiet;
    t.silence_known[slot] = 1;
    t.silence_answer[slot] = quiet > kQuietPairsForSilence ? VORNIX_SILENT : VORNIX_NOT_SILENT;
    return t.silence_answer[slot];
}

}  // namespace vornix
