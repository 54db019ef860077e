#include "call_log/time_text.h"

#include <cstdio>
#include <cstdlib>

namespace host {

namespace {
constexpr long kSecondsPerDay = 24L * 3600;
}  // namespace

long days_from_civil(long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long>(doe) - 719468;
}

std::string civil_date(long days) {
    days += 719468;
    const long era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(days - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    const long y = static_cast<long>(yoe) + era * 400 + (m <= 2);
    char text[32];
    std::snprintf(text, sizeof text, "%04ld-%02u-%02u", y, m, d);
    return text;
}

std::tm local_time(std::chrono::system_clock::time_point t) {
    const std::time_t secs = std::chrono::system_clock::to_time_t(t);
    std::tm out{};
#if defined(_WIN32)
    localtime_s(&out, &secs);
#else
    localtime_r(&secs, &out);
#endif
    return out;
}

int millis_of(std::chrono::system_clock::time_point t) {
    const auto since = t.time_since_epoch();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(since).count() % 1000;
    return static_cast<int>(ms < 0 ? ms + 1000 : ms);
}

long utc_offset_seconds(std::chrono::system_clock::time_point t) {
    // The local calendar reading taken as if it were UTC, less the real instant: the
    // same on every C runtime, unlike strftime's %z.
    const std::tm tm = local_time(t);
    const long local = days_from_civil(tm.tm_year + 1900L, static_cast<unsigned>(tm.tm_mon + 1),
                                       static_cast<unsigned>(tm.tm_mday)) * kSecondsPerDay +
                       tm.tm_hour * 3600L + tm.tm_min * 60L + tm.tm_sec;
    const long utc = static_cast<long>(std::chrono::system_clock::to_time_t(t));
    return local - utc;
}

std::string iso8601_local(std::chrono::system_clock::time_point t) {
    const std::tm tm = local_time(t);
    const long offset = utc_offset_seconds(t);
    const int minutes = static_cast<int>(std::labs(offset) / 60) % (24 * 60);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", tm.tm_year + 1900,
                  tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, offset < 0 ? '-' : '+',
                  minutes / 60, minutes % 60);
    return text;
}

bool parse_iso8601(const std::string& text, std::chrono::system_clock::time_point* out) {
    static const std::string shape = "dddd-dd-ddTdd:dd:dd+dd:dd";
    if (text.size() != shape.size()) return false;
    for (size_t i = 0; i < shape.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        const bool sign = text[i] == '+' || text[i] == '-';
        if (shape[i] == 'd' ? !digit : shape[i] == '+' ? !sign : text[i] != shape[i]) return false;
    }
    auto num = [&](size_t at, size_t len) { return std::atol(text.substr(at, len).c_str()); };
    const long month = num(5, 2), day = num(8, 2);
    if (month < 1 || month > 12 || day < 1 || day > 31) return false;
    const long offset = (text[19] == '-' ? -1 : 1) * (num(20, 2) * 3600 + num(23, 2) * 60);
    // 64-bit seconds: a 32-bit long would end in 2038.
    const long long local =
        static_cast<long long>(days_from_civil(num(0, 4), static_cast<unsigned>(month), static_cast<unsigned>(day))) *
            kSecondsPerDay + num(11, 2) * 3600 + num(14, 2) * 60 + num(17, 2);
    *out = std::chrono::system_clock::from_time_t(static_cast<std::time_t>(local - offset));
    return true;
}

}  // namespace host
