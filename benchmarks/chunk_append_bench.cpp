// What one SW_CheckFileRecordEnd costs on the simulated bus: a poll that appends a
// chunk, and a poll that finds no block ready. Two reference figures let the
// library's own share be read off: the simulated device work each poll causes, and
// the bare 16,384-byte append to a file.
//
// Every poll advances the virtual clock past the 600 ms status cache and the 200 ms
// audio-read guard, so each one really polls the box. The appended block is read
// into the device read buffer and written to the file from there; nothing else
// copies it.
#include <benchmark/benchmark.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "library_state.h"
#include "linebox_protocol.h"
#include "sim_bus.h"
#include "vornix.h"

namespace {

namespace sim = vornix::sim;

constexpr int32_t kPastStatusCache = 601;
constexpr uint32_t kStatusReportBytes = vornix::kStatusReportSize;
constexpr uint32_t kBlockBytes = vornix::kAudioBlockSize;
constexpr size_t kChunkBytes = vornix::kAudioChunkSize;
constexpr size_t kHeaderBytes = 58;
constexpr int64_t kChunksPerFile = 256;  // start afresh now and then: 4 MB files at most
const char* const kRecordingPath = "/tmp/vornix-chunk-append-bench.wav";
const char* const kPlainPath = "/tmp/vornix-chunk-append-bench.raw";

// A library with one box on slot 0 that records into kRecordingPath.
class Recording {
public:
    explicit Recording(bool block_ready) {
        vornix::reload_for_tests();
        sim::bus().reset();
        box_ = sim::bus().plug_silently();
        SW_Init();
        sim::bus().set_status(box_, sim::StatusRecord::valid().record_end(block_ready));
        restart();
    }
    ~Recording() {
        SW_StopFileRecord(0);
        vornix::reload_for_tests();
        sim::bus().reset();
        std::remove(kRecordingPath);
    }
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;

    void restart() {
        SW_StopFileRecord(0);
        SW_StartFileRecord(0, kRecordingPath, INT_MAX);
    }

private:
    int box_ = 0;
};

void BM_PollAppendingAChunk(benchmark::State& state) {
    Recording rec(true);
    int64_t chunks = 0;
    for (auto _ : state) {
        sim::bus().advance(kPastStatusCache);
        benchmark::DoNotOptimize(SW_CheckFileRecordEnd(0));
        if (++chunks % kChunksPerFile == 0) {
            state.PauseTiming();
            rec.restart();
            state.ResumeTiming();
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kChunkBytes));
}
BENCHMARK(BM_PollAppendingAChunk);

void BM_PollWithNoBlockReady(benchmark::State& state) {
    Recording rec(false);
    for (auto _ : state) {
        sim::bus().advance(kPastStatusCache);
        benchmark::DoNotOptimize(SW_CheckFileRecordEnd(0));
    }
}
BENCHMARK(BM_PollWithNoBlockReady);

// The simulated box's side of one read request: enumeration, open, request, read, close.
void device_read(uint32_t code, std::vector<uint8_t>& into, uint32_t length) {
    sim::Bus& bus = sim::bus();
    const sim::Handle h = bus.open(0);
    const uint32_t word = vornix::read_request_word(0, length);
    bus.control(h, code, &word, sizeof word);
    uint32_t got = 0;
    bus.read(h, into.data(), length, &got);
    bus.close(h);
}

// Reference: the device work of an appending poll (status report, then audio block).
void BM_SimDeviceSideOfAnAppend(benchmark::State& state) {
    sim::bus().reset();
    sim::bus().plug_silently();
    std::vector<uint8_t> buffer(kBlockBytes);
    for (auto _ : state) {
        device_read(vornix::IOCTL_LINEBOX_READ_STATUS, buffer, kStatusReportBytes);
        device_read(vornix::IOCTL_LINEBOX_READ_AUDIO, buffer, kBlockBytes);
        benchmark::ClobberMemory();
    }
    sim::bus().reset();
}
BENCHMARK(BM_SimDeviceSideOfAnAppend);

// Reference: the device work of a poll that finds no block (status report only).
void BM_SimDeviceSideOfAStatusPoll(benchmark::State& state) {
    sim::bus().reset();
    sim::bus().plug_silently();
    std::vector<uint8_t> buffer(kStatusReportBytes);
    for (auto _ : state) {
        device_read(vornix::IOCTL_LINEBOX_READ_STATUS, buffer, kStatusReportBytes);
        benchmark::ClobberMemory();
    }
    sim::bus().reset();
}
BENCHMARK(BM_SimDeviceSideOfAStatusPoll);

// Reference: seek to the end and append 16,384 bytes with the C runtime, behind
// range(0) bytes written first. Behind the 58-byte header every chunk straddles the
// stream's buffer and page boundaries, which roughly doubles its cost; the recording
// pays that too.
void BM_BareChunkAppend(benchmark::State& state) {
    std::vector<uint8_t> chunk(kChunkBytes, 0x80);
    std::FILE* f = std::fopen(kPlainPath, "w+b");
    if (!f) {
        state.SkipWithError("cannot create the file");
        return;
    }
    const std::vector<uint8_t> ahead(static_cast<size_t>(state.range(0)), 0);
    std::fwrite(ahead.data(), 1, ahead.size(), f);
    int64_t chunks = 0;
    for (auto _ : state) {
        std::fseek(f, 0, SEEK_END);
        std::fwrite(chunk.data(), 1, chunk.size(), f);
        if (++chunks % kChunksPerFile == 0) {
            state.PauseTiming();
            f = std::freopen(kPlainPath, "w+b", f);
            if (!f) {
                state.SkipWithError("cannot recreate the file");
                break;
            }
            std::fwrite(ahead.data(), 1, ahead.size(), f);
            state.ResumeTiming();
        }
    }
    if (f) std::fclose(f);
    std::remove(kPlainPath);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kChunkBytes));
}
BENCHMARK(BM_BareChunkAppend)->Arg(0)->Arg(static_cast<int64_t>(kHeaderBytes));

}  // namespace
