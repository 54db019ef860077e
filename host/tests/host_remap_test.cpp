// Boxes that leave, arrive and swap places while calls ring and go on: every call keeps
// its own row, and no box loses its line because another one left.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <random>

#include "linebox_protocol.h"
#include "scenario_run.h"
#include "test_files.h"

using namespace host;
using namespace host_test;

namespace {

// A call as the log tells it, or as a scenario made it happen.
struct Call {
    bool incoming;
    std::string caller;
    CallOutcome outcome;
    double talk_s;
};

struct Made {
    std::string text;
    std::map<int, std::vector<Call>> calls;  // by serial code
};

// `boxes` boxes for `seconds`: calls answered, missed (some followed within the ring gap
// by another caller), dialled out, cut by their box's unplug; boxes pulled while idle
// and plugged back at the end of the list, which moves every box after them; and
// faults of the box's next request in the middle of calls.
Made make_scenario(uint32_t seed, int boxes, double seconds) {
    std::mt19937 rng(seed);
    auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
    std::vector<std::pair<int64_t, std::string>> lines;
    auto at = [&](double t, const std::string& command) { lines.emplace_back(std::llround(t * 10) * 100, command); };
    Made made;
    int callers = 0;
    for (int i = 0; i < boxes; ++i) {
        const std::string box = " b" + std::to_string(i);
        const int serial = 5100 + i;
        auto& calls = made.calls[serial];
        at(0, "plug" + box + " serial " + std::to_string(serial));
        double t = uniform(1, 20);
        bool another_caller = false;  // rings within the ring gap of a missed call
        while (t < seconds - 120) {
            const double pick = another_caller ? uniform(0, 0.7) : uniform(0, 1);
            const std::string caller = std::to_string(100000 + ++callers);
            const double ring = uniform(3, 8), talk = uniform(4, 40);
            another_caller = false;
            if (pick < 0.4) {
                at(t, "ring" + box + " caller " + caller);
                at(t + ring, "offhook" + box);
                if (uniform(0, 1) < 0.3) at(t + ring + talk / 2, "fault" + box + (uniform(0, 1) < 0.5 ? " read-empty-next" : " reject-next"));
                at(t + ring + talk, "hangup" + box);
                calls.push_back({true, caller, CallOutcome::Answered, talk});
                t += ring + talk + uniform(8, 30);
            } else if (pick < 0.7) {
                at(t, "ring" + box + " caller " + caller);
                at(t + ring, "hangup" + box);
                calls.push_back({true, caller, CallOutcome::Missed, 0});
                another_caller = uniform(0, 1) < 0.4;
                t += ring + (another_caller ? uniform(1.5, 4) : uniform(9, 30));
            } else if (pick < 0.82) {
                at(t, "offhook" + box);
                at(t + talk, "hangup" + box);
                calls.push_back({false, "", CallOutcome::Answered, talk});
                t += talk + uniform(8, 30);
            } else if (pick < 0.9) {
                at(t, "ring" + box + " caller " + caller);
                at(t + ring, "offhook" + box);
                at(t + ring + talk, "unplug" + box);
                const double back = t + ring + talk + uniform(3, 10);
                at(back, "plug" + box);
                calls.push_back({true, caller, CallOutcome::Unplugged, talk});
                t = back + uniform(5, 20);
            } else {
                at(t, "unplug" + box);
                const double back = t + uniform(2, 15);
                at(back, "plug" + box);
                t = back + uniform(5, 20);
            }
        }
    }
    std::stable_sort(lines.begin(), lines.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [ms, command] : lines) made.text += "at " + std::to_string(ms / 1000) + "." + std::to_string(ms % 1000 / 100) + " " + command + "\n";
    made.text += "at " + std::to_string(static_cast<int>(seconds)) + " end\n";
    return made;
}

// The log's calls one by one: talk times within `tolerance` seconds (answer and hang-up
// are seen within a status poll, later after a hold-off).
void expect_calls(const std::vector<Call>& logged, const std::vector<Call>& made, double tolerance = 0.7) {
    ASSERT_EQ(logged.size(), made.size());
    for (size_t i = 0; i < made.size(); ++i) {
        SCOPED_TRACE("call " + std::to_string(i) + " from " + made[i].caller);
        EXPECT_EQ(logged[i].incoming, made[i].incoming);
        EXPECT_EQ(logged[i].caller, made[i].caller);
        EXPECT_EQ(outcome_name(logged[i].outcome), std::string(outcome_name(made[i].outcome)));
        EXPECT_NEAR(logged[i].talk_s, made[i].talk_s, tolerance);
    }
}

Call call_of(const CallRecord& r) { return {r.incoming, r.caller, r.outcome, static_cast<double>(r.talk_ms) / 1000.0}; }

std::vector<Call> calls_of(const std::vector<CallRecord>& records) {
    std::vector<Call> calls;
    for (const CallRecord& r : records) calls.push_back(call_of(r));
    return calls;
}

}  // namespace

TEST(HostRemap, EveryCallKeepsItsOwnRowsAcrossBoxMoves) {
    using O = CallOutcome;
    struct Case { const char* what; const char* scenario; std::vector<Call> calls; };
    const std::vector<Case> cases = {
        {"a box swapped for another within one round",
         "at 0 plug a\nat 1 offhook a\nat 8 unplug a\nat 8 plug c\nat 12 end\n",
         {{false, "", O::Unplugged, 7}}},
        {"a ring that stopped moves with its box and ends missed",
         "at 0 plug a\nat 0 plug b\nat 1 ring b caller 555\nat 3 hangup b\nat 5 unplug a\nat 15 end\n",
         {{true, "555", O::Missed, 0}}},
        {"another caller within the ring gap",
         "at 0 plug a\nat 1 ring a caller 111\nat 3 hangup a\nat 6 ring a caller 222\nat 8 offhook a\nat 12 hangup a\n",
         {{true, "111", O::Missed, 0}, {true, "222", O::Answered, 4}}},
        {"a moved call goes on in a new row",
         "at 0 plug a\nat 0 plug b\nat 1 ring b caller 555\nat 2 offhook b\nat 9 unplug a\nat 16 hangup b\n",
         {{true, "555", O::Moved, 7}, {true, "555", O::Answered, 7}}},
        {"a moved call whose box hung up before the move was seen",
         "at 0 plug a\nat 0 plug b\nat 1 offhook b\nat 5 hangup b\nat 5 unplug a\nat 10 end\n",
         {{false, "", O::Answered, 4}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        expect_calls(calls_of(play(c.scenario, fresh_folder()).calls), c.calls);
    }
}

// The box that stays in its call after another one left (the slots shifting, or a new box
// taking the departed one's slot) never receives a disconnect before its own hang-up.
TEST(HostRemap, BoxesStillInACallStayConnected) {
    const std::vector<const char*> departures = {"at 9 unplug a\n", "at 9 unplug a\nat 9 plug c\n"};
    for (const char* departure : departures) {
        SCOPED_TRACE(departure);
        play(std::string("at 0 plug a\nat 0 plug b\nat 1 offhook a\nat 1 offhook b\n") + departure + "at 20 hangup b\n",
             fresh_folder());
        const auto& requests = runner::bus().box(runner::bus().box_at(0)).counters.requests;
        EXPECT_EQ(requests.at(vornix::IOCTL_LINEBOX_DISCONNECT), 1);  // its own hang-up
        EXPECT_GE(requests.at(vornix::IOCTL_LINEBOX_RECONNECT), 1);
    }
}

// A long seeded run of 16 boxes: each call the scenario made ring or answer has exactly
// one final row, with its caller, direction, outcome and talk time; a call that moved
// slot has its `moved` rows before it, whose talk times add up to the call's.
TEST(HostRemap, EveryCallOfALongRunWithUnplugsAndFaultsIsLoggedOnce) {
    constexpr uint32_t kSeed = 20;
    const Made made = make_scenario(kSeed, 16, 1800);
    const std::string folder = fresh_folder();
    const Played run = play(made.text, folder);
    std::map<int, std::vector<Call>> logged;  // by serial code
    int moved = 0;
    for (const CallRecord& r : run.calls) {
        auto& calls = logged[r.serial];
        // The rows of a call that moved slot add up to it.
        if (!calls.empty() && calls.back().outcome == CallOutcome::Moved) {
            calls.back().outcome = r.outcome;
            calls.back().talk_s += call_of(r).talk_s;
        } else {
            calls.push_back(call_of(r));
        }
        moved += r.outcome == CallOutcome::Moved;
    }
    EXPECT_GT(moved, 10);  // the run moved calls between slots
    for (const auto& [serial, calls] : made.calls) {
        SCOPED_TRACE("box " + std::to_string(serial) + ", seed " + std::to_string(kSeed));
        expect_calls(logged[serial], calls, 2.5);
    }
    std::filesystem::remove_all(folder);
}

// On Windows the count follows a removal only when its message arrives, while every
// device operation already sees the slots shifted: the last slot, which no box holds any
// more, must not be taken for a box.
TEST(HostRemap, SlotsShiftedBeforeTheCountFollowsMakeNoPhantomCall) {
    using vornix::sim::StatusRecord;
    runner::fresh_library();
    auto& bus = runner::bus();
    const int a = bus.plug(), b = bus.plug();
    bus.set_status(a, StatusRecord::valid().serial(5001).off_hook(true));
    bus.set_status(b, StatusRecord::valid().serial(5002).off_hook(true));
    HostClock clock([&] { return int64_t{bus.now()}; });
    WatcherConfig config;
    config.folder = fresh_folder();
    std::vector<CallRecord> calls;
    LineWatcher watcher(config, clock, {}, [&](const CallRecord& r) { calls.push_back(r); });
    SW_Init();
    auto run_until = [&](int32_t ms) {
        for (; bus.now() < ms; bus.advance(50)) watcher.tick();
    };
    run_until(5000);
    bus.unplug_silently(a);
    run_until(7000);
    bus.deliver_change(vornix::port::HotplugEvent::Left);
    run_until(9000);
    bus.set_status(b, StatusRecord::valid().serial(5002).disconnected(true));
    run_until(11000);
    watcher.finish_all("end");
    SW_Free();
    expect_calls(calls_of(calls), {{false, "", CallOutcome::Unplugged, 5}, {false, "", CallOutcome::Moved, 5},
                        {false, "", CallOutcome::Answered, 4}});
}
