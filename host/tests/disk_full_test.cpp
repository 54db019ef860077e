// A disk that really fills up: a 4 MB tmpfs under the recordings folder, filled during
// a call. The free-space guard must finish the running recording with its final
// header, record nothing while the disk is full but still log the calls, and record
// again once there is room.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/mount.h>
#include <unistd.h>

#include "call_log/call_log.h"
#include "call_log/csv.h"
#include "fixture/runner.h"
#include "lines/line_watcher.h"
#include "scenario_player.h"
#include "test_files.h"

using namespace host;
using namespace host_test;
namespace fs = std::filesystem;

namespace {

constexpr size_t kHeader = 58;
constexpr size_t kChunk = 16384;

class Tmpfs {
public:
    explicit Tmpfs(const fs::path& dir) : dir_(dir) {
        fs::create_directories(dir_);
        if (::mount("tmpfs", dir_.c_str(), "tmpfs", 0, "size=4m") != 0) error_ = std::strerror(errno);
    }
    ~Tmpfs() {
        if (error_.empty()) ::umount2(dir_.c_str(), MNT_DETACH);
        std::error_code ec;
        fs::remove(dir_, ec);
    }
    const std::string& error() const { return error_; }

private:
    fs::path dir_;
    std::string error_;
};

// Writes until the file system says it is full.
void fill(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    std::vector<char> block(64 * 1024, 'x');
    size_t piece = block.size();
    while (piece > 0) {
        if (::write(fd, block.data(), piece) < 0) {
            ASSERT_EQ(errno, ENOSPC);
            piece /= 2;  // fill the last pages too
        }
    }
    ::close(fd);
}

}  // namespace

TEST(DiskFull, RecordingStopsCleanlyCallsAreLoggedAndRecordingResumes) {
    // A folder of this process's own: a mount is not shared with another test run.
    const fs::path dir = fs::temp_directory_path() / "host_tests" / ("disk_full_" + std::to_string(::getpid()));
    const Tmpfs tmpfs(dir);
    if (!tmpfs.error().empty()) GTEST_SKIP() << "tmpfs mount refused (" << tmpfs.error() << "): this test needs root";
    const std::string folder = dir.string(), filler = folder + "/filler";

    runner::fresh_library();
    vornix::sim::ScenarioPlayer player(runner::bus(), vornix::sim::parse_scenario(
        "at 0 plug a\nat 0 plug b\nat 0 audio a tone 440\n"
        "at 1 offhook a\n"         // recorded while there is room
        "at 70 offhook b\n"        // the disk is full: not recorded
        "at 80 hangup a\nat 80 hangup b\n"
        "at 90 offhook a\n"        // room again
        "at 96 hangup a\nat 98 end\n", "disk full"));
    player.start();
    HostClock clock([&] { return player.now_ms(); });
    WatcherConfig config;
    config.folder = folder;
    config.min_free_bytes = 1 * SpaceGuard::kBytesPerMb;
    std::vector<CallEvent> events;
    CallLog log(folder);
    LineWatcher watcher(config, clock, [&](const CallEvent& e) { events.push_back(e); },
                        [&](const CallRecord& r) { log.append(r); });
    SW_Init();
    constexpr int64_t kFillAtMs = 5000, kFreeAtMs = 85000;
    while (!player.over()) {
        if (player.now_ms() == kFillAtMs) fill(filler);
        if (player.now_ms() == kFreeAtMs) fs::remove(filler);
        watcher.tick();
        player.advance(50);
    }
    watcher.finish_all("end");
    SW_Free();

    auto count = [&](CallEventKind kind, int slot) {
        return std::count_if(events.begin(), events.end(), [&](const CallEvent& e) { return e.kind == kind && e.slot == slot; });
    };
    EXPECT_EQ(count(CallEventKind::NoSpace, -1), 1);  // the disk ran short
    EXPECT_EQ(count(CallEventKind::NoSpace, 0), 1);   // the running recording finished
    EXPECT_EQ(count(CallEventKind::NoSpace, 1), 1);   // the next call not recorded
    EXPECT_EQ(count(CallEventKind::SpaceBack, -1), 1);

    // Every recording carries its final header, the one cut short by the full disk too.
    std::vector<std::string> files;
    for (const auto& e : events)
        if (e.kind == CallEventKind::Answered && !e.file.empty()) files.push_back(e.file);
    ASSERT_EQ(files.size(), 2u);
    for (const auto& f : files) {
        SCOPED_TRACE(f);
        const auto b = file_bytes(f);
        ASSERT_GE(b.size(), kHeader + kChunk);
        EXPECT_EQ(le32(b, 54), b.size() - kHeader);
        EXPECT_EQ(le32(b, 4), b.size() - 8);
    }
    EXPECT_EQ(file_bytes(files[1]).size(), kHeader + 3 * kChunk);  // 6 s: the last block after the hang-up

    // The rows of the calls that ended on the full disk were kept and written later.
    EXPECT_TRUE(log.unwritten().empty());
    std::ifstream in(log.path(), std::ios::binary);
    const auto rows = parse_csv({std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()});
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[1][7], "no-space");
    EXPECT_EQ(rows[1][9], fs::path(files[0]).filename().string());
    EXPECT_EQ(rows[2][7], "no-space");
    EXPECT_EQ(rows[2][9], "");
    EXPECT_EQ(rows[3][7], "answered");
}

// A folder whose free space cannot be read (a share that refuses the question) is said
// once, not taken for room; said again only after a reading succeeded in between.
TEST(DiskSpace, UnreadableFreeSpaceIsSaidOnce) {
    const fs::path dir = fs::path(fresh_folder()) / "later";
    SpaceGuard guard(dir.string(), UINT64_MAX);
    using C = SpaceGuard::Change;
    EXPECT_EQ(guard.check(0), C::Unreadable);
    EXPECT_EQ(guard.check(1), C::None);
    EXPECT_FALSE(guard.low());
    fs::create_directories(dir);
    EXPECT_EQ(guard.check(2), C::Low);
    fs::remove(dir);
    EXPECT_EQ(guard.check(3), C::Unreadable);
    EXPECT_TRUE(guard.low());  // the last reading holds
}
