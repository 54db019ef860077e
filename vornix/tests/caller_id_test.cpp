// Caller ID: the calling number in the first 16 codes of the status record, read raw,
// as digits with a count, or as library text, and consumed after reading.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fixture/fixture.h"

using namespace vornix;
using vornix::sim::StatusRecord;

namespace {
constexpr char kUntouched = '#';

struct Number {
    const char* name;
    std::vector<uint8_t> codes;
    std::string digits;
};

// Numbers as the box reports them, with the digits a host must see.
const std::vector<Number>& numbers() {
    static const std::vector<Number> table = {
        {"one two three", {0x8C, 0x4C, 0xCC, 0xFF}, "123"},
        {"zero eight nine", {0x0C, 0x1C, 0x9C}, "089"},
        {"empty", {0xFF}, ""},
        {"low digit D ends it", {0x8C, 0x8D, 0x4C}, "1"},
        {"low digit B ends it", {0x8C, 0x8B, 0x4C}, "1"},
        {"high digit 3 ends it", {0xEC, 0x3C, 0x4C}, "7"},
        {"zero byte ends it", {0x2C, 0xAC, 0x00, 0x6C}, "45"},
        {"plain ASCII is not a code", {'1', '2'}, ""},
        {"fifteen digits", {0x8C, 0x4C, 0xCC, 0x2C, 0xAC, 0x6C, 0xEC, 0x1C, 0x9C, 0x0C, 0x8C, 0x4C, 0xCC, 0x2C, 0xAC},
         "123456789012345"},
    };
    return table;
}
}  // namespace

class CallerIdTest : public LineBoxTest {
protected:
    void SetUp() override {
        LineBoxTest::SetUp();
        open_with_boxes(1);
    }
    // The box reports `codes` from the next poll on; the cache is made stale.
    void report(const std::vector<uint8_t>& codes) {
        bus().set_status(ids[0], StatusRecord::valid().caller_id_codes(codes).ringing(true));
        bus().advance(kCacheMs + 1);
    }
};

TEST_F(CallerIdTest, ReceiveCIDWritesTheDigitsAndAZeroByte) {
    for (const Number& n : numbers()) {
        SCOPED_TRACE(n.name);
        report(n.codes);
        char out[20];
        std::memset(out, kUntouched, sizeof out);
        ASSERT_EQ(SW_ReceiveCID(0, out), static_cast<int>(n.digits.size()));
        EXPECT_EQ(std::string(out, n.digits.size()), n.digits);
        EXPECT_EQ(out[n.digits.size()], '\0');
        EXPECT_EQ(out[n.digits.size() + 1], kUntouched) << "nothing written past the terminator";
    }
}

TEST_F(CallerIdTest, GetStrCIDReturnsTheDigitsAsText) {
    for (const Number& n : numbers()) {
        SCOPED_TRACE(n.name);
        report(n.codes);
        EXPECT_EQ(std::string(SW_GetStrCID(0)), n.digits);
    }
}

TEST_F(CallerIdTest, SixteenDigitsHaveNoTerminatorInTheHostBuffer) {
    const std::string sixteen = "0123456789876543";
    bus().set_status(ids[0], StatusRecord::valid().caller_id(sixteen));
    char out[20];
    std::memset(out, kUntouched, sizeof out);
    EXPECT_EQ(SW_ReceiveCID(0, out), 16);
    EXPECT_EQ(std::string(out, 16), sixteen);
    EXPECT_EQ(out[16], kUntouched);

    bus().advance(kCacheMs + 1);
    EXPECT_STREQ(SW_GetStrCID(0), sixteen.c_str());
    EXPECT_STREQ(SW_GetStrCID(0), "") << "a full number is consumed by the text read";
}

// SW_ReceiveCID always consumes the number; SW_GetStrCID only a full one; SW_GetCID
// never. A consumed number comes back with the next poll if the box still has it.
TEST_F(CallerIdTest, ReadsConsumeTheNumberAsEachExportDoes) {
    bus().set_status(ids[0], StatusRecord::valid().caller_id("5550100"));
    unsigned char raw[16], again[16];
    ASSERT_EQ(SW_GetCID(0, 0, raw, 0), 1);
    ASSERT_EQ(SW_GetCID(0, 0, again, 0), 1);
    EXPECT_EQ(std::memcmp(raw, again, 16), 0);
    EXPECT_EQ(raw[0], 0xAC);
    EXPECT_EQ(raw[7], 0xFF);

    EXPECT_STREQ(SW_GetStrCID(0), "5550100");
    EXPECT_STREQ(SW_GetStrCID(0), "5550100") << "a short number is kept";

    char out[17] = {};
    EXPECT_EQ(SW_ReceiveCID(0, out), 7);
    EXPECT_EQ(SW_ReceiveCID(0, out), 0) << "consumed; second read served from the cache";
    EXPECT_EQ(out[0], '\0');
    ASSERT_EQ(SW_GetCID(0, 0, raw, 0), 1);
    for (unsigned char c : raw) EXPECT_EQ(c, 0xFF);
    EXPECT_STREQ(SW_GetStrCID(0), "");

    // Consumed even when the read found no digit.
    bus().set_status(ids[0], StatusRecord::valid().caller_id_codes({0x3C, 0x8C}));
    bus().advance(kCacheMs + 1);
    EXPECT_EQ(SW_ReceiveCID(0, out), 0);
    ASSERT_EQ(SW_GetCID(0, 0, raw, 0), 1);
    EXPECT_EQ(raw[0], 0xFF);

    bus().set_status(ids[0], StatusRecord::valid().caller_id("5550100"));
    bus().advance(kCacheMs + 1);
    EXPECT_EQ(SW_ReceiveCID(0, out), 7) << "the box still reports it";
}

// Consuming the number resets the caller-ID codes and nothing else.
TEST_F(CallerIdTest, ConsumingTheNumberLeavesTheRestOfTheRecord) {
    bus().set_status(ids[0], StatusRecord::valid().caller_id("12").dtmf("34").ringing(true));
    char out[17] = {};
    EXPECT_EQ(SW_ReceiveCID(0, out), 2);
    EXPECT_STREQ(SW_GetStrDTMF(0), "34");
    EXPECT_EQ(SW_CheckRing(0), 1);
}

TEST_F(CallerIdTest, FailuresGiveEmptyAnswersAndTouchNothing) {
    bus().set_status(ids[0], StatusRecord::valid().caller_id("321"));
    const char* text = SW_GetStrCID(0);
    ASSERT_STREQ(text, "321");

    // A failed poll: the box is gone.
    bus().unplug_silently(ids[0]);
    bus().advance(kCacheMs + 1);
    const char* failed = SW_GetStrCID(0);
    EXPECT_STREQ(failed, "");
    EXPECT_NE(failed, text) << "the constant empty text, not the result buffer";
    EXPECT_STREQ(text, "321") << "the result buffer keeps the last text";

    bus().advance(kCacheMs + 1000);  // past the cache and the recovery's hold-off
    char out[4];
    std::memset(out, kUntouched, sizeof out);
    EXPECT_EQ(SW_ReceiveCID(0, out), -1);
    EXPECT_EQ(out[0], kUntouched);
    unsigned char raw[16] = {};
    bus().advance(kCacheMs + 1000);
    EXPECT_EQ(SW_GetCID(0, 0, raw, 0), 0);

    // A closed library.
    SW_Free();
    runner::set_last_error(0);
    EXPECT_EQ(SW_ReceiveCID(0, out), -1);
    EXPECT_EQ(runner::last_error(), kNotOpen);
    runner::set_last_error(0);
    const char* closed = SW_GetStrCID(0);
    EXPECT_EQ(closed, text) << "the result buffer, emptied";
    EXPECT_STREQ(closed, "");
    EXPECT_EQ(runner::last_error(), kNotOpen);
}

// A slot whose record no poll has filled yet holds zero bytes: no number.
TEST_F(CallerIdTest, UnfilledRecordHoldsNoNumber) {
    start_holdoff();  // the first query of the slot then reads no report
    EXPECT_STREQ(SW_GetStrCID(0), "");
    unsigned char raw[16];
    std::memset(raw, 0xAA, sizeof raw);
    ASSERT_EQ(SW_GetCID(0, 0, raw, 0), 1);
    for (unsigned char c : raw) EXPECT_EQ(c, 0x00);
}

TEST_F(LineBoxTest, CallerIdControlExportsDoNothing) {
    for (const int phase : {0, 1, 2}) {
        SCOPED_TRACE(phase == 0 ? "before SW_Init" : phase == 1 ? "open" : "after SW_Free");
        if (phase == 1) open_with_boxes(1);
        if (phase == 2) SW_Free();
        bus().reset_counters();
        runner::set_last_error(1234);
        for (const int arg : {0, 5, -1, 64, 0x7FFFFFFF}) {
            EXPECT_EQ(SW_CIDClear(arg), 1);
            EXPECT_EQ(SW_CIDEnd(arg, -arg), 1);
            EXPECT_EQ(SW_CheckCIDEnd(arg), 0);
        }
        EXPECT_EQ(runner::last_error(), 1234u);
        EXPECT_EQ(bus().counters().open_attempts, 0);
    }
}
