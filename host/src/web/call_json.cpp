#include "web/call_json.h"

#include <filesystem>

#include "call_views/call_index.h"
#include "platform/platform.h"
#include "web/web_answers.h"
#include "web/web_routes.h"

namespace host::web {

nlohmann::json caller_json(const call_views::CallerNames& names, std::string_view number) {
    if (!names || number.empty()) return nullptr;
    const auto card = names(number);
    if (!card) return nullptr;
    return {{"name", card->name}, {"company", card->company}, {"address", card->address}, {"note", card->note}};
}

nlohmann::json call_json(const CallJsonContext& c, uint32_t i) {
    const CallRows& rows = c.rows;
    auto f = [&](CallColumn col) { return std::string(rows.field(i, col)); };
    const bool named = plain_recording_name(rows.field(i, CallColumn::File));
    std::error_code ec;
    // A recording the row names and the folder no longer holds was retired (or deleted
    // by hand): there is nothing to play.
    const bool kept =
        named && std::filesystem::is_regular_file(platform::fs_path(c.folder) / platform::fs_path(f(CallColumn::File)), ec);
    const std::string box = f(CallColumn::Box);
    int serial = 0;
    if (!box.empty() && box.size() <= 9 && box.find_first_not_of("0123456789") == std::string::npos)
        serial = std::stoi(box);
    const std::string_view party = call_views::party_number(rows, i);
    return {{"id", i + 1},
            {"start", f(CallColumn::Start)},
            {"end", f(CallColumn::End)},
            {"slot", f(CallColumn::Slot)},
            {"box", box},
            {"line", serial ? c.lines.name(serial) : box},
            {"direction", f(CallColumn::Direction)},
            {"caller", f(CallColumn::Caller)},
            {"digits", f(CallColumn::Digits)},
            {"party", std::string(party)},
            {"party_card", caller_json(c.names, party)},
            {"outcome", f(CallColumn::Outcome)},
            {"seconds", f(CallColumn::Seconds)},
            {"recording", kept},
            {"retired", named && !kept},
            {"name", download_name(rows.field(i, CallColumn::Start), rows.field(i, CallColumn::Caller))}};
}

}  // namespace host::web
