// What a person at the phones marks a call with: a fixed set, written by its code in
// the notes file and the console's answers, and shown translated by the page.
#pragma once
#include <string>
#include <string_view>

namespace host {

enum class CallMark { None, Order, Complaint, Done, CallBack, NoCallBack, CalledBack };
constexpr CallMark kCallMarks[] = {CallMark::Order,    CallMark::Complaint,  CallMark::Done,
                                   CallMark::CallBack, CallMark::NoCallBack, CallMark::CalledBack};

// "order", "complaint", "done", "call_back", "no_call_back", "called_back"; "" for None.
const char* mark_code(CallMark mark);
// The mark a code names ("" is None); false for any other text.
bool mark_of(std::string_view code, CallMark* mark);

// "No need to call back" and "called back" close a call-back by hand: the call-backs
// view stops asking for one.
constexpr bool closes_call_back(CallMark mark) { return mark == CallMark::NoCallBack || mark == CallMark::CalledBack; }

}  // namespace host
