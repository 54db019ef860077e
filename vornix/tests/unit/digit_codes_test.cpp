// The two digit decoders against the code tables of the line box, over every byte.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>

#include "digit_codes.h"

using namespace vornix;

namespace {
// Caller-ID codes as the box sends them: each digit's ASCII bits in reverse order.
const std::map<uint8_t, char> kCallerIdCodes = {
    {0x0C, '0'}, {0x8C, '1'}, {0x4C, '2'}, {0xCC, '3'}, {0x2C, '4'},
    {0xAC, '5'}, {0x6C, '6'}, {0xEC, '7'}, {0x1C, '8'}, {0x9C, '9'},
};

// DTMF codes: the low nibble of a byte whose high nibble is zero.
const std::map<uint8_t, char> kDtmfCodes = {
    {0x00, 'D'}, {0x01, '1'}, {0x02, '2'}, {0x03, '3'}, {0x04, '4'}, {0x05, '5'},
    {0x06, '6'}, {0x07, '7'}, {0x08, '8'}, {0x09, '9'}, {0x0A, '0'}, {0x0B, '*'},
    {0x0C, '#'}, {0x0D, 'A'}, {0x0E, 'B'}, {0x0F, 'C'},
};

char expected(const std::map<uint8_t, char>& table, int code) {
    auto it = table.find(static_cast<uint8_t>(code));
    return it == table.end() ? 0 : it->second;
}
}  // namespace

TEST(DigitCodes, EveryCallerIdCodeIsADigitOrATerminator) {
    for (int code = 0; code <= 0xFF; ++code)
        EXPECT_EQ(caller_id_digit(static_cast<uint8_t>(code)), expected(kCallerIdCodes, code))
            << "code 0x" << std::hex << code;
}

TEST(DigitCodes, EveryDtmfCodeIsADigitOrATerminator) {
    for (int code = 0; code <= 0xFF; ++code)
        EXPECT_EQ(dtmf_digit(static_cast<uint8_t>(code)), expected(kDtmfCodes, code))
            << "code 0x" << std::hex << code;
}

TEST(DigitCodes, DecodingStopsAtTheFirstTerminator) {
    const uint8_t codes[16] = {0x01, 0x02, 0x10, 0x03, 0x04, 0x05, 0x06, 0x07,
                               0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F};
    char out[17];
    std::memset(out, '?', sizeof out);
    EXPECT_EQ(decode_digits(codes, 16, out, dtmf_digit), 2);
    EXPECT_EQ(std::memcmp(out, "12\0", 3), 0);
    EXPECT_EQ(out[3], '?') << "nothing written after the terminator";
}

TEST(DigitCodes, SixteenDigitsLeaveNoTerminator) {
    uint8_t codes[16];
    for (int i = 0; i < 16; ++i) codes[i] = 0x0C;  // caller-ID '0'
    char out[17];
    std::memset(out, '?', sizeof out);
    EXPECT_EQ(decode_digits(codes, 16, out, caller_id_digit), 16);
    EXPECT_EQ(std::memcmp(out, "0000000000000000", 16), 0);
    EXPECT_EQ(out[16], '?');
}
