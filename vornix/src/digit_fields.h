// The two digit fields of the status record, caller ID and DTMF, and the three read
// styles they share: raw codes, decoded digits into the host's buffer, decoded digits
// as library text.
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

// Caller ID: the calling number in record bytes 0-15, bit-reversed ASCII. Reading it
// as digits always consumes it; as text only once all 16 positions held digits, so a
// short number can be read as text again within the cache window.
extern const DigitField kCallerIdField;
// DTMF: up to 16 received digits in record bytes 16-31; every successful read consumes them.
extern const DigitField kDtmfField;

// SW_GetCID / SW_GetDTMF: the 16 raw codes (not consumed).
vx_bool get_codes(const DigitField& field, int slot, unsigned char* out16);
// SW_ReceiveCID / SW_ReceiveDTMF: digits without terminator after 16; the count.
int receive_digits(const DigitField& field, int slot, char* out16);
// SW_GetStrCID / SW_GetStrDTMF: digits as text in the result text buffer.
const char* digits_text(const DigitField& field, int slot);

}  // namespace vornix
