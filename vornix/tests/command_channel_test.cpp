// The command channel and its recovery hold-off: what a failing box costs, which box
// is re-initialised, and how long the guarded exports stay away from every box.
#include <climits>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "fixture/fixture.h"

using namespace vornix;
using vornix::sim::Fault;
using vornix::sim::StatusRecord;

namespace {

struct PlainCommand {
    const char* name;
    uint32_t code;
    std::function<vx_bool(int slot)> issue;
};

const std::vector<PlainCommand>& plain_commands() {
    static const std::vector<PlainCommand> commands = {
        {"SW_LED mode 0", IOCTL_LINEBOX_LED_0, [](int s) { return SW_LED(s, VORNIX_LED_OFF); }},
        {"SW_LED mode 1", IOCTL_LINEBOX_LED_1, [](int s) { return SW_LED(s, VORNIX_LED_1); }},
        {"SW_LED mode 2", IOCTL_LINEBOX_LED_2, [](int s) { return SW_LED(s, VORNIX_LED_2); }},
        {"SW_Reconnect", IOCTL_LINEBOX_RECONNECT, [](int s) { return SW_Reconnect(s); }},
        {"SW_Disconnect", IOCTL_LINEBOX_DISCONNECT, [](int s) { return SW_Disconnect(s); }},
    };
    return commands;
}
}  // namespace

TEST_F(LineBoxTest, PlainCommandsReachTheBoxOfTheirSlot) {
    open_with_boxes(3);
    for (const PlainCommand& c : plain_commands()) {
        SCOPED_TRACE(c.name);
        bus().reset_counters();
        EXPECT_EQ(c.issue(2), 1);
        EXPECT_EQ(box_requests(ids[2], c.code), 1);
        EXPECT_EQ(requests(c.code), 1) << "no other box is touched";
        EXPECT_FALSE(held_off());
    }
}

TEST_F(LineBoxTest, CommandsAreRefusedWhileClosed) {
    bus().plug_silently();
    for (const PlainCommand& c : plain_commands()) {
        SCOPED_TRACE(c.name);
        runner::set_last_error(0);
        EXPECT_EQ(c.issue(0), 0);
        EXPECT_EQ(runner::last_error(), kNotOpen);
    }
    runner::set_last_error(0);
    EXPECT_EQ(SW_USBInit(0), 0);
    EXPECT_EQ(runner::last_error(), kNotOpen);
    EXPECT_EQ(bus().counters().open_attempts, 0);
}

TEST_F(LineBoxTest, LedModeOutsideZeroToTwoIsRefused) {
    open_with_boxes(1);
    for (int mode : {-1, 3, 7, 87, INT_MIN, INT_MAX}) {
        SCOPED_TRACE(mode);
        runner::set_last_error(0);
        EXPECT_EQ(SW_LED(0, mode), 0);
        EXPECT_EQ(runner::last_error(), kBadArgument);
    }
    EXPECT_EQ(bus().counters().open_attempts, 0);
    EXPECT_FALSE(held_off()) << "a bad argument starts no recovery";
}

// The hold-off guard comes before every other test of a guarded export.
TEST_F(LineBoxTest, HoldOffAnswersBeforeArgumentAndOpenTests) {
    open_with_boxes(1);
    start_holdoff();
    runner::set_last_error(0);
    EXPECT_EQ(SW_LED(0, 7), 1) << "mode 7 during a hold-off";
    EXPECT_EQ(runner::last_error(), 0u);

    bus().advance(kHoldOffMs);
    EXPECT_EQ(SW_LED(0, 7), 0) << "mode 7 once the hold-off is over";
    EXPECT_EQ(runner::last_error(), kBadArgument);

    // Closed during a hold-off: still "success" until it ends.
    start_holdoff();
    SW_Free();
    runner::set_last_error(0);
    EXPECT_EQ(SW_Reconnect(0), 1);
    EXPECT_EQ(runner::last_error(), 0u);
    bus().advance(kHoldOffMs);
    EXPECT_EQ(SW_Reconnect(0), 0);
    EXPECT_EQ(runner::last_error(), kNotOpen);
}

// A rejected request re-initialises the failing box only; the command still counts as
// issued. During the hold-off nothing guarded reaches any box, but SW_USBInit does.
TEST_F(LineBoxTest, RejectedRequestRecoversItsSlotAndHoldsOffEveryBox) {
    for (const PlainCommand& c : plain_commands()) {
        SCOPED_TRACE(c.name);
        runner::fresh_library();
        ids.clear();
        open_with_boxes(4);
        bus().set_status(ids[3], StatusRecord::valid().ringing(true));
        bus().set_fault(ids[3], Fault::RequestRejected, c.code, 1);
        const int32_t started = bus().now();

        EXPECT_EQ(c.issue(3), 1);
        for (int slot = 0; slot < 4; ++slot)
            EXPECT_EQ(box_requests(ids[slot], IOCTL_LINEBOX_INIT), slot == 3 ? 1 : 0) << "slot " << slot;

        bus().reset_counters();
        for (int slot = 0; slot < 4; ++slot) EXPECT_TRUE(held_off(slot)) << "slot " << slot;
        EXPECT_EQ(SW_CheckRing(3), 0) << "answered from the record, not polled";
        EXPECT_EQ(status_reads(), 0);
        EXPECT_EQ(SW_USBInit(1), 1);
        EXPECT_EQ(box_requests(ids[1], IOCTL_LINEBOX_INIT), 1) << "SW_USBInit is never held off";

        bus().set_clock(started + kHoldOffMs - 1);
        EXPECT_TRUE(held_off(0));
        bus().set_clock(started + kHoldOffMs);
        EXPECT_FALSE(held_off(0));
        SW_Free();
    }
}

// A box that cannot be opened (absent, or present but refusing the open) fails the
// command; the recovery's own SW_USBInit cannot reach it either.
TEST_F(LineBoxTest, UnopenableBoxFailsTheCommandAndHoldsOff) {
    for (const bool present : {false, true}) {
        for (const PlainCommand& c : plain_commands()) {
            SCOPED_TRACE(testing::Message() << c.name << (present ? " present box" : " past the last box"));
            runner::fresh_library();
            ids.clear();
            open_with_boxes(2);
            int slot = 2;
            if (present) {
                slot = 1;
                bus().box(ids[1]).openable = false;
            }
            EXPECT_EQ(c.issue(slot), 0);
            EXPECT_EQ(bus().counters().open_attempts, 2) << "the command and its recovery's SW_USBInit";
            EXPECT_EQ(inits(), 0);
            EXPECT_EQ(bus().counters().opens, 0);
            EXPECT_TRUE(held_off(0));
            bus().advance(kHoldOffMs - 1);
            EXPECT_TRUE(held_off(0));
            bus().advance(1);
            EXPECT_FALSE(held_off(0));
            SW_Free();
        }
    }
}

TEST_F(LineBoxTest, FailedReinitialisationHoldsOffWithoutRetrying) {
    open_with_boxes(2);
    bus().set_fault(ids[1], Fault::RequestRejected, IOCTL_LINEBOX_INIT);
    EXPECT_EQ(SW_USBInit(1), 1) << "a rejected re-initialisation was still issued";
    EXPECT_EQ(inits(), 1) << "no further SW_USBInit";
    EXPECT_TRUE(held_off(0));

    bus().advance(kHoldOffMs);
    bus().reset_counters();
    EXPECT_EQ(SW_USBInit(2), 0) << "no box at slot 2";
    EXPECT_EQ(bus().counters().open_attempts, 1);
    EXPECT_TRUE(held_off(0));
}

// A read request whose read fails or delivers nothing re-initialises every box; a
// rejected read request is not recovered at all.
TEST_F(LineBoxTest, FailedStatusReadRecoversEveryBox) {
    for (const Fault fault : {Fault::ReadEmpty, Fault::ReadFails}) {
        SCOPED_TRACE(fault == Fault::ReadEmpty ? "empty read" : "failed read");
        runner::fresh_library();
        ids.clear();
        open_with_boxes(3);
        bus().set_fault(ids[1], fault, IOCTL_LINEBOX_READ_STATUS, 1);
        std::vector<unsigned char> report(576);
        EXPECT_EQ(SW_Record1(1, 0, report.data(), 576), 1);
        for (int id : ids) EXPECT_EQ(box_requests(id, IOCTL_LINEBOX_INIT), 1);
        EXPECT_TRUE(held_off(2));
        bus().advance(kHoldOffMs);
        EXPECT_FALSE(held_off(2));
        SW_Free();
    }

    runner::fresh_library();
    ids.clear();
    open_with_boxes(2);
    bus().set_fault(ids[0], Fault::RequestRejected, IOCTL_LINEBOX_READ_STATUS, 1);
    std::vector<unsigned char> report(576);
    EXPECT_EQ(SW_Record1(0, 0, report.data(), 576), 1);
    EXPECT_EQ(bus().counters().reads, 0);
    EXPECT_EQ(inits(), 0);
    EXPECT_FALSE(held_off(0));
}

// Device slots are 0..63. Others are refused as a bad argument and touch nothing,
// though a hold-off or a closed library may answer first.
TEST_F(LineBoxTest, SlotsOutsideTheTablesAreRefused) {
    unsigned char byte = 0;
    unsigned char codes[64] = {};
    char digits[64] = {};
    std::vector<unsigned char> report(576);
    struct Export {
        const char* name;
        std::function<int(int)> call;  // result as an int
        int failure;
        bool guarded;
    };
    const std::vector<Export> exports = {
        {"SW_LED", [](int s) { return SW_LED(s, VORNIX_LED_1); }, 0, true},
        {"SW_Reconnect", [](int s) { return SW_Reconnect(s); }, 0, true},
        {"SW_Disconnect", [](int s) { return SW_Disconnect(s); }, 0, true},
        {"SW_Record1", [&](int s) { return SW_Record1(s, 0, report.data(), 576); }, 0, true},
        {"SW_Record", [&](int s) { return SW_Record(s, 0, report.data(), 576); }, 0, true},
        {"SW_USBInit", [](int s) { return SW_USBInit(s); }, 0, false},
        {"SW_OffHook", [&](int s) { return SW_OffHook(s, &byte); }, 0, false},
        {"SW_RecEnd", [&](int s) { return SW_RecEnd(s, &byte); }, 0, false},
        {"SW_CheckOffHook", [](int s) { return SW_CheckOffHook(s); }, -1, false},
        {"SW_CheckRecEnd", [](int s) { return SW_CheckRecEnd(s); }, -1, false},
        {"SW_CheckRing", [](int s) { return SW_CheckRing(s); }, -1, false},
        {"SW_CheckDisconnect", [](int s) { return SW_CheckDisconnect(s); }, -1, false},
        {"SW_GetCID", [&](int s) { return SW_GetCID(s, 0, codes, 0); }, 0, false},
        {"SW_ReceiveCID", [&](int s) { return SW_ReceiveCID(s, digits); }, -1, false},
        {"SW_GetStrCID", [](int s) { return static_cast<int>(std::string(SW_GetStrCID(s)).size()); }, 0, false},
        {"SW_GetDTMF", [&](int s) { return SW_GetDTMF(s, 0, codes, 0); }, 0, false},
        {"SW_ReceiveDTMF", [&](int s) { return SW_ReceiveDTMF(s, digits); }, -1, false},
        {"SW_GetStrDTMF", [](int s) { return static_cast<int>(std::string(SW_GetStrDTMF(s)).size()); }, 0, false},
        {"SW_SN", [&](int s) { return SW_SN(s, codes); }, 0, false},
        {"SW_GetSN", [](int s) { return SW_GetSN(s); }, -1, false},
        {"SW_test", [](int s) { return SW_test(s, 0); }, 0, false},
    };
    open_with_boxes(1);
    for (const int slot : {-1, 64, INT_MAX, INT_MIN}) {
        for (const Export& e : exports) {
            SCOPED_TRACE(testing::Message() << e.name << " slot " << slot);
            runner::set_last_error(0);
            EXPECT_EQ(e.call(slot), e.failure);
            EXPECT_EQ(runner::last_error(), kBadArgument);
        }
    }
    EXPECT_EQ(bus().counters().open_attempts, 0);
    EXPECT_FALSE(held_off());

    start_holdoff();
    for (const Export& e : exports) {
        if (!e.guarded) continue;
        SCOPED_TRACE(e.name);
        EXPECT_EQ(e.call(64), 1) << "the hold-off answers first";
    }

    bus().advance(kHoldOffMs);
    SW_Free();
    for (const Export& e : exports) {
        SCOPED_TRACE(testing::Message() << e.name << " closed");
        runner::set_last_error(0);
        EXPECT_EQ(e.call(64), e.failure);
        EXPECT_TRUE(runner::last_error() == kNotOpen || runner::last_error() == kBadArgument) << runner::last_error();
    }
}

// The library's clock wraps after about 24.8 days; a hold-off or an idle library near
// the wrap must not leave the guarded exports answering "success" without touching the box.
TEST_F(LineBoxTest, ClockWrapDoesNotFreezeTheLibrary) {
    bus().set_clock(INT32_MAX - 400);
    open_with_boxes(1);
    start_holdoff();
    bus().advance(kHoldOffMs - 1);
    EXPECT_TRUE(held_off()) << "hold-off running across the wrap";
    bus().advance(1);
    EXPECT_FALSE(held_off()) << "hold-off over across the wrap";

    // Opened just before the wrap, first guarded call just after it.
    runner::fresh_library();
    ids.clear();
    bus().set_clock(INT32_MAX - 10);
    open_with_boxes(1);
    bus().advance(100);
    EXPECT_FALSE(held_off());

    // Hold-off started, then the library left alone for more than half the clock's range.
    start_holdoff();
    bus().advance(INT32_MAX);
    bus().advance(2);
    EXPECT_FALSE(held_off());
}
