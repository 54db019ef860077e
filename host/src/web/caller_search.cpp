#include "web/caller_search.h"

#include <unordered_set>

namespace host::web {

std::vector<uint32_t> calls_of_caller(const CallRows& log, const std::vector<uint32_t>& rows, const std::string& who,
                                      callers::CallerDirectory* directory, const callers::NumberPlan& plan) {
    CallFilter as_typed;
    std::unordered_set<std::string> keys;
    if (typed_number(who, &as_typed.number) && !as_typed.number.empty()) {
        keys.insert(callers::number_key(who, plan));
    } else if (directory != nullptr) {
        for (std::string& key : directory->keys_named(who, kMostNamedNumbers)) keys.insert(std::move(key));
    }
    keys.erase(std::string());
    std::vector<uint32_t> found;
    if (keys.empty() && as_typed.number.empty()) return found;
    auto keyed = [&](uint32_t row, CallColumn column) {
        const std::string_view number = log.field(row, column);
        return !number.empty() && keys.count(callers::number_key(number, plan)) > 0;
    };
    for (const uint32_t row : rows)
        if ((!as_typed.number.empty() && log.matches(row, as_typed)) || keyed(row, CallColumn::Caller) ||
            keyed(row, CallColumn::Digits))
            found.push_back(row);
    return found;
}

}  // namespace host::web
