// Whole calls: a scenario on the simulated bus, the watcher over the real exports, and
// the WAV files it leaves behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "call_log/call_log.h"
#include "line_audio.h"
#include "scenario_run.h"
#include "test_files.h"

using namespace host;
using namespace host_test;
namespace fs = std::filesystem;

namespace {

constexpr size_t kHeader = 58;
constexpr size_t kChunk = 16384;

// A finished recording: final header matching its length, whole chunks only.
void expect_finished_wav(const std::string& path, size_t chunks) {
    const auto b = file_bytes(path);
    ASSERT_EQ(b.size(), kHeader + chunks * kChunk) << path;
    EXPECT_EQ(0, std::memcmp(b.data(), "RIFF", 4));
    EXPECT_EQ(le32(b, 4), b.size() - 8);
    EXPECT_EQ(le32(b, 54), b.size() - kHeader);  // data size
    EXPECT_EQ(le32(b, 46), b.size() - kHeader);  // sample count
}

}  // namespace

class MarkerLayout : public ::testing::TestWithParam<bool> {};

// The road of one call, with both audio block layouts: the chunk must be the line's
// audio sample for sample, whether it lies behind the offset marker or at the plain position.
TEST_P(MarkerLayout, AnsweredCallIsRecordedWithCallerDigitsAndLineAudio) {
    const bool marker = GetParam();
    const std::string folder = fresh_folder();
    const Played run = play(std::string("at 0 plug a marker ") + (marker ? "on" : "off") +
                             "\n"
                             "at 0 audio a tone 440\n"
                             "at 1 ring a caller 13800138000\n"
                             "at 3 offhook a\n"
                             "at 5 dtmf a 12\n"
                             "at 7 dtmf a 3#\n"
                             "at 12.5 hangup a\n",
                         folder);
    using K = CallEventKind;
    EXPECT_EQ(run.kinds(), (std::vector<K>{K::Plugged, K::Ring, K::Answered, K::Digits, K::Digits, K::HungUp}));
    const CallEvent hung_up = run.of(K::HungUp).at(0);
    EXPECT_EQ(hung_up.caller, "13800138000");
    EXPECT_EQ(hung_up.digits, "123#");  // each digit once, though the box reports it for a poll
    EXPECT_EQ(hung_up.slot, 0);
    ASSERT_FALSE(hung_up.file.empty());
    EXPECT_NE(hung_up.file.find("_slot0_13800138000.wav"), std::string::npos);

    // 9.5 s of call: five 2.048 s blocks, the last one the box completed after the hang-up.
    expect_finished_wav(hung_up.file, 5);
    const auto b = file_bytes(hung_up.file);
    const auto line = vornix::sim::tone(440);
    for (size_t i = 0; i < 5 * kChunk; ++i)
        ASSERT_EQ(b[kHeader + i], line->sample(i)) << "sample " << i;
}

INSTANTIATE_TEST_SUITE_P(BothLayouts, MarkerLayout, ::testing::Values(true, false));

TEST(HostCalls, UnansweredRingIsAMissedCallWithoutFile) {
    const std::string folder = fresh_folder();
    const Played run = play("at 0 plug a\nat 1 ring a caller 555\nat 4 hangup a\nat 14 end\n", folder);
    using K = CallEventKind;
    EXPECT_EQ(run.kinds(), (std::vector<K>{K::Plugged, K::Ring, K::Missed}));
    EXPECT_EQ(run.of(K::Missed).at(0).caller, "555");
    EXPECT_TRUE(fs::is_empty(folder));
}

TEST(HostCalls, OffHookWithoutRingIsRecordedForAnUnknownCaller) {
    const std::string folder = fresh_folder();
    const Played run = play("at 0 plug a\nat 1 offhook a\nat 6 hangup a\n", folder);
    const auto hung = run.of(CallEventKind::HungUp);
    ASSERT_EQ(hung.size(), 1u);
    EXPECT_NE(hung[0].file.find("_slot0_unknown.wav"), std::string::npos);
    expect_finished_wav(hung[0].file, 3);
}

// Stopping the host (Ctrl+C) in the middle of calls leaves finished, playable files,
// every one of them finished before the first call is handed on to the log (whose
// writes wait on the disk while the system may be about to end the process).
TEST(HostCalls, StopFinishesOpenRecordingsBeforeTheFirstRow) {
    const std::string folder = fresh_folder();
    int rows = 0;
    std::vector<std::string> unfinished_at_first_row;
    auto look = [&](const CallRecord&) {
        if (rows++ > 0) return;
        for (const auto& f : fs::directory_iterator(folder)) {
            const auto b = file_bytes(f.path().string());
            if (le32(b, 4) != b.size() - 8) unfinished_at_first_row.push_back(f.path().filename().string());
        }
    };
    PlayOptions opts(8000);
    opts.on_call = look;
    const Played run = play("at 0 plug a\nat 0 plug b\nat 0 plug c\nat 1 offhook a\nat 1 offhook b\n"
                            "at 1 offhook c\nat 60 hangup a\n",
                            folder, opts);
    EXPECT_EQ(rows, 3);
    EXPECT_EQ(unfinished_at_first_row, std::vector<std::string>{});
    const auto cut = run.of(CallEventKind::Cut);
    ASSERT_EQ(cut.size(), 3u);
    for (const auto& e : cut) {
        SCOPED_TRACE(e.file);
        const auto size = fs::file_size(e.file);
        EXPECT_EQ((size - kHeader) % kChunk, 0u);
        expect_finished_wav(e.file, (size - kHeader) / kChunk);
        EXPECT_GE(size, kHeader + 2 * kChunk);
    }
}

// The first box leaves while the second records: the second moves up to slot 0. Its
// recording on slot 1 is finished, and the call goes on into a new file at slot 0 with
// the caller number it had.
TEST(HostCalls, BoxMovingUpAfterAnUnplugKeepsItsCall) {
    const std::string folder = fresh_folder();
    const Played run = play(
        "at 0 plug a\nat 0 plug b\n"
        "at 1 ring b caller 02160012345\nat 2 offhook b\n"
        "at 9 unplug a\n"
        "at 16 hangup b\n",
        folder);
    using K = CallEventKind;
    const auto cut = run.of(K::Cut);
    ASSERT_EQ(cut.size(), 1u);
    EXPECT_EQ(cut[0].slot, 1);
    expect_finished_wav(cut[0].file, (fs::file_size(cut[0].file) - kHeader) / kChunk);

    const auto unplugged = run.of(K::Unplugged);
    ASSERT_EQ(unplugged.size(), 1u);
    EXPECT_EQ(unplugged[0].note, "serial 5001");

    const auto hung = run.of(K::HungUp);
    ASSERT_EQ(hung.size(), 1u);
    EXPECT_EQ(hung[0].slot, 0);
    EXPECT_EQ(hung[0].caller, "02160012345");
    EXPECT_NE(hung[0].file, cut[0].file);
    expect_finished_wav(hung[0].file, (fs::file_size(hung[0].file) - kHeader) / kChunk);
    // Between them the two files hold (nearly) the whole call: 14 s, at most one
    // block lost around the move.
    const auto chunks = (fs::file_size(cut[0].file) + fs::file_size(hung[0].file) - 2 * kHeader) / kChunk;
    EXPECT_GE(chunks, 5u);
}

// A box that delivers an empty read once makes the library hold off for a second; the
// call must still end with a finished file and the hang-up noticed.
TEST(HostCalls, EmptyReadDuringACallDoesNotLoseTheCall) {
    const std::string folder = fresh_folder();
    const Played run = play("at 0 plug a\nat 1 offhook a\nat 4 fault a read-empty-next\nat 12 hangup a\n", folder);
    const auto hung = run.of(CallEventKind::HungUp);
    ASSERT_EQ(hung.size(), 1u);
    const auto size = fs::file_size(hung[0].file);
    expect_finished_wav(hung[0].file, (size - kHeader) / kChunk);
    EXPECT_GE(size, kHeader + 4 * kChunk);
}

TEST(HostCalls, WavAudioReachesTheRecording) {
    const std::string folder = fresh_folder();
    // A 16-bit stereo file at 16 kHz: the box plays it mixed down and resampled.
    const std::string wav = folder + "/voice.wav";
    {
        std::vector<int16_t> frames;
        for (int i = 0; i < 16000 * 3; ++i) {
            const int16_t v = static_cast<int16_t>((i / 16) % 2 ? 12800 : -12800);
            frames.push_back(v);
            frames.push_back(v);
        }
        const uint32_t data = static_cast<uint32_t>(frames.size() * 2);
        std::ofstream out(wav, std::ios::binary);
        auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
        auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
        out.write("RIFF", 4); u32(36 + data); out.write("WAVEfmt ", 8); u32(16);
        u16(1); u16(2); u32(16000); u32(64000); u16(4); u16(16);
        out.write("data", 4); u32(data);
        out.write(reinterpret_cast<const char*>(frames.data()), data);
    }
    const Played run = play("at 0 plug a\nat 0 audio a wav " + wav + "\nat 1 offhook a\nat 6 hangup a\n", folder);
    const auto hung = run.of(CallEventKind::HungUp);
    ASSERT_EQ(hung.size(), 1u);
    const auto b = file_bytes(hung[0].file);
    ASSERT_EQ(b.size(), kHeader + 3 * kChunk);
    // Square wave of 8 samples per half period at 8 kHz, +-50 around the silent 0x80.
    EXPECT_EQ(b[kHeader + 0], 0x80 - 50);
    EXPECT_EQ(b[kHeader + 8], 0x80 + 50);
    EXPECT_EQ(b[kHeader + 16], 0x80 - 50);
}

// Every call that ends is handed on once, with how it ended: answered, missed, dialled
// out, cut by the time limit (logged when the call ends), unplugged, and stopped.
TEST(HostCalls, EveryEndedCallIsLoggedOnceWithHowItEnded) {
    const std::string folder = fresh_folder();
    const Played run = play(
        "at 0 plug a\nat 0 plug b\nat 0 plug c\n"
        "at 1 ring a caller 02160012345\nat 1 ring b caller 555\nat 2 offhook a\nat 3 dtmf a *0#\n"
        "at 3 hangup b\nat 6 hangup a\n"
        "at 12 offhook b\nat 12 offhook c\nat 15 unplug c\nat 20 hangup b\n"
        "at 27 offhook a\nat 40 hangup a\n",
        folder, {30000, 4000});
    struct Row { int slot; bool incoming; const char* caller; const char* digits; CallOutcome outcome; int64_t talk_s; bool file; };
    const std::vector<Row> expected = {
        {0, true, "02160012345", "*0#", CallOutcome::Answered, 4, true},
        {1, true, "555", "", CallOutcome::Missed, 0, false},
        {2, false, "", "", CallOutcome::Unplugged, 3, true},
        {1, false, "", "", CallOutcome::TimeLimit, 8, true},
        {0, false, "", "", CallOutcome::Stopped, 3, true},
    };
    ASSERT_EQ(run.calls.size(), expected.size());
    // In the order they ended: a hung-up call is handed on once its last block is in.
    std::vector<CallRecord> calls = run.calls;
    std::stable_sort(calls.begin(), calls.end(), [](const CallRecord& a, const CallRecord& b) { return a.end < b.end; });
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        const CallRecord& r = calls[i];
        const Row& want = expected[i];
        EXPECT_EQ(r.slot, want.slot);
        EXPECT_EQ(r.incoming, want.incoming);
        EXPECT_EQ(r.caller, want.caller);
        EXPECT_EQ(r.digits, want.digits);
        EXPECT_EQ(r.outcome, want.outcome);
        EXPECT_NEAR(static_cast<double>(r.talk_ms) / 1000.0, static_cast<double>(want.talk_s), 0.5);  // polls and hook detection
        EXPECT_EQ(!r.file.empty(), want.file);
        EXPECT_LE(r.start, r.end);
    }
    // A missed call lasts from its first ring to the ring gap's end.
    EXPECT_NEAR(std::chrono::duration<double>(calls[1].end - calls[1].start).count(), 2.0 + 6.0, 0.5);
}

// Call times come from the wall clock at each event, not from the start plus the
// monotonic count: here a wall clock that runs twice as fast as the boxes' time.
TEST(HostCalls, CallTimesAreReadFromTheWallClockAtEachEvent) {
    const auto t0 = std::chrono::system_clock::from_time_t(1741915805);
    PlayOptions options;
    options.wall = [t0] { return t0 + std::chrono::milliseconds(2 * int64_t{runner::bus().now()}); };
    const Played run = play("at 0 plug a\nat 1 ring a caller 555\nat 2 offhook a\nat 5 hangup a\n", fresh_folder(), options);
    ASSERT_EQ(run.calls.size(), 1u);
    const auto seconds = [t0](std::chrono::system_clock::time_point t) { return std::chrono::duration<double>(t - t0).count(); };
    // Ring and hang-up are seen within a status poll (0.6 s) of their time.
    EXPECT_NEAR(seconds(run.calls[0].start), 2.0 + 0.6, 0.7);
    EXPECT_NEAR(seconds(run.calls[0].end), 10.0 + 0.6, 0.7);
    EXPECT_NEAR(static_cast<double>(run.calls[0].talk_ms) / 1000.0, 3.0, 0.7);
}

// The box delivers audio in whole blocks: the one in progress at the hang-up holds the
// call's last words and must reach the file. The recording is then never shorter than
// the call and at most one block longer, and the row's seconds say the same. A call
// begun on the line meanwhile ends the wait at once and is recorded into a file of its own.
TEST(HostCalls, TheRecordingHoldsTheCallUpToTheBlockOfItsHangUp) {
    const double lengths[] = {2.1, 12.3, 4.1, 8.19, 6.0};
    std::string scenario = "at 0 plug a\n";
    double at = 1;
    for (const double length : lengths) {
        scenario += "at " + std::to_string(at) + " offhook a\nat " + std::to_string(at + length) + " hangup a\n";
        at += length + 5;
    }
    scenario += "at " + std::to_string(at) + " offhook a\nat " + std::to_string(at + 3.5) + " hangup a\n" +
                "at " + std::to_string(at + 3.9) + " offhook a\nat " + std::to_string(at + 9) + " hangup a\n";
    const Played run = play(scenario, fresh_folder());
    ASSERT_EQ(run.calls.size(), std::size(lengths) + 2);
    EXPECT_EQ(run.of(CallEventKind::HungUp).size(), run.calls.size());
    for (size_t i = 0; i < std::size(lengths); ++i) {
        const CallRecord& r = run.calls[i];
        SCOPED_TRACE(r.file);
        const double talk = static_cast<double>(r.talk_ms) / 1000.0;
        EXPECT_NEAR(talk, lengths[i], 0.7);  // polls and hook detection
        const double recorded = static_cast<double>(fs::file_size(r.file) - kHeader) / 8000.0;
        EXPECT_GE(recorded, lengths[i]);
        EXPECT_LT(recorded, lengths[i] + 2.048);
        EXPECT_LE(std::abs(std::stod(call_row(r)[8]) - recorded), 2.048 + 0.5);  // whole seconds
        expect_finished_wav(r.file, (fs::file_size(r.file) - kHeader) / kChunk);
    }
    const CallRecord& redialled = run.calls.back();
    EXPECT_NE(redialled.file, run.calls[run.calls.size() - 2].file);
    EXPECT_GE(static_cast<double>(fs::file_size(redialled.file) - kHeader) / 8000.0, 4.0);
}

TEST(HostCalls, ALoopHeldUpOverTheHangUpStillTakesEveryBlockOfTheCall) {
    // Off-hook at 1 s, hang-up at 20 s; the loop is held up from 10 s to 21 s, and finds
    // the call over and the box with five blocks ready.
    PlayOptions options;
    options.stall_at_ms = 10000;
    options.stall_ms = 11000;
    const Played run = play("at 0 plug a\nat 1 offhook a\nat 20 hangup a\nat 30 end\n", fresh_folder(), options);
    ASSERT_EQ(run.calls.size(), 1u);
    const CallRecord& r = run.calls[0];
    // Every block of the call, the one in progress at the hang-up too: ten (one more block
    // after the hang-up took six; three seconds from the hang-up, nine).
    const auto blocks = (fs::file_size(r.file) - kHeader) / kChunk;
    EXPECT_EQ(blocks, 10u);
    expect_finished_wav(r.file, blocks);
}
