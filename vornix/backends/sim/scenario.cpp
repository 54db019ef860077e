#include "scenario.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace vornix::sim {

namespace {

constexpr size_t kMaxDigits = 16;           // a status record carries 16 digit codes
constexpr double kMaxSeconds = kLongestScenarioMs / 1000.0;
constexpr double kClockSeconds = 4294967.295;  // the library's clock: 32 bits of milliseconds
constexpr int kMinSerial = 0, kMaxSerial = 65535;

struct BoxState {
    bool plugged = false;
    bool ringing = false;
    bool in_call = false;
};

class LineReader {
public:
    LineReader(const std::string& origin, int number, const std::string& line)
        : origin_(origin), number_(number), in_(line) {}

    [[noreturn]] void fail(const std::string& what) const {
        throw ScenarioError(origin_ + ":" + std::to_string(number_) + ": " + what);
    }
    bool next(std::string* word) { return static_cast<bool>(in_ >> *word); }
    std::string need(const char* what) {
        std::string w;
        if (!next(&w)) fail(std::string("missing ") + what);
        return w;
    }
    std::string rest() {
        std::string r;
        std::getline(in_, r);
        const auto first = r.find_first_not_of(" \t");
        if (first == std::string::npos) return "";
        const auto last = r.find_last_not_of(" \t\r");
        return r.substr(first, last - first + 1);
    }
    void done() {
        std::string extra;
        if (next(&extra)) fail("unexpected '" + extra + "'");
    }

private:
    std::string origin_;
    int number_;
    std::istringstream in_;
};

// Seconds (`1.5` or `1.5s`) from 0 to `most`, in milliseconds; false when not.
bool parse_seconds(const std::string& word, double most, int64_t* ms) {
    std::string text = word;
    if (!text.empty() && text.back() == 's') text.pop_back();
    char* end = nullptr;
    const double secs = std::strtod(text.c_str(), &end);
    if (text.empty() || *end || !std::isfinite(secs) || secs < 0 || secs > most) return false;
    *ms = static_cast<int64_t>(std::llround(secs * 1000));
    return true;
}

int64_t parse_time(LineReader& r, const std::string& word) {
    int64_t ms = 0;
    if (!parse_seconds(word, kMaxSeconds, &ms))
        r.fail("bad time '" + word + "' (seconds from the start, 0 to 400 days, e.g. 1.5)");
    return ms;
}

// `clock S`, a setting before the first action.
void read_clock(LineReader& r, Scenario& s) {
    if (s.clock_at_start_ms) r.fail("the clock is set already");
    if (!s.actions.empty()) r.fail("'clock' comes before the first action");
    int64_t ms = 0;
    if (!parse_seconds(r.need("clock reading"), kClockSeconds, &ms))
        r.fail("the clock reads 0 to 4294967.295 seconds");
    r.done();
    s.clock_at_start_ms = static_cast<uint32_t>(ms);
}

std::string digits_of(LineReader& r, const std::string& text, const std::string& allowed,
                      const char* what) {
    if (text.empty() || text.size() > kMaxDigits)
        r.fail(std::string(what) + " must have 1 to 16 digits");
    for (char c : text)
        if (allowed.find(c) == std::string::npos)
            r.fail(std::string("'") + c + "' is not a " + what + " digit");
    return text;
}

const std::map<std::string, ActionKind>& commands() {
    static const std::map<std::string, ActionKind> m = {
        {"plug", ActionKind::Plug},     {"unplug", ActionKind::Unplug},
        {"ring", ActionKind::Ring},     {"offhook", ActionKind::OffHook},
        {"dtmf", ActionKind::Dtmf},     {"audio", ActionKind::Audio},
        {"hangup", ActionKind::HangUp}, {"fault", ActionKind::Fault},
        {"end", ActionKind::End}};
    return m;
}

const std::map<std::string, FaultKind>& faults() {
    static const std::map<std::string, FaultKind> m = {
        {"reject-next", FaultKind::RejectNext},
        {"read-fails-next", FaultKind::ReadFailsNext},
        {"read-empty-next", FaultKind::ReadEmptyNext},
        {"open-fails-next", FaultKind::OpenFailsNext},
        {"clear", FaultKind::Clear}};
    return m;
}

void read_arguments(LineReader& r, Action& a) {
    std::string w;
    switch (a.kind) {
        case ActionKind::Plug:
            while (r.next(&w)) {
                if (w == "serial") {
                    const std::string v = r.need("serial code");
                    char* end = nullptr;
                    const long n = std::strtol(v.c_str(), &end, 10);
                    if (*end || n < kMinSerial || n > kMaxSerial) r.fail("serial code is 0 to 65535");
                    a.serial = static_cast<int>(n);
                } else if (w == "marker") {
                    const std::string v = r.need("on or off");
                    if (v != "on" && v != "off") r.fail("marker is on or off");
                    a.offset_marker = v == "on";
                } else {
                    r.fail("unexpected '" + w + "' (plug BOX [serial N] [marker on|off])");
                }
            }
            break;
        case ActionKind::Ring:
            if (r.next(&w)) {
                if (w != "caller") r.fail("unexpected '" + w + "' (ring BOX [caller NUMBER])");
                a.text = digits_of(r, r.need("caller number"), "0123456789", "caller number");
            }
            r.done();
            break;
        case ActionKind::Dtmf:
            a.text = digits_of(r, r.need("DTMF digits"), "0123456789*#ABCD", "DTMF");
            r.done();
            break;
        case ActionKind::Audio: {
            const std::string kind = r.need("audio kind (tone HZ, wav PATH or silence)");
            if (kind == "silence") {
                a.audio = AudioKind::Silence;
                r.done();
            } else if (kind == "tone") {
                const std::string v = r.need("tone frequency");
                char* end = nullptr;
                a.tone_hz = std::strtod(v.c_str(), &end);
                if (*end || !(a.tone_hz > 0) || a.tone_hz >= 4000)
                    r.fail("tone frequency must lie between 0 and 4000 Hz");
                a.audio = AudioKind::Tone;
                r.done();
            } else if (kind == "wav") {
                a.text = r.rest();
                if (a.text.empty()) r.fail("missing WAV file path");
                a.audio = AudioKind::Wav;
            } else {
                r.fail("unknown audio kind '" + kind + "' (tone HZ, wav PATH or silence)");
            }
            break;
        }
        case ActionKind::Fault: {
            const std::string v = r.need("fault");
            auto it = faults().find(v);
            if (it == faults().end())
                r.fail("unknown fault '" + v +
                       "' (reject-next, read-fails-next, read-empty-next, open-fails-next, clear)");
            a.fault = it->second;
            r.done();
            break;
        }
        default:
            r.done();
            break;
    }
}

// Keeps the lines consistent with each other: a box is used only while plugged, a call
// is answered once and hung up once.
void check_sequence(LineReader& r, const Action& a, std::map<std::string, BoxState>& boxes) {
    BoxState& b = boxes[a.box];
    if (a.kind != ActionKind::Plug && !b.plugged) r.fail(a.box + " is not plugged in");
    switch (a.kind) {
        case ActionKind::Plug:
            if (b.plugged) r.fail(a.box + " is plugged in already");
            b = BoxState{};
            b.plugged = true;
            break;
        case ActionKind::Unplug: b = BoxState{}; break;
        case ActionKind::Ring:
            if (b.in_call) r.fail(a.box + " is in a call");
            b.ringing = true;
            break;
        case ActionKind::OffHook:
            if (b.in_call) r.fail(a.box + " is off hook already");
            b.ringing = false;
            b.in_call = true;
            break;
        case ActionKind::HangUp:
            if (!b.in_call && !b.ringing) r.fail(a.box + " has no call to hang up");
            b.ringing = b.in_call = false;
            break;
        default: break;
    }
}

}  // namespace

Scenario parse_scenario(const std::string& text, const std::string& origin) {
    Scenario s;
    s.origin = origin;
    std::map<std::string, BoxState> boxes;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    int64_t now = 0;
    bool ended = false;
    while (std::getline(in, line)) {
        ++number;
        LineReader r(origin, number, line);
        std::string word;
        if (!r.next(&word) || word[0] == '#') continue;  // blank or comment
        if (ended) r.fail("nothing may follow 'end'");
        if (word == "clock") {
            read_clock(r, s);
            continue;
        }
        if (word == "at") {
            const int64_t at = parse_time(r, r.need("time"));
            if (at < now) r.fail("time runs backwards");
            now = at;
            word = r.need("command");
            if (word == "clock") r.fail("'clock' is a setting of the start: no 'at'");
        }
        auto cmd = commands().find(word);
        if (cmd == commands().end()) r.fail("unknown command '" + word + "'");
        Action a;
        a.kind = cmd->second;
        a.at_ms = now;
        a.line = number;
        if (a.kind == ActionKind::End) {
            r.done();
            ended = true;
            s.end_ms = now;
            continue;
        }
        a.box = r.need("box name");
        read_arguments(r, a);
        check_sequence(r, a, boxes);
        s.actions.push_back(a);
    }
    if (!ended) s.end_ms = s.actions.empty() ? 0 : s.actions.back().at_ms;
    return s;
}

Scenario load_scenario(const std::string& path) {
    std::error_code ec;
    // A folder opens like a file on some systems and then reads as nothing at all.
    if (std::filesystem::is_directory(path, ec)) throw ScenarioError(path + ": is a folder, not a scenario file");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ScenarioError(path + ": cannot be read");
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) throw ScenarioError(path + ": cannot be read");
    Scenario s = parse_scenario(text.str(), path);
    // WAV paths are relative to the scenario's own folder.
    const std::filesystem::path base = std::filesystem::path(path).parent_path();
    for (Action& a : s.actions) {
        if (a.kind == ActionKind::Audio && a.audio == AudioKind::Wav &&
            std::filesystem::path(a.text).is_relative())
            a.text = (base / a.text).string();
    }
    return s;
}

}  // namespace vornix::sim
