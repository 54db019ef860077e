// The three read styles shared by caller ID and DTMF: raw codes, decoded digits into
// the host's buffer, decoded digits as library text.
#pragma once
#include <cstddef>

#include "digit_codes.h"
#include "vornix.h"

namespace vornix {

struct DigitField {
    size_t first;         // first status record byte of the 16 codes
    DigitDecoder decode;  // code -> digit or 0
    bool text_resets_only_when_full;  // caller ID keeps a short number for the next text read
};

vx_bool get_codes(const DigitField& field, int slot, unsigned char* out16);
int receive_digits(const DigitField& field, int slot, char* out16);
const char* digits_text(const DigitField& field, int slot);

}  // namespace vornix
