#include "web/http_text.h"

#include <cctype>

namespace host::web {

namespace {
constexpr size_t kMaxPairs = 32;

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool decode(std::string_view in, std::string* out) {
    out->clear();
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] == '+') {
            *out += ' ';
        } else if (in[i] != '%') {
            *out += in[i];
        } else {
            if (i + 2 >= in.size()) return false;
            const int hi = hex_value(in[i + 1]), lo = hex_value(in[i + 2]);
            if (hi < 0 || lo < 0) return false;
            *out += static_cast<char>(hi * 16 + lo);
            i += 2;
        }
    }
    return true;
}

// Digits only, no sign, no overflow.
bool to_u64(std::string_view text, uint64_t* out) {
    if (text.empty() || text.size() > 18) return false;
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    *out = v;
    return true;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool is_ipv4(std::string_view s) {
    int parts = 0;
    for (size_t start = 0; start <= s.size(); ++parts) {
        size_t dot = s.find('.', start);
        if (dot == std::string_view::npos) dot = s.size();
        uint64_t v = 0;
        if (!to_u64(s.substr(start, dot - start), &v) || v > 255 || dot - start > 3) return false;
        start = dot + 1;
    }
    return parts == 4;
}

bool same_text(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}
}  // namespace

std::map<std::string, std::string> parse_query(std::string_view text) {
    std::map<std::string, std::string> pairs;
    size_t start = 0;
    for (size_t n = 0; start <= text.size() && n < kMaxPairs; ++n) {
        size_t amp = text.find('&', start);
        if (amp == std::string_view::npos) amp = text.size();
        const std::string_view pair = text.substr(start, amp - start);
        start = amp + 1;
        if (pair.empty()) continue;
        const size_t eq = pair.find('=');
        std::string name, value;
        if (!decode(pair.substr(0, eq), &name)) continue;
        if (eq != std::string_view::npos && !decode(pair.substr(eq + 1), &value)) continue;
        pairs.emplace(std::move(name), std::move(value));
    }
    return pairs;
}

RangeAsk parse_range(std::string_view header, uint64_t size, ByteRange* out) {
    constexpr std::string_view kUnit = "bytes=";
    header = trim(header);
    if (header.substr(0, kUnit.size()) != kUnit) return RangeAsk::Whole;
    const std::string_view asked = trim(header.substr(kUnit.size()));
    const size_t dash = asked.find('-');
    if (dash == std::string_view::npos || asked.find(',') != std::string_view::npos) return RangeAsk::Whole;
    const std::string_view a = trim(asked.substr(0, dash)), b = trim(asked.substr(dash + 1));
    uint64_t first = 0, last = 0;
    if (a.empty()) {  // the last n bytes
        if (!to_u64(b, &last)) return RangeAsk::Whole;
        if (last == 0 || size == 0) return RangeAsk::Unsatisfiable;
        *out = {last >= size ? 0 : size - last, size - 1};
        return RangeAsk::Part;
    }
    if (!to_u64(a, &first)) return RangeAsk::Whole;
    if (b.empty()) {
        last = size ? size - 1 : 0;
    } else if (!to_u64(b, &last) || last < first) {
        return RangeAsk::Whole;
    }
    if (first >= size) return RangeAsk::Unsatisfiable;
    *out = {first, last >= size ? size - 1 : last};
    return RangeAsk::Part;
}

std::string cookie_value(std::string_view header, std::string_view name) {
    size_t start = 0;
    while (start < header.size()) {
        size_t semi = header.find(';', start);
        if (semi == std::string_view::npos) semi = header.size();
        const std::string_view pair = trim(header.substr(start, semi - start));
        start = semi + 1;
        const size_t eq = pair.find('=');
        if (eq != std::string_view::npos && pair.substr(0, eq) == name) return std::string(pair.substr(eq + 1));
    }
    return {};
}

bool host_allowed(std::string_view host, std::string_view listen_address) {
    host = trim(host);
    std::string_view name = host;
    if (!host.empty() && host.front() == '[') {  // [v6]:port
        const size_t close = host.find(']');
        if (close == std::string_view::npos) return false;
        const std::string_view rest = host.substr(close + 1);
        uint64_t port = 0;
        if (!rest.empty() && (rest.front() != ':' || !to_u64(rest.substr(1), &port))) return false;
        name = host.substr(1, close - 1);
        if (name.find_first_not_of("0123456789abcdefABCDEF:.") != std::string_view::npos || name.empty()) return false;
        return true;
    }
    const size_t colon = host.rfind(':');
    if (colon != std::string_view::npos) {
        uint64_t port = 0;
        if (!to_u64(host.substr(colon + 1), &port) || port > 65535) return false;
        name = host.substr(0, colon);
    }
    if (name.empty()) return false;
    return same_text(name, "localhost") || is_ipv4(name) || same_text(name, listen_address);
}

}  // namespace host::web
