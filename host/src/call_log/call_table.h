// `vornix_host --calls`: the call log's rows that match, printed as a table in the
// order the calls started.
#pragma once
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "call_log/call_log_reader.h"

namespace host {

// Columns shown after the log's own, from beside the log (the calls' notes): `cells`
// gives a row's, or false when the row is not to be shown.
struct TableExtras {
    std::vector<std::string> columns;
    std::function<bool(const CallRows& rows, size_t row, std::vector<std::string>* cells)> cells;
};

// The caller's name for a number as the log holds it (empty when unknown), for the
// table's name column; calls.csv itself keeps the number only.
using CallerNameOf = std::function<std::string(std::string_view caller)>;

// Reads <folder>/calls.csv and prints the matching rows; returns the exit code. With
// `name_of`, a name column follows the caller's.
int print_calls(const std::string& folder, const CallFilter& filter, std::FILE* out, const TableExtras& extras = {},
                const CallerNameOf& name_of = {});

}  // namespace host
