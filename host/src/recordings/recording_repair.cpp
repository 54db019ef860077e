#include "recordings/recording_repair.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "platform/platform.h"

namespace host {

namespace {

namespace fs = std::filesystem;

constexpr uint64_t kHeaderBytes = 58;
constexpr uint64_t kHeaderAfterRiff = 50;  // header bytes from offset 8 to 57
constexpr uint64_t kChunkBytes = 16384;
constexpr double kBytesPerSecond = 8000.0;
constexpr uint64_t kMaxAudioBytes = 0xFFFFFFFFull - kHeaderAfterRiff;  // the RIFF size must fit
constexpr long kRiffSizeAt = 4, kSampleCountAt = 46, kDataSizeAt = 54;

using Header = std::array<uint8_t, kHeaderBytes>;

uint32_t le32(const Header& h, size_t at) {
    return h[at] | h[at + 1] << 8 | h[at + 2] << 16 | static_cast<uint32_t>(h[at + 3]) << 24;
}
uint16_t le16(const Header& h, size_t at) { return static_cast<uint16_t>(h[at] | h[at + 1] << 8); }
bool tag_at(const Header& h, size_t at, const char (&tag)[5]) { return std::memcmp(&h[at], tag, 4) == 0; }

// Why the header is not this library's layout (RIFF/WAVE, an 18-byte fmt chunk of PCM
// mono 8000 Hz 8-bit, a 4-byte fact chunk, then the data chunk); empty when it is.
std::string layout_problem(const Header& h) {
    if (!tag_at(h, 0, "RIFF") || !tag_at(h, 8, "WAVE")) return "not a RIFF/WAVE file";
    if (!tag_at(h, 12, "fmt ") || le32(h, 16) != 18) return "no 18-byte format chunk at byte 12";
    if (le16(h, 20) != 1 || le16(h, 22) != 1 || le32(h, 24) != 8000 || le32(h, 28) != 8000 ||
        le16(h, 32) != 1 || le16(h, 34) != 8 || le16(h, 36) != 0)
        return "not PCM mono 8000 Hz 8-bit";
    if (!tag_at(h, 38, "fact") || le32(h, 42) != 4) return "no fact chunk at byte 38";
    if (!tag_at(h, 50, "data")) return "no data chunk at byte 50";
    return "";
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

bool put32(std::FILE* f, long at, uint32_t v) {
    const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    return std::fseek(f, at, SEEK_SET) == 0 && std::fwrite(b, 1, 4, f) == 4;
}

RepairResult failed(RepairResult r, const std::string& why) {
    r.verdict = RepairResult::Verdict::Failed;
    r.reason = why;
    return r;
}

RepairResult foreign(RepairResult r, const std::string& why) {
    r.verdict = RepairResult::Verdict::Foreign;
    r.reason = why;
    return r;
}

bool is_wav_name(const fs::path& p) {
    std::string ext = p.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".wav";
}

}  // namespace

double RepairResult::seconds_recovered() const {
    return audio_bytes > counted_before ? static_cast<double>(audio_bytes - counted_before) / kBytesPerSecond : 0.0;
}

RepairResult repair_recording(const std::string& path) {
    RepairResult r;
    r.path = path;
    std::error_code ec;
    const fs::path native = platform::fs_path(path);
    if (!fs::is_regular_file(native, ec)) return failed(r, ec ? ec.message() : "not a file");
    const uint64_t length = fs::file_size(native, ec);
    if (ec) return failed(r, ec.message());
    if (length < kHeaderBytes) return foreign(r, "shorter than the 58-byte header");

    Header h{};
    {
        File in(std::fopen(path.c_str(), "rb"));
        if (!in) return failed(r, "cannot be opened");
        if (std::fread(h.data(), 1, h.size(), in.get()) != h.size()) return failed(r, "cannot be read");
    }
    const std::string problem = layout_problem(h);
    if (!problem.empty()) return foreign(r, problem);

    r.counted_before = le32(h, kDataSizeAt);
    // A finished file's RIFF size spans it exactly, also when another chunk (metadata an
    // editor added) or the pad byte of an odd data size follows the data; one the library
    // left unfinished always claims less. Past 4 GiB the library's final header says the
    // most its fields hold.
    const uint64_t riff_span = le32(h, kRiffSizeAt) + uint64_t{8};
    if (riff_span == length || (riff_span == kMaxAudioBytes + kHeaderAfterRiff + 8 && length > riff_span)) {
        r.audio_bytes = r.counted_before;
        r.verdict = RepairResult::Verdict::Whole;
        return r;
    }
    r.audio_bytes = length - kHeaderBytes;
    if (r.audio_bytes > kMaxAudioBytes) return foreign(r, "too long for a WAV header's sizes");
    const uint32_t audio = static_cast<uint32_t>(r.audio_bytes);
    const uint32_t riff = static_cast<uint32_t>(r.audio_bytes + kHeaderAfterRiff);

    // Only the three size fields change; a repair cut short by another crash leaves
    // sizes that the next one completes.
    File out(std::fopen(path.c_str(), "r+b"));
    if (!out) return failed(r, "cannot be opened for writing");
    if (!put32(out.get(), kDataSizeAt, audio) || !put32(out.get(), kSampleCountAt, audio) ||
        !put32(out.get(), kRiffSizeAt, riff) || !platform::sync_file(out.get()))
        return failed(r, "the header could not be written");
    r.verdict = r.counted_before > r.audio_bytes ? RepairResult::Verdict::Lowered : RepairResult::Verdict::Repaired;
    return r;
}

std::vector<RepairResult> repair_folder(const std::string& folder) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::directory_iterator it(platform::fs_path(folder), ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code type_ec;
        if (it->is_regular_file(type_ec) && is_wav_name(it->path())) files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    std::vector<RepairResult> results;
    for (const auto& f : files) results.push_back(repair_recording(platform::path_text(f)));
    return results;
}

std::string repair_note(const RepairResult& r) {
    using V = RepairResult::Verdict;
    char text[160];
    const uint64_t partial = r.audio_bytes % kChunkBytes;
    switch (r.verdict) {
        case V::Whole:
            return "whole, nothing to repair";
        case V::Repaired:
            std::snprintf(text, sizeof text, "%.1f s recovered, %.1f s in all", r.seconds_recovered(),
                          static_cast<double>(r.audio_bytes) / kBytesPerSecond);
            break;
        case V::Lowered:
            std::snprintf(text, sizeof text, "header claimed %.1f s, the file holds %.1f s: sizes lowered to that",
                          static_cast<double>(r.counted_before) / kBytesPerSecond,
                          static_cast<double>(r.audio_bytes) / kBytesPerSecond);
            break;
        case V::Foreign:
            return "left alone: " + r.reason;
        case V::Failed:
            return "not repaired: " + r.reason;
    }
    std::string note = text;
    if (partial != 0) note += ", with " + std::to_string(partial) + " bytes of an unfinished chunk";
    return note;
}

std::string repair_summary(const RepairResult& r) { return r.path + ": " + repair_note(r); }

}  // namespace host
