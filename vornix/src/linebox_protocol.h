// The line box's wire format, in one place: how the library reaches the boxes (interface
// class, control codes, read request word) and how their replies are laid out (status
// report, audio block, the status record's fields and characters). The library, the
// simulated boxes, the tests and the fuzzers all read these definitions. The pins
// beside them repeat the box's documented layout as literals, so that a wrong edit here
// fails the build instead of passing on both sides of the wire.
#pragma once
#include <cstddef>
#include <cstdint>

#include "vornix.h"

namespace vornix {

// ===== Reaching the boxes ===========================================================

struct InterfaceGuid {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
};

// {8AEAA794-C079-45CC-8AD8-9772319AA6B7}
constexpr InterfaceGuid kLineBoxInterfaceGuid = {
    0x8AEAA794u, 0xC079u, 0x45CCu, {0x8A, 0xD8, 0x97, 0x72, 0x31, 0x9A, 0xA6, 0xB7}};

// Control codes: device type FILE_DEVICE_UNKNOWN, METHOD_BUFFERED, FILE_ANY_ACCESS.
constexpr uint32_t linebox_ctl_code(uint32_t function) {
    constexpr uint32_t kFileDeviceUnknown = 0x22, kMethodBuffered = 0, kFileAnyAccess = 0;
    return (kFileDeviceUnknown << 16) | (kFileAnyAccess << 14) | (function << 2) | kMethodBuffered;
}

constexpr uint32_t IOCTL_LINEBOX_READ_AUDIO  = linebox_ctl_code(0x805);  // + read request word
constexpr uint32_t IOCTL_LINEBOX_LED_0       = linebox_ctl_code(0x806);
constexpr uint32_t IOCTL_LINEBOX_LED_1       = linebox_ctl_code(0x807);
constexpr uint32_t IOCTL_LINEBOX_LED_2       = linebox_ctl_code(0x808);
constexpr uint32_t IOCTL_LINEBOX_READ_STATUS = linebox_ctl_code(0x813);  // + read request word
constexpr uint32_t IOCTL_LINEBOX_INIT        = linebox_ctl_code(0x814);
constexpr uint32_t IOCTL_LINEBOX_RECONNECT   = linebox_ctl_code(0x815);
constexpr uint32_t IOCTL_LINEBOX_DISCONNECT  = linebox_ctl_code(0x816);

static_assert(IOCTL_LINEBOX_READ_AUDIO == 0x222014, "audio read code");
static_assert(IOCTL_LINEBOX_LED_0 == 0x222018 && IOCTL_LINEBOX_LED_1 == 0x22201C &&
              IOCTL_LINEBOX_LED_2 == 0x222020, "LED codes");
static_assert(IOCTL_LINEBOX_READ_STATUS == 0x22204C, "status read code");
static_assert(IOCTL_LINEBOX_INIT == 0x222050, "init code");
static_assert(IOCTL_LINEBOX_RECONNECT == 0x222054, "reconnect code");
static_assert(IOCTL_LINEBOX_DISCONNECT == 0x222058, "disconnect code");

// Read request word, the 4-byte input of both read requests: offset in bits 0-15,
// length in bits 16-31 (the low 16 bits of each).
constexpr uint32_t read_request_word(uint32_t offset, uint32_t length) {
    return ((length & 0xFFFFu) << 16) | (offset & 0xFFFFu);
}

static_assert(read_request_word(0x12345, 0x1ABCD) == 0xABCD2345u, "length high, offset low");
static_assert(read_request_word(0, 65536) == 0, "a whole 64 KiB read travels as length 0");

// ===== The replies ==================================================================

constexpr size_t kStatusReportSize = VORNIX_REPORT_BYTES;  // what one status poll reads
constexpr size_t kAudioBlockSize = VORNIX_BLOCK_BYTES;     // what one audio read fetches
constexpr size_t kAudioChunkSize = VORNIX_CHUNK_BYTES;     // the audio inside a block
constexpr size_t kStatusRecordSize = 64;                   // the line's state inside a report

static_assert(kStatusReportSize == 576 && kAudioBlockSize == 16896 && kAudioChunkSize == 16384 &&
              kStatusRecordSize == 64, "reply sizes");

// Framing, the same in both replies: the payload (the status record of a report, the
// audio chunk of a block) lies at the plain position, or one record length further on
// when the five bytes behind the plain position's first byte all hold the offset marker.
constexpr size_t kPayloadAt = 320;
constexpr size_t kMarkerAt = kPayloadAt + 1;
constexpr size_t kMarkerLength = 5;
constexpr uint8_t kMarkerChar = '+';
constexpr size_t kPayloadAtBehindMarker = kPayloadAt + kStatusRecordSize;

// Where the payload begins in a reply of which `delivered` bytes arrived. A reply that
// stops before the marker's end has no marker: bytes behind a short read are left over
// from an earlier one.
constexpr size_t payload_offset(const uint8_t* reply, size_t delivered) {
    if (delivered < kMarkerAt + kMarkerLength) return kPayloadAt;
    for (size_t i = kMarkerAt; i < kMarkerAt + kMarkerLength; ++i)
        if (reply[i] != kMarkerChar) return kPayloadAt;
    return kPayloadAtBehindMarker;
}

static_assert(kPayloadAt == 320 && kPayloadAtBehindMarker == 384, "payload positions");
static_assert(kMarkerAt == 321 && kMarkerLength == 5 && kMarkerChar == 0x2B, "offset marker: '+' in 321-325");
static_assert(kPayloadAtBehindMarker + kStatusRecordSize <= kStatusReportSize, "a report holds its record");
static_assert(kPayloadAtBehindMarker + kAudioChunkSize <= kAudioBlockSize, "a block holds its chunk");

namespace framing_pin {
struct Reply {
    uint8_t bytes[kMarkerAt + kMarkerLength] = {};
};
constexpr Reply marked(size_t spoiled) {
    Reply r;
    for (size_t i = 321; i <= 325; ++i) r.bytes[i] = i == spoiled ? '-' : '+';
    return r;
}
static_assert(payload_offset(marked(0).bytes, 326) == 384, "all five '+': behind the marker");
static_assert(payload_offset(marked(325).bytes, 326) == 320, "one byte not '+': plain position");
static_assert(payload_offset(marked(0).bytes, 325) == 320, "marker cut short: plain position");
}  // namespace framing_pin

// ===== The status record ============================================================

// Byte positions of the record's fields.
constexpr size_t kCallerIdCodes = 0;            // caller-ID digit codes
constexpr size_t kDtmfCodes = 16;               // DTMF digit codes
constexpr size_t kDigitCodeCount = VORNIX_DIGITS;
constexpr size_t kOffHookFlag = 32;
constexpr size_t kRecordEndFlag = 33;
constexpr size_t kSerialHigh = 34;              // serial code, big-endian
constexpr size_t kSerialLow = 35;
constexpr size_t kDisconnectFlag = 36;
constexpr size_t kRingFlag = 37;
constexpr size_t kValidityMarker = 38;
constexpr size_t kValidityLength = 2;

// Characters of the record.
constexpr uint8_t kFlagSet = '1';     // a flag byte that is set; anything else is not
constexpr uint8_t kFlagClear = '0';   // a flag byte that is clear (the disconnect flag: known)
constexpr uint8_t kValidityChar = '5';
constexpr uint8_t kEmptyCode = 0xFF;  // no digit at this position (also: digits consumed)

enum class FieldKind { DigitCodes, Flag, Serial, Validity };

struct RecordField {
    const char* meaning;
    size_t at;
    size_t width;
    FieldKind kind;
};

// Every field the library interprets, in record order; bytes behind the last one are
// not looked at.
constexpr RecordField kRecordFields[] = {
    {"caller-ID digit codes", kCallerIdCodes, kDigitCodeCount, FieldKind::DigitCodes},
    {"DTMF digit codes", kDtmfCodes, kDigitCodeCount, FieldKind::DigitCodes},
    {"off-hook", kOffHookFlag, 1, FieldKind::Flag},
    {"record end", kRecordEndFlag, 1, FieldKind::Flag},
    {"serial code", kSerialHigh, 2, FieldKind::Serial},
    {"disconnected", kDisconnectFlag, 1, FieldKind::Flag},
    {"ringing", kRingFlag, 1, FieldKind::Flag},
    {"validity marker", kValidityMarker, kValidityLength, FieldKind::Validity},
};

constexpr bool fields_in_record_order() {
    size_t end = 0;
    for (const RecordField& f : kRecordFields) {
        if (f.at < end) return false;
        end = f.at + f.width;
    }
    return end <= kStatusRecordSize;
}
static_assert(fields_in_record_order(), "fields neither overlap nor leave the record");

static_assert(kCallerIdCodes == 0 && kDtmfCodes == 16 && kDigitCodeCount == 16, "digit code fields 0-15, 16-31");
static_assert(kOffHookFlag == 32 && kRecordEndFlag == 33, "off-hook 32, record end 33");
static_assert(kSerialHigh == 34 && kSerialLow == 35, "serial code 34-35, high byte first");
static_assert(kDisconnectFlag == 36 && kRingFlag == 37, "disconnect 36, ring 37");
static_assert(kValidityMarker == 38 && kValidityLength == 2, "validity marker 38-39");
static_assert(kFlagSet == 0x31 && kFlagClear == 0x30 && kValidityChar == 0x35 && kEmptyCode == 0xFF,
              "record characters");

}  // namespace vornix
