// What status queries cost: a query answered from the 600 ms status record, a query
// that polls a box on the simulated bus, and one SW_CheckRing sweep over 64 boxes, as
// a host makes it every round. A bare bus round trip (enumerate-open, request, 576-byte
// read, close) is the reference that lets the library's own share be read off; on real
// boxes the driver's round trip takes its place.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "library_state.h"
#include "linebox_protocol.h"
#include "sim_bus.h"
#include "vornix.h"

namespace {

namespace sim = vornix::sim;

constexpr int32_t kPastStatusCache = 601;
constexpr uint32_t kStatusReportBytes = vornix::kStatusReportSize;
constexpr int kMaxBoxes = 64;

// A freshly loaded library, opened over `boxes` idle boxes.
void open_library(int boxes) {
    vornix::reload_for_tests();
    sim::bus().reset();
    for (int i = 0; i < boxes; ++i) sim::bus().plug_silently();
    SW_Init();
}

void BM_StatusQueryFromCache(benchmark::State& state) {
    open_library(1);
    SW_CheckOffHook(0);  // the poll that fills the status record
    for (auto _ : state) benchmark::DoNotOptimize(SW_CheckOffHook(0));
    SW_Free();
}
BENCHMARK(BM_StatusQueryFromCache);

void BM_StatusPollThroughSimBus(benchmark::State& state) {
    open_library(1);
    for (auto _ : state) {
        sim::bus().advance(kPastStatusCache);  // every query polls the box
        benchmark::DoNotOptimize(SW_CheckOffHook(0));
    }
    SW_Free();
}
BENCHMARK(BM_StatusPollThroughSimBus);

// The simulated device work of one poll, without the library.
void BM_SimBusRoundTripReference(benchmark::State& state) {
    open_library(1);
    uint8_t report[kStatusReportBytes];
    const uint32_t word = vornix::read_request_word(0, kStatusReportBytes);
    for (auto _ : state) {
        const sim::Handle h = sim::bus().open(0);
        sim::bus().control(h, vornix::IOCTL_LINEBOX_READ_STATUS, &word, sizeof word);
        uint32_t got = 0;
        sim::bus().read(h, report, sizeof report, &got);
        sim::bus().close(h);
        benchmark::DoNotOptimize(report);
    }
    SW_Free();
}
BENCHMARK(BM_SimBusRoundTripReference);

// One round of a host over 64 boxes: every SW_CheckRing polls (the clock moves past the
// status cache between rounds), or every one is answered from the status record.
void BM_CheckRingSweep64(benchmark::State& state) {
    const bool polling = state.range(0) != 0;
    open_library(kMaxBoxes);
    for (int slot = 0; slot < kMaxBoxes; ++slot) SW_CheckRing(slot);
    for (auto _ : state) {
        if (polling) sim::bus().advance(kPastStatusCache);
        for (int slot = 0; slot < kMaxBoxes; ++slot) benchmark::DoNotOptimize(SW_CheckRing(slot));
    }
    state.SetItemsProcessed(state.iterations() * kMaxBoxes);
    state.SetLabel(polling ? "every query polls" : "answered from the status record");
    SW_Free();
}
BENCHMARK(BM_CheckRingSweep64)->Arg(1)->Arg(0);

}  // namespace
