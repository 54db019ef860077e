#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "call_log/call_log.h"
#include "call_log/time_text.h"
#include "notes/note_file.h"
#include "recordings/recording_name.h"
#include "recordings/retirement.h"
#include "recordings/space_guard.h"
#include "test_files.h"

using namespace host;
namespace fs = std::filesystem;
using std::chrono::hours;

namespace {

const auto kNow = std::chrono::system_clock::now();
constexpr uint64_t kMb = SpaceGuard::kBytesPerMb;

// A call `age` ago with a recording of `bytes` (sparse: no disk is used), logged.
std::string log_call(const std::string& folder, std::chrono::system_clock::duration age, int slot,
                     uint64_t bytes = 100) {
    CallRecord r;
    r.start = kNow - age;
    r.end = r.start + std::chrono::seconds(30);
    r.slot = slot;
    r.file = (fs::path(folder) / recording_file_name(r.start, slot, "13800138000")).string();
    std::ofstream(r.file, std::ios::binary).put('x');
    fs::resize_file(r.file, bytes);
    EXPECT_TRUE(CallLog(folder).append(r));
    return r.file;
}

struct Rounds {
    std::vector<CallEvent> events;
    std::unique_ptr<Retirement> retirement;
    Rounds(RetirementConfig config) {
        config.real_ms = [] { return int64_t{0}; };  // rounds end by their counts here, not by a busy disk
        retirement = std::make_unique<Retirement>(config, [this](const CallEvent& e) { events.push_back(e); });
    }
    // A round, and what the deletions' thread made of the files it was handed.
    void tick(int64_t now_ms, std::chrono::system_clock::time_point wall = kNow) {
        retirement->tick(now_ms, wall);
        for (int waited = 0; retirement->deleting() && waited < 5000; ++waited) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            retirement->collect(now_ms);
        }
    }
    std::vector<std::string> retired() const {
        std::vector<std::string> files;
        for (const auto& e : events) files.push_back(e.kind == CallEventKind::Retired ? e.file : "fault: " + e.note);
        return files;
    }
};

}  // namespace

TEST(Retirement, DeletesOnlyOldRecordingsItsCallLogNamesInItsFolder) {
    const std::string folder = host_test::fresh_folder();
    const std::string old1 = log_call(folder, hours(24 * 40), 0);
    const std::string young = log_call(folder, hours(2), 1);
    const std::string open = log_call(folder, hours(24 * 50), 2);
    const std::string old2 = log_call(folder, hours(24 * 31), 3);
    // Old recordings the log does not name, or names as something else than a
    // recording of this folder: never touched.
    const std::string stray = (fs::path(folder) / recording_file_name(kNow - hours(24 * 90), 0, "1")).string();
    std::ofstream(stray).put('x');
    const fs::path outside = fs::path(folder).parent_path() / (fs::path(folder).filename().string() + "_outside.wav");
    std::ofstream(outside).put('x');
    fs::create_directory(fs::path(folder) / recording_file_name(kNow - hours(24 * 90), 5, "2"));
    const std::string start = iso8601_local(kNow - hours(24 * 99));
    std::ofstream(fs::path(folder) / kCallLogName, std::ios::app)
        << start << ",,0,1,incoming,1,,answered,3,../" << outside.filename().string() << "\r\n"
        << start << ",,0,1,incoming,1,,answered,3,notes.wav\r\n"
        << start << ",,0,1,incoming,1,,answered,3," << kNotesName << "\r\n"
        << start << ",,5,1,incoming,2,,answered,3," << recording_file_name(kNow - hours(24 * 90), 5, "2") << "\r\n"
        << start << ",,0,1,incoming,1,,missed,0,\r\n";
    const std::string log_before = host_test::file_text(fs::path(folder) / kCallLogName);
    // The notes file is the calls' own, as old as the oldest note: never a recording.
    std::ofstream(fs::path(folder) / kNotesName) << "start,box,file,written,by,mark,note,check\r\n";
    fs::last_write_time(fs::path(folder) / kNotesName, fs::file_time_type::clock::now() - hours(24 * 400));

    RetirementConfig config;
    config.folder = folder;
    config.keep_days = 30;
    config.recording = [&](const std::string& name) { return name == fs::path(open).filename(); };
    Rounds run(config);
    run.tick(0, kNow);

    EXPECT_EQ(run.retired(), (std::vector<std::string>{old1, old2}));
    for (const auto& kept : {young, open, stray, outside.string()}) EXPECT_TRUE(fs::exists(kept)) << kept;
    EXPECT_EQ(host_test::file_text(fs::path(folder) / kCallLogName), log_before);
    EXPECT_TRUE(fs::exists(fs::path(folder) / kNotesName));
    EXPECT_EQ(run.events[0].note, "call older than 30 days");
}

TEST(Retirement, FewDeletionsPerRoundUntilTheBacklogIsDoneThenOncePerMinute) {
    const std::string folder = host_test::fresh_folder();
    const int old = Retirement::kDeletionsPerRound * 2 + 3;
    for (int i = 0; i < old; ++i) log_call(folder, hours(24 * 60) - std::chrono::minutes(i), 0);
    log_call(folder, hours(1), 1);  // the office's latest call
    RetirementConfig config;
    config.folder = folder;
    config.keep_days = 30;
    Rounds run(config);
    const std::vector<size_t> after_round = {Retirement::kDeletionsPerRound, 2 * Retirement::kDeletionsPerRound,
                                             static_cast<size_t>(old), static_cast<size_t>(old)};
    for (size_t i = 0; i < after_round.size(); ++i) {
        run.tick(static_cast<int64_t>(i), kNow);
        EXPECT_EQ(run.events.size(), after_round[i]) << "round " << i;
    }
    // A call logged since (here one written in two pieces, as a power cut might leave
    // it) is found at the next minute's round, once its row is whole.
    const std::string later = log_call(folder, hours(24 * 40), 1);
    const fs::path log_path = fs::path(folder) / kCallLogName;
    std::ofstream(log_path, std::ios::app) << iso8601_local(kNow - hours(24 * 45)) << ",\"unfinished";
    run.tick(10, kNow);
    EXPECT_EQ(run.events.size(), static_cast<size_t>(old));
    run.tick(10 + Retirement::kCheckEveryMs, kNow);
    ASSERT_EQ(run.events.size(), static_cast<size_t>(old) + 1);
    EXPECT_EQ(run.events.back().file, later);
}

// A deletion that takes long (a share) runs beside the loop: a round hands the files
// over and returns at once, and what became of them is taken in later.
TEST(Retirement, ASlowDeletionHoldsUpNoRound) {
    const std::string folder = host_test::fresh_folder();
    for (int i = 0; i < 3; ++i) log_call(folder, hours(24 * 60) - std::chrono::minutes(i), 0);
    log_call(folder, hours(1), 1);
    std::atomic<bool> release{false};
    std::atomic<int> removed{0};
    const auto loop = std::this_thread::get_id();
    RetirementConfig config;
    config.folder = folder;
    config.keep_days = 30;
    config.remove = [&](const fs::path& p, std::error_code& ec) {
        for (int ms = 0; !release && ms < 2000; ++ms) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_NE(std::this_thread::get_id(), loop);
        ++removed;
        return fs::remove(p, ec);
    };
    Rounds run(config);
    const auto before = std::chrono::steady_clock::now();
    run.retirement->tick(0, kNow);
    run.retirement->tick(1, kNow);
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(500));
    EXPECT_TRUE(run.retirement->deleting());
    EXPECT_TRUE(run.events.empty());
    release = true;
    run.tick(2);
    EXPECT_EQ(removed, 3);
    EXPECT_EQ(run.retired().size(), 3u);
}

TEST(Retirement, KeepsRoomByDeletingTheOldestFirstUntilThereIsEnough) {
    const std::string folder = host_test::fresh_folder();
    std::vector<std::string> files;
    for (int i = 0; i < 4; ++i) files.push_back(log_call(folder, hours(5 - i), 0, 10 * kMb));
    uint64_t free_bytes = 75 * kMb;  // and 10 MB more for each recording gone (they are sparse)
    RetirementConfig config;
    config.folder = folder;
    config.keep_free_bytes = 100 * kMb;
    config.free_bytes = [&] {
        return free_bytes + 10 * kMb * std::count_if(files.begin(), files.end(), [](const std::string& f) { return !fs::exists(f); });
    };
    Rounds run(config);
    for (int64_t pass = 0; pass < 10; ++pass) run.tick(pass, kNow);  // one at a time, each seen gone
    // 75 MB free: three recordings of 10 MB bring it to 105 MB.
    EXPECT_EQ(run.retired(), (std::vector<std::string>(files.begin(), files.begin() + 3)));
    EXPECT_EQ(run.events[2].note, "95 MB free, below the 100 MB kept free");
    free_bytes = 100 * kMb;
    run.tick(10 + Retirement::kCheckEveryMs, kNow);
    EXPECT_EQ(run.events.size(), 3u);
    EXPECT_TRUE(fs::exists(files[3]));
}

// A clock set a year ahead by mistake, before the start or while the recorder runs,
// makes no young recording old: ages are counted from the newest call in the log, and
// on by the time the recorder has run. Said once; calls logged under the wrong clock
// change nothing. The call that is old by the log's own dates goes, as with the clock right.
TEST(Retirement, AClockSetFarAheadRetiresNothingYoung) {
    const auto year = hours(24 * 365);
    struct Case { const char* when; std::chrono::hours ahead_at_start, ahead_later; };
    const Case cases[] = {
        {"right all along", hours(0), hours(0)},
        {"a year ahead from the start", year, year},
        {"set a year ahead while running", hours(0), year},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.when);
        const std::string folder = host_test::fresh_folder();
        const std::string old = log_call(folder, hours(24 * 40), 0);
        const std::string young = log_call(folder, hours(24 * 2), 1);
        RetirementConfig config;
        config.folder = folder;
        config.keep_days = 30;
        Rounds run(config);
        run.tick(0, kNow + c.ahead_at_start);
        // A call logged under the clock as it is then, and a minute's rounds later.
        log_call(folder, -c.ahead_later, 2);
        for (int64_t minute = 1; minute <= 3; ++minute)
            run.tick(minute * Retirement::kCheckEveryMs, kNow + c.ahead_later + std::chrono::minutes(minute));
        std::vector<std::string> retired;
        int clock_faults = 0;
        for (const std::string& r : run.retired()) {
            if (r.rfind("fault: the clock reads ", 0) == 0) ++clock_faults;
            else retired.push_back(r);
        }
        EXPECT_EQ(retired, std::vector<std::string>{old});
        EXPECT_EQ(clock_faults, c.ahead_later.count() ? 1 : 0);
        EXPECT_TRUE(fs::exists(young));
    }
}

// A recording that cannot be deleted (held open) is said once and tried again every
// kRetryAfterMs, not in every round and not only at the next start.
TEST(Retirement, ARecordingThatCannotBeDeletedIsTriedAgainLater) {
    const std::string folder = host_test::fresh_folder();
    const std::string file = log_call(folder, hours(24 * 60), 0);
    log_call(folder, hours(1), 1);
    int tries = 0;
    RetirementConfig config;
    config.folder = folder;
    config.keep_days = 30;
    config.remove = [&](const fs::path& p, std::error_code& ec) {
        if (++tries <= 2) {
            ec = std::make_error_code(std::errc::permission_denied);
            return false;
        }
        return fs::remove(p, ec);
    };
    Rounds run(config);
    const int64_t retry = Retirement::kRetryAfterMs;
    for (const int64_t now : {int64_t{0}, retry - 1, retry, retry + Retirement::kCheckEveryMs, 2 * retry + Retirement::kCheckEveryMs})
        run.tick(now);
    EXPECT_EQ(tries, 3);
    EXPECT_EQ(run.retired(), (std::vector<std::string>{"fault: recording could not be retired: Permission denied; it is "
                                                       "tried again every 10 minutes",
                                                       file}));
    EXPECT_FALSE(fs::exists(file));
}

TEST(Retirement, TimesAndNamesAreReadBackOnlyInTheShapesTheHostWrites) {
    std::chrono::system_clock::time_point t;
    ASSERT_TRUE(parse_iso8601("2025-03-14T09:30:05+08:00", &t));
    EXPECT_EQ(std::chrono::system_clock::to_time_t(t), 1741915805);
    ASSERT_TRUE(parse_iso8601("2025-03-14T01:00:05-00:30", &t));
    EXPECT_EQ(std::chrono::system_clock::to_time_t(t), 1741915805);
    ASSERT_TRUE(parse_iso8601(iso8601_local(kNow), &t));
    EXPECT_EQ(std::chrono::system_clock::to_time_t(t), std::chrono::system_clock::to_time_t(kNow));
    for (const char* bad : {"2025-03-14T09:30:05", "2025-13-14T09:30:05+08:00", "2025-03-14 09:30:05+08:00", ""})
        EXPECT_FALSE(parse_iso8601(bad, &t)) << bad;

    for (const std::string& good : {recording_file_name(kNow, 12, "+86 138"), recording_file_name(kNow, 0, ""),
                                    std::string("20250314-093005-120_slot0_1-2.wav")})
        EXPECT_TRUE(is_recording_file_name(good)) << good;
    for (const char* bad : {"../20250314-093005-120_slot0_1.wav", "notes.wav", "20250314-093005-120_slot0_1.wav.txt",
                            "20250314-093005-120_slot0_.wav", "20250314-093005-120_slotX_1.wav",
                            "20250314-093005-120_slot0_1-.wav", "2025031-093005-120_slot0_1.wav"})
        EXPECT_FALSE(is_recording_file_name(bad)) << bad;
}
