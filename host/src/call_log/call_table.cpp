#include "call_log/call_table.h"

#include <algorithm>

namespace host {

namespace {
constexpr size_t kLocalTimeLength = 19;  // YYYY-MM-DDTHH:MM:SS, the offset left off
constexpr const char* kGap = "  ";

// A cell as a terminal shows it: a line break, a tab or any other control character
// (an escape sequence typed into a note) is a space.
std::string on_one_line(std::string cell) {
    for (char& c : cell)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return cell;
}

// Columns a cell takes on a terminal: a Chinese character (three bytes of UTF-8, or two
// of GBK) takes two, as wide as its bytes in GBK, one less than in UTF-8.
size_t text_width(const std::string& cell) {
    size_t width = 0;
    for (size_t i = 0; i < cell.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(cell[i]);
        if (c >= 0xE0 && c < 0xF0 && i + 2 < cell.size() && (static_cast<unsigned char>(cell[i + 1]) & 0xC0) == 0x80) {
            width += 2;
            i += 2;
        } else {
            ++width;
        }
    }
    return width;
}
}  // namespace

int print_calls(const std::string& folder, const CallFilter& filter, std::FILE* out, const TableExtras& extras,
                const CallerNameOf& name_of) {
    CallLogReader log(folder);
    if (!log.refresh()) {
        std::fprintf(out, "no calls logged yet (%s does not exist)\n", log.path().c_str());
        return 0;
    }
    const CallRows& rows = log.rows();
    std::vector<std::vector<std::string>> table;
    table.push_back(call_log_columns());
    table[0].insert(table[0].end(), extras.columns.begin(), extras.columns.end());
    const size_t name_at = static_cast<size_t>(CallColumn::Caller) + 1;
    if (name_of) table[0].insert(table[0].begin() + name_at, "name");
    const size_t columns = table[0].size();
    std::vector<std::string> more;
    for (const uint32_t i : rows.matching(filter)) {
        more.clear();
        if (extras.cells && !extras.cells(rows, i, &more)) continue;
        more.resize(extras.columns.size());
        std::vector<std::string> row;
        for (size_t c = 0; c < kCallColumns; ++c) row.emplace_back(rows.field(i, static_cast<CallColumn>(c)));
        for (auto& cell : more) row.push_back(on_one_line(std::move(cell)));
        for (CallColumn time : {CallColumn::Start, CallColumn::End}) {
            auto& cell = row[static_cast<size_t>(time)];
            cell = cell.substr(0, kLocalTimeLength);
        }
        if (name_of) row.insert(row.begin() + name_at, name_of(rows.field(i, CallColumn::Caller)));
        for (auto& cell : row)
            if (cell.empty()) cell = "-";
        table.push_back(row);
    }

    std::vector<size_t> width(columns, 0);
    for (const auto& row : table)
        for (size_t c = 0; c < columns; ++c) width[c] = std::max(width[c], text_width(row[c]));
    for (const auto& row : table) {
        std::string line;
        for (size_t c = 0; c < columns; ++c) {
            std::string cell = row[c];
            if (c + 1 < columns) cell.append(width[c] - text_width(cell), ' ');
            line += (c ? kGap : "") + cell;
        }
        std::fprintf(out, "%s\n", line.c_str());
    }
    const size_t shown = table.size() - 1;
    std::fprintf(out, "%s call%s in %s\n", std::to_string(shown).c_str(), shown == 1 ? "" : "s", log.path().c_str());
    return 0;
}

}  // namespace host
