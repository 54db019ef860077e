// Who a number belongs to, as the console's views ask it: a hook, so that the views
// need not know whether the phonebook, the business database or nothing answers.
#pragma once
#include <functional>
#include <optional>
#include <string_view>

#include "callers/caller_card.h"

namespace host::call_views {

// The card for a number as the line or the log gives it; nothing when unknown. Called
// on the console's thread only, and must not wait.
using CallerNames = std::function<std::optional<callers::CallerCard>(std::string_view number)>;

}  // namespace host::call_views
