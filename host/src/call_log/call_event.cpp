// The names events and outcomes go by in event lines, the call log, event programs'
// variables and the console.
#include "call_log/call_event.h"

namespace host {

const char* event_name(CallEventKind kind) {
    switch (kind) {
        case CallEventKind::Plugged: return "plugged";
        case CallEventKind::Unplugged: return "unplugged";
        case CallEventKind::Ring: return "ring";
        case CallEventKind::CallerId: return "caller-id";
        case CallEventKind::Answered: return "answered";
        case CallEventKind::Digits: return "digits";
        case CallEventKind::HungUp: return "hung-up";
        case CallEventKind::Missed: return "missed";
        case CallEventKind::Cut: return "cut";
        case CallEventKind::Fault: return "fault";
        case CallEventKind::NoSpace: return "no-space";
        case CallEventKind::SpaceBack: return "space-back";
        case CallEventKind::Repaired: return "repaired";
        case CallEventKind::Retired: return "retired";
        case CallEventKind::Named: return "named";
    }
    return "?";
}

const char* outcome_name(CallOutcome outcome) {
    switch (outcome) {
        case CallOutcome::Answered: return "answered";
        case CallOutcome::Missed: return "missed";
        case CallOutcome::Unplugged: return "unplugged";
        case CallOutcome::Moved: return "moved";
        case CallOutcome::TimeLimit: return "time-limit";
        case CallOutcome::Stopped: return "stopped";
        case CallOutcome::NoSpace: return "no-space";
    }
    return "?";
}

}  // namespace host
