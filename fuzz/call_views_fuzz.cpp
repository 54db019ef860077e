// What the console's views read: a line names file, and call-log text whose rows the
// views index (starts, directions, numbers) and count. The input is split at its first
// NUL byte into the names file and the log.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "call_log/call_log_reader.h"
#include "call_log/csv.h"
#include "call_views/box_places.h"
#include "call_views/call_backs.h"
#include "call_views/call_export.h"
#include "call_views/call_index.h"
#include "call_views/call_stats.h"
#include "call_views/line_names.h"

using namespace host;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    const size_t nul = in.find('\0');
    const std::string_view names_text = in.substr(0, nul);
    const std::string_view log_text = nul == std::string_view::npos ? std::string_view() : in.substr(nul + 1);

    call_views::LineNames names;
    std::string error;
    if (!names.read(names_text, &error) && error.empty()) __builtin_trap();
    call_views::BoxPlaces places(names);
    const auto cards = places.places({5001, 0, 5002, 5001});
    if (cards.size() < names.size()) __builtin_trap();

    CallRows rows;
    std::vector<std::string> record;
    size_t pos = 0;
    while (csv_next_record(log_text, &pos, true, &record)) rows.add(record);
    call_views::CallIndex index(callers::NumberPlan{"0571"});
    index.update(rows);
    if (index.size() != rows.size()) __builtin_trap();
    long last_day = 0;
    uint32_t missed = 0;
    for (uint32_t row = 0; row < index.size(); ++row) {
        last_day = std::max(last_day, index.call(row).day());
        missed += index.call(row).kind == call_views::CallKind::Missed;
        if (index.call(row).hour() < 0 || index.call(row).hour() > 23) __builtin_trap();
    }
    const auto backs = call_views::open_call_backs(index, rows, last_day - 365, nullptr);
    uint32_t open = 0;
    for (const auto& b : backs) open += b.missed;
    if (open > missed) __builtin_trap();
    const auto stats = call_views::call_stats(index, last_day, 30, 10);
    const auto& t = stats.total;
    if (t.answered + t.missed + t.outgoing > rows.size()) __builtin_trap();
    for (const auto& c : stats.callers) index.party_calls(index.call(c.first).key);
    call_views::export_csv(rows, index.in_start_order(), {}, names, nullptr, nullptr);
    return 0;
}
