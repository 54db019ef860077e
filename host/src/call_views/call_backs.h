// Who to call back: a missed call stays open until a later answered call from the same
// number, or a later call out to it (the same number key, however it was written), and
// the console lists the open ones oldest first. Calls can also be closed by hand
// elsewhere (a note that says so): their identities are handed in.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "call_views/call_index.h"

namespace host::call_views {

// A call's identity, stable however the log is read: its start and its box
// ("2025-03-14T09:30:05+08:00/5002").
std::string call_identity(const CallRows& rows, uint32_t row);

using ClosedByHand = std::unordered_set<std::string>;

struct OpenCallBack {
    uint32_t row = 0;     // the missed call that opened it (the party's first since)
    uint32_t missed = 0;  // how many missed calls of the party it stands for
    uint32_t last = 0;    // the party's latest missed call
};

// The open call-backs among calls that started on or after local day `from_day`,
// oldest first. A party's missed calls closed by hand close its call-back when the
// latest of them is.
std::vector<OpenCallBack> open_call_backs(const CallIndex& index, const CallRows& rows, long from_day,
                                          const ClosedByHand* closed_by_hand);

}  // namespace host::call_views
