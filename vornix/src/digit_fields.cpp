#include "digit_fields.h"

#include <cstring>

#include "library_state.h"
#include "refusals.h"
#include "status_poll.h"

namespace vornix {

const DigitField kCallerIdField{kCallerIdCodes, caller_id_digit, true};
const DigitField kDtmfField{kDtmfCodes, dtmf_digit, false};

namespace {
void consume(const DigitField& field, int slot) {
    std::memset(lib().slots.status[slot].data() + field.first, kEmptyCode, kDigitCodeCount);
}
}  // namespace

vx_bool get_codes(const DigitField& field, int slot, unsigned char* out16) {
    if (refuse_bad_slot(slot) || refuse_bad_argument(!out16)) return 0;
    if (cached_status_query(slot) == StatusAnswer::Failed) return 0;
    std::memcpy(out16, lib().slots.status[slot].data() + field.first, kDigitCodeCount);
    return 1;
}

int receive_digits(const DigitField& field, int slot, char* out16) {
    Library& l = lib();
    if (refuse_closed()) return -1;
    if (refuse_bad_argument(!out16)) return -1;
    uint8_t* codes = l.small_scratch.data();
    if (!get_codes(field, slot, codes)) return -1;
    const int count = decode_digits(codes, kDigitCodeCount, out16, field.decode);
    consume(field, slot);
    return count;
}

const char* digits_text(const DigitField& field, int slot) {
    Library& l = lib();
    char* text = l.scratch.result_text.data();
    if (refuse_closed()) {
        text[0] = '\0';
        return text;
    }
    uint8_t* codes = l.small_scratch.data();
    if (!get_codes(field, slot, codes)) return kEmptyText;
    const int count = decode_digits(codes, kDigitCodeCount, text, field.decode);
    text[count] = '\0';
    if (!field.text_resets_only_when_full || count == static_cast<int>(kDigitCodeCount)) consume(field, slot);
    return text;
}

}  // namespace vornix
