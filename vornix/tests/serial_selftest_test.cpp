// Serial code and self-test: the box's 16-bit code from the status record, and a
// direct status read that checks a box answers, past the cache and the hold-off.
#include <cstdint>
#include <cstring>
#include <vector>

#include "fixture/fixture.h"

using namespace vornix;
using vornix::sim::Fault;
using vornix::sim::StatusRecord;

namespace {
constexpr int kSubstitute = 5301;
}  // namespace

TEST_F(LineBoxTest, SerialCodesOutside5000To5999ReadAs5301) {
    open_with_boxes(1);
    struct Case {
        uint16_t code;
        int expected;
    };
    for (const Case c : {Case{5000, 5000}, Case{5999, 5999}, Case{5301, 5301}, Case{5555, 5555},
                         Case{4999, kSubstitute}, Case{6000, kSubstitute}, Case{0x3030, kSubstitute},
                         Case{0, kSubstitute}, Case{0xFFFF, kSubstitute}}) {
        SCOPED_TRACE(c.code);
        bus().set_status(ids[0], StatusRecord::valid().serial(c.code));
        bus().advance(kCacheMs + 1);
        unsigned char out[2] = {};
        ASSERT_EQ(SW_SN(0, out), 1);
        EXPECT_EQ(out[0], c.code >> 8) << "high byte first";
        EXPECT_EQ(out[1], c.code & 0xFF);
        EXPECT_EQ(SW_GetSN(0), c.expected);
    }
}

TEST_F(LineBoxTest, SerialCodeIsMinusOneOnlyWhileClosed) {
    open_with_boxes(1);
    bus().set_status(ids[0], StatusRecord::valid().serial(5432));
    ASSERT_EQ(SW_GetSN(0), 5432);

    bus().unplug_silently(ids[0]);
    bus().advance(kCacheMs + 1);
    unsigned char out[2] = {0xAB, 0xCD};
    EXPECT_EQ(SW_SN(0, out), 0) << "failed poll";
    EXPECT_EQ(out[0], 0xAB);
    bus().advance(kCacheMs + 1000);
    EXPECT_EQ(SW_GetSN(0), kSubstitute) << "failed poll";

    SW_Free();
    runner::set_last_error(0);
    EXPECT_EQ(SW_GetSN(0), -1);
    EXPECT_EQ(runner::last_error(), kNotOpen);
}

TEST_F(LineBoxTest, SerialCodeTwiceWithin600MsComesFromTheCache) {
    open_with_boxes(1);
    bus().set_status(ids[0], StatusRecord::valid().serial(0x1388));
    unsigned char first[2] = {}, second[2] = {};
    ASSERT_EQ(SW_SN(0, first), 1);
    bus().set_status(ids[0], StatusRecord::valid().serial(0x176F));
    bus().advance(kCacheMs);
    ASSERT_EQ(SW_SN(0, second), 1);
    EXPECT_EQ(second[0], 0x13);
    EXPECT_EQ(second[1], 0x88);
    EXPECT_EQ(status_reads(), 1);
}

// The self-test reads one report, installs the record it finds (valid or not) and
// says whether it carries the validity marker.
TEST_F(LineBoxTest, SelfTestInstallsTheRecordItReads) {
    open_with_boxes(1);
    struct Case {
        const char* name;
        bool marker;
        bool valid;
    };
    for (const Case c : {Case{"behind the marker", true, true}, Case{"plain position", false, true},
                         Case{"invalid, behind the marker", true, false}, Case{"invalid, plain position", false, false}}) {
        SCOPED_TRACE(c.name);
        bus().set_status(ids[0], StatusRecord::valid());
        bus().advance(kCacheMs + 1);
        ASSERT_EQ(SW_CheckRing(0), 0);  // fresh cache holding a quiet line

        StatusRecord r = StatusRecord::valid().ringing(true).caller_id("66");
        if (!c.valid) r.invalid();
        bus().set_status(ids[0], r, c.marker);
        EXPECT_EQ(SW_test(0, 0), c.valid ? 1 : 0);
        EXPECT_EQ(SW_CheckRing(0), 1) << "the installed record answers from the cache";
        EXPECT_STREQ(SW_GetStrCID(0), "66");
    }
}

// The self-test is no poll: the saved record, the cache and the poll counter are
// left as they were.
TEST_F(LineBoxTest, SelfTestLeavesCacheCounterAndSavedRecordAlone) {
    open_with_boxes(1);
    bus().set_status(ids[0], StatusRecord::valid());
    ASSERT_EQ(SW_CheckRing(0), 0);
    bus().set_status(ids[0], StatusRecord::valid().ringing(true));
    bus().advance(300);
    EXPECT_EQ(SW_test(0, 0), 1);
    bus().reset_counters();
    bus().advance(301);
    EXPECT_EQ(SW_CheckRing(0), 1);
    EXPECT_EQ(status_reads(), 1) << "601 ms after the last poll: the self-test did not renew the cache";

    // A valid self-test record is installed but not saved: an invalid report falls
    // back to the record of the last poll.
    bus().set_status(ids[0], StatusRecord::valid());
    bus().advance(kCacheMs + 1);
    ASSERT_EQ(SW_CheckRing(0), 0);
    bus().set_status(ids[0], StatusRecord::valid().ringing(true));
    ASSERT_EQ(SW_test(0, 0), 1);
    ASSERT_EQ(SW_CheckRing(0), 1);
    bus().set_status(ids[0], StatusRecord::valid().ringing(true).invalid());
    bus().advance(kCacheMs + 1);
    EXPECT_EQ(SW_CheckRing(0), 0) << "saved record is the last polled one";

    // Poll counter: 100 polls, self-tests, and only the 101st poll re-initialises.
    std::vector<unsigned char> report(576);
    runner::fresh_library();
    ids.clear();
    open_with_boxes(1);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(SW_Record1(0, 0, report.data(), 576), 1);
    for (int i = 0; i < 5; ++i) SW_test(0, 0);
    EXPECT_EQ(inits(), 0);
    ASSERT_EQ(SW_Record1(0, 0, report.data(), 576), 1);
    EXPECT_EQ(inits(), 1);
}

TEST_F(LineBoxTest, SelfTestOfABoxThatDeliversNothing) {
    open_with_boxes(2);
    bus().set_status(ids[0], StatusRecord::valid().caller_id("12"));
    ASSERT_EQ(SW_CheckRing(0), 0);
    bus().set_fault(ids[0], Fault::ReadEmpty, IOCTL_LINEBOX_READ_STATUS, 1);
    EXPECT_EQ(SW_test(0, 0), 0);
    unsigned char raw[16];
    std::memset(raw, 0xAA, sizeof raw);
    ASSERT_EQ(SW_GetCID(0, 0, raw, 0), 1);
    for (unsigned char c : raw) EXPECT_EQ(c, 0x00) << "record of 64 zero bytes";
    EXPECT_EQ(inits(), 0) << "no recovery";
    EXPECT_FALSE(held_off(1));
}

TEST_F(LineBoxTest, SelfTestFailures) {
    open_with_boxes(2);
    // Read fails: false, no recovery.
    bus().set_fault(ids[0], Fault::ReadFails, IOCTL_LINEBOX_READ_STATUS, 1);
    EXPECT_EQ(SW_test(0, 0), 0);
    EXPECT_EQ(inits(), 0);
    EXPECT_FALSE(held_off(1));

    // Request rejected: nothing read, so false, and the record is not another box's.
    bus().set_status(ids[0], StatusRecord::valid().serial(5000));
    ASSERT_EQ(SW_GetSN(0), 5000);
    bus().set_status(ids[1], StatusRecord::valid().ringing(true).serial(5111));
    ASSERT_EQ(SW_test(1, 0), 1) << "box 1's report now fills the shared read buffer";
    bus().set_fault(ids[0], Fault::RequestRejected, IOCTL_LINEBOX_READ_STATUS, 1);
    bus().reset_counters();
    EXPECT_EQ(SW_test(0, 0), 0);
    EXPECT_EQ(inits(), 0);
    EXPECT_FALSE(held_off(1));
    EXPECT_EQ(SW_CheckRing(0), 0) << "slot 0's record does not carry box 1's ring";
    EXPECT_EQ(SW_GetSN(0), 5000);

    // No box: false after a slot recovery.
    bus().reset_counters();
    EXPECT_EQ(SW_test(2, 0), 0);
    EXPECT_TRUE(held_off(1));
    EXPECT_EQ(bus().counters().open_attempts, 2) << "the read and the recovery's SW_USBInit";

    // During that hold-off the self-test still reads the box.
    bus().reset_counters();
    bus().set_status(ids[1], StatusRecord::valid());
    EXPECT_EQ(SW_test(1, 0), 1);
    EXPECT_EQ(status_reads(), 1);

    SW_Free();
    runner::set_last_error(0);
    EXPECT_EQ(SW_test(0, 0), 0);
    EXPECT_EQ(runner::last_error(), kNotOpen);
}
