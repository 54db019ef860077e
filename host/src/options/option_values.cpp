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

bool to_area_code(const std::string& text, std::string* area_code) {
    std::string code = !text.empty() && text[0] != '0' ? "0" + text : text;
    if (code.size() < 3 || code.size() > 4 || code[1] == '0' ||
        code.find_first_not_of("0123456789") != std::string::npos)
        return false;
    // Two digits only for Beijing (10) and the 2x areas; every other area has three.
    if (code.size() == 3 && code[1] != '1' && code[1] != '2') return false;
    if (code.size() == 3 && code[1] == '1' && code[2] != '0') return false;
    if (code.size() == 4 && (code[1] == '1' || code[1] == '2')) return false;
    *area_code = code;
    return true;
}

}  // namespace host
