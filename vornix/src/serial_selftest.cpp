// Serial code of a box (from its status record) and the self-test, which reads one
// status report directly, past the status cache and the recovery hold-off.
#include "serial_selftest.h"

#include <cstring>

#include "box_handle.h"
#include "command_channel.h"
#include "device_port.h"
#include "library_state.h"
#include "linebox_protocol.h"
#include "refusals.h"
#include "shielded.h"
#include "status_poll.h"

namespace vornix {

namespace {
constexpr int32_t kSerialFirst = 5000, kSerialLast = 5999, kSubstituteSerial = 5301;

enum class DirectRead {
    Failed,    // closed, bad range, no box (slot recovery done), or the read failed
    Rejected,  // the box refused the request: nothing was read, no recovery
    Read,      // the buffer holds what the box delivered, zeros behind it
};

// Direct status read: no hold-off guard, no poll counter, buffer cleared first, a
// read of zero bytes accepted, no full recovery after a failed read.
DirectRead direct_status_read(int slot, uint32_t offset, uint8_t* buffer, uint32_t length) {
    if (refuse_closed()) return DirectRead::Failed;
    if (refuse_bad_argument(!read_range_ok(static_cast<int32_t>(offset), static_cast<int32_t>(length))))
        return DirectRead::Failed;
    BoxHandle box(slot);
    if (!box.ok()) {
        slot_recovery(slot);
        return DirectRead::Failed;
    }
    const uint32_t word = read_request_word(offset, length);
    if (!port::control(box.get(), IOCTL_LINEBOX_READ_STATUS, &word, sizeof word)) return DirectRead::Rejected;
    std::memset(buffer, 0, length);
    uint32_t got = 0;
    return port::read(box.get(), buffer, length, &got) ? DirectRead::Read : DirectRead::Failed;
}
}  // namespace

vx_bool read_serial(int slot, unsigned char* code2) {
    if (refuse_bad_slot(slot) || refuse_bad_argument(!code2)) return 0;
    if (cached_status_query(slot) == StatusAnswer::Failed) return 0;
    const StatusRecord& r = lib().slots.status[slot];
    lib().slots.last_serial[slot] = r[kSerialHigh] * 256 + r[kSerialLow];
    code2[0] = r[kSerialHigh];
    code2[1] = r[kSerialLow];
    return 1;
}

int serial_number(int slot) {
    if (refuse_closed()) return -1;
    if (refuse_bad_slot(slot)) return -1;
    if (!read_serial(slot, lib().small_scratch.data())) return kSubstituteSerial;
    const int32_t code = lib().slots.last_serial[slot];
    return code >= kSerialFirst && code <= kSerialLast ? code : kSubstituteSerial;
}

vx_bool self_test(int slot) {
    if (refuse_bad_slot(slot)) return 0;
    return shielded<vx_bool>(0, [&]() -> vx_bool {
        uint8_t* buffer = lib().scratch.read_buffer.data();
        // A rejected request read nothing: the buffer holds another read's bytes, often
        // another box's report, which must not become this slot's record.
        if (direct_status_read(slot, 0, buffer, kStatusReportSize) != DirectRead::Read) return 0;
        StatusRecord& record = lib().slots.status[slot];
        std::memcpy(record.data(), buffer + payload_offset(buffer, kStatusReportSize), kStatusRecordSize);
        return record_is_valid(record) ? 1 : 0;
    });
}

}  // namespace vornix
