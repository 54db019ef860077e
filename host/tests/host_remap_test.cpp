// Boxes that leave, arrive and swap places while calls ring and go on: every call keeps
// its own row, and no box loses its line because another one left.
#include <gtest/gtest.h>

#include "linebox_ioctl.h"
#include "scenario_run.h"
#include "test_files.h"

using namespace host;
using namespace host_test;

namespace {

struct Row {
    int slot;
    bool incoming;
    std::string caller;
    CallOutcome outcome;
    int64_t talk_s;
};

void expect_rows(const std::vector<CallRecord>& calls, const std::vector<Row>& rows) {
    ASSERT_EQ(calls.size(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE("row " + std::to_string(i));
        EXPECT_EQ(calls[i].slot, rows[i].slot);
        EXPECT_EQ(calls[i].incoming, rows[i].incoming);
        EXPECT_EQ(calls[i].caller, rows[i].caller);
        EXPECT_EQ(outcome_name(calls[i].outcome), std::string(outcome_name(rows[i].outcome)));
        EXPECT_NEAR(static_cast<double>(calls[i].talk_ms) / 1000.0, static_cast<double>(rows[i].talk_s), 0.7);
    }
}

}  // namespace

TEST(HostRemap, EveryCallKeepsItsOwnRowsAcrossBoxMoves) {
    using O = CallOutcome;
    struct Case { const char* what; const char* scenario; std::vector<Row> rows; };
    const std::vector<Case> cases = {
        {"a box swapped for another within one round",
         "at 0 plug a\nat 1 offhook a\nat 8 unplug a\nat 8 plug c\nat 12 end\n",
         {{0, false, "", O::Unplugged, 7}}},
        {"a ring that stopped moves with its box and ends missed",
         "at 0 plug a\nat 0 plug b\nat 1 ring b caller 555\nat 3 hangup b\nat 5 unplug a\nat 15 end\n",
         {{0, true, "555", O::Missed, 0}}},
        {"another caller within the ring gap",
         "at 0 plug a\nat 1 ring a caller 111\nat 3 hangup a\nat 6 ring a caller 222\nat 8 offhook a\nat 12 hangup a\n",
         {{0, true, "111", O::Missed, 0}, {0, true, "222", O::Answered, 4}}},
        {"a moved call goes on in a new row",
         "at 0 plug a\nat 0 plug b\nat 1 ring b caller 555\nat 2 offhook b\nat 9 unplug a\nat 16 hangup b\n",
         {{1, true, "555", O::Moved, 7}, {0, true, "555", O::Answered, 7}}},
        {"a moved call whose box hung up before the move was seen",
         "at 0 plug a\nat 0 plug b\nat 1 offhook b\nat 5 hangup b\nat 5 unplug a\nat 10 end\n",
         {{1, false, "", O::Answered, 4}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        expect_rows(play(c.scenario, fresh_folder()).calls, c.rows);
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
