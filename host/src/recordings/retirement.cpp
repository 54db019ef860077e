#include "recordings/retirement.h"

#include <algorithm>

#include "call_log/call_log.h"
#include "call_log/time_text.h"
#include "platform/platform.h"
#include "recordings/recording_name.h"
#include "recordings/space_guard.h"

namespace host {

namespace {

constexpr auto kDay = std::chrono::hours(24);
// The clock may be set right by this much while the recorder runs without being taken
// for a clock set wrong.
constexpr auto kClockSlack = kDay;

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
      file_column_(column("file")),
      deleter_(config_.remove) {
    if (!config_.real_ms) config_.real_ms = platform::monotonic_ms;
    if (!config_.free_bytes) {
        // The guard's own reading, so that both see the same disk the same way.
        config_.free_bytes = [probe = SpaceGuard(config_.folder, UINT64_MAX)]() mutable {
            probe.check(0);
            return probe.free_mb() * SpaceGuard::kBytesPerMb;
        };
    }
}

void Retirement::tick(int64_t now_ms, WallTime wall_now) {
    if (!enabled()) return;
    collect(now_ms);
    if (checked_ && !backlog_ && now_ms - checked_at_ms_ < kCheckEveryMs) return;
    checked_ = true;
    checked_at_ms_ = now_ms;
    round(now_ms, wall_now);
}

void Retirement::collect(int64_t now_ms) {
    if (handed_.empty() || !deleter_.take(&done_)) return;
    for (FileDeleter::Done& d : done_) {
        const auto it = handed_.find(d.name);
        if (it == handed_.end()) continue;
        const Handed h = std::move(it->second);
        handed_.erase(it);
        if (h.for_room) room_pending_ = false;
        if (d.result == FileDeleter::Done::Result::Deleted) report(CallEventKind::Retired, now_ms, path_text(d.name), h.why);
        if (d.result != FileDeleter::Done::Result::Failed) continue;
        // Held open, perhaps: tried again later, and said only the first time.
        if (!h.tried)
            report(CallEventKind::Fault, now_ms, path_text(d.name),
                   "recording could not be retired: " + d.reason + "; it is tried again every " +
                       std::to_string(kRetryAfterMs / 60000) + " minutes");
        if (retries_.size() < kHeld) retries_.push_back({h.start, d.name, now_ms + kRetryAfterMs});
    }
    done_.clear();
}

void Retirement::round(int64_t now_ms, WallTime wall_now) {
    backlog_ = true;
    if (room_pending_) return;  // room is made one file at a time, each seen gone first
    const uint64_t keep = config_.keep_free_bytes;
    const uint64_t free_now = keep > 0 ? config_.free_bytes() : UINT64_MAX;
    while (!retries_.empty() && retries_.front().due_ms <= now_ms && held_.size() < kHeld) {
        held_.emplace(retries_.front().start, Held{std::move(retries_.front().name), true});
        retries_.pop_front();
    }
    int work = kWorkPerRound;
    const int64_t began_ms = config_.real_ms();
    backlog_ = !read_rows(&work) || config_.real_ms() - began_ms >= kRoundMs;
    const auto cutoff = age_reference(now_ms, wall_now) - kDay * config_.keep_days;
    // The oldest due, handed over together; room is made by one alone, once the
    // recordings handed over before are gone.
    std::vector<std::multimap<WallTime, Held>::iterator> due;
    bool for_room = false;
    for (auto it = held_.begin(); it != held_.end() && !for_room && due.size() < kDeletionsPerRound;) {
        const bool old = config_.keep_days > 0 && it->first < cutoff;
        if (!old && free_now >= keep) break;  // the oldest left is not due yet
        if (!old && (!handed_.empty() || !due.empty())) break;
        if (work-- <= 0) break;
        if (config_.recording && config_.recording(it->second.name)) {
            it = held_.erase(it);
            continue;
        }
        for_room = !old;
        due.push_back(it++);
    }
    if (due.empty()) return;
    backlog_ = true;  // the next pass looks for more
    std::vector<FileDeleter::Job> jobs;
    for (const auto& it : due)
        jobs.push_back({it->second.name, platform::fs_path(config_.folder) / platform::fs_path(it->second.name)});
    if (!deleter_.hand(&jobs)) return;  // the deletions' thread is busy: next time
    for (const auto& it : due) {
        const std::string why = !for_room ? "call older than " + std::to_string(config_.keep_days) + " days"
                                          : mb_text(free_now) + " free, below the " + mb_text(keep) + " kept free";
        handed_[it->second.name] = Handed{it->first, why, it->second.tried, for_room};
        held_.erase(it);
    }
    room_pending_ = for_room;
}

bool Retirement::read_rows(int* work) {
    std::vector<std::string> row;
    while (held_.size() < kHeld) {
        if (*work <= 0) return false;
        if (!cursor_.next(&row)) {
            read_to_end_ = true;
            return true;
        }
        --*work;
        WallTime start;
        if (row.size() <= std::max(start_column_, file_column_) || !parse_iso8601(row[start_column_], &start)) continue;
        newest_ = newest_ ? std::max(*newest_, start) : start;
        if (is_recording_file_name(row[file_column_]) && !handed_.count(row[file_column_]))
            held_.emplace(start, Held{row[file_column_], false});
    }
    return true;
}

Retirement::WallTime Retirement::age_reference(int64_t now_ms, WallTime wall_now) {
    if (!newest_) return wall_now;  // no call read: none is held either
    if (read_to_end_ && !anchor_) {
        // A clock past the newest call by more than the kept days would make every
        // recording old: the time is counted on from that call instead.
        anchored_to_log_ = wall_now - *newest_ > kDay * config_.keep_days;
        anchor_ = anchored_to_log_ ? *newest_ : wall_now;
        anchor_ms_ = now_ms;
    }
    const WallTime reference = std::min(wall_now, *newest_);
    if (!anchor_) return reference;
    const WallTime ran = *anchor_ + std::chrono::milliseconds(now_ms - anchor_ms_);
    if (!clock_reported_ && config_.keep_days > 0 && (anchored_to_log_ || wall_now > ran + kClockSlack)) {
        clock_reported_ = true;
        report(CallEventKind::Fault, now_ms, "",
               "the clock reads " + iso8601_local(wall_now) + ", ahead of the call log (its newest call " +
                   iso8601_local(*newest_) + ") and of the time the recorder has run: recordings are aged by " +
                   "those, not by the clock");
    }
    return std::min(reference, ran);
}

std::string Retirement::path_text(const std::string& name) const {
    return platform::path_text(platform::fs_path(config_.folder) / platform::fs_path(name));
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
