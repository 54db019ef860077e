// What the library sends to the line box driver: the device interface class of the
// boxes and the eight control codes (device type FILE_DEVICE_UNKNOWN, METHOD_BUFFERED,
// FILE_ANY_ACCESS).
#pragma once
#include <cstdint>

namespace vornix {

struct InterfaceGuid {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
};

// {8AEAA794-C079-45CC-8AD8-9772319AA6B7}
constexpr InterfaceGuid kLineBoxInterfaceGuid = {
    0x8AEAA794u, 0xC079u, 0x45CCu, {0x8A, 0xD8, 0x97, 0x72, 0x31, 0x9A, 0xA6, 0xB7}};

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
static_assert(IOCTL_LINEBOX_LED_0 == 0x222018 && IOCTL_LINEBOX_LED_2 == 0x222020, "LED codes");
static_assert(IOCTL_LINEBOX_READ_STATUS == 0x22204C, "status read code");
static_assert(IOCTL_LINEBOX_INIT == 0x222050, "init code");
static_assert(IOCTL_LINEBOX_RECONNECT == 0x222054, "reconnect code");
static_assert(IOCTL_LINEBOX_DISCONNECT == 0x222058, "disconnect code");

// Read request word: offset in bits 0-15, length in bits 16-31 (low 16 bits of each).
constexpr uint32_t read_request_word(uint32_t offset, uint32_t length) {
    return ((length & 0xFFFFu) << 16) | (offset & 0xFFFFu);
}

}  // namespace vornix
