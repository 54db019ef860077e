#include "recordings/retirement.h"

#include <algorithm>
#include <filesystem>

#include "call_log/call_log.h"
#include "call_log/time_text.h"
#include "platform/platform.h"
#include "recordings/recording_name.h"
#include "recordings/space_guard.h"

namespace host {

namespace {

size_t column(const char* name) {
    const auto& columns = call_log_columns();
    return static_cast<size_t>(std::find(columns.begin(), columns.end(), name) - columns.begin());
}

std::string mb_text(uint64_t bytes) { return std::to_string(bytes / SpaceGuard::kBytesPerMb) + " MB"; }

}  // namespace

Retirement::Retirement(RetirementConfig config, CallEventSink sink)
    : config_(std::move(config)),
      sink_(std::move(sink)),
      cursor_(platform::path_text(platform::fs_path(config_.folder) / kCallLogName)),
      start_column_(column("start")),
      file_column_(column("file")) {
    if (!config_.real_ms) config_.real_ms = platform::monotonic_ms;
    if (!config_.free_bytes) {
        // The guard's own reading, so that both see the same disk the same way.
        config_.free_bytes = [probe = SpaceGuard(config_.folder, UINT64_MAX)]() mutable {
            probe.check(0);
            return probe.free_mb() * SpaceGuard::kBytesPerMb;
        };
    }
}

void Retirement::tick(int64_t now_ms, std::chrono::system_clock::time_point wall_now) {
    if (!enabled()) return;
    if (checked_ && !backlog_ && now_ms - checked_at_ms_ < kCheckEveryMs) return;
    checked_ = true;
    checked_at_ms_ = now_ms;
    round(now_ms, wall_now);
}

void Retirement::round(int64_t now_ms, std::chrono::system_clock::time_point wall_now) {
    const auto cutoff = wall_now - std::chrono::hours(24) * config_.keep_days;
    const uint64_t keep = config_.keep_free_bytes;
    const uint64_t free_now = keep > 0 ? config_.free_bytes() : UINT64_MAX;
    uint64_t freed = 0;
    int work = kWorkPerRound, deleted = 0;
    const int64_t began_ms = config_.real_ms();
    backlog_ = false;
    for (;;) {
        if (!read_rows(&work) || deleted == kDeletionsPerRound || config_.real_ms() - began_ms >= kRoundMs)
            backlog_ = true;
        if (held_.empty() || backlog_) return;
        const auto oldest = held_.begin();
        const bool old = config_.keep_days > 0 && oldest->first < cutoff;
        const bool short_of_room = free_now < keep && freed < keep - free_now;
        if (!old && !short_of_room) return;  // the oldest left is not due yet
        const std::string why = old ? "call older than " + std::to_string(config_.keep_days) + " days"
                                    : mb_text(free_now + freed) + " free, below the " + mb_text(keep) + " kept free";
        --work;
        if (const auto bytes = retire(oldest->second, now_ms, why)) {
            ++deleted;
            freed += *bytes;
        }
        held_.erase(oldest);
    }
}

bool Retirement::read_rows(int* work) {
    std::vector<std::string> row;
    while (held_.size() < kHeld) {
        if (*work <= 0) return false;
        if (!cursor_.next(&row)) return true;
        --*work;
        std::chrono::system_clock::time_point start;
        if (row.size() > std::max(start_column_, file_column_) && is_recording_file_name(row[file_column_]) &&
            parse_iso8601(row[start_column_], &start))
            held_.emplace(start, row[file_column_]);
    }
    return true;
}

std::optional<uint64_t> Retirement::retire(const std::string& name, int64_t now_ms, const std::string& why) {
    namespace fs = std::filesystem;
    if (config_.recording && config_.recording(name)) return std::nullopt;
    const fs::path path = platform::fs_path(config_.folder) / platform::fs_path(name);
    std::error_code ec;
    // Gone already (retired before, or by hand), or not a file at all: nothing to do.
    if (!fs::is_regular_file(fs::symlink_status(path, ec))) return std::nullopt;
    std::error_code size_ec;
    const uint64_t size = fs::file_size(path, size_ec);
    if (!fs::remove(path, ec)) {
        if (ec) report(CallEventKind::Fault, now_ms, platform::path_text(path), "recording could not be retired: " + ec.message());
        return std::nullopt;
    }
    report(CallEventKind::Retired, now_ms, platform::path_text(path), why);
    return size_ec ? 0 : size;
}

void Retirement::report(CallEventKind kind, int64_t now_ms, const std::string& file, const std::string& note) {
    if (!sink_) return;
    CallEvent e;
    e.kind = kind;
    e.at_ms = now_ms;
    e.file = file;
    e.note = note;
    sink_(e);
}

}  // namespace host
