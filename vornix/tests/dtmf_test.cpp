// DTMF: up to 16 digits dialled on the line, in status record bytes 16-31, read raw,
// as digits with a count, or as library text; every decoding read consumes them.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fixture/fixture.h"

using namespace vornix;
using vornix::sim::StatusRecord;

namespace {
constexpr char kUntouched = '~';

struct Dialled {
    const char* name;
    std::vector<uint8_t> codes;
    std::string digits;
};

const std::vector<Dialled>& dialled() {
    static const std::vector<Dialled> table = {
        {"digits and signs", {0x01, 0x0A, 0x0B, 0x0C, 0xFF}, "10*#"},
        {"letters", {0x0D, 0x0E, 0x0F, 0x00, 0xFF}, "ABCD"},
        {"nothing dialled", {0xFF}, ""},
        {"0x10 ends the digits", {0x05, 0x10, 0x06}, "5"},
        {"a character code ends the digits", {0x09, 0x31, 0x02}, "9"},
        {"0xF0 ends the digits", {0x03, 0x04, 0xF0}, "34"},
        {"fifteen digits", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}, "1234567890*#ABC"},
    };
    return table;
}
}  // namespace

class DtmfTest : public LineBoxTest {
protected:
    void SetUp() override {
        LineBoxTest::SetUp();
        open_with_boxes(1);
    }
    void report(const std::vector<uint8_t>& codes) {
        bus().set_status(ids[0], StatusRecord::valid().dtmf_codes(codes).caller_id("99"));
        bus().advance(kCacheMs + 1);
    }
};

TEST_F(DtmfTest, ReceiveDTMFWritesTheDigitsAndAZeroByte) {
    for (const Dialled& d : dialled()) {
        SCOPED_TRACE(d.name);
        report(d.codes);
        char out[20];
        std::memset(out, kUntouched, sizeof out);
        ASSERT_EQ(SW_ReceiveDTMF(0, out), static_cast<int>(d.digits.size()));
        EXPECT_EQ(std::string(out, d.digits.size()), d.digits);
        EXPECT_EQ(out[d.digits.size()], '\0');
        EXPECT_EQ(out[d.digits.size() + 1], kUntouched);
    }
}

TEST_F(DtmfTest, GetStrDTMFReturnsTheDigitsAsText) {
    for (const Dialled& d : dialled()) {
        SCOPED_TRACE(d.name);
        report(d.codes);
        EXPECT_EQ(std::string(SW_GetStrDTMF(0)), d.digits);
    }
}

TEST_F(DtmfTest, SixteenDigitsHaveNoTerminatorInTheHostBuffer) {
    std::vector<uint8_t> all;
    for (uint8_t code = 0x00; code <= 0x0F; ++code) all.push_back(code);
    const std::string expected = "D1234567890*#ABC";
    report(all);
    char out[20];
    std::memset(out, kUntouched, sizeof out);
    EXPECT_EQ(SW_ReceiveDTMF(0, out), 16);
    EXPECT_EQ(std::string(out, 16), expected);
    EXPECT_EQ(out[16], kUntouched);

    report(all);
    EXPECT_STREQ(SW_GetStrDTMF(0), expected.c_str());
}

// Both decoding reads consume the digits, whatever they found; the raw read never does.
TEST_F(DtmfTest, EveryDecodingReadConsumesTheDigits) {
    bus().set_status(ids[0], StatusRecord::valid().dtmf("*21#").caller_id("77"));
    unsigned char raw[16], again[16];
    ASSERT_EQ(SW_GetDTMF(0, 0, raw, 0), 1);
    ASSERT_EQ(SW_GetDTMF(0, 0, again, 0), 1);
    EXPECT_EQ(std::memcmp(raw, again, 16), 0);
    EXPECT_EQ(raw[0], 0x0B);
    EXPECT_EQ(raw[3], 0x0C);
    EXPECT_EQ(raw[4], 0xFF);

    EXPECT_STREQ(SW_GetStrDTMF(0), "*21#");
    EXPECT_STREQ(SW_GetStrDTMF(0), "") << "consumed by the text read";
    ASSERT_EQ(SW_GetDTMF(0, 0, raw, 0), 1);
    for (unsigned char c : raw) EXPECT_EQ(c, 0xFF);

    bus().advance(kCacheMs + 1);
    char out[17] = {};
    EXPECT_EQ(SW_ReceiveDTMF(0, out), 4) << "the next poll brings them back";
    EXPECT_EQ(SW_ReceiveDTMF(0, out), 0);

    report({0x20, 0x01});
    EXPECT_EQ(SW_GetStrDTMF(0), std::string());
    ASSERT_EQ(SW_GetDTMF(0, 0, raw, 0), 1);
    EXPECT_EQ(raw[0], 0xFF) << "consumed although no digit was found";
    EXPECT_STREQ(SW_GetStrCID(0), "99") << "caller-ID codes are not DTMF codes";
}

// A slot whose record no poll has filled yet holds sixteen zero codes, which are
// sixteen 'D' digits.
TEST_F(DtmfTest, UnfilledRecordReadsAsSixteenD) {
    start_holdoff();
    EXPECT_STREQ(SW_GetStrDTMF(0), "DDDDDDDDDDDDDDDD");
}

TEST_F(DtmfTest, FailuresGiveEmptyAnswersAndTouchNothing) {
    bus().set_status(ids[0], StatusRecord::valid().dtmf("42"));
    const char* text = SW_GetStrDTMF(0);
    ASSERT_STREQ(text, "42");

    bus().unplug_silently(ids[0]);
    bus().advance(kCacheMs + 1);
    const char* failed = SW_GetStrDTMF(0);
    EXPECT_STREQ(failed, "");
    EXPECT_NE(failed, text);
    EXPECT_STREQ(text, "42");

    bus().advance(kCacheMs + 1000);
    char out[4];
    std::memset(out, kUntouched, sizeof out);
    EXPECT_EQ(SW_ReceiveDTMF(0, out), -1);
    EXPECT_EQ(out[0], kUntouched);

    SW_Free();
    runner::set_last_error(0);
    EXPECT_EQ(SW_ReceiveDTMF(0, out), -1);
    EXPECT_EQ(runner::last_error(), kNotOpen);
    runner::set_last_error(0);
    const char* closed = SW_GetStrDTMF(0);
    EXPECT_EQ(closed, text);
    EXPECT_STREQ(closed, "");
    EXPECT_EQ(runner::last_error(), kNotOpen);
    unsigned char raw[16];
    bus().advance(kCacheMs + 1000);  // past the cache and the recovery's hold-off
    runner::set_last_error(0);
    EXPECT_EQ(SW_GetDTMF(0, 0, raw, 0), 0);
    EXPECT_EQ(runner::last_error(), kNotOpen) << "reported by the poll";
}
