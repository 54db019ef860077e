#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "call_log/call_log.h"
#include "call_log/time_text.h"
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
    const std::string young = log_call(folder, hours(24 * 2), 1);
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
        << start << ",,5,1,incoming,2,,answered,3," << recording_file_name(kNow - hours(24 * 90), 5, "2") << "\r\n"
        << start << ",,0,1,incoming,1,,missed,0,\r\n";
    const std::string log_before = host_test::file_text(fs::path(folder) / kCallLogName);

    RetirementConfig config;
    config.folder = folder;
    config.keep_days = 30;
    config.recording = [&](const std::string& name) { return name == fs::path(open).filename(); };
    Rounds run(config);
    run.retirement->tick(0, kNow);

    EXPECT_EQ(run.retired(), (std::vector<std::string>{old1, old2}));
    for (const auto& kept : {young, open, stray, outside.string()}) EXPECT_TRUE(fs::exists(kept)) << kept;
    EXPECT_EQ(host_test::file_text(fs::path(folder) / kCallLogName), log_before);
    EXPECT_EQ(run.events[0].note, "call older than 30 days");
}

TEST(Retirement, FewDeletionsPerRoundUntilTheBacklogIsDoneThenOncePerMinute) {
    const std::string folder = host_test::fresh_folder();
    const int old = Retirement::kDeletionsPerRound * 2 + 3;
    for (int i = 0; i < old; ++i) log_call(folder, hours(24 * 60) - std::chrono::minutes(i), 0);
    RetirementConfig config;
    config.folder = folder;
    config.keep_days = 30;
    Rounds run(config);
    const std::vector<size_t> after_round = {Retirement::kDeletionsPerRound, 2 * Retirement::kDeletionsPerRound,
                                             static_cast<size_t>(old), static_cast<size_t>(old)};
    for (size_t i = 0; i < after_round.size(); ++i) {
        run.retirement->tick(static_cast<int64_t>(i), kNow);
        EXPECT_EQ(run.events.size(), after_round[i]) << "round " << i;
    }
    // A call logged since (here one written in two pieces, as a power cut might leave
    // it) is found at the next minute's round, once its row is whole.
    const std::string later = log_call(folder, hours(24 * 40), 1);
    const fs::path log_path = fs::path(folder) / kCallLogName;
    std::ofstream(log_path, std::ios::app) << iso8601_local(kNow - hours(24 * 45)) << ",\"unfinished";
    run.retirement->tick(10, kNow);
    EXPECT_EQ(run.events.size(), static_cast<size_t>(old));
    run.retirement->tick(10 + Retirement::kCheckEveryMs, kNow);
    ASSERT_EQ(run.events.size(), static_cast<size_t>(old) + 1);
    EXPECT_EQ(run.events.back().file, later);
}

TEST(Retirement, RoundEndsEarlyWhenTheDiskIsSlow) {
    const std::string folder = host_test::fresh_folder();
    for (int i = 0; i < 5; ++i) log_call(folder, hours(24 * 60) - std::chrono::minutes(i), 0);
    int64_t real = 0;
    RetirementConfig config;
    config.folder = folder;
    config.keep_days = 30;
    config.real_ms = [&] { return real += 4; };  // every look at the clock: 4 ms later
    int retired = 0;
    Retirement retirement(config, [&](const CallEvent&) { ++retired; });
    retirement.tick(0, kNow);
    EXPECT_EQ(retired, 2);  // 4 and 8 ms in: going on; 12 ms: over the time a round may take
    retirement.tick(1, kNow);
    EXPECT_EQ(retired, 4);
}

TEST(Retirement, KeepsRoomByDeletingTheOldestFirstUntilThereIsEnough) {
    const std::string folder = host_test::fresh_folder();
    std::vector<std::string> files;
    for (int i = 0; i < 4; ++i) files.push_back(log_call(folder, hours(5 - i), 0, 10 * kMb));
    uint64_t free_bytes = 75 * kMb;
    RetirementConfig config;
    config.folder = folder;
    config.keep_free_bytes = 100 * kMb;
    config.free_bytes = [&] { return free_bytes; };
    Rounds run(config);
    run.retirement->tick(0, kNow);
    // 75 MB free: three recordings of 10 MB bring it to 105 MB.
    EXPECT_EQ(run.retired(), (std::vector<std::string>(files.begin(), files.begin() + 3)));
    EXPECT_EQ(run.events[2].note, "95 MB free, below the 100 MB kept free");
    free_bytes = 100 * kMb;
    run.retirement->tick(Retirement::kCheckEveryMs, kNow);
    EXPECT_EQ(run.events.size(), 3u);
    EXPECT_TRUE(fs::exists(files[3]));
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
