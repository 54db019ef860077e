// The boxes' story is read from what they answered: each status report's record
// (flags, digits, serial code), the audio blocks read during a call, the paths each
// enumeration found, and the requests they refused.
#include "trace_scenario.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <vector>

#include "digit_codes.h"
#include "linebox_protocol.h"
#include "wav_header.h"

namespace vornix::trace {

namespace {

constexpr int64_t kBlockMs = 2048;        // the call audio in one block
constexpr int64_t kAfterLastBlockMs = 1000;  // a hang-up this long after the last whole block

struct Line {
    int64_t ms;
    size_t box;
    std::string text;  // after the box name
};

struct Call {
    size_t box;
    int64_t start_ms, seen_end_ms = -1;
    int blocks = 0;
    std::vector<uint8_t> audio;
    bool whole_audio = true;
    size_t offhook_line;
    bool pulled = false;  // ended by the box being pulled out, not by a hang-up
    bool read_after_end = false;  // the host took a block after it saw the call end
};

struct Box {
    std::string path;
    int serial = -1;
    bool marker = true;
    bool present = false, ringing = false, off_hook = false;
    std::string dtmf;  // the digits last reported
    int call = -1;     // index into calls while off hook or until the next call
    int64_t last_report_ms = 0;  // when the previous status report came
};

class Story {
public:
    explicit Story(const TraceFile& t) : t_(t) {}

    void read() {
        for (const Event& e : t_.events) take(e);
        for (Box& b : boxes_)
            if (b.off_hook) end_call(b, now_);
    }

    bool write(const std::string& trace_path, std::FILE* out) {
        for (size_t i = 0; i < calls_.size(); ++i) {
            Call& c = calls_[i];
            // The hang-up falls after the last block the host read, before another
            // would be complete: the simulated call gives the same recording. A host
            // that waited for the block the box completes after the hang-up read that
            // one too: the hang-up then falls inside it.
            const int64_t whole = c.start_ms + c.blocks * kBlockMs;
            const int64_t seen = c.seen_end_ms < 0 ? whole + kAfterLastBlockMs : c.seen_end_ms;
            int64_t hangup = c.read_after_end ? std::max(whole - kBlockMs + 1, std::min(seen, whole))
                                              : std::max(whole + 1, std::min(seen, whole + kAfterLastBlockMs));
            if (c.pulled) hangup = std::min(hangup, seen - 1);  // still plugged in when it hangs up
            lines_.push_back({hangup, c.box, "hangup"});
            if (c.whole_audio && !c.audio.empty()) {
                const std::string wav = trace_path + "-" + name(c.box) + "-call" + std::to_string(i + 1) + ".wav";
                if (!write_wav(wav, c.audio)) return false;
                lines_[c.offhook_line].text = "audio wav " + wav;
            }
        }
        std::stable_sort(lines_.begin(), lines_.end(), [](const Line& a, const Line& b) { return a.ms < b.ms; });
        std::fprintf(out, "# Made by vornix_trace scenario from a field trace.\n");
        if (time_.started()) {
            // The library's clock as it stood at the site, wrap and all.
            const uint32_t clock = static_cast<uint32_t>(time_.first());
            std::fprintf(out, "clock %u.%03u\n", clock / 1000, clock % 1000);
        }
        int64_t last = 0;
        for (const Line& l : lines_) {
            std::string text = l.text;
            if (text == "plug") {
                const Box& b = boxes_[l.box];
                if (b.serial >= 0) text += " serial " + std::to_string(b.serial);
                if (!b.marker) text += " marker off";
            }
            if (text.empty()) continue;
            std::fprintf(out, "at %lld.%03lld %s %s\n", static_cast<long long>(l.ms / 1000),
                         static_cast<long long>(l.ms % 1000), text.substr(0, text.find(' ')).c_str(),
                         (name(l.box) + (text.find(' ') == std::string::npos ? "" : text.substr(text.find(' ')))).c_str());
            last = l.ms;
        }
        last = std::max(last, now_) + 1000;
        std::fprintf(out, "at %lld.%03lld end\n", static_cast<long long>(last / 1000), static_cast<long long>(last % 1000));
        return true;
    }

private:
    // A box that comes back, perhaps under another interface path, keeps its serial
    // code: it keeps its name too.
    std::string name(size_t box) const {
        size_t first = box;
        for (size_t i = 0; i < box && first == box; ++i)
            if (boxes_[box].serial >= 0 && boxes_[i].serial == boxes_[box].serial) first = i;
        return "box" + std::to_string(first + 1);
    }

    size_t box_of_path(const std::string& path) {
        for (size_t i = 0; i < boxes_.size(); ++i)
            if (boxes_[i].path == path) return i;
        boxes_.push_back(Box{});
        boxes_.back().path = path;
        return boxes_.size() - 1;
    }

    // The box behind an open handle, or -1.
    int box_of_handle(int64_t handle) const {
        const auto h = handle_slot_.find(handle);
        if (h == handle_slot_.end()) return -1;
        const auto p = slot_path_.find(h->second);
        if (p == slot_path_.end()) return -1;
        for (size_t i = 0; i < boxes_.size(); ++i)
            if (boxes_[i].path == p->second) return static_cast<int>(i);
        return -1;
    }

    void line(size_t box, const std::string& text) { lines_.push_back({now_, box, text}); }

    void fault(int box, const char* kind) {
        if (box >= 0 && boxes_[box].present) line(box, std::string("fault ") + kind);
    }

    void take(const Event& e) {
        switch (e.type) {
        case Type::Clock: now_ = time_.take(static_cast<int32_t>(e.value)); break;
        case Type::Open: opened(e); break;
        case Type::Close: handle_slot_.erase(e.value); break;
        case Type::Control:
            if (!e.ok) fault(box_of_handle(e.value), "reject-next");
            break;
        case Type::Read:
        case Type::ReadRepeat:
        case Type::ReadSummary: was_read(e); break;
        default: break;
        }
    }

    void opened(const Event& e) {
        if (e.value != -1) handle_slot_[e.value] = e.slot;
        if (!e.ok) return;  // an open by slot alone, not an enumeration
        if (e.slot == 0) found_.clear();
        if (e.byte_count == 0) {  // the end of the present interfaces
            enumerated();
            return;
        }
        const std::string path(reinterpret_cast<const char*>(e.bytes), e.byte_count);
        slot_path_[e.slot] = path;
        found_.insert(path);
        box_of_path(path);
        if (e.value == -1) fault(static_cast<int>(box_of_path(path)), "open-fails-next");
    }

    void enumerated() {
        for (size_t i = 0; i < boxes_.size(); ++i) {
            Box& b = boxes_[i];
            const bool there = found_.count(b.path) > 0;
            if (there && !b.present) line(i, "plug");
            if (!there && b.present) {
                if (b.off_hook) {
                    end_call(b, now_);
                    calls_[b.call].pulled = true;
                }
                line(i, "unplug");
                Box pulled;  // back to no call, keeping who it is
                pulled.path = b.path, pulled.serial = b.serial, pulled.marker = b.marker;
                b = pulled;
            }
            b.present = there;
        }
    }

    void end_call(Box& b, int64_t ms) {
        b.off_hook = false;
        if (b.call >= 0) calls_[b.call].seen_end_ms = ms;
    }

    void was_read(const Event& e) {
        const int box = box_of_handle(e.value);
        if (e.asked == kStatusReportSize) {
            const auto slot = handle_slot_.find(e.value);
            std::vector<uint8_t>& last = reports_[slot == handle_slot_.end() ? -1 : slot->second];
            if (e.type == Type::Read) last.assign(e.bytes, e.bytes + e.byte_count);
            if (!e.ok) return fault(box, "read-fails-next");
            if (e.delivered == 0) return fault(box, "read-empty-next");
            if (box >= 0 && last.size() == kStatusReportSize) reported(static_cast<size_t>(box), last.data());
            return;
        }
        // An audio block: its chunk belongs to the call the box is in or last had.
        if (box < 0 || boxes_[box].call < 0 || !e.ok || e.delivered == 0) return;
        Call& c = calls_[boxes_[box].call];
        ++c.blocks;
        c.read_after_end = c.seen_end_ms >= 0;
        if (e.type != Type::Read) {
            c.whole_audio = false;
            return;
        }
        const size_t at = payload_offset(e.bytes, e.delivered);
        if (e.delivered >= at + kAudioChunkSize) c.audio.insert(c.audio.end(), e.bytes + at, e.bytes + at + kAudioChunkSize);
    }

    void reported(size_t box, const uint8_t* report) {
        const size_t at = payload_offset(report, kStatusReportSize);
        const uint8_t* r = report + at;
        if (r[kValidityMarker] != kValidityChar) return;
        Box& b = boxes_[box];
        if (b.serial < 0) {
            b.serial = (r[kSerialHigh] << 8) | r[kSerialLow];
            b.marker = at != kPayloadAt;
        }
        const bool ring = r[kRingFlag] == kFlagSet, off = r[kOffHookFlag] == kFlagSet;
        char digits[kDigitCodeCount + 1] = {};
        if (ring && !b.ringing && !off && !b.off_hook) {
            decode_digits(r + kCallerIdCodes, kDigitCodeCount, digits, caller_id_digit);
            line(box, digits[0] ? std::string("ring caller ") + digits : "ring");
        }
        if (off && !b.off_hook) {
            // The handset went up after the previous report: the earliest moment keeps
            // the call's blocks clear of what the box did next.
            const int64_t lifted = std::min(now_, std::max(b.last_report_ms + 1, now_ - kBlockMs / 2));
            b.call = static_cast<int>(calls_.size());
            lines_.push_back({lifted, box, ""});  // the call's audio, once its blocks are known
            calls_.push_back(Call{box, lifted, -1, 0, {}, true, lines_.size() - 1, false, false});
            lines_.push_back({lifted, box, "offhook"});
        }
        if (!off && b.off_hook) {
            end_call(b, now_);
        } else if (!ring && b.ringing && !off) {
            line(box, "hangup");  // a ring nobody answered
        }
        b.ringing = ring && !off;
        b.off_hook = off;
        std::memset(digits, 0, sizeof digits);
        decode_digits(r + kDtmfCodes, kDigitCodeCount, digits, dtmf_digit);
        if (digits[0] && b.dtmf != digits && off) line(box, std::string("dtmf ") + digits);
        b.dtmf = digits;
        b.last_report_ms = now_;
    }

    static bool write_wav(const std::string& path, const std::vector<uint8_t>& audio) {
        std::array<uint8_t, kWavHeaderBytes> header;
        const uint32_t size = static_cast<uint32_t>(audio.size());
        fill_wav_header(header, size + (kWavHeaderBytes - 8), size);
        std::ofstream f(path, std::ios::binary);
        f.write(reinterpret_cast<const char*>(header.data()), header.size());
        f.write(reinterpret_cast<const char*>(audio.data()), static_cast<std::streamsize>(audio.size()));
        return static_cast<bool>(f);
    }

    const TraceFile& t_;
    TraceTime time_;
    int64_t now_ = 0;  // since the first clock reading
    std::vector<Box> boxes_;
    std::vector<Call> calls_;
    std::vector<Line> lines_;
    std::map<int64_t, int32_t> handle_slot_;
    std::map<int32_t, std::string> slot_path_;
    std::map<int32_t, std::vector<uint8_t>> reports_;
    std::set<std::string> found_;
};

}  // namespace

bool write_scenario(const TraceFile& trace, const std::string& trace_path, std::FILE* out) {
    Story story(trace);
    story.read();
    return story.write(trace_path, out);
}

}  // namespace vornix::trace
