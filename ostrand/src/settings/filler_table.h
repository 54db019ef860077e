// The filler table: the characters the scrambler puts between the hex digits of a
// stored setting. Readers never consult it, so its order is ours to fix here.
#pragma once
#include <cstddef>

namespace ostrand {

constexpr char kFirstFiller = '!';  // printable ASCII 33
constexpr char kLastFiller = '~';   // printable ASCII 126
constexpr std::size_t kFillerCount = kLastFiller - kFirstFiller + 1;

// Every printable non-blank ASCII character exactly once, in a shuffled order.
constexpr char kFillerTable[kFillerCount + 1] =
    "wX(7%-Yv5^,Ab)M_gRSf`hF&{3Id@Dt=ZrQi|6\"]q<*C./92[1Ey"
    "jpWkcalxz}H\\;TVeo?!J:$s8+~uNU'0mG>#KPO4BLn";

namespace detail {
constexpr bool FillerTableIsPermutation() {
    bool seen[kFillerCount] = {};
    for (std::size_t i = 0; i < kFillerCount; ++i) {
        const char c = kFillerTable[i];
        if (c < kFirstFiller || c > kLastFiller) return false;
        const std::size_t slot = static_cast<std::size_t>(c - kFirstFiller);
        if (seen[slot]) return false;
        seen[slot] = true;
    }
    return kFillerTable[kFillerCount] == '\0';
}
}  // namespace detail

static_assert(detail::FillerTableIsPermutation(),
              "the filler table must hold each of the characters 33..126 exactly once");

}  // namespace ostrand
