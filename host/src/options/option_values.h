// The shapes an option's value may take, each checked whole: a number within its
// bounds, the simulator's speed, a web console address.
#pragma once
#include <string>

namespace host {

bool to_int(const char* text, int low, int high, int* out);
// Simulated seconds per real second, 0 (no waiting) up to a million.
bool to_speed(const char* text, double* out);
// [ADDR:]PORT; ADDR an IPv4 address, localhost or [IPv6].
bool to_web_address(const std::string& text, std::string* address, int* port);
bool is_loopback(const std::string& address);
// The office's area code as given ("0571", "571", "010"): the form with the trunk 0, or
// false when it is no area code of mainland China (2 or 3 digits after the 0, not 0).
bool to_area_code(const std::string& text, std::string* area_code);

}  // namespace host
