// Which calls a person asks for, from `--calls` or the console's filter: what was typed,
// checked once here for both, and made into the filter the call log is read with.
#pragma once
#include <string>
#include <string_view>

namespace host {

struct CallFilter {
    std::string number;   // in the caller number or the digits dialled, as the log writes them
    std::string since;    // the call started on or after (a prefix of ISO 8601 local time)
    std::string until;    // the call started on or before; a date alone takes in the whole day
    std::string outcome;  // as the log names it; empty: any
};

// A filter's fields as they were typed; empty: no condition.
struct TypedFilter {
    std::string number, since, until, outcome;
};

// Why a typed field cannot be used: a code that stays the same (bad-number, bad-date,
// bad-outcome), the field ("number", "since", "until", "outcome") and a sentence.
struct FilterRefusal {
    std::string code;
    std::string field;
    std::string message;
};

// The filter for what was typed; false with the first field that cannot be used.
bool read_filter(const TypedFilter& typed, CallFilter* out, FilterRefusal* refusal);

// A number as people write it, as the log holds it: spaces, dashes, brackets and dots
// left out, the country prefix (+86, 0086) too, any other + read as 00. False unless
// what is left is 1 to 32 of 0-9 * # A-D; `out` empty for nothing typed.
bool typed_number(std::string_view text, std::string* out);

// A local date, YYYY-MM-DD, with THH:MM or THH:MM:SS after it (or a space for the T),
// that the calendar has. `out` gets it with the T.
bool typed_date(std::string_view text, std::string* out);

}  // namespace host
