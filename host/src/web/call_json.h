// One call as every view of the console gives it (the list, a caller's history, the
// call-backs): the log's fields, the line by its name, the other party and their name.
#pragma once
#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

#include "call_log/call_log_reader.h"
#include "call_views/caller_names.h"
#include "call_views/line_names.h"

namespace host::web {

struct CallJsonContext {
    const CallRows& rows;
    const std::string& folder;  // where the recordings are, to say whether one is kept
    const call_views::LineNames& lines;
    const call_views::CallerNames& names;
};

nlohmann::json call_json(const CallJsonContext& context, uint32_t row);

// The party's card as the views give it, null when unknown.
nlohmann::json caller_json(const call_views::CallerNames& names, std::string_view number);

}  // namespace host::web
