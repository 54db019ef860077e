#include "callers/number_key.h"

#include "options/option_values.h"

namespace host::callers {

namespace {

struct Written {
    std::string digits;
    bool plus = false;
    size_t last_group = std::string::npos;  // where the digits after the last dash begin
    size_t group_before = 0;                // digits between the dash before it (or the start) and it
    void dash() {
        if (last_group == digits.size()) return;  // "--"
        group_before = digits.size() - (last_group == std::string::npos ? 0 : last_group);
        last_group = digits.size();
    }
};

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool starts(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// Rule 1: the digits as written, up to the end of the number.
Written read_written(std::string_view text) {
    Written w;
    bool ended = false;
    for (size_t i = 0; i < text.size() && !ended; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const bool any = !w.digits.empty();
        if (is_digit(static_cast<char>(c))) {
            w.digits += static_cast<char>(c);
        } else if (c == 0xEF && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0xBC) {
            // Full-width forms U+FF01..FF3F, as Chinese input methods type them.
            const unsigned char f = static_cast<unsigned char>(text[i + 2]);
            i += 2;
            if (f >= 0x90 && f <= 0x99) w.digits += static_cast<char>('0' + (f - 0x90));
            else if (f == 0x8B && !any) w.plus = true;                   // ＋
            else if (f == 0x8D && any) w.dash();                          // －
            else if (f == 0x83 || f == 0x8A || f == 0x8C || f == 0x9B) ended = true;  // ＃ ＊ ， ；
        } else if (c == '+') {
            if (!any) w.plus = true;
        } else if (c == '-') {
            if (any) w.dash();
        } else if (c == '#' || c == '*' || c == ',' || c == ';') {
            ended = true;
        } else if (c >= 0x80 || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
            // A word before the number ("Tel", 手机) is a label; one after it ends it
            // (转, 分机, ext, x, a pause 'p' or 'w', a remark).
            if (any) ended = true;
            while (c >= 0x80 && i + 1 < text.size() && (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80) ++i;
        }
    }
    if (!w.digits.empty() && (text.find_first_of("#*") < text.find_first_of("0123456789"))) w.digits.clear();
    if (w.last_group != std::string::npos && w.last_group >= w.digits.size()) w.last_group = std::string::npos;
    return w;
}

bool is_mobile(std::string_view s) { return s.size() == 11 && s[0] == '1' && s[1] >= '3' && s[1] <= '9'; }

// Trunk 0, area code and local number: 010 and 02x take 8 digits, 0[3-9]xx 7 or 8.
bool is_landline(std::string_view s) {
    if (s.size() < 11 || s[0] != '0') return false;
    if (s[1] == '1') return s[2] == '0' && s.size() == 11;
    if (s[1] == '2') return s.size() == 11;
    return s[1] >= '3' && s.size() <= 12;
}

// A number that needs nothing before it to be reached from anywhere in the country.
bool is_complete(std::string_view s) {
    return is_mobile(s) || is_landline(s) || (s.size() == 12 && s[0] == '0' && is_mobile(s.substr(1))) ||
           is_landline("0" + std::string(s)) || (starts(s, "00") && s.size() > 4);
}

// Rule 3: the carriers' dialling prefixes.
bool is_carrier_prefix(std::string_view s) {
    return starts(s, "179") || starts(s, "12593") || starts(s, "10193") || starts(s, "11808");
}

}  // namespace

bool parse_area_code(std::string_view text, std::string* area_code) {
    return to_area_code(std::string(text), area_code);
}

std::string number_key(std::string_view number, const NumberPlan& plan) {
    Written w = read_written(number);
    std::string d = w.digits;
    if (d.empty()) return d;

    if (!w.plus && d.size() > 11 && is_carrier_prefix(d) && is_complete(d.substr(5))) d.erase(0, 5);

    if (w.plus || starts(d, "00")) {
        if (!w.plus) d.erase(0, 2);
        if (!starts(d, "86")) return "00" + d;
        d.erase(0, 2);
    } else if (d.size() >= 12 && starts(d, "86") && is_complete(d.substr(2)) && !starts(d.substr(2), "00")) {
        d.erase(0, 2);  // rule 4
    }

    // Rule 8 before the landline is classified: the dash group after a local number, or
    // after a whole landline.
    if (w.last_group != std::string::npos) {
        const size_t group = w.digits.size() - w.last_group;
        if (group >= 1 && group <= 5 && d.size() > group) {
            const std::string head = d.substr(0, d.size() - group);
            if (!is_mobile(d) && (w.group_before == 7 || w.group_before == 8 || is_landline(head))) d = head;
        }
    }

    if (is_mobile(d)) return d;
    if (d.size() == 12 && d[0] == '0' && is_mobile(std::string_view(d).substr(1))) return d.substr(1);
    if (d.size() == 10 && (starts(d, "400") || starts(d, "800"))) return d;
    if (d.size() <= 6) return d;
    if (is_landline(d)) return d;
    if (d[0] != '0' && is_landline("0" + d)) return "0" + d;
    if ((d.size() == 7 || d.size() == 8) && d[0] >= '2' && d[0] <= '9') return plan.area_code + d;
    return d;
}

}  // namespace host::callers
