// Counts heap allocations while a host polls: status queries and recording polls must
// allocate nothing beyond what opening a box costs (natively: the simulated bus's open;
// on Windows: the interface-detail buffer), plus the C runtime's stream buffers when a
// recording file is closed and reopened at every 11th chunk.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "fixture/runner.h"

extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
void __libc_free(void*);
}

namespace {
std::atomic<long> g_allocations{0};
std::atomic<bool> g_counting{false};
void count() {
    if (g_counting.load(std::memory_order_relaxed)) g_allocations.fetch_add(1, std::memory_order_relaxed);
}

// Allocations made by `f`.
template <class F>
long allocations_in(F&& f) {
    g_allocations = 0;
    g_counting = true;
    f();
    g_counting = false;
    return g_allocations;
}
}  // namespace

// Every C and C++ allocation of the process ends up here (operator new calls malloc).
extern "C" {
void* malloc(size_t n) {
    count();
    return __libc_malloc(n);
}
void* calloc(size_t n, size_t size) {
    count();
    return __libc_calloc(n, size);
}
void* realloc(void* p, size_t n) {
    count();
    return __libc_realloc(p, n);
}
void* aligned_alloc(size_t align, size_t n) {
    count();
    return __libc_memalign(align, n);
}
int posix_memalign(void** out, size_t align, size_t n) {
    count();
    *out = __libc_memalign(align, n);
    return *out ? 0 : 12;  // ENOMEM
}
void free(void* p) { __libc_free(p); }
}

namespace {

namespace vs = vornix::sim;
constexpr int kBoxes = 4;
constexpr int kTickMs = 50;
constexpr int kBlockEveryMs = 2048;
constexpr int kChunksPerReopen = 11;

class SteadyPolling : public ::testing::Test {
protected:
    void SetUp() override {
        runner::fresh_library();
        for (int i = 0; i < kBoxes; ++i) ids_.push_back(runner::bus().plug_silently());
        idle_ = vs::make_status_report(vs::StatusRecord::valid().disconnected(true).serial(5001), true);
        talking_ = vs::make_status_report(vs::StatusRecord::valid().off_hook(true).serial(5002), true);
        block_ready_ = vs::make_status_report(
            vs::StatusRecord::valid().off_hook(true).record_end(true).serial(5002), true);
        for (int id : ids_) runner::bus().set_status_report(id, idle_);
        runner::bus().set_status_report(ids_[0], talking_);
        runner::bus().set_audio(ids_[0], [](uint8_t* block, uint32_t, uint32_t size, uint64_t n) {
            for (uint32_t i = 0; i < size; ++i) block[i] = static_cast<uint8_t>(n + i);
        });
        ASSERT_EQ(SW_Init(), 1);
        path_ = (std::filesystem::temp_directory_path() / "host_alloc_test.wav").string();
    }
    void TearDown() override { SW_Free(); }

    // One host round over every box: the queries a recording host makes.
    int round() {
        char digits[17];
        int budget = 0;
        for (int slot = 0; slot < kBoxes; ++slot) {
            SW_CheckRing(slot);
            SW_CheckOffHook(slot);
            SW_CheckDisconnect(slot);
            SW_ReceiveDTMF(slot, digits);
            SW_ReceiveCID(slot, digits);
            SW_GetStrCID(slot);
        }
        budget = SW_CheckFileRecordEnd(0);
        return budget;
    }

    std::vector<int> ids_;
    std::array<uint8_t, vornix::kStatusReportSize> idle_{}, talking_{}, block_ready_{};
    std::string path_;
};

TEST_F(SteadyPolling, QueriesAnsweredFromTheStatusRecordAllocateNothing) {
    ASSERT_EQ(allocations_in([] { delete new int(1); }), 1) << "the allocation counter is not in place";
    ASSERT_EQ(SW_StartFileRecord(0, path_.c_str(), 1 << 30), 0);
    round();  // fills the status cache of every slot
    EXPECT_EQ(allocations_in([&] {
                  for (int i = 0; i < 1000; ++i) round();
              }),
              0);
    SW_StopFileRecord(0);
}

TEST_F(SteadyPolling, PollingAndRecordingAllocateOnlyWhatOpensAndReopensCost) {
    // What one open costs, measured on a command that opens once and is never held off.
    // The counters are never reset below: their first entry for a code would count too.
    constexpr int kSamples = 50;
    SW_USBInit(1);
    const int attempts_before = runner::bus().counters().open_attempts;
    const long command_allocs = allocations_in([] {
        for (int i = 0; i < kSamples; ++i) SW_USBInit(1);
    });
    ASSERT_EQ(runner::bus().counters().open_attempts - attempts_before, kSamples);
    ASSERT_EQ(command_allocs % kSamples, 0) << "an open costs the same every time";
    const long per_open = command_allocs / kSamples;
    // What closing and reopening a recording file costs the C runtime.
    const long per_reopen = allocations_in([&] {
        std::FILE* f = std::fopen(path_.c_str(), "w+b");
        std::fputc(0, f);
        std::fclose(f);
        f = std::fopen(path_.c_str(), "r+b");
        std::fseek(f, 0, SEEK_END);
        std::fputc(0, f);
        std::fclose(f);
    }) / 2;

    ASSERT_EQ(SW_StartFileRecord(0, path_.c_str(), 1 << 30), 0);
    int chunks = 0, previous = 1 << 30;
    uint64_t reads_seen = runner::bus().box(ids_[0]).audio_reads;
    // The box reports a block ready every 2.048 s and clears the flag once it is read.
    auto run_for = [&](int ms) {
        for (int t = 0; t < ms; t += kTickMs) {
            runner::bus().advance(kTickMs);
            vs::Box& box = runner::bus().box(ids_[0]);
            if (box.audio_reads != reads_seen) {
                reads_seen = box.audio_reads;
                runner::bus().set_status_report(ids_[0], talking_);
            }
            if (t % kBlockEveryMs < kTickMs) runner::bus().set_status_report(ids_[0], block_ready_);
            const int budget = round();
            if (budget >= 0 && budget < previous) {
                ++chunks;
                previous = budget;
            }
        }
    };
    run_for(3000);  // warm-up: every table and counter entry in use
    ASSERT_GT(chunks, 0);
    chunks = 0;
    const int attempts_at_start = runner::bus().counters().open_attempts;
    const long allocs = allocations_in([&] { run_for(60000); });
    const int opens = runner::bus().counters().open_attempts - attempts_at_start;
    const int reopens = chunks / kChunksPerReopen + 1;
    EXPECT_GT(chunks, 20);
    EXPECT_GT(opens, 100);
    std::printf("allocations %ld in %d opens (%ld per open) and %d chunks (%ld per reopen)\n", allocs, opens,
                per_open, chunks, per_reopen);
    EXPECT_LE(allocs, opens * per_open + reopens * per_reopen)
        << "opens " << opens << " x " << per_open << ", reopens " << reopens << " x " << per_reopen;
    SW_StopFileRecord(0);
    std::remove(path_.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
