// Status polling and line state: one 576-byte status report per slot and 600 ms,
// where the 64-byte record lies in it, what an invalid record or a failed poll
// leaves behind, and how the line-state queries read the record.
#include <array>
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
// Where a record ends in a report, at either of its two places.
constexpr int kPlainRecordEnd = static_cast<int>(kPayloadAt + kStatusRecordSize);
constexpr int kMarkedRecordEnd = static_cast<int>(kPayloadAtBehindMarker + kStatusRecordSize);
}  // namespace

TEST_F(LineBoxTest, OnePollServesEveryQueryOfTheSlotFor600Ms) {
    open_with_boxes(2);
    bus().set_status(ids[0], StatusRecord::valid().ringing(true));
    EXPECT_EQ(SW_CheckRing(0), 1);
    EXPECT_EQ(status_reads(), 1);

    bus().set_status(ids[0], StatusRecord::valid());
    bus().advance(100);
    unsigned char byte = 0, codes[16] = {};
    EXPECT_EQ(SW_CheckRing(0), 1);
    EXPECT_EQ(SW_CheckOffHook(0), 0);
    EXPECT_EQ(SW_CheckRecEnd(0), 0);
    EXPECT_EQ(SW_CheckDisconnect(0), 0);
    EXPECT_EQ(SW_OffHook(0, &byte), 1);
    EXPECT_EQ(SW_RecEnd(0, &byte), 1);
    EXPECT_EQ(SW_GetCID(0, 0, codes, 0), 1);
    EXPECT_EQ(SW_GetDTMF(0, 0, codes, 0), 1);
    EXPECT_EQ(SW_SN(0, codes), 1);
    EXPECT_EQ(status_reads(), 1) << "all answered from the status record";

    EXPECT_EQ(SW_CheckRing(1), 0) << "another slot has its own cache";
    EXPECT_EQ(status_reads(), 2);

    bus().advance(kCacheMs - 100);
    EXPECT_EQ(SW_CheckRing(0), 1) << "600 ms after the poll started: still fresh";
    EXPECT_EQ(status_reads(), 2);
    bus().advance(1);
    EXPECT_EQ(SW_CheckRing(0), 0) << "601 ms: polled again";
    EXPECT_EQ(status_reads(), 3);
}

TEST_F(LineBoxTest, LineStateFlagsAreReadFromTheirBytes) {
    open_with_boxes(1);
    const StatusRecord all_set = StatusRecord::valid().off_hook(true).record_end(true).disconnected(true).ringing(true);
    bus().set_status(ids[0], all_set);
    unsigned char off_hook = 0, record_end = 0;
    EXPECT_EQ(SW_OffHook(0, &off_hook), 1);
    EXPECT_EQ(SW_RecEnd(0, &record_end), 1);
    EXPECT_EQ(off_hook, '1');
    EXPECT_EQ(record_end, '1');
    EXPECT_EQ(SW_CheckOffHook(0), 1);
    EXPECT_EQ(SW_CheckRecEnd(0), 1);
    EXPECT_EQ(SW_CheckDisconnect(0), 1);
    EXPECT_EQ(SW_CheckRing(0), 1);

    // Only '1' counts as set.
    StatusRecord odd = StatusRecord::valid();
    for (const RecordField& f : kRecordFields)
        if (f.kind == FieldKind::Flag) odd.bytes[f.at] = 'Y';
    bus().set_status(ids[0], odd);
    bus().advance(kCacheMs + 1);
    EXPECT_EQ(SW_CheckOffHook(0), 0);
    EXPECT_EQ(SW_CheckRecEnd(0), 0);
    EXPECT_EQ(SW_CheckRing(0), 0);
    EXPECT_EQ(SW_OffHook(0, &off_hook), 1);
    EXPECT_EQ(off_hook, 'Y') << "the raw flag byte is handed out";
}

// All five marker bytes '+' put the record behind the marker; anything else leaves it
// at the plain position.
TEST_F(LineBoxTest, OffsetMarkerChoosesWhereTheRecordLies) {
    open_with_boxes(1);
    // Ringing at the plain position, quiet behind the marker: the answer tells which
    // one was taken.
    std::array<uint8_t, kStatusReportSize> report{};
    const StatusRecord plain = StatusRecord::valid().ringing(true);
    const StatusRecord behind = StatusRecord::valid();
    std::copy(plain.bytes.begin(), plain.bytes.end(), report.begin() + kPayloadAt);
    std::copy(behind.bytes.begin(), behind.bytes.end(), report.begin() + kPayloadAtBehindMarker);
    std::fill_n(report.begin() + kMarkerAt, kMarkerLength, kMarkerChar);
    bus().set_status_report(ids[0], report);
    EXPECT_EQ(SW_CheckRing(0), 0) << "all five '+': record behind the marker";

    for (size_t spoiled = kMarkerAt; spoiled < kMarkerAt + kMarkerLength; ++spoiled) {
        SCOPED_TRACE(spoiled);
        auto almost = report;
        almost[spoiled] = '-';
        bus().set_status_report(ids[0], almost);
        bus().advance(kCacheMs + 1);
        EXPECT_EQ(SW_CheckRing(0), 1) << "one byte not '+': record at the plain position";
    }
    // The bytes on either side do not belong to the marker.
    auto wider = report;
    wider[kMarkerAt - 1] = kMarkerChar;
    wider[kMarkerAt + kMarkerLength] = '-';
    bus().set_status_report(ids[0], wider);
    bus().advance(kCacheMs + 1);
    EXPECT_EQ(SW_CheckRing(0), 0);

    // The bus's own report builder, both ways.
    for (const bool marker : {true, false}) {
        bus().set_status(ids[0], StatusRecord::valid().ringing(true), marker);
        bus().advance(kCacheMs + 1);
        EXPECT_EQ(SW_CheckRing(0), 1) << "marker " << marker;
        bus().set_status(ids[0], StatusRecord::valid(), marker);
        bus().advance(kCacheMs + 1);
        EXPECT_EQ(SW_CheckRing(0), 0) << "marker " << marker;
    }
}

TEST_F(LineBoxTest, InvalidRecordFallsBackToTheLastValidOne) {
    open_with_boxes(1);
    bus().set_status(ids[0], StatusRecord::valid().ringing(true).off_hook(true).serial(5123).caller_id("42"));
    EXPECT_EQ(SW_CheckRing(0), 1);

    bus().set_status(ids[0], StatusRecord::valid().serial(5999).invalid());
    bus().advance(kCacheMs + 1);
    EXPECT_EQ(SW_CheckRing(0), 1);
    EXPECT_EQ(SW_CheckOffHook(0), 1);
    EXPECT_EQ(SW_GetSN(0), 5123);
    EXPECT_STREQ(SW_GetStrCID(0), "42");

    // A record with only one of the two validity bytes is invalid too.
    StatusRecord half = StatusRecord::valid();
    half.bytes[kValidityMarker + 1] = '4';
    bus().set_status(ids[0], half);
    bus().advance(kCacheMs + 1);
    EXPECT_EQ(SW_CheckRing(0), 1);

    bus().set_status(ids[0], StatusRecord::valid());
    bus().advance(kCacheMs + 1);
    EXPECT_EQ(SW_CheckRing(0), 0) << "a valid record replaces the saved one";
}

// Before any valid record the saved record is "no digits, every flag clear".
TEST_F(LineBoxTest, NoValidRecordYetReadsAsAQuietLine) {
    open_with_boxes(1);
    bus().set_status(ids[0], StatusRecord::valid()
                                  .ringing(true)
                                  .off_hook(true)
                                  .record_end(true)
                                  .disconnected(true)
                                  .serial(5000)
                                  .caller_id("123")
                                  .dtmf("45")
                                  .invalid());
    EXPECT_EQ(SW_CheckRing(0), 0);
    EXPECT_EQ(SW_CheckOffHook(0), 0);
    EXPECT_EQ(SW_CheckRecEnd(0), 0);
    EXPECT_EQ(SW_CheckDisconnect(0), 0);
    EXPECT_EQ(SW_GetSN(0), 5301);
    char digits[17] = {};
    EXPECT_EQ(SW_ReceiveCID(0, digits), 0);
    EXPECT_EQ(SW_ReceiveDTMF(0, digits), 0);
    unsigned char codes[16] = {};
    ASSERT_EQ(SW_GetCID(0, 0, codes, 0), 1);
    for (unsigned char c : codes) EXPECT_EQ(c, 0xFF);
}

// A fresh poll keeps the last definite disconnect answer when the flag byte is
// neither '0' nor '1'; the cache answers from the byte alone.
TEST_F(LineBoxTest, UnknownDisconnectFlagRepeatsTheLastDefiniteAnswer) {
    open_with_boxes(1);
    StatusRecord unknown = StatusRecord::valid();
    unknown.bytes[kDisconnectFlag] = 0x00;
    struct Step {
        const char* name;
        StatusRecord report;
        int advance_ms;
        int expected;
    };
    const std::vector<Step> steps = {
        {"fresh poll, unknown byte: initial state is disconnected", unknown, 0, 1},
        {"same byte from the cache", unknown, 300, 0},
        {"poll says connected", StatusRecord::valid().disconnected(false), kCacheMs + 1, 0},
        {"unknown again: stays connected", unknown, kCacheMs + 1, 0},
        {"poll says disconnected", StatusRecord::valid().disconnected(true), kCacheMs + 1, 1},
        {"unknown again: stays disconnected", unknown, kCacheMs + 1, 1},
        {"cache of the unknown byte", unknown, 10, 0},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        bus().set_status(ids[0], s.report);
        bus().advance(s.advance_ms);
        EXPECT_EQ(SW_CheckDisconnect(0), s.expected);
    }
}

TEST_F(LineBoxTest, Every101stPollReinitialisesTheBoxFirst) {
    open_with_boxes(2);
    std::vector<unsigned char> report(kStatusReportSize);
    for (int poll = 1; poll <= 303; ++poll) {
        ASSERT_EQ(SW_Record1(0, 0, report.data(), kStatusReportSize), 1);
        const int expected = poll / 101;
        ASSERT_EQ(box_requests(ids[0], IOCTL_LINEBOX_INIT), expected) << "after poll " << poll;
    }
    EXPECT_EQ(box_requests(ids[1], IOCTL_LINEBOX_INIT), 0) << "counted per slot";

    // Status queries count the same way.
    for (int poll = 1; poll <= 101; ++poll) {
        bus().advance(kCacheMs + 1);
        ASSERT_EQ(SW_CheckRing(1), 0);
    }
    EXPECT_EQ(box_requests(ids[1], IOCTL_LINEBOX_INIT), 1);
}

TEST_F(LineBoxTest, HoldOffAnswersFromTheOldRecord) {
    open_with_boxes(2);
    bus().set_status(ids[1], StatusRecord::valid().ringing(true));
    EXPECT_EQ(SW_CheckRing(1), 1);
    bus().set_status(ids[1], StatusRecord::valid());
    start_holdoff(0);
    bus().reset_counters();

    bus().advance(kCacheMs + 1);
    EXPECT_EQ(SW_CheckRing(1), 1);
    EXPECT_EQ(status_reads(), 0);
    bus().advance(kCacheMs + 1);
    EXPECT_EQ(SW_CheckRing(1), 0) << "hold-off over and cache expired: polled";
    EXPECT_EQ(status_reads(), 1);
}

TEST_F(LineBoxTest, UnpluggedBoxFailsOnceThenAnswersFromTheOldRecord) {
    open_with_boxes(1);
    bus().set_status(ids[0], StatusRecord::valid().ringing(true));
    EXPECT_EQ(SW_CheckRing(0), 1);
    bus().unplug(ids[0]);
    runner::dispatch_messages();

    bus().advance(kCacheMs + 1);
    EXPECT_EQ(SW_CheckRing(0), -1);
    for (int step = 0; step < 3; ++step) {
        bus().advance(200);
        EXPECT_EQ(SW_CheckRing(0), 1) << "within 600 ms of the failed poll";
    }
    bus().advance(1);
    EXPECT_EQ(SW_CheckRing(0), 1) << "hold-off from the failed poll still running";
    bus().advance(kHoldOffMs);
    EXPECT_EQ(SW_CheckRing(0), -1);
}

TEST_F(LineBoxTest, OffHookAnswersFromTheCacheAfterFree) {
    open_with_boxes(1);
    bus().set_status(ids[0], StatusRecord::valid().off_hook(true));
    unsigned char byte = 0;
    ASSERT_EQ(SW_OffHook(0, &byte), 1);
    SW_Free();

    byte = 0;
    bus().advance(kCacheMs);
    EXPECT_EQ(SW_OffHook(0, &byte), 1);
    EXPECT_EQ(byte, '1');
    runner::set_last_error(0);
    EXPECT_EQ(SW_CheckOffHook(0), -1);
    EXPECT_EQ(runner::last_error(), kNotOpen);

    bus().advance(1);
    byte = 'x';
    runner::set_last_error(0);
    EXPECT_EQ(SW_OffHook(0, &byte), 0) << "cache expired: the poll meets the closed library";
    EXPECT_EQ(byte, 'x');
    EXPECT_EQ(runner::last_error(), kNotOpen);
}

TEST_F(LineBoxTest, StatusReadRangeIsLimitedTo64K) {
    open_with_boxes(1);
    std::vector<unsigned char> buffer(65536 + 16);
    struct Case {
        int offset, length;
        bool accepted;
    };
    for (const Case c : {Case{60000, 6000, false}, Case{60000, 5536, true}, Case{0, 65536, true},
                         Case{1, 65536, false}, Case{-65536, 65536, false}, Case{1, -1, false},
                         Case{INT_MAX, INT_MAX, false}, Case{INT_MIN, INT_MIN, false}, Case{-1, 1, false}}) {
        SCOPED_TRACE(testing::Message() << c.offset << " + " << c.length);
        bus().reset_counters();
        runner::set_last_error(0);
        EXPECT_EQ(SW_Record1(0, c.offset, buffer.data(), c.length), c.accepted ? 1 : 0);
        if (c.accepted) {
            EXPECT_EQ(status_reads(), 1);
            const uint32_t word = (static_cast<uint32_t>(c.length) & 0xFFFFu) << 16 |
                                  (static_cast<uint32_t>(c.offset) & 0xFFFFu);
            EXPECT_EQ(bus().box(ids[0]).last_word[IOCTL_LINEBOX_READ_STATUS], word);
        } else {
            EXPECT_EQ(runner::last_error(), kBadArgument);
            EXPECT_EQ(bus().counters().open_attempts, 0);
        }
    }
}

// A host that asks for fewer bytes than the record needs gets no record from past
// the end of its buffer: the slot's status record stays as it was.
TEST_F(LineBoxTest, ShortStatusReadInstallsOnlyARecordItHolds) {
    open_with_boxes(1);
    ASSERT_EQ(SW_CheckRing(0), 0);
    struct Case {
        int length;
        bool marker;
        bool installed;
    };
    constexpr int kMarkerEnd = static_cast<int>(kMarkerAt + kMarkerLength);
    for (const Case c : {Case{1, false, false}, Case{kMarkerEnd - 1, false, false}, Case{kPlainRecordEnd - 1, false, false},
                         Case{kPlainRecordEnd, false, true}, Case{kPlainRecordEnd + 16, true, false},
                         Case{kMarkedRecordEnd - 1, true, false}, Case{kMarkedRecordEnd, true, true}}) {
        SCOPED_TRACE(testing::Message() << "length " << c.length << " marker " << c.marker);
        bus().set_status(ids[0], StatusRecord::valid(), false);
        bus().advance(kCacheMs + 1);
        ASSERT_EQ(SW_CheckRing(0), 0);

        bus().set_status(ids[0], StatusRecord::valid().ringing(true), c.marker);
        std::vector<unsigned char> exact(static_cast<size_t>(c.length));
        EXPECT_EQ(SW_Record1(0, 0, exact.data(), c.length), 1);
        EXPECT_EQ(SW_CheckRing(0), c.installed ? 1 : 0) << "answered from the cache";
    }
}

// A box that delivers less than the record takes nothing from what the buffer held
// before (here another box's report); one that delivers the record is read as usual.
TEST_F(LineBoxTest, ShortDeliveryTakesNoRecordFromEarlierReports) {
    open_with_boxes(2);
    bus().set_status(ids[0], StatusRecord::valid().ringing(true).caller_id("1"));
    ASSERT_EQ(SW_CheckRing(0), 1);

    bus().box(ids[1]).short_read_bytes = 100;
    bus().set_fault(ids[1], Fault::ReadShort, IOCTL_LINEBOX_READ_STATUS, 1);
    EXPECT_EQ(SW_CheckRing(1), 0);
    EXPECT_STREQ(SW_GetStrCID(1), "");
    EXPECT_FALSE(held_off()) << "a delivery, however short, is no failed read";

    bus().set_status(ids[1], StatusRecord::valid().ringing(true));
    bus().box(ids[1]).short_read_bytes = kPlainRecordEnd;
    bus().set_fault(ids[1], Fault::ReadShort, IOCTL_LINEBOX_READ_STATUS, 1);
    bus().advance(kCacheMs + 1);
    EXPECT_EQ(SW_CheckRing(1), 1) << "enough bytes for a record at the plain position";
}

// SW_CheckRing and SW_CheckDisconnect leave the flag byte they tested in the first
// character of the text buffer that SW_GetStrCID and SW_GetStrDTMF hand out.
TEST_F(LineBoxTest, FlagChecksOverwriteTheFirstCharacterOfTheLastText) {
    open_with_boxes(1);
    bus().set_status(ids[0], StatusRecord::valid().caller_id("5551234").dtmf("789").ringing(true).disconnected(false));
    const char* cid = SW_GetStrCID(0);
    ASSERT_STREQ(cid, "5551234");
    EXPECT_EQ(SW_CheckRing(0), 1);
    EXPECT_STREQ(cid, "1551234");
    EXPECT_EQ(SW_CheckDisconnect(0), 0);
    EXPECT_STREQ(cid, "0551234");

    const char* dtmf = SW_GetStrDTMF(0);
    EXPECT_EQ(dtmf, cid) << "one result text buffer";
    ASSERT_STREQ(dtmf, "789");
    EXPECT_EQ(SW_CheckRing(0), 1);
    EXPECT_STREQ(dtmf, "189");
}

// A null output pointer is a bad argument: no poll, and the digits stay unread.
TEST_F(LineBoxTest, NullOutputsAreRefusedWithoutPolling) {
    open_with_boxes(1);
    bus().set_status(ids[0], StatusRecord::valid().caller_id("987").dtmf("12"));
    struct Case {
        const char* name;
        std::function<int()> call;
        int failure;
    };
    const std::vector<Case> cases = {
        {"SW_OffHook", [] { return SW_OffHook(0, nullptr); }, 0},
        {"SW_RecEnd", [] { return SW_RecEnd(0, nullptr); }, 0},
        {"SW_Record1", [] { return SW_Record1(0, 0, nullptr, 576); }, 0},
        {"SW_GetCID", [] { return SW_GetCID(0, 0, nullptr, 0); }, 0},
        {"SW_GetDTMF", [] { return SW_GetDTMF(0, 0, nullptr, 0); }, 0},
        {"SW_ReceiveCID", [] { return SW_ReceiveCID(0, nullptr); }, -1},
        {"SW_ReceiveDTMF", [] { return SW_ReceiveDTMF(0, nullptr); }, -1},
        {"SW_SN", [] { return SW_SN(0, nullptr); }, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        runner::set_last_error(0);
        EXPECT_EQ(c.call(), c.failure);
        EXPECT_EQ(runner::last_error(), kBadArgument);
    }
    EXPECT_EQ(bus().counters().open_attempts, 0);

    EXPECT_STREQ(SW_GetStrCID(0), "987");
    EXPECT_STREQ(SW_GetStrDTMF(0), "12");
}

// The cache age is a difference of the library's clock: it stays right across the
// wrap, and a record left alone for more than half the clock's range is stale, not
// fresh again.
TEST_F(LineBoxTest, CacheAgeSurvivesTheClockWrap) {
    bus().set_clock(INT32_MAX - 100);
    open_with_boxes(1);
    ASSERT_EQ(SW_CheckRing(0), 0);
    bus().set_status(ids[0], StatusRecord::valid().ringing(true));
    bus().advance(kCacheMs);
    EXPECT_EQ(SW_CheckRing(0), 0) << "600 ms across the wrap: still fresh";
    bus().advance(1);
    EXPECT_EQ(SW_CheckRing(0), 1) << "601 ms across the wrap: polled";

    bus().set_status(ids[0], StatusRecord::valid());
    bus().advance(INT32_MAX);
    bus().advance(2);
    EXPECT_EQ(SW_CheckRing(0), 0) << "a record 2^31 ms old is polled again";
}
