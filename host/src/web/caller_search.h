// The call list's search for a caller, typed as a number or as a name: a number finds
// the calls whose number holds it as typed and those whose number is the same one
// written otherwise (one number key: "0571-8888 1234" finds 88881234 with --area-code
// 0571); a name finds the calls of the numbers the phonebook has under that name or
// company (the database is asked by number only, so it names rows but is not searched).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "call_log/call_log_reader.h"
#include "callers/caller_directory.h"

namespace host::web {

// Of `rows` (indexes into `log`, in their order), those the search for `who` finds.
// `directory` may be null: then a number is matched by its key alone, a name finds none.
std::vector<uint32_t> calls_of_caller(const CallRows& log, const std::vector<uint32_t>& rows, const std::string& who,
                                      callers::CallerDirectory* directory, const callers::NumberPlan& plan);

// The most numbers one name may stand for in a search.
constexpr size_t kMostNamedNumbers = 1000;

}  // namespace host::web
