// Caller ID: the calling number in status record bytes 0-15, bit-reversed ASCII.
// SW_ReceiveCID always consumes the number; SW_GetStrCID only once all 16 positions
// held digits, so a short number can be read as text again within the cache window.
#include "digit_exports.h"
#include "status_poll.h"

using namespace vornix;

namespace {
constexpr DigitField kCallerId{kCallerIdCodes, caller_id_digit, true};
}

extern "C" VORNIX_API vx_bool VORNIX_CALL SW_GetCID(int slot, int, unsigned char* codes16, int) {
    return get_codes(kCallerId, slot, codes16);
}

extern "C" VORNIX_API int VORNIX_CALL SW_ReceiveCID(int slot, char* digits16) {
    return receive_digits(kCallerId, slot, digits16);
}

extern "C" VORNIX_API const char* VORNIX_CALL SW_GetStrCID(int slot) {
    return digits_text(kCallerId, slot);
}
