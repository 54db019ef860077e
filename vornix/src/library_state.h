// The library's single application object and its library-wide tables. All state is
// plain shared memory: the host calls from one thread at a time.
#pragma once
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "device_port.h"
#include "linebox_protocol.h"
#include "vornix.h"

namespace vornix {

constexpr int kSlots = VORNIX_SLOTS;
constexpr size_t kResultTextSize = 64;
constexpr size_t kReadBufferSize = kAudioBlockSize;  // the device read buffer holds one block
constexpr size_t kSmallScratchSize = 64;
constexpr size_t kWavHeaderSize = 58;
constexpr size_t kPathBlock = 10;  // the device path list grows by this many records

constexpr uint32_t kErrorNotOpen = VORNIX_ERROR_NOT_OPEN;
constexpr uint32_t kErrorBadArgument = VORNIX_ERROR_BAD_ARGUMENT;

// Device-change callback: (context, 3 arrival / 4 removal, 0).
using DeviceChangeCallback = int(VORNIX_CALL*)(uint32_t context, uint32_t event, uint32_t zero);

using PathRecord = std::array<char, port::kPathRecordSize>;
using StatusRecord = std::array<uint8_t, kStatusRecordSize>;

// Per-slot tables, indexed by device slot.
struct SlotTables {
    std::array<StatusRecord, kSlots> status{};
    std::array<StatusRecord, kSlots> saved_status{};
    std::array<int32_t, kSlots> cache_flag{};
    std::array<int32_t, kSlots> cache_stamp{};
    std::array<int32_t, kSlots> poll_counter{};
    std::array<int32_t, kSlots> last_disconnect{};
    std::array<int32_t, kSlots> audio_guard_flag{};
    std::array<int32_t, kSlots> audio_guard_stamp{};
    std::array<std::FILE*, kSlots> recording_file{};
    std::array<std::string, kSlots> recording_path{};
    std::array<int32_t, kSlots> chunk_counter{};
    std::array<int32_t, kSlots> last_serial{};
    // Last silence answer from a block read for the slot (valid when known is 1).
    std::array<int32_t, kSlots> silence_known{};
    std::array<int32_t, kSlots> silence_answer{};
};

// The result text buffer lies directly in front of the device read buffer.
struct SharedScratch {
    std::array<char, kResultTextSize> result_text{};
    std::array<uint8_t, kReadBufferSize> read_buffer{};
};
static_assert(sizeof(SharedScratch) == kResultTextSize + kReadBufferSize,
              "result text buffer and device read buffer are one block");

struct Library {
    // Application object
    void* notify_window = nullptr;
    uint32_t change_context = 0;
    int32_t open = 0;
    DeviceChangeCallback change_callback = nullptr;
    std::vector<PathRecord> device_paths;

    // Library-wide values
    int32_t tables_initialised = 0;
    int32_t holdoff_seconds = 1;
    int32_t normal = 0;
    int32_t holdoff_length = 0;
    int32_t holdoff_start = 0;

    SlotTables slots;

    int32_t record_budget = 0;
    std::array<uint8_t, kWavHeaderSize> wav_header{};
    SharedScratch scratch;
    std::array<uint8_t, kSmallScratchSize> small_scratch{};
};

Library& lib();

// Resets the per-slot tables and hold-off values as the first SW_Init does.
void reset_tables();

// Test support: puts the library back into its just-loaded state, as if it had been
// unloaded and loaded again (open recording files are closed).
void reload_for_tests();

inline bool valid_slot(int slot) { return slot >= 0 && slot < kSlots; }

// The slots 0..n-1 that loops over "every box" visit: a device count beyond the
// tables (more than 64 boxes present) stops at the last table entry.
inline int slots_of(int device_count) { return device_count < kSlots ? device_count : kSlots; }

// The constant empty text that the text exports return on failure.
extern const char kEmptyText[1];

}  // namespace vornix
