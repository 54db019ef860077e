// Running over a scenario on the simulated line-box bus: the bus's virtual clock is the
// host's clock, and it runs `speed` times faster than real time.
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "loop/host_loop.h"
#include "platform/platform.h"
#include "scenario_player.h"
#include "sim_bus.h"

namespace host {

int run_host(const HostOptions& options, HostLog* log, const StartHooks& start) {
    constexpr int kExitScenario = 2;
    const std::string path = options.scenario.empty() ? HOST_DEFAULT_SCENARIO : options.scenario;
    std::unique_ptr<vornix::sim::ScenarioPlayer> player;
    try {
        player = std::make_unique<vornix::sim::ScenarioPlayer>(vornix::sim::bus(), vornix::sim::load_scenario(path));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "scenario: %s\n", e.what());
        return kExitScenario;
    }
    std::printf("playing %s on the simulated line boxes (speed %g)\n", path.c_str(), options.speed);
    player->start();  // boxes plugged at time 0 are there before the library opens
    // This host plays its scenario itself, on its own clock; the library must not
    // start a second one named in the environment for other hosts.
    unsetenv("VORNIX_SCENARIO");

    HostClock clock([&] { return player->now_ms(); });
    const int64_t real_start = platform::monotonic_ms();
    LoopDriver driver;
    driver.keep_going = [&] { return !player->over(); };
    driver.wait = [&] {
        player->advance(options.poll_ms);
        if (options.speed <= 0) return;
        // Keep to the schedule rather than sleeping a fixed time per round.
        const auto due = real_start + static_cast<int64_t>(static_cast<double>(player->now_ms()) / options.speed);
        platform::sleep_ms(static_cast<int>(due - platform::monotonic_ms()));
    };
    driver.log = log;
    driver.start = start;
    return run_loop(options, clock, driver);
}

}  // namespace host
