// The shapes an option's value may take, each checked whole: a number within its
// bounds, a date as the call log writes it, dialled digits, a web console address.
#pragma once
#include <string>

namespace host {

bool to_int(const char* text, int low, int high, int* out);
// Simulated seconds per real second, 0 (no waiting) up to a million.
bool to_speed(const char* text, double* out);
// YYYY-MM-DD, optionally followed by THH:MM or THH:MM:SS (a space also stands for T).
bool to_date(const char* text, std::string* out);
// 1 to 32 of 0-9 * # A-D.
bool to_digits(const char* text, std::string* out);
// [ADDR:]PORT; ADDR an IPv4 address, localhost or [IPv6].
bool to_web_address(const std::string& text, std::string* address, int* port);
bool is_loopback(const std::string& address);

}  // namespace host
