// Fetching line audio (SW_Record), the silence test and the playback exports.
#include <climits>
#include <cstdint>
#include <functional>
#include <vector>

#include "fixture/fixture.h"

using namespace vornix;
using vornix::sim::Fault;

namespace {

constexpr uint32_t kErrorNotOpen = 1;       // ERROR_INVALID_FUNCTION
constexpr uint8_t kUntouched = 0xEE;     // what a buffer holds when no audio landed in it
constexpr uint8_t kSimSilence = 0x80;    // the simulated box's default sample
constexpr int32_t kAudioGuardMs = 200;
constexpr int32_t kHoldOffMs = 1000;
constexpr int kSilenceBlock = 2048;

std::vector<uint8_t> untouched(size_t n) { return std::vector<uint8_t>(n, kUntouched); }

bool all_are(const std::vector<uint8_t>& v, size_t from, size_t to, uint8_t value) {
    for (size_t i = from; i < to; ++i)
        if (v[i] != value) return false;
    return true;
}

class AudioCaptureTest : public LineBoxTest {
protected:
    int attempts() const { return bus().counters().open_attempts; }

    // One SW_Record into `buf`; true when it reached the box.
    bool record_reached_box(int slot, std::vector<uint8_t>& buf, int offset = 0) {
        const int before = attempts();
        EXPECT_EQ(SW_Record(slot, offset, buf.data(), static_cast<int>(buf.size()) - offset), 1);
        return attempts() != before;
    }

    // Starts a hold-off by commanding a slot with no box behind it.
    void start_holdoff() {
        ASSERT_EQ(SW_LED(bus().present_count(), 0), 0);
    }
};

TEST_F(AudioCaptureTest, AudioReadGuardKeepsEachSlotAwayForTwoHundredMillisecondsInclusive) {
    open_with_boxes(2);
    std::vector<uint8_t> buf = untouched(kSilenceBlock);
    EXPECT_TRUE(record_reached_box(0, buf));
    EXPECT_TRUE(all_are(buf, 0, buf.size(), kSimSilence));

    bus().advance(kAudioGuardMs);
    buf = untouched(kSilenceBlock);
    EXPECT_FALSE(record_reached_box(0, buf));
    EXPECT_TRUE(all_are(buf, 0, buf.size(), kUntouched)) << "a guarded call left its buffer untouched";
    EXPECT_TRUE(record_reached_box(1, buf)) << "the guard is per slot";

    // The guarded call did not move the window: one more millisecond ends it.
    bus().advance(1);
    EXPECT_TRUE(record_reached_box(0, buf));
    EXPECT_EQ(bus().box(ids[0]).audio_reads, 2u);
}

TEST_F(AudioCaptureTest, AudioReadGuardLeftIdleForHalfTheClockRangeIsLongOver) {
    open_with_boxes(1);
    std::vector<uint8_t> buf = untouched(kSilenceBlock);
    EXPECT_TRUE(record_reached_box(0, buf));
    // More than 2^31 ms later the signed age is negative: the window is long past,
    // not "still open" for another 24.8 days.
    bus().advance(INT32_MAX);
    bus().advance(2);
    EXPECT_TRUE(record_reached_box(0, buf));
}

TEST_F(AudioCaptureTest, RefusedCallsStillOpenTheWindow) {
    open_with_boxes(1);
    std::vector<uint8_t> big(65536 + 1, kUntouched);
    EXPECT_EQ(SW_Record(0, 1, big.data(), 65536), 0);
    EXPECT_EQ(runner::last_error(), kBadArgument);
    EXPECT_EQ(attempts(), 0);

    std::vector<uint8_t> buf = untouched(16);
    EXPECT_FALSE(record_reached_box(0, buf)) << "a valid call right after a refused one is guarded";
    EXPECT_TRUE(all_are(buf, 0, buf.size(), kUntouched));

    // A call refused because the library is closed opens the window as well, and a
    // later SW_Init does not close it again.
    bus().advance(kAudioGuardMs + 1);
    ASSERT_EQ(SW_Free(), 1);
    runner::set_last_error(0);
    EXPECT_EQ(SW_Record(0, 0, buf.data(), 16), 0);
    EXPECT_EQ(runner::last_error(), kErrorNotOpen);
    ASSERT_EQ(SW_Init(), 1);
    bus().reset_counters();
    EXPECT_FALSE(record_reached_box(0, buf));
}

TEST_F(AudioCaptureTest, ReadRangeIsCheckedAsUnsignedAndTravelsInTheRequestWord) {
    open_with_boxes(1);
    struct Case {
        int offset, length;
        vx_bool result;
        uint32_t word;  // read request word sent, when accepted
    };
    const Case cases[] = {
        {0, 65536, 1, 0x00000000u},       // the whole window: its length travels as 0
        {100, 65436, 1, (65436u << 16) | 100u},
        {60000, 5536, 1, (5536u << 16) | 60000u},
        {1, 65536, 0, 0},
        {60000, 5537, 0, 0},
        {-1, 1, 0, 0},                    // 0xFFFFFFFF + 1 must not wrap to 0
        {0, -1, 0, 0},
        {INT_MIN, INT_MIN, 0, 0},
    };
    std::vector<uint8_t> buf(65536, kUntouched);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "offset " << c.offset << " length " << c.length);
        bus().advance(kAudioGuardMs + 1);
        bus().reset_counters();
        runner::set_last_error(0);
        EXPECT_EQ(SW_Record(0, c.offset, buf.data(), c.length), c.result);
        if (c.result) {
            EXPECT_EQ(bus().box(ids[0]).last_word.at(IOCTL_LINEBOX_READ_AUDIO), c.word);
            EXPECT_EQ(bus().counters().reads, 1);
        } else {
            EXPECT_EQ(runner::last_error(), kBadArgument);
            EXPECT_EQ(attempts(), 0);
        }
    }
}

TEST_F(AudioCaptureTest, BadSlotOrBufferIsRefusedWithoutTouchingABox) {
    open_with_boxes(1);
    std::vector<uint8_t> buf = untouched(16);
    for (int slot : {-1, 64, INT_MAX, INT_MIN}) {
        SCOPED_TRACE(slot);
        runner::set_last_error(0);
        EXPECT_EQ(SW_Record(slot, 0, buf.data(), 16), 0);
        EXPECT_EQ(runner::last_error(), kBadArgument);
        runner::set_last_error(0);
        EXPECT_EQ(SW_CheckSilence(slot), -1);
        EXPECT_EQ(runner::last_error(), kBadArgument);
    }

    runner::set_last_error(0);
    EXPECT_EQ(SW_Record(0, 0, nullptr, 16), 0);
    EXPECT_EQ(runner::last_error(), kBadArgument);
    EXPECT_EQ(attempts(), 0);
    EXPECT_TRUE(all_are(buf, 0, buf.size(), kUntouched));

    start_holdoff();  // the silence test checks the slot also while boxes are held off
    for (int slot : {-1, 64}) {
        runner::set_last_error(0);
        EXPECT_EQ(SW_CheckSilence(slot), -1);
        EXPECT_EQ(runner::last_error(), kBadArgument);
    }
}

// What each device outcome of an audio read leaves behind: result, bytes in the
// buffer, which boxes were re-initialised, and whether a hold-off follows.
TEST_F(AudioCaptureTest, DeviceOutcomesOfAnAudioRead) {
    struct Case {
        const char* name;
        Fault fault;
        vx_bool result;
        size_t bytes;                 // delivered at the start of the buffer
        std::vector<int> inits;       // IOCTL_LINEBOX_INIT reaching each of the three boxes
        bool holds_off;
    };
    constexpr size_t kShort = 100;
    const Case cases[] = {
        {"delivered", Fault::None, 1, kSilenceBlock, {0, 0, 0}, false},
        {"short read", Fault::ReadShort, 1, kShort, {0, 0, 0}, false},
        {"request rejected", Fault::RequestRejected, 1, 0, {0, 0, 0}, false},
        {"empty read", Fault::ReadEmpty, 1, 0, {1, 1, 1}, true},
        {"failed read", Fault::ReadFails, 1, 0, {1, 1, 1}, true},
        {"box cannot be opened", Fault::OpenFails, 0, 0, {0, 0, 0}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        runner::fresh_library();
        ids.clear();
        open_with_boxes(3);
        const int box = ids[1];
        bus().box(box).short_read_bytes = kShort;
        bus().set_fault(box, c.fault, c.fault == Fault::OpenFails ? 0 : IOCTL_LINEBOX_READ_AUDIO);

        std::vector<uint8_t> buf = untouched(kSilenceBlock);
        EXPECT_EQ(SW_Record(1, 0, buf.data(), kSilenceBlock), c.result);
        EXPECT_TRUE(all_are(buf, 0, c.bytes, kSimSilence));
        EXPECT_TRUE(all_are(buf, c.bytes, buf.size(), kUntouched));
        for (size_t i = 0; i < ids.size(); ++i)
            EXPECT_EQ(bus().box(ids[i]).counters.requests[IOCTL_LINEBOX_INIT], c.inits[i]) << "box " << i;
        bus().clear_faults(box);

        // Any slot, also one whose audio-read guard is idle, is held off for the
        // whole hold-off and reached again at its end.
        bus().advance(kHoldOffMs - 1);
        EXPECT_EQ(record_reached_box(2, buf), !c.holds_off);
        if (c.holds_off) {
            bus().advance(1);
            EXPECT_TRUE(record_reached_box(2, buf));
        }
    }
}

TEST_F(AudioCaptureTest, HoldOffComesBeforeTheAudioReadGuard) {
    open_with_boxes(1);
    start_holdoff();
    std::vector<uint8_t> buf = untouched(16);
    bus().advance(kHoldOffMs - 1);
    EXPECT_FALSE(record_reached_box(0, buf));
    // Had the held-off call opened a window, this one would be guarded.
    bus().advance(1);
    EXPECT_TRUE(record_reached_box(0, buf));
}

// Quiet pairs are neighbours that differ by at most 3; more than 1500 of the 2047
// pairs in the first 2048 samples make a silent line.
TEST_F(AudioCaptureTest, SilenceTestCountsQuietNeighbourPairs) {
    // A block with `quiet` quiet pairs first (steps of 3), the rest loud (steps of 4).
    auto with_quiet_pairs = [](int quiet) {
        std::vector<uint8_t> b(kSilenceBlock);
        b[0] = 100;
        for (int i = 0; i + 1 < kSilenceBlock; ++i) {
            const int step = i < quiet ? 3 : 4;
            b[i + 1] = static_cast<uint8_t>(i % 2 == 0 ? b[i] + step : b[i] - step);
        }
        return b;
    };
    auto alternating = [](uint8_t a, uint8_t z) {
        std::vector<uint8_t> b(kSilenceBlock);
        for (int i = 0; i < kSilenceBlock; ++i) b[i] = i % 2 ? z : a;
        return b;
    };
    struct Case {
        const char* name;
        std::vector<uint8_t> block;
        int silent;
    };
    const Case cases[] = {
        {"2048 equal bytes", std::vector<uint8_t>(kSilenceBlock, 0x55), 1},
        {"neighbours differ by 4", alternating(100, 104), 0},
        {"neighbours differ by 3", alternating(100, 103), 1},
        {"1500 quiet pairs", with_quiet_pairs(1500), 0},
        {"1501 quiet pairs", with_quiet_pairs(1501), 1},
        {"samples are unsigned: 0x7F next to 0x80", alternating(0x7F, 0x80), 1},
        {"samples are unsigned: 0x00 next to 0xFF", alternating(0x00, 0xFF), 0},
    };
    open_with_boxes(1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bus().set_audio(ids[0], [&c](uint8_t* block, uint32_t, uint32_t size, uint64_t) {
            for (uint32_t i = 0; i < size && i < c.block.size(); ++i) block[i] = c.block[i];
        });
        bus().advance(kAudioGuardMs + 1);
        bus().reset_counters();
        EXPECT_EQ(SW_CheckSilence(0), c.silent);
        EXPECT_EQ(requests(IOCTL_LINEBOX_RECONNECT), 1);
        EXPECT_EQ(requests(IOCTL_LINEBOX_DISCONNECT), 0);
        EXPECT_EQ(bus().box(ids[0]).last_word.at(IOCTL_LINEBOX_READ_AUDIO), read_request_word(0, kSilenceBlock));
    }
    bus().set_audio(ids[0], nullptr);
}

// A silence test that gets no fresh block does not judge the line by what another
// slot's read or a status poll left in the device read buffer: it repeats the slot's
// last answer, or fails when the slot has none yet.
TEST_F(AudioCaptureTest, SilenceTestWithoutAFreshBlockRepeatsTheSlotsLastAnswer) {
    struct Case {
        const char* name;
        std::function<void()> keep_block_away;
    };
    auto fault = [this](Fault f) {
        return [this, f] {
            bus().advance(kAudioGuardMs + 1);
            bus().box(ids[0]).short_read_bytes = 100;
            bus().set_fault(ids[0], f, IOCTL_LINEBOX_READ_AUDIO, 1);
        };
    };
    const Case cases[] = {
        {"audio-read guard", [] {}},
        {"hold-off", [this] { start_holdoff(); }},
        {"request rejected", fault(Fault::RequestRejected)},
        {"empty read", fault(Fault::ReadEmpty)},
        {"short read", fault(Fault::ReadShort)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        runner::fresh_library();
        ids.clear();
        open_with_boxes(2);
        bus().set_audio(ids[1], [](uint8_t* block, uint32_t, uint32_t size, uint64_t) {
            for (uint32_t i = 0; i < size; ++i) block[i] = i % 2 ? 0x20 : 0xE0;
        });
        ASSERT_EQ(SW_CheckSilence(0), 1);  // slot 0's line is silent
        ASSERT_EQ(SW_CheckSilence(1), 0);  // slot 1's loud block now fills the buffer
        c.keep_block_away();
        EXPECT_EQ(SW_CheckSilence(0), 1) << "judged by slot 1's audio left in the buffer";
    }

    runner::fresh_library();
    ids.clear();
    open_with_boxes(2);
    start_holdoff();
    EXPECT_EQ(SW_CheckSilence(0), -1) << "no block was ever read for the slot";
}

TEST_F(AudioCaptureTest, SilenceTestFailures) {
    open_with_boxes(1);
    ASSERT_EQ(SW_Free(), 1);
    EXPECT_EQ(SW_CheckSilence(0), -1);
    EXPECT_EQ(runner::last_error(), kErrorNotOpen);

    ASSERT_EQ(SW_Init(), 1);
    bus().reset_counters();
    bus().box(ids[0]).openable = false;
    EXPECT_EQ(SW_CheckSilence(0), -1) << "reconnect failed";
    EXPECT_EQ(bus().counters().reads, 0);
}

TEST_F(AudioCaptureTest, PlaybackExportsDoNothingOpenOrClosed) {
    for (bool open : {true, false}) {
        SCOPED_TRACE(open ? "open" : "closed");
        if (open) open_with_boxes(1);
        else SW_Free();
        bus().reset_counters();
        runner::set_last_error(1234);
        EXPECT_EQ(SW_Play(0, 1, 2, 3), 1);
        EXPECT_EQ(SW_StartPlay(0, 1), 0);
        EXPECT_EQ(SW_PlayEnd(0, 1), 0);
        EXPECT_EQ(SW_StopPlay(0), 0);
        EXPECT_EQ(SW_CheckPlayEnd(0), 0);
        EXPECT_EQ(runner::last_error(), 1234u);
        EXPECT_EQ(attempts(), 0);
    }
}

}  // namespace
