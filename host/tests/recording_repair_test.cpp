// Repair of recordings cut short: hand-made files in the library's layout, cut at every
// length around the header and chunk boundaries, headers that claim too much, and
// WAV files of other layouts that must be left alone.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/platform.h"
#include "recordings/recording_repair.h"
#include "recordings/repair_command.h"
#include "test_files.h"

using namespace host;
using namespace host_test;
namespace fs = std::filesystem;
using Verdict = RepairResult::Verdict;

namespace {

constexpr size_t kHeader = 58;
constexpr size_t kChunk = 16384;
using Bytes = std::vector<uint8_t>;

void put32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t get32(const Bytes& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

// The library's header claiming `data` audio bytes, followed by `audio` bytes of audio.
Bytes recording(uint32_t data, size_t audio) {
    Bytes b(kHeader + audio);
    const uint8_t head[] = "RIFF....WAVEfmt \x12\0\0\0\x01\0\x01\0\x40\x1f\0\0\x40\x1f\0\0\x01\0\x08\0\0\0fact\x04\0\0\0....data....";
    std::memcpy(b.data(), head, kHeader);
    put32(b, 4, data + 50);
    put32(b, 46, data);
    put32(b, 54, data);
    for (size_t i = 0; i < audio; ++i) b[kHeader + i] = static_cast<uint8_t>(i * 7 + 3);
    return b;
}

std::string write(const std::string& dir, const std::string& name, const Bytes& b) {
    const std::string path = dir + "/" + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    return path;
}

}  // namespace

// A file cut at any length keeps every byte; the header ends up counting exactly what
// follows it, whether it counted less (start header, last refresh) or more; a second
// repair finds nothing to do. Shorter than the header: nothing to count, left alone.
TEST(RecordingRepair, EveryCutLengthEndsCountingExactlyWhatTheFileHolds) {
    const std::string dir = fresh_folder();
    struct Case { uint32_t claimed; std::vector<size_t> lengths; };
    std::vector<Case> cases;
    Case start{14, {}};  // the start header: never refreshed
    for (size_t n = 0; n <= 80; ++n) start.lengths.push_back(n);
    for (size_t n = kHeader + kChunk - 3; n <= kHeader + kChunk + 3; ++n) start.lengths.push_back(n);
    cases.push_back(start);
    Case refreshed{11 * kChunk, {}};  // refreshed at the 11th chunk, then killed
    for (size_t chunks : {10u, 11u, 12u, 14u})
        for (int d = -3; d <= 3; ++d) refreshed.lengths.push_back(kHeader + chunks * kChunk + d);
    cases.push_back(refreshed);

    for (const Case& c : cases) {
        for (size_t length : c.lengths) {
            SCOPED_TRACE("claimed " + std::to_string(c.claimed) + ", length " + std::to_string(length));
            Bytes original = recording(c.claimed, length > kHeader ? length - kHeader : 0);
            original.resize(length);
            const std::string path = write(dir, "cut.wav", original);
            const RepairResult r = repair_recording(path);
            const Bytes after = file_bytes(path);
            ASSERT_EQ(after.size(), length);
            if (length < kHeader) {
                EXPECT_EQ(r.verdict, Verdict::Foreign);
                EXPECT_EQ(after, original);
                continue;
            }
            const uint32_t audio = static_cast<uint32_t>(length - kHeader);
            const Verdict expected = c.claimed > audio ? Verdict::Lowered : c.claimed < audio ? Verdict::Repaired : Verdict::Whole;
            EXPECT_EQ(r.verdict, expected);
            EXPECT_EQ(get32(after, 54), audio);
            EXPECT_EQ(get32(after, 46), audio);
            EXPECT_EQ(get32(after, 4), audio + 50);
            EXPECT_TRUE(std::equal(after.begin() + kHeader, after.end(), original.begin() + kHeader));
            EXPECT_TRUE(std::equal(after.begin(), after.begin() + 4, original.begin()));
            EXPECT_NEAR(r.seconds_recovered(), c.claimed < audio ? (audio - c.claimed) / 8000.0 : 0.0, 1e-9);
            EXPECT_EQ(repair_recording(path).verdict, Verdict::Whole);
            EXPECT_EQ(file_bytes(path), after);
        }
    }
}

// Only this library's exact layout is touched: other WAV files are left byte for byte.
TEST(RecordingRepair, OtherLayoutsAreLeftAlone) {
    const std::string dir = fresh_folder();
    struct Change { const char* what; size_t at; std::vector<uint8_t> bytes; };
    const std::vector<Change> changes = {
        {"RIFX", 0, {'R', 'I', 'F', 'X'}},          {"AVI form", 8, {'A', 'V', 'I', ' '}},
        {"16-byte fmt", 16, {16}},                  {"IEEE float", 20, {3}},
        {"stereo", 22, {2}},                        {"11025 Hz", 24, {0x11, 0x2b}},
        {"16-bit", 34, {16}},                       {"list instead of fact", 38, {'L', 'I', 'S', 'T'}},
        {"no data chunk", 50, {'j', 'u', 'n', 'k'}},
    };
    for (const Change& c : changes) {
        SCOPED_TRACE(c.what);
        Bytes b = recording(14, 3 * kChunk);
        std::copy(c.bytes.begin(), c.bytes.end(), b.begin() + static_cast<long>(c.at));
        const std::string path = write(dir, "foreign.wav", b);
        const RepairResult r = repair_recording(path);
        EXPECT_EQ(r.verdict, Verdict::Foreign);
        EXPECT_FALSE(r.reason.empty());
        EXPECT_EQ(file_bytes(path), b);
    }
}

// A folder's *.wav files are repaired, nothing else; a folder a running host holds is
// not touched at all.
TEST(RecordingRepair, FoldersAndTheRunningHostsLock) {
    const std::string dir = fresh_folder();
    const std::string cut = write(dir, "a.WAV", recording(14, 2 * kChunk));
    const Bytes text = {'s', 't', 'a', 'r', 't', '\r', '\n'};
    const std::string csv = write(dir, "calls.csv", text);
    {
        const platform::FolderLock running(dir);
        ASSERT_TRUE(running.held());
        std::FILE* devnull = std::tmpfile();
        EXPECT_EQ(repair_paths({dir, cut}, devnull), 1);
        std::fclose(devnull);
        EXPECT_EQ(get32(file_bytes(cut), 54), 14u);
    }
    const auto results = repair_folder(dir);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].verdict, Verdict::Repaired);
    EXPECT_EQ(get32(file_bytes(cut), 54), 2 * kChunk);
    EXPECT_EQ(file_bytes(csv), text);
}

// A finished file whose RIFF size spans it exactly is whole, whatever follows its data
// chunk: metadata an editor added, or the pad byte of an odd data size.
TEST(RecordingRepair, FinishedFilesWithMoreAfterTheirDataAreLeftAlone) {
    const std::string dir = fresh_folder();
    const std::vector<std::pair<const char*, Bytes>> tails = {
        {"LIST/INFO chunk", {'L', 'I', 'S', 'T', 12, 0, 0, 0, 'I', 'N', 'F', 'O', 'I', 'C', 'M', 'T', 2, 0, 0, 0, 'h', 'i'}},
        {"pad byte", {0}},
    };
    for (const auto& [what, tail] : tails) {
        SCOPED_TRACE(what);
        const size_t audio = 2 * kChunk + tail.size() % 2;
        Bytes b = recording(static_cast<uint32_t>(audio), audio);
        b.insert(b.end(), tail.begin(), tail.end());
        put32(b, 4, static_cast<uint32_t>(b.size() - 8));
        const std::string path = write(dir, "finished.wav", b);
        EXPECT_EQ(repair_recording(path).verdict, Verdict::Whole);
        EXPECT_EQ(file_bytes(path), b);
    }
    // Past 4 GiB (a sparse file here) the finished header holds its fields' most.
    const std::string big = write(dir, "long.wav", recording(0xFFFFFFFFu - 50, 0));
    fs::resize_file(big, uint64_t{5} << 30);
    EXPECT_EQ(repair_recording(big).verdict, Verdict::Whole);
}
