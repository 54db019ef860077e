// Status polling, the status cache and the line-state queries.
#include "status_poll.h"

#include <cstring>

#include "clock_age.h"
#include "command_channel.h"
#include "device_port.h"
#include "linebox_protocol.h"
#include "refusals.h"
#include "shielded.h"

namespace vornix {

namespace {
constexpr int32_t kCacheMs = 600;
constexpr int32_t kPollsBeforeInit = 100;  // every 101st poll re-initialises the box

// Installs the record found in a status report of which `length` bytes were
// delivered. A report too short to hold the record leaves the status record as it
// is: the bytes behind a short read are whatever the buffer held before, often
// another box's report.
void install_record(int slot, const uint8_t* report, uint32_t length) {
    const size_t at = payload_offset(report, length);
    if (at + kStatusRecordSize > length) return;
    SlotTables& t = lib().slots;
    std::memcpy(t.status[slot].data(), report + at, kStatusRecordSize);
    if (record_is_valid(t.status[slot])) t.saved_status[slot] = t.status[slot];
    else t.status[slot] = t.saved_status[slot];
}
}  // namespace

bool record_is_valid(const StatusRecord& record) {
    for (size_t i = kValidityMarker; i < kValidityMarker + kValidityLength; ++i)
        if (record[i] != kValidityChar) return false;
    return true;
}

vx_bool status_poll(int slot, int offset, unsigned char* buffer, int length) {
    if (holding_off()) return 1;
    return shielded<vx_bool>(0, [&]() -> vx_bool {
        if (refuse_closed()) return 0;
        if (refuse_bad_argument(!read_range_ok(offset, length) || !buffer) || refuse_bad_slot(slot)) return 0;
        SlotTables& t = lib().slots;
        if (++t.poll_counter[slot] > kPollsBeforeInit) {
            reinit_box(slot);
            t.poll_counter[slot] = 0;
        }
        uint32_t got = 0;
        const uint32_t len = static_cast<uint32_t>(length);
        switch (read_request(slot, IOCTL_LINEBOX_READ_STATUS, static_cast<uint32_t>(offset), buffer, len, &got)) {
            case ReadOutcome::NoBox: return 0;
            case ReadOutcome::Rejected:
            case ReadOutcome::ReadFailed: return 1;
            case ReadOutcome::Data: break;
        }
        install_record(slot, buffer, got);
        return 1;
    });
}

StatusAnswer cached_status_query(int slot) {
    SlotTables& t = lib().slots;
    if (t.cache_flag[slot] == 1 && within_ms(t.cache_stamp[slot], kCacheMs)) return StatusAnswer::FromCache;
    t.cache_flag[slot] = 1;
    t.cache_stamp[slot] = port::clock_ms();
    const vx_bool polled = status_poll(slot, 0, lib().scratch.read_buffer.data(), static_cast<int>(kStatusReportSize));
    return polled ? StatusAnswer::FromPoll : StatusAnswer::Failed;
}

vx_bool read_flag(int slot, unsigned char* out, size_t flag) {
    if (refuse_bad_slot(slot) || refuse_bad_argument(!out)) return 0;
    if (cached_status_query(slot) == StatusAnswer::Failed) return 0;
    *out = lib().slots.status[slot][flag];
    return 1;
}

int check_flag(int slot, size_t flag) {
    if (refuse_closed()) return -1;
    unsigned char* byte = lib().small_scratch.data();
    if (!read_flag(slot, byte, flag)) return -1;
    return *byte == kFlagSet ? 1 : 0;
}

int check_ring(int slot) {
    if (refuse_closed()) return -1;
    if (refuse_bad_slot(slot)) return -1;
    if (cached_status_query(slot) == StatusAnswer::Failed) return -1;
    const uint8_t ring = lib().slots.status[slot][kRingFlag];
    lib().scratch.result_text[0] = static_cast<char>(ring);
    return ring == kFlagSet ? 1 : 0;
}

int check_disconnect(int slot) {
    if (refuse_closed()) return -1;
    if (refuse_bad_slot(slot)) return -1;
    const StatusAnswer answer = cached_status_query(slot);
    if (answer == StatusAnswer::Failed) return -1;
    SlotTables& t = lib().slots;
    const uint8_t flag = t.status[slot][kDisconnectFlag];
    lib().scratch.result_text[0] = static_cast<char>(flag);
    if (answer == StatusAnswer::FromCache) return flag == kFlagSet ? 1 : 0;
    // A fresh poll updates the last definite answer; an unknown byte repeats it.
    if (flag == kFlagSet) t.last_disconnect[slot] = 1;
    else if (flag == kFlagClear) t.last_disconnect[slot] = 0;
    return t.last_disconnect[slot];
}

}  // namespace vornix
