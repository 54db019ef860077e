// `vornix_host --calls`: the call log's rows that match, printed as a table in the
// order the calls started.
#pragma once
#include <cstdio>
#include <string>

#include "call_log/call_log_reader.h"

namespace host {

// Reads <folder>/calls.csv and prints the matching rows; returns the exit code.
int print_calls(const std::string& folder, const CallFilter& filter, std::FILE* out);

}  // namespace host
