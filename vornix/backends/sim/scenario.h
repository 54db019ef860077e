// Scenario files for the simulated line boxes: timed lines such as
//   at 1.0 ring box1 caller 13800138000
// parsed into actions. docs/simulator.md describes the format.
#pragma once
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace vornix::sim {

// The latest time a scenario may name: 400 days, for months of unattended running and
// the traces of as long.
constexpr int64_t kLongestScenarioMs = 400LL * 24 * 3600 * 1000;

enum class ActionKind { Plug, Unplug, Ring, OffHook, Dtmf, Audio, HangUp, Fault, End };
enum class AudioKind { Silence, Tone, Wav };
enum class FaultKind { RejectNext, ReadFailsNext, ReadEmptyNext, OpenFailsNext, Clear };

struct Action {
    ActionKind kind = ActionKind::End;
    int64_t at_ms = 0;
    int line = 0;             // line number in the file, for messages
    std::string box;          // box name as the scenario writes it
    std::string text;         // caller number, DTMF digits or WAV path
    // plug
    int serial = 0;           // 0: the player gives one
    bool offset_marker = true;
    // audio
    AudioKind audio = AudioKind::Silence;
    double tone_hz = 0;
    // fault
    FaultKind fault = FaultKind::Clear;
};

struct Scenario {
    std::string origin;           // the file (or name) it was read from, for messages
    std::vector<Action> actions;  // in time order
    int64_t end_ms = 0;           // an explicit `end`, or the last action's time
    // `clock S`: what the library's clock (the bus's milliseconds) reads at the start,
    // e.g. just before its wrap at 2^31 ms; otherwise the clock is left as it is.
    std::optional<uint32_t> clock_at_start_ms;
};

class ScenarioError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Parses scenario text; `origin` names it in messages ("file:line: ...").
// Throws ScenarioError for a line it cannot read or that contradicts the lines before
// it (a box used while not plugged, time running backwards).
Scenario parse_scenario(const std::string& text, const std::string& origin);
Scenario load_scenario(const std::string& path);

}  // namespace vornix::sim
