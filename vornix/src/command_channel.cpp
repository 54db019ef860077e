#include "command_channel.h"

#include "clock_age.h"
#include "library_state.h"
#include "linebox_ioctl.h"
#include "port.h"

namespace vornix {

namespace {
constexpr int32_t kMsPerSecond = 1000;
constexpr uint64_t kReadWindow = 65536;  // offset + length of a read request

// Closes the box on every way out of a command.
class BoxHandle {
public:
    explicit BoxHandle(int slot) : h_(port::open_box(slot, nullptr)) {}
    ~BoxHandle() {
        if (h_ != port::kInvalidHandle) port::close(h_);
    }
    BoxHandle(const BoxHandle&) = delete;
    BoxHandle& operator=(const BoxHandle&) = delete;
    bool ok() const { return h_ != port::kInvalidHandle; }
    port::Handle get() const { return h_; }

private:
    port::Handle h_;
};
}  // namespace

bool holding_off() {
    Library& l = lib();
    if (l.normal == 1) return false;
    // Held off while strictly less than the hold-off length has passed.
    const int32_t elapsed = clock_age(l.holdoff_start);
    if (elapsed >= 0 && elapsed < l.holdoff_length) return true;
    l.normal = 1;
    return false;
}

void start_holdoff() {
    Library& l = lib();
    l.holdoff_length = l.holdoff_seconds * kMsPerSecond;
    l.holdoff_start = port::clock_ms();
    l.normal = 0;
}

void slot_recovery(int slot) {
    Library& l = lib();
    l.holdoff_length = l.holdoff_seconds * kMsPerSecond;
    SW_USBInit(slot);
    // Restart from now, so one full hold-off follows the re-initialisation.
    l.holdoff_start = port::clock_ms();
    l.normal = 0;
}

void full_recovery() {
    Library& l = lib();
    l.holdoff_length = l.holdoff_seconds * kMsPerSecond;
    const int count = slots_of(SW_GetCount());
    for (int s = 0; s < count; ++s) SW_USBInit(s);
    l.holdoff_start = port::clock_ms();
    l.normal = 0;
}

bool plain_command(int slot, uint32_t code) {
    bool rejected = false;
    {
        BoxHandle box(slot);
        if (!box.ok()) {
            slot_recovery(slot);
            return false;
        }
        rejected = !port::control(box.get(), code, nullptr, 0);
    }
    if (rejected) slot_recovery(slot);
    return true;
}

ReadOutcome read_request(int slot, uint32_t code, uint32_t offset, uint8_t* buffer,
                         uint32_t length, uint32_t* got) {
    *got = 0;
    bool read_failed = false;
    {
        BoxHandle box(slot);
        if (!box.ok()) {
            slot_recovery(slot);
            return ReadOutcome::NoBox;
        }
        const uint32_t word = read_request_word(offset, length);
        if (!port::control(box.get(), code, &word, sizeof word)) return ReadOutcome::Rejected;
        read_failed = !port::read(box.get(), buffer, length, got) || *got == 0;
    }
    if (read_failed) {
        *got = 0;
        full_recovery();
        return ReadOutcome::ReadFailed;
    }
    return ReadOutcome::Data;
}

bool read_range_ok(int32_t offset, int32_t length) {
    // Widened, so that offsets and lengths near 2^32 cannot wrap past the check.
    return static_cast<uint64_t>(static_cast<uint32_t>(offset)) +
               static_cast<uint64_t>(static_cast<uint32_t>(length)) <=
           kReadWindow;
}

}  // namespace vornix
