#include "recording_name.h"

#include <cstdio>
#include <ctime>
#include <filesystem>

namespace host {

namespace {

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

}  // namespace

std::string recording_file_name(std::chrono::system_clock::time_point start, int slot,
                                const std::string& caller) {
    std::string number;
    for (char c : caller)
        if (c >= '0' && c <= '9') number += c;
    if (number.empty()) number = "unknown";
    const std::tm tm = local_time(start);
    char stamp[80];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d-%02d%02d%02d-%03d", tm.tm_year + 1900,
                  tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, millis_of(start));
    return std::string(stamp) + "_slot" + std::to_string(slot) + "_" + number + ".wav";
}

std::string unused_recording_path(const std::string& folder, const std::string& name) {
    namespace fs = std::filesystem;
    const fs::path dir(folder);
    fs::path candidate = dir / name;
    const std::string stem = fs::path(name).stem().string();
    const std::string ext = fs::path(name).extension().string();
    std::error_code ec;
    for (int n = 2; fs::exists(candidate, ec); ++n)
        candidate = dir / (stem + "-" + std::to_string(n) + ext);
    return candidate.generic_string();
}

std::string clock_text(std::chrono::system_clock::time_point t) {
    const std::tm tm = local_time(t);
    char text[64];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", tm.tm_hour, tm.tm_min, tm.tm_sec,
                  millis_of(t));
    return text;
}

bool make_folder(const std::string& folder, std::string* reason) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        *reason = ec.message();
        return false;
    }
    return true;
}

}  // namespace host
