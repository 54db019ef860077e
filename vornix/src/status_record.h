// The 64-byte status record a line box reports for its line, byte by byte.
#pragma once
#include <cstddef>
#include <cstdint>

#include "vornix.h"

namespace vornix {

constexpr size_t kCallerIdCodes = 0;   // 16 caller-ID codes
constexpr size_t kDtmfCodes = 16;      // 16 DTMF codes
constexpr size_t kDigitCodeCount = VORNIX_DIGITS;
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
constexpr uint8_t kEmptyCode = 0xFF;  // no digit at this position (also: digits consumed)

}  // namespace vornix
