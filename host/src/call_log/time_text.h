// Local time as the host writes it: in event lines, file names and the call log.
#pragma once
#include <chrono>
#include <ctime>
#include <string>

namespace host {

std::tm local_time(std::chrono::system_clock::time_point t);
int millis_of(std::chrono::system_clock::time_point t);

// Days since 1970-01-01 of a civil date (proleptic Gregorian calendar), and back as
// "YYYY-MM-DD".
long days_from_civil(long y, unsigned m, unsigned d);
std::string civil_date(long days);

// Seconds east of UTC of the local time zone at `t` (+28800 in China).
long utc_offset_seconds(std::chrono::system_clock::time_point t);

// "2025-03-14T09:30:05+08:00": ISO 8601, local time with its offset, whole seconds.
std::string iso8601_local(std::chrono::system_clock::time_point t);
// The instant such a text names; false for any other text.
bool parse_iso8601(const std::string& text, std::chrono::system_clock::time_point* out);

}  // namespace host
