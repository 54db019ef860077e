// Retiring a folder of 100,000 old recordings, as a recorder started with --keep-days
// on years of calls meets it: the time one round takes (what the loop is held up by)
// and the rounds, work and time it takes to retire them all, at the default pause of
// 50 ms between two rounds of the loop.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <thread>
#include <vector>

#include "call_log/call_log.h"
#include "call_log/csv.h"
#include "call_log/time_text.h"
#include "recordings/recording_name.h"
#include "recordings/retirement.h"

namespace {

namespace fs = std::filesystem;
constexpr int kRecordings = 100000;
constexpr int64_t kLoopPauseMs = 50;
constexpr size_t kRecordingBytes = 8044;  // a second of audio and its header

// The folder and its call log, written at once (the log as the host writes it).
void make_folder(const fs::path& folder, std::chrono::system_clock::time_point now) {
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::string audio(kRecordingBytes, '\x80');
    std::string log = host::csv_record(host::call_log_columns());
    for (int i = 0; i < kRecordings; ++i) {
        host::CallRecord r;
        r.start = now - std::chrono::hours(24 * 400) + std::chrono::minutes(5 * i);
        r.end = r.start + std::chrono::seconds(1);
        r.slot = i % 4;
        r.file = (folder / host::recording_file_name(r.start, r.slot, "13800138000")).string();
        std::ofstream(r.file, std::ios::binary).write(audio.data(), static_cast<std::streamsize>(audio.size()));
        log += host::csv_record(host::call_row(r));
    }
    std::ofstream(folder / host::kCallLogName, std::ios::binary) << log;
}

void BM_Retire100kOldRecordings(benchmark::State& state) {
    const fs::path folder = fs::temp_directory_path() / "vornix-retirement-bench";
    const auto now = std::chrono::system_clock::now();
    for (auto _ : state) {
        state.PauseTiming();
        make_folder(folder, now);
        state.ResumeTiming();
        int retired = 0;
        std::vector<double> round_ms;
        host::RetirementConfig config;
        config.folder = folder.string();
        config.keep_days = 30;
        host::Retirement retirement(config, [&](const host::CallEvent&) { ++retired; });
        // The newest call of the log is the one of a few minutes ago.
        std::ofstream(folder / host::kCallLogName, std::ios::binary | std::ios::app)
            << host::csv_record({host::iso8601_local(now - std::chrono::minutes(5)), "", "0", "5001", "incoming", "",
                                 "", "answered", "1", ""});
        double deleting_ms = 0;
        for (int64_t now_ms = 0; retired < kRecordings; now_ms += kLoopPauseMs) {
            const auto before = std::chrono::steady_clock::now();
            retirement.tick(now_ms, now);
            const auto after = std::chrono::steady_clock::now();
            round_ms.push_back(std::chrono::duration<double, std::milli>(after - before).count());
            // Beside the loop, the deletions of the files the round handed over (well
            // within the pause between two rounds).
            while (retirement.deleting()) {
                std::this_thread::yield();
                retirement.collect(now_ms);
            }
            deleting_ms += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - after).count();
        }
        const double work_ms = std::accumulate(round_ms.begin(), round_ms.end(), 0.0);
        const auto rounds = static_cast<double>(round_ms.size());
        state.counters["first_round_ms"] = round_ms.front();
        std::sort(round_ms.begin(), round_ms.end());
        state.counters["rounds"] = rounds;
        state.counters["round_mean_ms"] = work_ms / rounds;
        state.counters["round_p99_ms"] = round_ms[round_ms.size() * 99 / 100];
        state.counters["round_max_ms"] = round_ms.back();
        state.counters["work_total_s"] = work_ms / 1000;
        state.counters["deleting_total_s"] = deleting_ms / 1000;
        state.counters["at_50ms_loop_s"] = (rounds * kLoopPauseMs + work_ms) / 1000;
    }
    fs::remove_all(folder);
}
BENCHMARK(BM_Retire100kOldRecordings)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
