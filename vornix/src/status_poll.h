// The status poll and the per-slot status cache that every status query shares.
#pragma once
#include <cstdint>

#include "library_state.h"

namespace vornix {

// Status record bytes.
constexpr size_t kCallerIdCodes = 0;
constexpr size_t kDtmfCodes = 16;
constexpr size_t kDigitCodeCount = 16;
constexpr size_t kOffHookFlag = 32;
constexpr size_t kRecordEndFlag = 33;
constexpr size_t kSerialHigh = 34;
constexpr size_t kSerialLow = 35;
constexpr size_t kDisconnectFlag = 36;
constexpr size_t kRingFlag = 37;
constexpr size_t kValidityMarker = 38;  // and 39
constexpr uint8_t kFlagSet = '1';
constexpr uint8_t kFlagClear = '0';
constexpr uint8_t kValidityChar = '5';
constexpr uint8_t kEmptyCode = 0xFF;

enum class StatusAnswer {
    Failed,     // the poll failed
    FromPoll,   // a poll ran (it may have left the record unchanged)
    FromCache,  // the record was fresh: no device access
};

// Cached status query of a valid slot: polls when the slot's record is older than
// 600 ms, then answers from the slot's status record.
StatusAnswer cached_status_query(int slot);

// Where the 64-byte record lies in a status report (or audio block): 384 when
// bytes 321-325 are all '+', else 320.
size_t record_offset(const uint8_t* report);

// True when a status record carries the validity marker '5' '5'.
bool record_is_valid(const StatusRecord& record);

}  // namespace vornix
