// What the web console parses from a client or from the call log: the input is split
// at its first three NUL bytes into a query string, a Range header, a Host header and
// call-log text.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "call_log/call_log_reader.h"
#include "call_log/csv.h"
#include "web/http_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    std::string_view part[4];
    for (int i = 0; i < 3; ++i) {
        const size_t nul = in.find('\0');
        part[i] = in.substr(0, nul);
        in = nul == std::string_view::npos ? std::string_view() : in.substr(nul + 1);
    }
    part[3] = in;

    const auto query = host::web::parse_query(part[0]);
    host::web::ByteRange range;
    const uint64_t file_size = size * 977;
    if (host::web::parse_range(part[1], file_size, &range) == host::web::RangeAsk::Part &&
        (range.first > range.last || range.last >= file_size))
        __builtin_trap();
    host::web::host_allowed(part[2], "recorder.lan");
    host::web::cookie_value(part[2], "vornix_session");

    // The log as the reader takes it: whole records first, the rest at the end.
    host::CallRows rows;
    std::vector<std::string> record;
    size_t pos = 0;
    while (host::csv_next_record(part[3], &pos, false, &record)) rows.add(record);
    while (host::csv_next_record(part[3], &pos, true, &record)) rows.add(record);
    host::TypedFilter typed;
    for (const auto& [name, value] : query) {
        if (name == "number") typed.number = value;
        if (name == "since") typed.since = value;
        if (name == "until") typed.until = value;
        if (name == "outcome") typed.outcome = value;
    }
    host::CallFilter filter;
    host::FilterRefusal refusal;
    if (!host::read_filter(typed, &filter, &refusal)) filter = {typed.number, typed.since, typed.until, typed.outcome};
    size_t matching = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        matching += rows.matches(i, filter);
        for (size_t c = 0; c < host::kCallColumns; ++c) rows.field(i, static_cast<host::CallColumn>(c));
    }
    // In the start order, every match once.
    std::vector<uint32_t> found = rows.matching(filter);
    std::sort(found.begin(), found.end());
    if (found.size() != matching || std::adjacent_find(found.begin(), found.end()) != found.end()) __builtin_trap();
    for (uint32_t row : found)
        if (!rows.matches(row, filter)) __builtin_trap();
    return 0;
}
