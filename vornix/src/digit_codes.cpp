#include "digit_codes.h"

namespace vornix {

char caller_id_digit(uint8_t code) {
    uint8_t c = 0;
    for (int bit = 0; bit < 8; ++bit) c = static_cast<uint8_t>(c | (((code >> bit) & 1u) << (7 - bit)));
    return c >= '0' && c <= '9' ? static_cast<char>(c) : 0;
}

char dtmf_digit(uint8_t code) {
    static constexpr char kTable[16] = {'D', '1', '2', '3', '4', '5', '6', '7',
                                        '8', '9', '0', '*', '#', 'A', 'B', 'C'};
    return code < sizeof kTable ? kTable[code] : 0;
}

int decode_digits(const uint8_t* codes, size_t count, char* out, DigitDecoder decode) {
    int digits = 0;
    for (size_t i = 0; i < count; ++i) {
        const char d = decode(codes[i]);
        out[i] = d;
        if (d == 0) break;
        ++digits;
    }
    return digits;
}

}  // namespace vornix
