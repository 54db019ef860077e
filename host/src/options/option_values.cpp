#include "options/option_values.h"

#include <cstdlib>

namespace host {

bool to_int(const char* text, int low, int high, int* out) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (!*text || *end || v < low || v > high) return false;
    *out = static_cast<int>(v);
    return true;
}

bool to_speed(const char* text, double* out) {
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (!*text || *end || !(v >= 0.0) || v > 1e6) return false;
    *out = v;
    return true;
}

bool to_date(const char* text, std::string* out) {
    std::string d = text;
    static const std::string shape = "dddd-dd-ddTdd:dd:dd";
    if (d.size() > 10 && d[10] == ' ') d[10] = 'T';
    if (d.size() != 10 && d.size() != 16 && d.size() != 19) return false;
    for (size_t i = 0; i < d.size(); ++i) {
        const bool digit = d[i] >= '0' && d[i] <= '9';
        if (shape[i] == 'd' ? !digit : d[i] != shape[i]) return false;
    }
    *out = d;
    return true;
}

bool to_digits(const char* text, std::string* out) {
    constexpr size_t kMaxDigits = 32;
    const std::string d = text;
    if (d.empty() || d.size() > kMaxDigits || d.find_first_not_of("0123456789*#ABCD") != std::string::npos) return false;
    *out = d;
    return true;
}

bool to_web_address(const std::string& text, std::string* address, int* port) {
    const auto colon = text.rfind(':');
    const std::string p = colon == std::string::npos ? text : text.substr(colon + 1);
    if (colon != std::string::npos) {
        *address = text.substr(0, colon);
        if (address->empty() || (address->find(':') != std::string::npos && address->front() != '[')) return false;
    }
    return to_int(p.c_str(), 0, 65535, port);
}

bool is_loopback(const std::string& address) {
    return address.rfind("127.", 0) == 0 || address == "localhost" || address == "[::1]";
}

}  // namespace host
