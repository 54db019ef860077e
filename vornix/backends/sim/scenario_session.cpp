#include "scenario_session.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>

#include "scenario_player.h"

namespace vornix::sim {

namespace {

// Taken when the library is loaded: its clock counts from here.
const std::chrono::steady_clock::time_point g_loaded_at = std::chrono::steady_clock::now();
constexpr double kMaxSpeed = 1e6;

struct Session {
    std::unique_ptr<ScenarioPlayer> player;
    double speed = 1.0;
    SharedClock* host_clock = nullptr;  // set: the host moves the clock, not real time
    int64_t played_to = 0;  // the library's clock, in ms, up to which the scenario played
    bool started = false;
};

// Never destroyed: at process exit the session touches nothing (the bus may be gone).
Session& session() {
    static Session* s = new Session;
    return *s;
}

int64_t library_clock_ms(const Session& s) {
    if (s.host_clock) return s.host_clock->now_ms;
    const auto real = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - g_loaded_at);
    return static_cast<int64_t>(real.count() * s.speed);
}

double parse_speed(const char* text) {
    if (!text || !*text) return 1.0;
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (*end || !(v > 0.0) || v > kMaxSpeed) {
        report_session_problem(std::string("VORNIX_SPEED=") + text + " is not a speed above 0; playing at 1");
        return 1.0;
    }
    return v;
}

}  // namespace

void report_session_problem(const std::string& what) {
    std::fprintf(stderr, "vornix simulator: %s\n", what.c_str());
    std::fflush(stderr);
}

void start_session(Bus& bus, const std::string& path, const char* speed_text, SharedClock* host_clock) {
    Session& s = session();
    if (s.started) return;
    s.started = true;
    s.host_clock = host_clock;
    if (host_clock) {
        host_clock->followed = 1;
    } else {
        s.speed = parse_speed(speed_text);
    }
    s.played_to = library_clock_ms(s);
    bus.set_clock(static_cast<int32_t>(static_cast<uint32_t>(s.played_to)));
    try {
        // Every WAV file is loaded before the first line plays: a bad one stops the
        // scenario before anything of it happened.
        s.player = std::make_unique<ScenarioPlayer>(bus, load_scenario(path));
        s.player->start();
    } catch (const std::exception& e) {
        s.player.reset();
        report_session_problem(std::string(e.what()) + " (no line boxes)");
        if (host_clock) host_clock->over = 1;  // nothing to play: the host need not wait
    }
}

void catch_up_session() {
    Session& s = session();
    if (!s.player) return;
    int64_t behind = library_clock_ms(s) - s.played_to;
    while (behind > 0) {
        const int32_t step = static_cast<int32_t>(std::min<int64_t>(behind, std::numeric_limits<int32_t>::max()));
        s.player->advance(step);
        s.played_to += step;
        behind -= step;
    }
    if (s.host_clock && s.player->over()) s.host_clock->over = 1;
}

bool host_moves_clock() { return session().host_clock != nullptr; }

}  // namespace vornix::sim
