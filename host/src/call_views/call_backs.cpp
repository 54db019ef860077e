#include "call_views/call_backs.h"

#include <algorithm>
#include <unordered_map>

namespace host::call_views {

std::string call_identity(const CallRows& rows, uint32_t row) {
    return std::string(rows.field(row, CallColumn::Start)) + "/" + std::string(rows.field(row, CallColumn::Box));
}

std::vector<OpenCallBack> open_call_backs(const CallIndex& index, const CallRows& rows, long from_day,
                                          const ClosedByHand* closed_by_hand) {
    struct Open {
        OpenCallBack back;
        size_t place;  // the first missed call's place in the start order
    };
    std::unordered_map<uint64_t, Open> open;
    const auto& order = index.in_start_order();
    const bool by_hand = closed_by_hand && !closed_by_hand->empty();
    for (size_t place = index.first_on_day(from_day); place < order.size(); ++place) {
        const uint32_t row = order[place];
        const IndexedCall& c = index.call(row);
        if (c.key == 0) continue;
        const bool missed = c.kind == CallKind::Missed && !(by_hand && closed_by_hand->count(call_identity(rows, row)));
        if (!missed) {
            open.erase(c.key);
            continue;
        }
        const auto [it, added] = open.try_emplace(c.key, Open{{row, 0, row}, place});
        ++it->second.back.missed;
        it->second.back.last = row;
    }
    std::vector<Open> left;
    left.reserve(open.size());
    for (const auto& o : open) left.push_back(o.second);
    std::sort(left.begin(), left.end(), [](const Open& a, const Open& b) { return a.place < b.place; });
    std::vector<OpenCallBack> backs;
    backs.reserve(left.size());
    for (const Open& o : left) backs.push_back(o.back);
    return backs;
}

}  // namespace host::call_views
