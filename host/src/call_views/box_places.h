// The line cards as the office knows them: one card per box, in a place that stays the
// box's own while it is pulled out and plugged in again (into any slot). The boxes the
// line names file names come first, in its order, then the others as they were first seen.
#pragma once
#include <cstddef>
#include <vector>

#include "call_views/line_names.h"

namespace host::call_views {

struct BoxPlace {
    int serial = 0;
    int slot = -1;          // -1: not plugged in now
    size_t line = 0;        // the line's index in what was given, when plugged in
};

class BoxPlaces {
public:
    explicit BoxPlaces(const LineNames& names);
    // The cards for the boxes plugged in now (serials by slot, 0: no box there yet).
    std::vector<BoxPlace> places(const std::vector<int>& serial_by_slot);

    static constexpr size_t kMostBoxes = 1024;  // boxes seen once are forgotten beyond

private:
    const LineNames& names_;
    std::vector<int> seen_;  // unnamed boxes, in the order they were first seen
};

}  // namespace host::call_views
