#include "recordings/recording_name.h"

#include <cstdio>
#include <filesystem>

#include "call_log/time_text.h"
#include "platform/platform.h"

namespace host {

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

bool is_recording_file_name(const std::string& name) {
    static const std::string stamp = "dddddddd-dddddd-ddd_slot";
    auto digit = [&](size_t i) { return i < name.size() && name[i] >= '0' && name[i] <= '9'; };
    if (name.size() < stamp.size()) return false;
    for (size_t i = 0; i < stamp.size(); ++i)
        if (stamp[i] == 'd' ? !digit(i) : name[i] != stamp[i]) return false;
    size_t at = stamp.size();
    auto digits = [&] {
        const size_t from = at;
        while (digit(at)) ++at;
        return at > from;
    };
    if (!digits() || name.compare(at, 1, "_") != 0) return false;
    ++at;
    static const std::string unknown = "unknown";
    if (name.compare(at, unknown.size(), unknown) == 0)
        at += unknown.size();
    else if (!digits())
        return false;
    if (name.compare(at, 1, "-") == 0 && (++at, !digits())) return false;
    return name.compare(at, std::string::npos, ".wav") == 0;
}

std::string unused_recording_path(const std::string& folder, const std::string& name) {
    namespace fs = std::filesystem;
    const fs::path dir = platform::fs_path(folder);
    const fs::path file = platform::fs_path(name);
    fs::path candidate = dir / file;
    std::error_code ec;
    for (int n = 2; fs::exists(candidate, ec); ++n) {
        candidate = dir / file.stem();
        candidate += "-" + std::to_string(n);  // digits: the same in every code page
        candidate += file.extension();
    }
    return platform::path_text(candidate);
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
    std::filesystem::create_directories(platform::fs_path(folder), ec);
    if (ec) {
        *reason = ec.message();
        return false;
    }
    return true;
}

}  // namespace host
