#include "call_log/call_filter.h"

#include <tuple>

#include "call_log/call_event.h"

namespace host {

namespace {
constexpr size_t kMostDigits = 32;

int number_at(std::string_view text, size_t at, size_t len) {
    int n = 0;
    for (size_t i = at; i < at + len; ++i) n = n * 10 + (text[i] - '0');
    return n;
}

int days_in_month(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}
}  // namespace

bool typed_number(std::string_view text, std::string* out) {
    std::string d;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '-' || c == '(' || c == ')' || c == '.') continue;
        d += c >= 'a' && c <= 'd' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    if (d.rfind("+86", 0) == 0) d.erase(0, 3);
    else if (d.rfind("0086", 0) == 0) d.erase(0, 4);
    else if (d.rfind('+', 0) == 0) d.replace(0, 1, "00");
    if (d.size() > kMostDigits || d.find_first_not_of("0123456789*#ABCD") != std::string::npos) return false;
    *out = d;
    return true;
}

bool typed_date(std::string_view text, std::string* out) {
    static const std::string_view shape = "dddd-dd-ddTdd:dd:dd";
    std::string d(text);
    if (d.size() > 10 && d[10] == ' ') d[10] = 'T';
    if (d.size() != 10 && d.size() != 16 && d.size() != 19) return false;
    for (size_t i = 0; i < d.size(); ++i) {
        const bool digit = d[i] >= '0' && d[i] <= '9';
        if (shape[i] == 'd' ? !digit : d[i] != shape[i]) return false;
    }
    const int month = number_at(d, 5, 2), day = number_at(d, 8, 2);
    if (month < 1 || month > 12 || day < 1 || day > days_in_month(number_at(d, 0, 4), month)) return false;
    if (d.size() > 10 && (number_at(d, 11, 2) > 23 || number_at(d, 14, 2) > 59)) return false;
    if (d.size() > 16 && number_at(d, 17, 2) > 59) return false;
    *out = d;
    return true;
}

bool read_filter(const TypedFilter& typed, CallFilter* out, FilterRefusal* refusal) {
    CallFilter f;
    if (!typed_number(typed.number, &f.number)) {
        *refusal = {"bad-number", "number", "a number is digits (0-9 * # A-D); spaces, dashes, brackets, dots "
                                            "and +86 may stand between them"};
        return false;
    }
    for (auto [text, field, name] : {std::tuple{&typed.since, &f.since, "since"}, {&typed.until, &f.until, "until"}}) {
        if (!text->empty() && !typed_date(*text, field)) {
            *refusal = {"bad-date", name, "not a date: YYYY-MM-DD or YYYY-MM-DDTHH:MM[:SS], local time"};
            return false;
        }
    }
    if (!typed.outcome.empty()) {
        bool known = false;
        for (CallOutcome o : kCallOutcomes) known |= typed.outcome == outcome_name(o);
        if (!known) {
            std::string names;
            for (CallOutcome o : kCallOutcomes) names += std::string(names.empty() ? "" : ", ") + outcome_name(o);
            *refusal = {"bad-outcome", "outcome", "an outcome is one of " + names};
            return false;
        }
        f.outcome = typed.outcome;
    }
    *out = f;
    return true;
}

}  // namespace host
