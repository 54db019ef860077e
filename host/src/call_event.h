// What the host reports about the lines: one event per change, printed as one line.
#pragma once
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
};

const char* event_name(CallEventKind kind);

struct CallEvent {
    CallEventKind kind = CallEventKind::Fault;
    int64_t at_ms = 0;       // host clock
    int slot = -1;
    std::string caller;      // calling number, empty when unknown
    std::string digits;      // all DTMF digits of the call so far
    std::string file;        // recording file, empty when none
    std::string note;        // free text: serial code, duration, reason
};

using CallEventSink = std::function<void(const CallEvent&)>;

}  // namespace host
