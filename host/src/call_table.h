// `vornix_host --calls`: the call log's rows that match, printed as a table.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

namespace host {

struct CallFilter {
    std::string number;  // in the caller number or the digits dialled
    std::string since;   // the call started on or after (a prefix of ISO 8601 local time)
    std::string until;   // the call started on or before; a date alone takes in the whole day
};

// `row` holds the call log's columns.
bool call_matches(const std::vector<std::string>& row, const CallFilter& filter);

// Reads <folder>/calls.csv and prints the matching rows; returns the exit code.
int print_calls(const std::string& folder, const CallFilter& filter, std::FILE* out);

}  // namespace host
