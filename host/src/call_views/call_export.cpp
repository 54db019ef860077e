#include "call_views/call_export.h"

#include "call_log/csv.h"
#include "call_views/call_index.h"

namespace host::call_views {

const char* const kExportColumns[11] = {"start", "end",     "direction", "line", "number", "name",
                                        "outcome", "seconds", "file",      "mark", "note"};

namespace {
// "2025-03-14T09:30:05+08:00" as a spreadsheet reads a date and time: the local time.
std::string sheet_time(std::string_view iso) {
    if (iso.size() < 19 || iso[10] != 'T') return std::string(iso);
    std::string t(iso.substr(0, 19));
    t[10] = ' ';
    return t;
}

int serial_of(std::string_view box) {
    if (box.empty() || box.size() > 9 || box.find_first_not_of("0123456789") != std::string_view::npos) return 0;
    return std::stoi(std::string(box));
}
}  // namespace

std::string export_cell(const std::string& value, bool number) {
    if (number && !value.empty() && value.find('"') == std::string::npos) return csv_field("=\"" + value + "\"");
    // A leading = + - @ would be taken as a formula; an apostrophe before it shows it as text.
    if (!value.empty() && std::string("=+-@\t\r").find(value.front()) != std::string::npos)
        return csv_field("'" + value);
    return csv_field(value);
}

std::string export_csv(const CallRows& rows, const std::vector<uint32_t>& found, const ExportWords& words,
                       const LineNames& lines, const CallerNames& names, const ExportNotes& notes) {
    std::string out = "\xEF\xBB\xBF";
    out.reserve(found.size() * 120 + 256);
    for (size_t c = 0; c < std::size(kExportColumns); ++c) {
        if (c) out += ',';
        out += export_cell(c < words.headings.size() ? words.headings[c] : kExportColumns[c], false);
    }
    out += "\r\n";
    for (uint32_t row : found) {
        const bool out_going = rows.field(row, CallColumn::Direction) == "outgoing";
        const std::string party(party_number(rows, row));
        std::string name;
        if (names && !party.empty())
            if (const auto card = names(party)) name = card->name.empty() ? card->company : card->name;
        const std::string outcome(rows.field(row, CallColumn::Outcome));
        const auto word = words.outcomes.find(outcome);
        const ExportNote note = notes ? notes(row) : ExportNote{};
        const std::string cells[] = {
            export_cell(sheet_time(rows.field(row, CallColumn::Start)), false),
            export_cell(sheet_time(rows.field(row, CallColumn::End)), false),
            export_cell(out_going ? words.outgoing : words.incoming, false),
            export_cell(lines.name(serial_of(rows.field(row, CallColumn::Box))), false),
            export_cell(party, true),
            export_cell(name, false),
            export_cell(word == words.outcomes.end() ? outcome : word->second, false),
            export_cell(std::string(rows.field(row, CallColumn::Seconds)), false),
            export_cell(std::string(rows.field(row, CallColumn::File)), false),
            export_cell(note.mark, false),
            export_cell(note.note, false),
        };
        for (size_t c = 0; c < std::size(cells); ++c) {
            if (c) out += ',';
            out += cells[c];
        }
        out += "\r\n";
    }
    return out;
}

}  // namespace host::call_views
