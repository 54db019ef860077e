// The recording loop's round with caller names shown, as host_loop runs it: 8 simulated
// lines ringing with a new caller every 2 s each, every round the watcher, the names
// (each new number asked, the database's answers taken) and the lines published to
// the console, a round every millisecond for 10 s. Beside it: no names at all (0), a
// phonebook of 100,000 contacts saved again every 1.5 s and read again by its thread
// (1), or the business database taking 200 ms an answer, every caller new (2).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "fixture/runner.h"
#include "lines/line_watcher.h"
#include "loop/caller_names.h"
#include "scenario_player.h"
#include "slow_customer_source.h"
#include "web/line_board.h"

namespace {

namespace fs = std::filesystem;
constexpr int kLines = 8;
constexpr int kRounds = 10000;

std::string phonebook_csv(int edition) {
    std::string csv = "姓名,手机,地址,备注\r\n";
    for (int i = 0; i < 100000; ++i)
        csv += "客户" + std::to_string(i) + "," + std::to_string(13900000000LL + i) + ",杭州市西湖区文三路" +
               std::to_string(i % 300) + "号,第" + std::to_string(edition) + "版\r\n";
    return csv;
}

// Every line rings with a caller of its own every 2 s and is not answered.
std::string ringing_scenario() {
    std::string s;
    for (int box = 1; box <= kLines; ++box) s += "at 0 plug box" + std::to_string(box) + "\n";
    for (int t = 1, n = 0; t < kRounds / 1000 + 2; t += 2) {
        for (int box = 1; box <= kLines; ++box, ++n)
            s += "at " + std::to_string(t) + " ring box" + std::to_string(box) + " caller " +
                 std::to_string(13900000000LL + n * 7) + "\n";
        for (int box = 1; box <= kLines; ++box) s += "at " + std::to_string(t) + ".9 hangup box" + std::to_string(box) + "\n";
    }
    return s + "at " + std::to_string(kRounds / 1000 + 3) + " end\n";
}

void BM_LoopRoundWithNames(benchmark::State& state) {
    const int mode = static_cast<int>(state.range(0));
    const fs::path dir = fs::temp_directory_path() / "vornix-names-bench";
    fs::create_directories(dir);
    host::HostOptions options;
    options.area_code = "0571";
    if (mode == 1) {
        options.phonebooks = {(dir / "phonebook.csv").string()};
        std::ofstream(options.phonebooks[0], std::ios::binary) << phonebook_csv(0);
    }
    if (mode == 2) {
        options.customers_odbc = (dir / "customers.txt").string();
        std::ofstream(options.customers_odbc) << "connection = DSN=none\nquery = SELECT name FROM c WHERE tel = ?\n";
    }
    std::vector<double> us;
    uint32_t reloads = 0;
    for (auto _ : state) {
        runner::fresh_library();
        vornix::sim::ScenarioPlayer player(runner::bus(), vornix::sim::parse_scenario(ringing_scenario(), "bench"));
        player.start();
        // The bus's clock kept with the real one: the database's worker answers in real time.
        const auto started = std::chrono::steady_clock::now();
        const auto real_ms = [&] {
            return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started)
                .count();
        };
        const host::HostClock clock([&] { return player.now_ms(); });
        host::CallerNames names(options, clock, [](const host::CallEvent&) {});
        std::string error;
        if (!names.start(&error, 250, mode == 2 ? std::make_unique<SlowCustomerSource>() : nullptr)) {
            state.SkipWithError(error.c_str());
            return;
        }
        std::atomic<bool> busy{true};
        std::thread saves;
        if (mode == 1)
            saves = std::thread([&] {
                for (int edition = 1; busy; ++edition) {
                    for (int i = 0; i < 15 && busy; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
                    std::ofstream(options.phonebooks[0], std::ios::binary) << phonebook_csv(edition);
                }
            });
        host::WatcherConfig config;
        config.folder = dir.string();
        host::LineWatcher watcher(config, clock, [&](const host::CallEvent& e) {
            host::CallEvent named = e;
            names.name(&named);
            benchmark::DoNotOptimize(named);
        });
        host::web::LineBoard board;
        SW_Init();
        us.clear();
        for (int round = 0; round < kRounds && !player.over(); ++round) {
            const auto t0 = std::chrono::steady_clock::now();
            watcher.tick();
            names.tick(watcher.lines());
            host::web::publish_lines(board, watcher.lines(), names.cards(), clock);
            us.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            player.advance(static_cast<int32_t>(std::max<int64_t>(1, real_ms() - player.now_ms())));
        }
        SW_Free();
        busy = false;
        if (saves.joinable()) saves.join();
        reloads = names.phonebook() ? names.phonebook()->generation() - 1 : 0;
    }
    std::sort(us.begin(), us.end());
    state.counters["rounds"] = static_cast<double>(us.size());
    state.counters["p50_us"] = us[us.size() / 2];
    state.counters["p99_us"] = us[us.size() * 99 / 100];
    state.counters["max_us"] = us.back();
    state.counters["reloads"] = reloads;
    fs::remove_all(dir);
}
BENCHMARK(BM_LoopRoundWithNames)->Arg(0)->Arg(1)->Arg(2)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
