// The parts of a request the console reads itself: query strings and forms, the Range
// header, the session cookie and the Host header.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace host::web {

// name=value pairs separated by '&', percent escapes and '+' decoded; the first of a
// repeated name counts. A pair with a bad escape is left out.
std::map<std::string, std::string> parse_query(std::string_view text);

struct ByteRange {
    uint64_t first = 0, last = 0;  // both included
};
enum class RangeAsk { Whole, Part, Unsatisfiable };
// One range of "bytes=a-b", "bytes=a-" or "bytes=-n" within a file of `size` bytes.
// Anything else (other units, several ranges, junk) is answered with the whole file.
RangeAsk parse_range(std::string_view header, uint64_t size, ByteRange* out);

// The value of cookie `name` in a Cookie header, empty when absent.
std::string cookie_value(std::string_view header, std::string_view name);

// True when the Host header names localhost, an address written as digits, or
// `listen_address`, with or without a port: a name that resolves here only through a
// foreign DNS server (rebinding) is refused.
bool host_allowed(std::string_view host, std::string_view listen_address);

}  // namespace host::web
