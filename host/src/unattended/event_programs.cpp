#include "unattended/event_programs.h"

#include <string_view>

#include "call_log/time_text.h"
#include "callers/caller_card.h"
#include "platform/platform.h"

namespace host {

namespace {
constexpr const char* kRecorded = "recorded";

// Text from the telephone line keeps only what a number or a name is made of: no NUL,
// which would end the variable and begin another in a Windows environment block, and
// nothing a command interpreter acts on when a batch file expands the variable.
std::string line_text(const std::string& text) {
    std::string out;
    for (char c : text)
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
            std::string_view("*#+- .").find(c) != std::string_view::npos)
            out += c;
    return out;
}
}  // namespace

std::vector<std::string> told_events(const CallEvent& e) {
    std::vector<std::string> events;
    switch (e.kind) {
        case CallEventKind::Ring:
        case CallEventKind::CallerId:
        case CallEventKind::Answered:
        case CallEventKind::HungUp:
        case CallEventKind::Missed: events.push_back(event_name(e.kind)); break;
        default: break;
    }
    // A recording is finished by a hang-up, or early (a cut, the disk short of room).
    const bool finishes = e.kind == CallEventKind::HungUp || e.kind == CallEventKind::Cut ||
                          e.kind == CallEventKind::NoSpace;
    if (finishes && !e.file.empty()) events.push_back(kRecorded);
    return events;
}

std::vector<std::string> event_variables(const std::string& event, const CallEvent& e, const HostClock& clock) {
    const bool of_slot = e.slot >= 0;
    return {"VORNIX_EVENT=" + event,
            "VORNIX_SLOT=" + (of_slot ? std::to_string(e.slot) : std::string()),
            "VORNIX_SERIAL=" + (of_slot ? std::to_string(e.serial) : std::string()),
            "VORNIX_CALLER=" + line_text(e.caller),
            "VORNIX_DIGITS=" + line_text(e.digits),
            "VORNIX_FILE=" + e.file,
            "VORNIX_TIME=" + iso8601_local(clock.wall_now()),
            "VORNIX_CALLER_NAME=" + callers::environment_value(e.caller_name),
            "VORNIX_CALLER_COMPANY=" + callers::environment_value(e.caller_company),
            "VORNIX_CALLER_ADDRESS=" + callers::environment_value(e.caller_address)};
}

EventPrograms::EventPrograms(std::string program, const HostClock& clock, CallEventSink log, EventProgramLimits limits)
    : program_(std::move(program)), clock_(clock), log_(std::move(log)), limits_(limits) {}

void EventPrograms::notice(const CallEvent& e) {
    if (program_.empty()) return;
    for (const std::string& event : told_events(e)) {
        if (queue_.size() >= limits_.waiting) {
            log(event, e.slot, "not told: " + std::to_string(queue_.size()) + " events wait for the program already");
            continue;
        }
        queue_.push_back({event, e.slot, event_variables(event, e, clock_)});
    }
}

void EventPrograms::tick() {
    const int64_t now = platform::monotonic_ms();
    for (auto it = running_.begin(); it != running_.end();) {
        bool ok = false;
        std::string how;
        if (it->process.ended(&ok, &how)) {
            if (!ok && !it->killed) log(it->event, it->slot, "program failed: " + how);
            it = running_.erase(it);
            continue;
        }
        if (!it->killed && now - it->started_ms > limits_.time_limit_ms) {
            it->process.kill();
            it->killed = true;
            log(it->event, it->slot, "program killed after " + std::to_string(limits_.time_limit_ms / 1000) + " s");
        }
        ++it;
    }
    while (running_.size() < limits_.running && !queue_.empty()) {
        if (queue_.front().retry_at_ms > now) break;  // the later events wait behind it
        Run run = std::move(queue_.front());
        queue_.pop_front();
        Running& r = running_.emplace_back();
        std::string reason;
        if (!r.process.start(program_, run.vars, &reason)) {
            running_.pop_back();
            // A system short of a resource for a moment refuses a start it takes a
            // second later (seen under load: Windows error 1359): once more, then said.
            if (run.retry_at_ms < 0) {
                run.retry_at_ms = now + limits_.retry_start_ms;
                queue_.push_front(std::move(run));
                break;
            }
            log(run.event, run.slot, "program could not be started: " + reason);
            continue;
        }
        r.event = run.event;
        r.slot = run.slot;
        r.started_ms = now;
    }
}

void EventPrograms::finish() {
    tick();
    if (!queue_.empty()) log("", -1, std::to_string(queue_.size()) + " events not told: the recorder stopped");
    queue_.clear();
    if (!running_.empty()) log("", -1, std::to_string(running_.size()) + " programs still running, left to finish");
}

void EventPrograms::log(const std::string& event, int slot, const std::string& what) {
    if (!log_) return;
    CallEvent e;
    e.kind = CallEventKind::Fault;
    e.at_ms = clock_.now_ms();
    e.slot = slot;
    e.file = program_;
    e.note = event.empty() ? what : event + ": " + what;
    log_(e);
}

}  // namespace host
