// The host's scenario file parser over arbitrary text: it either refuses a line with
// a ScenarioError that names the line, or yields actions the player can trust.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "scenario.h"

namespace {

#define FUZZ_CHECK(cond)      \
    do {                      \
        if (!(cond)) abort(); \
    } while (0)

bool only(const std::string& text, const std::string& alphabet) {
    return text.find_first_not_of(alphabet) == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    vornix::sim::Scenario s;
    try {
        s = vornix::sim::parse_scenario(text, "fuzz");
    } catch (const vornix::sim::ScenarioError& e) {
        FUZZ_CHECK(std::string(e.what()).rfind("fuzz:", 0) == 0);
        return 0;
    }
    int64_t last = 0;
    for (const vornix::sim::Action& a : s.actions) {
        FUZZ_CHECK(a.at_ms >= last && a.at_ms <= vornix::sim::kLongestScenarioMs);
        FUZZ_CHECK(a.line >= 1);
        FUZZ_CHECK(!a.box.empty());
        last = a.at_ms;
        using vornix::sim::ActionKind;
        if (a.kind == ActionKind::Ring && !a.text.empty())
            FUZZ_CHECK(a.text.size() <= 16 && only(a.text, "0123456789"));
        if (a.kind == ActionKind::Dtmf)
            FUZZ_CHECK(!a.text.empty() && a.text.size() <= 16 && only(a.text, "0123456789*#ABCD"));
        if (a.kind == ActionKind::Plug) FUZZ_CHECK(a.serial >= 0 && a.serial <= 65535);
        if (a.kind == ActionKind::Audio && a.audio == vornix::sim::AudioKind::Tone)
            FUZZ_CHECK(a.tone_hz > 0 && a.tone_hz < 4000);
    }
    FUZZ_CHECK(s.end_ms >= last);
    return 0;
}
