// Digit codes as the line box reports them in the status record.
#pragma once
#include <cstddef>
#include <cstdint>

namespace vornix {

// Caller-ID code: an ASCII digit with its eight bits reversed. Returns the digit
// '0'..'9', or 0 for a non-digit code (which ends the number).
char caller_id_digit(uint8_t code);

// DTMF code 0x00..0x0F: 'D', '1'..'9', '0', '*', '#', 'A', 'B', 'C'. Returns 0 for
// 0x10..0xFF (which ends the digits).
char dtmf_digit(uint8_t code);

using DigitDecoder = char (*)(uint8_t code);

// Decodes up to 16 codes into `out`: the digits, then a zero byte at the first
// non-digit code (no terminator after 16 digits). Returns the digit count.
int decode_digits(const uint8_t* codes, size_t count, char* out, DigitDecoder decode);

}  // namespace vornix
