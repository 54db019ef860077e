// Replaying the kept trace of a call: clean as recorded, the record named when one
// status report is altered, clean up to the end of a trace cut anywhere.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "linebox_protocol.h"
#include "replay.h"
#include "trace_file.h"

namespace vornix::trace {
namespace {

class Replay : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(load(VORNIX_KEPT_TRACE, trace_));
        ASSERT_TRUE(trace_.header_ok);
        ASSERT_FALSE(trace_.cut || trace_.bad);
        std::filesystem::create_directories(scratch_);
    }
    void TearDown() override { std::filesystem::remove_all(scratch_); }

    ReplayOutcome replay_bytes(const std::vector<uint8_t>& bytes) {
        TraceFile t;
        t.bytes = bytes;
        decode(t);
        return replay(t, scratch_);
    }

    TraceFile trace_;
    std::string scratch_ = (std::filesystem::temp_directory_path() / "vornix-replay-test").string();
};

TEST_F(Replay, TheRecordedCallReplaysClean) {
    const ReplayOutcome out = replay(trace_, scratch_);
    EXPECT_TRUE(out.clean) << out.report;
    EXPECT_NE(out.report.find("replay clean: " + std::to_string(trace_.events.size()) + " records"), std::string::npos)
        << out.report;
}

TEST_F(Replay, AnAlteredStatusReportIsNamed) {
    // The first whole status report read: its serial code is what SW_GetSN returns.
    size_t record = 0, at = 0;
    for (size_t i = 0; i < trace_.events.size() && !record; ++i) {
        const Event& e = trace_.events[i];
        if (e.type == Type::Read && e.asked == kStatusReportSize && e.delivered == kStatusReportSize) {
            record = i + 1;
            at = static_cast<size_t>(e.bytes - trace_.bytes.data()) +
                 payload_offset(e.bytes, e.delivered) + kSerialLow;
        }
    }
    ASSERT_NE(record, 0u);
    std::vector<uint8_t> altered = trace_.bytes;
    altered[at] ^= 0x01;
    const ReplayOutcome out = replay_bytes(altered);
    EXPECT_FALSE(out.clean);
    const std::string named = "status report from record " + std::to_string(record);
    EXPECT_EQ(out.report.substr(out.report.size() - named.size()), named) << out.report;
    EXPECT_NE(out.report.find("SW_GetSN returned"), std::string::npos) << out.report;
}

// The library keeps state from one session of a process to the next: each cut trace
// replays in a process of its own, as the tool runs it.
TEST_F(Replay, ACutTraceReplaysCleanUpToItsEnd) {
    std::mt19937 random(25);
    std::uniform_int_distribution<size_t> anywhere(kHeaderSize, trace_.bytes.size() - 1);
    const std::string cut_file = scratch_ + "/cut.vxt";
    for (int i = 0; i < 12; ++i) {
        const size_t cut = anywhere(random);
        std::ofstream(cut_file, std::ios::binary)
            .write(reinterpret_cast<const char*>(trace_.bytes.data()), static_cast<std::streamsize>(cut));
        const std::string command = std::string(VORNIX_TRACE_TOOL) + " replay " + cut_file + " > " + scratch_ + "/out.txt";
        EXPECT_EQ(std::system(command.c_str()), 0) << cut;
        std::ifstream out(scratch_ + "/out.txt");
        const std::string report((std::istreambuf_iterator<char>(out)), std::istreambuf_iterator<char>());
        EXPECT_NE(report.find("replay clean"), std::string::npos) << cut << ": " << report;
    }
}

}  // namespace
}  // namespace vornix::trace
