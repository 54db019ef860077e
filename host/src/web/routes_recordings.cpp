// A call's recording: the WAV whole or in ranges (the player seeks), as a download, and
// its loudness for the page's picture.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>

#include "platform/platform.h"
#include "web/http_text.h"
#include "web/wav_peaks.h"
#include "web/web_answers.h"
#include "web/web_routes.h"

namespace host::web {

namespace {
using json = nlohmann::json;
constexpr const char* kWav = "audio/wav";
}  // namespace

bool plain_recording_name(std::string_view name) {
    constexpr std::string_view kExt = ".wav";
    return !name.empty() && name.size() <= 255 && name.front() != '.' &&
           name.find_first_of("/\\:") == std::string_view::npos && name.size() > kExt.size() &&
           name.substr(name.size() - kExt.size()) == kExt;
}

size_t recording_id(std::string_view path, bool* peaks) {
    constexpr std::string_view kPrefix = "/rec/";
    if (path.substr(0, kPrefix.size()) != kPrefix) return 0;
    path.remove_prefix(kPrefix.size());
    size_t digits = 0;
    size_t id = 0;
    while (digits < path.size() && digits < 9 && path[digits] >= '0' && path[digits] <= '9')
        id = id * 10 + static_cast<size_t>(path[digits++] - '0');
    const std::string_view rest = path.substr(digits);
    if (digits == 0 || (rest != ".wav" && rest != "/peaks")) return 0;
    *peaks = rest == "/peaks";
    return id;
}

bool WebRoutes::recording_path(size_t id, std::string* path) {
    log_.refresh();
    if (id == 0 || id > log_.rows().size()) return false;
    const std::string_view name = log_.rows().field(id - 1, CallColumn::File);
    if (!plain_recording_name(name)) return false;
    const std::filesystem::path p = platform::fs_path(site_.folder) / platform::fs_path(std::string(name));
    std::error_code ec;
    if (!std::filesystem::is_regular_file(p, ec)) return false;
    *path = platform::path_text(p);
    return true;
}

WebResponse WebRoutes::recording(size_t id, bool peaks, bool download, const std::string& range) {
    std::string path;
    if (!recording_path(id, &path)) return not_found();
    if (peaks) {
        Loudness loudness;
        if (!wav_loudness(path, kPeaks, &loudness)) return not_found();
        return text(200, json{{"seconds", loudness.seconds}, {"peaks", loudness.peaks}}.dump(), kJson);
    }
    std::error_code ec;
    const uint64_t size = std::filesystem::file_size(platform::fs_path(path), ec);
    if (ec) return not_found();
    WebResponse r = text(200, "", kWav);
    r.headers.emplace_back("Accept-Ranges", "bytes");
    if (download) {
        const std::string name = download_name(log_.rows().field(id - 1, CallColumn::Start),
                                               log_.rows().field(id - 1, CallColumn::Caller));
        r.headers.emplace_back("Content-Disposition", "attachment; filename=\"" + name + "\"");
    }
    ByteRange part;
    switch (parse_range(range, size, &part)) {
        case RangeAsk::Whole:
            r.file = path;
            return r;
        case RangeAsk::Unsatisfiable:
            r.status = 416;
            r.headers.emplace_back("Content-Range", "bytes */" + std::to_string(size));
            return r;
        case RangeAsk::Part:
            break;
    }
    part.last = std::min(part.last, part.first + kMostBytesPerPart - 1);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!in) return not_found();
    r.body.resize(static_cast<size_t>(part.last - part.first + 1));
    if (std::fseek(in.get(), static_cast<long>(part.first), SEEK_SET) != 0) return not_found();
    r.body.resize(std::fread(&r.body[0], 1, r.body.size(), in.get()));
    if (r.body.empty()) return not_found();
    part.last = part.first + r.body.size() - 1;
    r.status = 206;
    r.headers.emplace_back("Content-Range", "bytes " + std::to_string(part.first) + "-" + std::to_string(part.last) +
                                                "/" + std::to_string(size));
    return r;
}

}  // namespace host::web
