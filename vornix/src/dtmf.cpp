// DTMF: up to 16 received digits in status record bytes 16-31. Every successful read
// consumes them.
#include "digit_exports.h"
#include "status_poll.h"

using namespace vornix;

namespace {
constexpr DigitField kDtmf{kDtmfCodes, dtmf_digit, false};
}

extern "C" VORNIX_API vx_bool VORNIX_CALL SW_GetDTMF(int slot, int, unsigned char* codes16, int) {
    return get_codes(kDtmf, slot, codes16);
}

extern "C" VORNIX_API int VORNIX_CALL SW_ReceiveDTMF(int slot, char* digits16) {
    return receive_digits(kDtmf, slot, digits16);
}

extern "C" VORNIX_API const char* VORNIX_CALL SW_GetStrDTMF(int slot) {
    return digits_text(kDtmf, slot);
}
