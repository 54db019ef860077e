// Scrambling one 64-byte setting for the registry and back.
#include <benchmark/benchmark.h>

#include <string>

#include "scrambler.h"

namespace {

constexpr size_t kSettingBytes = 64;

std::string setting() {
    std::string s;
    for (size_t i = 0; i < kSettingBytes; ++i) s += static_cast<char>('A' + i % 26);
    return s;
}

void BM_EncodeSetting64(benchmark::State& state) {
    const std::string text = setting();
    for (auto _ : state) benchmark::DoNotOptimize(ostrand::EncodeSetting(text));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kSettingBytes));
}
BENCHMARK(BM_EncodeSetting64);

void BM_DecodeSetting64(benchmark::State& state) {
    const std::string stored = ostrand::EncodeSetting(setting());
    for (auto _ : state) benchmark::DoNotOptimize(ostrand::DecodeSetting(stored));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kSettingBytes));
}
BENCHMARK(BM_DecodeSetting64);

}  // namespace
