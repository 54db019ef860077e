#include "notes/call_mark.h"

namespace host {

const char* mark_code(CallMark mark) {
    switch (mark) {
        case CallMark::None: return "";
        case CallMark::Order: return "order";
        case CallMark::Complaint: return "complaint";
        case CallMark::Done: return "done";
        case CallMark::CallBack: return "call_back";
        case CallMark::NoCallBack: return "no_call_back";
        case CallMark::CalledBack: return "called_back";
    }
    return "";
}

bool mark_of(std::string_view code, CallMark* mark) {
    if (code.empty()) {
        *mark = CallMark::None;
        return true;
    }
    for (CallMark m : kCallMarks)
        if (code == mark_code(m)) {
            *mark = m;
            return true;
        }
    return false;
}

}  // namespace host
