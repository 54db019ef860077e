#include "loop/event_printer.h"

#include "callers/caller_card.h"
#include "recordings/recording_name.h"

namespace host {

namespace {
constexpr int64_t kRedrawEveryMs = 250;
constexpr const char* kCursorUpFmt = "\x1b[%dA";
constexpr const char* kClearToEnd = "\x1b[J";

const std::string& or_dash(const std::string& s) {
    static const std::string dash = "-";
    return s.empty() ? dash : s;
}
}  // namespace

std::string event_line(const CallEvent& e, const HostClock& clock) {
    char head[80];
    // Events of the whole host (disk space, repairs) belong to no slot.
    const std::string slot = e.slot >= 0 ? std::to_string(e.slot) : "-";
    std::snprintf(head, sizeof head, "%s  slot %-2s  %-10s  ", clock_text(clock.wall_now()).c_str(),
                  slot.c_str(), event_name(e.kind));
    char fields[96];
    std::snprintf(fields, sizeof fields, "%-16s  %-10s  ", or_dash(e.caller).c_str(),
                  or_dash(e.digits).c_str());
    std::string line = std::string(head) + fields + or_dash(e.file);
    if (!e.note.empty()) line += "  (" + e.note + ")";
    // The caller's name last, so that the columns before it stay where readers find them.
    if (!e.caller_name.empty() || !e.caller_company.empty()) {
        std::string who = e.caller_name;
        if (!e.caller_company.empty()) who += who.empty() ? e.caller_company : " / " + e.caller_company;
        line += "  " + callers::screen_text(who);
    }
    return line;
}

std::string status_line(int slot, const LineState& line, int64_t now_ms) {
    char text[160];
    const int64_t secs = (now_ms - line.since_ms) / 1000;
    std::string phase = phase_name(line.phase);
    if (line.phase != LineState::Phase::Idle) {
        char clock[48];
        std::snprintf(clock, sizeof clock, " %02lld:%02lld", static_cast<long long>(secs / 60),
                      static_cast<long long>(secs % 60));
        phase += clock;
    }
    std::snprintf(text, sizeof text, "slot %-2d [%d]  %-14s  %-16s  digits %-10s%s", slot, line.serial,
                  phase.c_str(), or_dash(line.caller).c_str(), or_dash(line.digits).c_str(),
                  line.file.empty() ? "" : "  REC");
    return text;
}

EventPrinter::EventPrinter(std::FILE* out, const HostClock& clock, bool live_status)
    : out_(out), clock_(clock), live_(live_status) {}

void EventPrinter::print(const CallEvent& e) { note(event_line(e, clock_)); }

void EventPrinter::note(const std::string& line) {
    clear_status();
    std::fprintf(out_, "%s\n", line.c_str());
    if (log_) log_->write_line(line);
    if (live_) draw(last_lines_);
    std::fflush(out_);
}

void EventPrinter::show_status(const std::vector<LineState>& lines) {
    if (!live_) return;
    last_lines_ = lines;
    const int64_t now = clock_.now_ms();
    if (now - last_draw_ms_ < kRedrawEveryMs && static_cast<int>(lines.size()) == drawn_lines_) return;
    clear_status();
    draw(lines);
    std::fflush(out_);
}

void EventPrinter::draw(const std::vector<LineState>& lines) {
    const int64_t now = clock_.now_ms();
    for (size_t slot = 0; slot < lines.size(); ++slot)
        std::fprintf(out_, "  %s\n", status_line(static_cast<int>(slot), lines[slot], now).c_str());
    drawn_lines_ = static_cast<int>(lines.size());
    last_draw_ms_ = now;
}

void EventPrinter::clear_status() {
    if (!live_ || drawn_lines_ == 0) return;
    std::fprintf(out_, kCursorUpFmt, drawn_lines_);
    std::fputs(kClearToEnd, out_);
    drawn_lines_ = 0;
}

}  // namespace host
