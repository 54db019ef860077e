#include "call_views/call_stats.h"

#include <algorithm>
#include <unordered_map>

namespace host::call_views {

CallStats call_stats(const CallIndex& index, long today, int days, size_t top) {
    CallStats s;
    s.first_day = today - days + 1;
    s.by_day.resize(static_cast<size_t>(days));
    std::unordered_map<int32_t, uint32_t> lines;
    struct Party {
        uint32_t calls = 0, latest = 0;
    };
    std::unordered_map<uint64_t, Party> parties;
    parties.reserve(4096);
    const auto& order = index.in_start_order();
    for (size_t place = index.first_on_day(s.first_day); place < order.size(); ++place) {
        const uint32_t row = order[place];
        const IndexedCall& c = index.call(row);
        // The log's order reads the start as text: a start the calendar does not have
        // (typed by hand) can stand among the days it is not of.
        const long day = c.day();
        if (day < s.first_day || day > today) continue;
        s.by_day[static_cast<size_t>(day - s.first_day)].add(c.kind);
        s.by_hour[static_cast<size_t>(c.hour())].add(c.kind);
        s.total.add(c.kind);
        s.talk_seconds += c.seconds;
        s.talked += c.seconds > 0;
        ++lines[c.serial];
        if (c.key != 0 && c.kind != CallKind::Outgoing) {
            Party& p = parties[c.key];
            ++p.calls;
            p.latest = row;  // in start order: the last seen is the latest
        }
    }
    // Most first; equal counts by the box's serial, or by the latest call.
    s.lines.assign(lines.begin(), lines.end());
    std::sort(s.lines.begin(), s.lines.end(),
              [](const auto& a, const auto& b) { return a.second != b.second ? a.second > b.second : a.first < b.first; });
    if (s.lines.size() > top) s.lines.resize(top);
    for (const auto& p : parties) s.callers.emplace_back(p.second.latest, p.second.calls);
    const auto more = [&](const std::pair<uint32_t, uint32_t>& a, const std::pair<uint32_t, uint32_t>& b) {
        return a.second != b.second ? a.second > b.second : index.call(a.first).since_2000 > index.call(b.first).since_2000;
    };
    if (s.callers.size() > top) {
        std::partial_sort(s.callers.begin(), s.callers.begin() + static_cast<std::ptrdiff_t>(top), s.callers.end(), more);
        s.callers.resize(top);
    } else {
        std::sort(s.callers.begin(), s.callers.end(), more);
    }
    return s;
}

}  // namespace host::call_views
