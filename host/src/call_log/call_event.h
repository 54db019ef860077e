// What the host reports about the lines: one event per change, printed as one line.
#pragma once
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace host {

enum class CallEventKind {
    Plugged,      // a box appeared at a slot
    Unplugged,    // a box left (or moved away from) a slot
    Ring,         // the line started ringing
    CallerId,     // the calling number arrived after the ring was noticed
    Answered,     // the handset was lifted; a recording started
    Digits,       // DTMF digits arrived during the call
    HungUp,       // the line disconnected; the recording was finished
    Missed,       // the ringing stopped without the handset being lifted
    Cut,          // the recording was finished early (box gone, time limit, exit)
    Fault,        // a recording could not be started, fed or finished
    NoSpace,      // the disk is short of space: a call not recorded, a recording finished
    SpaceBack,    // there is room again: new calls are recorded
    Repaired,     // a recording cut short by a crash counts all its audio again
    Retired,      // an old recording was deleted (its call keeps its row in the call log)
    Named,        // the business database named a caller after the number came
};

const char* event_name(CallEventKind kind);

struct CallEvent {
    CallEventKind kind = CallEventKind::Fault;
    int64_t at_ms = 0;       // host clock
    int slot = -1;
    int serial = 0;          // the slot's box, 0 for events of the whole host
    std::string caller;      // calling number, empty when unknown
    std::string digits;      // all DTMF digits of the call so far
    std::string file;        // recording file, empty when none
    std::string note;        // free text: serial code, duration, reason
    // The caller as the phonebook or the business database names them (UTF-8); empty
    // when unknown.
    std::string caller_name, caller_company, caller_address;
};

using CallEventSink = std::function<void(const CallEvent&)>;

// How a call ended, as the call log gives it.
enum class CallOutcome {
    Answered,   // hung up after the handset was lifted
    Missed,     // rang, never answered
    Unplugged,  // the box left during the call
    Moved,      // the box moved to another slot: the call goes on in a new row and file
    TimeLimit,  // the recording reached the per-call limit (the call went on unrecorded)
    Stopped,    // the host stopped (Ctrl+C, --stop-after, end of a scenario)
    NoSpace,    // not recorded, or recording finished early, for lack of disk space
};

// Every outcome, in the order the console and --help list them.
inline constexpr CallOutcome kCallOutcomes[] = {CallOutcome::Answered, CallOutcome::Missed,    CallOutcome::Unplugged,
                                                CallOutcome::Moved,    CallOutcome::TimeLimit, CallOutcome::Stopped,
                                                CallOutcome::NoSpace};

const char* outcome_name(CallOutcome outcome);

// One call that ended: a row of the call log.
struct CallRecord {
    std::chrono::system_clock::time_point start;  // first ring, or handset lifted without one
    std::chrono::system_clock::time_point end;
    int64_t talk_ms = 0;  // handset lifted until the end; 0 when never answered
    int slot = -1;
    int serial = 0;       // the box's serial code
    bool incoming = false;  // it rang first; a call without a ring was dialled out
    std::string caller;
    std::string digits;
    CallOutcome outcome = CallOutcome::Answered;
    std::string file;     // the recording, empty when none
};

using CallRecordSink = std::function<void(const CallRecord&)>;

}  // namespace host
