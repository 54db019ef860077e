// Hot-plug: the device path list follows arrivals and removals of line boxes while
// the library is open. (What the system broadcasts besides, which must change
// nothing, is tried against the real window in wine/notify_window_test.cpp.)
#include <string>

#include "fixture/fixture.h"

using namespace vornix;

TEST_F(LineBoxTest, CountFollowsArrivalAndRemoval) {
    open_with_boxes(1);
    const int second = bus().plug();
    runner::dispatch_messages();
    EXPECT_EQ(SW_GetCount(), 2);
    bus().unplug(second);
    runner::dispatch_messages();
    EXPECT_EQ(SW_GetCount(), 1);
    bus().unplug(ids[0]);
    runner::dispatch_messages();
    EXPECT_EQ(SW_GetCount(), 0);
    SW_Free();
}

// A slot is a position among the boxes present now, not a stored identity.
TEST_F(LineBoxTest, SlotsMoveUpWhenAnEarlierBoxIsPulled) {
    open_with_boxes(2);
    bus().unplug_silently(ids[0]);
    EXPECT_EQ(SW_GetCount(), 2) << "no enumeration yet";
    EXPECT_EQ(SW_Reconnect(1), 0) << "slot 1 is already gone for the open";
    bus().advance(1000);
    EXPECT_EQ(SW_Reconnect(0), 1);
    EXPECT_EQ(box_requests(ids[1], IOCTL_LINEBOX_RECONNECT), 1);
    SW_Free();
}

TEST_F(LineBoxTest, NothingIsFollowedWhileClosed) {
    open_with_boxes(1);
    SW_Free();
    bus().reset_counters();
    bus().plug();
    runner::dispatch_messages();
    bus().deliver_change(port::HotplugEvent::Arrived);
    runner::dispatch_messages();
    EXPECT_EQ(bus().counters().open_attempts, 0);
    EXPECT_EQ(SW_GetCount(), -1);

    SW_Init();
    EXPECT_EQ(SW_GetCount(), 2);
    bus().plug();
    runner::dispatch_messages();
    EXPECT_EQ(SW_GetCount(), 3);
    SW_Free();
}

// The list holds the leading run of boxes that could be opened.
TEST_F(LineBoxTest, EnumerationEndsAtTheFirstBoxThatCannotBeListed) {
    const std::string fits(1279, 'p');
    const std::string too_long(1280, 'p');
    struct Case {
        const char* name;
        bool openable;
        std::string path;
        int count;
    };
    for (const Case& c : {Case{"unopenable", false, "", 1}, Case{"path of 1279 characters", true, fits, 3},
                          Case{"path of 1280 characters", true, too_long, 1}}) {
        SCOPED_TRACE(c.name);
        runner::fresh_library();
        bus().plug_silently();
        const int middle = bus().plug_silently(c.path);
        bus().box(middle).openable = c.openable;
        bus().plug_silently();
        EXPECT_EQ(SW_Init(), 1);
        EXPECT_EQ(SW_GetCount(), c.count);
        EXPECT_EQ(inits(), c.count) << "only listed boxes are re-initialised";
        SW_Free();
    }
}
