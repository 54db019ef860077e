// The simulated line-box bus: line boxes that can be plugged and pulled, scripted
// status reports and audio, fault injection, a virtual clock and call counters.
//
// Platform-neutral C++. The native build puts it under the library through
// sim_device_port.cpp; the Windows test host puts it under the real vornix.dll by
// redirecting the DLL's device imports to it. Tests drive it through bus().
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "../../src/linebox_protocol.h"
#include "../../src/system_port.h"

namespace vornix::sim {

constexpr int kMaxBoxes = 64;

using Handle = intptr_t;
constexpr Handle kInvalidHandle = -1;

// What a box does wrong. Faults are set per box and per control code (0 = any code).
enum class Fault {
    None,
    OpenFails,        // interface present, but the box cannot be opened
    RequestRejected,  // the control request fails
    ReadFails,        // the read after a read request fails
    ReadEmpty,        // the read after a read request delivers 0 bytes
    ReadShort,        // the read delivers fewer bytes than asked (short_read_bytes)
};

// A 64-byte status record as the box reports it, with named fields.
struct StatusRecord {
    std::array<uint8_t, kStatusRecordSize> bytes{};

    // A valid record: no caller-ID or DTMF digits, all flags clear, validity marker.
    static StatusRecord valid();
    StatusRecord& caller_id_codes(const std::vector<uint8_t>& codes);  // unused positions empty
    StatusRecord& caller_id(const std::string& digits);                // encoded '0'..'9'
    StatusRecord& dtmf_codes(const std::vector<uint8_t>& codes);       // unused positions empty
    StatusRecord& dtmf(const std::string& digits);                     // '0'-'9','*','#','A'-'D'
    StatusRecord& flag(size_t at, bool on);  // any flag field of the record
    StatusRecord& off_hook(bool on) { return flag(kOffHookFlag, on); }
    StatusRecord& record_end(bool on) { return flag(kRecordEndFlag, on); }
    StatusRecord& disconnected(bool on) { return flag(kDisconnectFlag, on); }
    StatusRecord& ringing(bool on) { return flag(kRingFlag, on); }
    StatusRecord& serial(uint16_t code);  // big-endian
    StatusRecord& invalid();              // clears the validity marker
};

// Builds a status report holding `record` behind the offset marker, or at the plain
// position without it.
std::array<uint8_t, kStatusReportSize> make_status_report(const StatusRecord& record,
                                                          bool offset_marker);

// Produces the audio block for one audio read: fills `size` bytes of `block` for a
// read request of (offset, size). `read_index` counts the box's audio reads from 0.
using AudioSource = std::function<void(uint8_t* block, uint32_t offset, uint32_t size,
                                       uint64_t read_index)>;

struct BoxCounters {
    int opens = 0;                       // successful opens
    int reads = 0;                       // ReadFile-equivalent calls
    std::map<uint32_t, int> requests;    // control requests per code (accepted or not)
};

struct Counters {
    int open_attempts = 0;     // interface enumerations (one per open attempt)
    int opens = 0;             // successful opens, all boxes
    int reads = 0;             // reads, all boxes
    int open_handles = 0;      // handles open right now
    std::map<uint32_t, int> requests;  // control requests per code, all boxes
    int requests_for(uint32_t code) const;
};

// One box on the bus. Tests reach it by the id that plug() returned.
struct Box {
    int id = 0;
    std::string path;
    bool openable = true;
    std::array<uint8_t, kStatusReportSize> status_report{};
    AudioSource audio;                       // null: the audio block is all 0x80
    uint64_t audio_reads = 0;
    uint32_t short_read_bytes = 1;           // bytes delivered under Fault::ReadShort
    std::map<uint32_t, std::pair<Fault, int>> faults;  // code -> (fault, times left; -1 forever)
    BoxCounters counters;
    // Read request word of the last accepted request per code (0 for plain commands).
    std::map<uint32_t, uint32_t> last_word;
};

class Bus {
public:
    // Back to an empty bus: no boxes, counters 0, clock 0, not NT 5.1, no faults.
    // The change listener stays.
    void reset();

    // --- boxes -------------------------------------------------------------------
    // Plugs a box in at the end of the present interfaces and announces the arrival.
    // Its status report starts as a valid record without offset marker.
    int plug(const std::string& path = "");
    // Pulls a box out (later boxes move up one position) and announces the removal.
    void unplug(int box_id);
    // Plug/unplug without a device-change broadcast (as when the window is gone).
    int plug_silently(const std::string& path = "");
    void unplug_silently(int box_id);
    Box& box(int box_id);
    int present_count() const;
    // Id of the box at a slot position right now, or -1.
    int box_at(int slot) const;

    // --- content -----------------------------------------------------------------
    void set_status(int box_id, const StatusRecord& record, bool offset_marker = false);
    void set_status_report(int box_id, const std::array<uint8_t, kStatusReportSize>& report);
    void set_audio(int box_id, AudioSource source);

    // --- faults ------------------------------------------------------------------
    // code 0 applies to every control code; times -1 = until cleared.
    void set_fault(int box_id, Fault fault, uint32_t code = 0, int times = -1);
    void clear_faults(int box_id);

    // --- platform ----------------------------------------------------------------
    int32_t now() const { return clock_; }
    void advance(int32_t ms) { clock_ = static_cast<int32_t>(static_cast<uint32_t>(clock_) + static_cast<uint32_t>(ms)); }
    void set_clock(int32_t ms) { clock_ = ms; }
    bool nt51() const { return nt51_; }
    void set_nt51(bool on) { nt51_ = on; }

    // --- counters ----------------------------------------------------------------
    const Counters& counters() const { return counters_; }
    void reset_counters();

    // --- hot-plug events ---------------------------------------------------------------
    // Receives (event, interface path) for every plug/unplug; the backend hands it to
    // the notification window. deliver_change() announces a change without one.
    using ChangeListener = std::function<void(vornix::port::HotplugEvent event, const std::string& path)>;
    void set_change_listener(ChangeListener listener) { listener_ = std::move(listener); }
    void deliver_change(vornix::port::HotplugEvent event, const std::string& path = "");

    // --- the device side, as the backends use it -----------------------------------------
    // Finds the interface at `slot` (false past the end) and gives its path.
    bool interface_at(int slot, std::string* path);
    // Opens the box at `slot`; kInvalidHandle when absent or unopenable. Counts an
    // open attempt either way. `path` (optional) receives the interface path when
    // the interface exists, also when the box cannot be opened.
    Handle open(int slot, std::string* path = nullptr);
    bool control(Handle h, uint32_t code, const void* in, uint32_t in_size);
    bool read(Handle h, void* buffer, uint32_t size, uint32_t* got);
    void close(Handle h);
    bool is_sim_handle(Handle h) const;

private:
    struct OpenHandle {
        int box_id;
        uint32_t pending_code = 0;   // last accepted read request
        uint32_t pending_word = 0;
    };
    Fault take_fault(Box& b, uint32_t code);

    std::vector<Box> boxes_;   // present interfaces, in slot order
    int next_id_ = 1;
    int32_t clock_ = 0;
    bool nt51_ = false;
    Counters counters_;
    std::map<Handle, OpenHandle> handles_;
    Handle next_handle_ = 0x7E000000;  // far from real handle values
    ChangeListener listener_;
    std::array<uint8_t, 65536> audio_scratch_{};  // one audio block, no allocation per read
};

// The bus under the library in this process.
Bus& bus();

}  // namespace vornix::sim
