// Status reports of any content, fed through the simulated bus into every status
// query, the caller-ID, DTMF and serial exports and the self-test.
//
// Input: one byte L, a script of L one-byte steps, then two 576-byte status reports
// for the boxes at slots 0 and 1 (missing bytes are zero, a missing second report
// repeats the first). A step's low five bits pick an export (or a change to a report
// or to the next read), bit 5 the slot, bits 6-7 how far the clock moves first.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "library_state.h"
#include "linebox_protocol.h"
#include "sim_bus.h"
#include "vornix.h"

namespace {

namespace sim = vornix::sim;
constexpr size_t kReport = vornix::kStatusReportSize;
constexpr int32_t kClockSteps[4] = {0, 100, 601, 1100};  // same window, cache expired, hold-off over

#define FUZZ_CHECK(cond)   \
    do {                   \
        if (!(cond)) abort(); \
    } while (0)

class Script {
public:
    Script(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}
    bool more() const { return p_ < end_; }
    uint8_t byte() { return p_ < end_ ? *p_++ : 0; }

private:
    const uint8_t* p_;
    const uint8_t* end_;
};

char caller_id_digit(uint8_t code) {
    uint8_t c = 0;
    for (int bit = 0; bit < 8; ++bit) c = static_cast<uint8_t>(c | (((code >> bit) & 1u) << (7 - bit)));
    return c >= '0' && c <= '9' ? static_cast<char>(c) : 0;
}

char dtmf_digit(uint8_t code) { return code < 16 ? "D1234567890*#ABC"[code] : 0; }

// Decoded digits of 16 codes as the library must give them.
int expected_digits(const uint8_t* codes, char (*decode)(uint8_t), char* out) {
    int n = 0;
    while (n < 16 && decode(codes[n])) {
        out[n] = decode(codes[n]);
        ++n;
    }
    return n;
}

void check_answer(int r) { FUZZ_CHECK(r >= -1 && r <= 1); }

void check_text(const char* text, const char* alphabet) {
    FUZZ_CHECK(text != nullptr);
    const size_t n = std::strlen(text);
    FUZZ_CHECK(n <= 16);
    for (size_t i = 0; i < n; ++i) FUZZ_CHECK(std::strchr(alphabet, text[i]) != nullptr);
}

// Raw codes, then the decoded digits from the same status record: both must agree
// with the rule the codes are written in.
void check_digits(int slot, vx_bool (*raw)(int, int, unsigned char*, int), int (*receive)(int, char*),
                  char (*decode)(uint8_t)) {
    unsigned char codes[16];
    if (raw(slot, 0, codes, 0) != 1) return;
    char got[17] = {}, want[16];
    const int n = receive(slot, got);  // same clock: answered from the same record
    if (vornix::lib().open == 0) {
        FUZZ_CHECK(n == -1);
        return;
    }
    FUZZ_CHECK(n == expected_digits(codes, decode, want));
    FUZZ_CHECK(std::memcmp(got, want, static_cast<size_t>(n)) == 0);
    if (n < 16) FUZZ_CHECK(got[n] == 0);
}

void step(Script& s, int box_ids[2]) {
    const uint8_t op = s.byte();
    const int slot = (op >> 5) & 1;
    sim::bus().advance(kClockSteps[op >> 6]);
    unsigned char out[kReport] = {};
    char digits[17] = {};
    switch (op & 31) {
        case 0: check_answer(SW_CheckRing(slot)); break;
        case 1: check_answer(SW_CheckDisconnect(slot)); break;
        case 2: check_answer(SW_CheckOffHook(slot)); break;
        case 3: check_answer(SW_CheckRecEnd(slot)); break;
        case 4: FUZZ_CHECK(SW_OffHook(slot, out) <= 1); break;
        case 5: FUZZ_CHECK(SW_RecEnd(slot, out) <= 1); break;
        case 6: check_digits(slot, SW_GetCID, SW_ReceiveCID, caller_id_digit); break;
        case 7: check_digits(slot, SW_GetDTMF, SW_ReceiveDTMF, dtmf_digit); break;
        case 8: check_text(SW_GetStrCID(slot), "0123456789"); break;
        case 9: check_text(SW_GetStrDTMF(slot), "0123456789*#ABCD"); break;
        case 10: {
            const int n = SW_ReceiveCID(slot, digits);
            FUZZ_CHECK(n >= -1 && n <= 16);
            break;
        }
        case 11: {
            const int n = SW_ReceiveDTMF(slot, digits);
            FUZZ_CHECK(n >= -1 && n <= 16);
            break;
        }
        case 12: {
            unsigned char code[2];
            if (SW_SN(slot, code) == 1) {
                const int serial = code[0] * 256 + code[1];
                const int want = serial >= 5000 && serial <= 5999 ? serial : 5301;
                FUZZ_CHECK(SW_GetSN(slot) == (vornix::lib().open ? want : -1));  // same record, same clock
            }
            break;
        }
        case 13: {
            const int sn = SW_GetSN(slot);
            FUZZ_CHECK(sn == -1 || sn == 5301 || (sn >= 5000 && sn <= 5999));
            break;
        }
        case 14: FUZZ_CHECK(SW_test(slot, 0) <= 1); break;
        case 15: {
            // The host's own status poll, with an offset and length of the script's choosing.
            static unsigned char host_buffer[1024];
            const int offset = s.byte() * 4;
            const int length = 1 + s.byte() * 4;  // the host's buffer holds what it asks for
            FUZZ_CHECK(SW_Record1(slot, offset, host_buffer, length) <= 1);
            break;
        }
        case 16: {  // the box reports something else from now on
            const size_t at = (static_cast<size_t>(s.byte()) << 8 | s.byte()) % kReport;
            sim::bus().box(box_ids[slot]).status_report[at] = s.byte();
            break;
        }
        case 17: {  // the next read delivers only part of the report
            sim::bus().box(box_ids[slot]).short_read_bytes = 1 + s.byte() * 3u;
            sim::bus().set_fault(box_ids[slot], sim::Fault::ReadShort, vornix::IOCTL_LINEBOX_READ_STATUS, 1);
            break;
        }
        case 18: sim::bus().set_fault(box_ids[slot], sim::Fault::ReadEmpty, vornix::IOCTL_LINEBOX_READ_STATUS, 1); break;
        case 19: sim::bus().set_fault(box_ids[slot], sim::Fault::RequestRejected, 0, 1); break;
        case 20: SW_Free(); break;
        case 21: SW_Init(); break;
        default: FUZZ_CHECK(SW_GetCount() >= -1); break;
    }
    FUZZ_CHECK(sim::bus().counters().open_handles == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const size_t script_size = std::min<size_t>(data[0], size - 1);
    Script script(data + 1, script_size);
    const uint8_t* reports = data + 1 + script_size;
    const size_t reports_size = size - 1 - script_size;

    vornix::reload_for_tests();
    sim::bus().reset();
    int box_ids[2];
    for (size_t i = 0; i < 2; ++i) {
        box_ids[i] = sim::bus().plug_silently();
        std::array<uint8_t, kReport> report{};
        const size_t from = reports_size > kReport * i ? kReport * i : 0;
        std::memcpy(report.data(), reports + from, std::min(kReport, reports_size - from));
        sim::bus().set_status_report(box_ids[i], report);
    }
    SW_Init();
    while (script.more()) step(script, box_ids);
    SW_Free();
    return 0;
}
