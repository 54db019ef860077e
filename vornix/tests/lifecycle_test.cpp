// Opening and closing the library: the device count, the one-time table reset and
// re-initialisation of the boxes, the notification window, and the exports that do
// nothing.
#include "fixture/fixture.h"

using namespace vornix;
using vornix::sim::StatusRecord;

TEST_F(LineBoxTest, InitFindsBoxesAndReinitialisesEachOnce) {
    bus().plug_silently();
    bus().plug_silently();
    EXPECT_EQ(SW_Init(), 1);
    EXPECT_EQ(SW_GetCount(), 2);
    EXPECT_EQ(requests(IOCTL_LINEBOX_INIT), 2);
    EXPECT_EQ(runner::notify_windows_alive(), 1);
    EXPECT_EQ(SW_Free(), 1);
}

// More boxes than table entries: the loops over every box stop at slot 63, and no
// export is called with a slot it refuses.
TEST_F(LineBoxTest, LoopsOverEveryBoxStayInsideTheTables) {
    for (int i = 0; i < 65; ++i) ids.push_back(bus().plug_silently());
    runner::set_last_error(0);
    ASSERT_EQ(SW_Init(), 1);
    EXPECT_EQ(SW_GetCount(), 65);
    EXPECT_EQ(inits(), 64);
    EXPECT_EQ(box_requests(ids[64], IOCTL_LINEBOX_INIT), 0);

    bus().reset_counters();
    bus().set_fault(ids[0], vornix::sim::Fault::ReadEmpty, IOCTL_LINEBOX_READ_STATUS, 1);
    EXPECT_EQ(SW_CheckRing(0), 0) << "an empty read: full recovery";
    EXPECT_EQ(inits(), 64);

    bus().advance(kHoldOffMs);
    EXPECT_EQ(SW_Free(), 1);
    EXPECT_EQ(requests(IOCTL_LINEBOX_LED_0), 64);
    EXPECT_EQ(runner::last_error(), 0u);
}

TEST_F(LineBoxTest, InitWithoutBoxesCountsNone) {
    EXPECT_EQ(SW_Init(), 1);
    EXPECT_EQ(SW_GetCount(), 0);
    EXPECT_EQ(inits(), 0);
    SW_Free();
}

TEST_F(LineBoxTest, CountIsRefusedWhileClosed) {
    bus().plug_silently();
    runner::set_last_error(0);
    EXPECT_EQ(SW_GetCount(), -1) << "before SW_Init";
    EXPECT_EQ(runner::last_error(), kNotOpen);

    SW_Init();
    ASSERT_EQ(SW_GetCount(), 1);
    SW_Free();
    runner::set_last_error(0);
    EXPECT_EQ(SW_GetCount(), -1) << "after SW_Free";
    EXPECT_EQ(runner::last_error(), kNotOpen);
}

TEST_F(LineBoxTest, FreeWithoutInitSwitchesNoLed) {
    bus().plug_silently();
    runner::set_last_error(0);
    EXPECT_EQ(SW_Free(), 1);
    EXPECT_EQ(runner::last_error(), kNotOpen) << "left by its count query";
    EXPECT_EQ(bus().counters().open_attempts, 0);
}

TEST_F(LineBoxTest, FreeSwitchesEveryLedOffAndDestroysTheWindow) {
    open_with_boxes(3);
    EXPECT_EQ(SW_Free(), 1);
    for (int id : ids) EXPECT_EQ(box_requests(id, IOCTL_LINEBOX_LED_0), 1);
    EXPECT_EQ(runner::notify_windows_alive(), 0);
}

// A second SW_Init re-enumerates and makes a new window, but neither resets the
// tables nor re-initialises the boxes.
TEST_F(LineBoxTest, ReopeningKeepsTablesAndResetsNoBox) {
    open_with_boxes(1);
    bus().set_status(ids[0], StatusRecord::valid().ringing(true));
    ASSERT_EQ(SW_CheckRing(0), 1);
    SW_Free();

    // The box now reports an invalid record: only the saved record of the first poll
    // can still say "ringing".
    bus().set_status(ids[0], StatusRecord::valid().invalid());
    bus().plug_silently();
    bus().advance(700);
    bus().reset_counters();
    EXPECT_EQ(SW_Init(), 1);
    EXPECT_EQ(SW_GetCount(), 2) << "re-enumerated";
    EXPECT_EQ(inits(), 0) << "no second round of re-initialisation";
    EXPECT_EQ(runner::notify_windows_alive(), 1);
    EXPECT_EQ(SW_CheckRing(0), 1) << "saved status record survived SW_Free/SW_Init";
    EXPECT_EQ(status_reads(), 1);
    SW_Free();
}

TEST_F(LineBoxTest, InitWhileOpenReplacesTheWindow) {
    open_with_boxes(1);
    EXPECT_EQ(SW_Init(), 1);
    EXPECT_EQ(runner::notify_windows_alive(), 1);
    EXPECT_EQ(inits(), 0);
    // The surviving window is the one that follows hot-plug.
    bus().plug();
    runner::dispatch_messages();
    EXPECT_EQ(SW_GetCount(), 2);
    SW_Free();
    EXPECT_EQ(runner::notify_windows_alive(), 0);
}

// The recovery hold-off lasts 2 s on NT 5.1 and 1 s elsewhere, fixed at the first
// SW_Init; the guard holds off only while fewer than that many ms have passed.
TEST_F(LineBoxTest, HoldOffLengthFollowsTheSystemAtFirstInit) {
    struct Case {
        bool nt51_at_first_init;
        bool nt51_later;
        int length_ms;
    };
    for (const Case c : {Case{false, false, 1000}, Case{true, true, 2000}, Case{false, true, 1000},
                         Case{true, false, 2000}}) {
        SCOPED_TRACE(testing::Message() << "NT 5.1 at first init " << c.nt51_at_first_init);
        runner::fresh_library();
        ids.clear();
        bus().set_nt51(c.nt51_at_first_init);
        open_with_boxes(1);
        SW_Free();
        bus().set_nt51(c.nt51_later);
        SW_Init();

        start_holdoff();
        bus().advance(c.length_ms - 1);
        EXPECT_TRUE(held_off()) << "one ms before the end";
        bus().advance(1);
        EXPECT_FALSE(held_off()) << "at exactly the hold-off length the call goes through";
        SW_Free();
    }
}

// Exports kept for hosts of earlier boxes answer their constant whatever the state,
// and leave the host's last-error value alone.
TEST_F(LineBoxTest, DoNothingExportsNeedNoOpenLibrary) {
    auto check_all = [] {
        runner::set_last_error(4242);
        EXPECT_EQ(SW_Play(1, 2, 3, 4), 1);
        EXPECT_EQ(SW_GetInfo(-1, 99), 1);
        EXPECT_EQ(SW_StartDrv(0, 0), 1);
        EXPECT_EQ(SW_StopDrv(7, 7), 1);
        EXPECT_EQ(SW_PlayEnd(3, 3), 0);
        EXPECT_EQ(SW_StartPlay(64, 1), 0);
        EXPECT_EQ(SW_CheckPlayEnd(-5), 0);
        EXPECT_EQ(SW_StopPlay(1000), 0);
        EXPECT_EQ(runner::last_error(), 4242u);
    };
    {
        SCOPED_TRACE("before SW_Init");
        check_all();
    }
    open_with_boxes(1);
    {
        SCOPED_TRACE("open");
        check_all();
    }
    EXPECT_EQ(bus().counters().open_attempts, 0);
    SW_Free();
    {
        SCOPED_TRACE("after SW_Free");
        check_all();
    }
}
