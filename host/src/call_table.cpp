#include "call_table.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "call_log.h"
#include "csv.h"
#include "platform.h"

namespace host {

namespace {
enum Column { kStart, kEnd, kSlot, kBox, kDirection, kCaller, kDigits, kOutcome, kSeconds, kFile, kColumns };
constexpr size_t kLocalTimeLength = 19;  // YYYY-MM-DDTHH:MM:SS, the offset left off
constexpr const char* kGap = "  ";
}  // namespace

bool call_matches(const std::vector<std::string>& row, const CallFilter& filter) {
    if (row.size() < kColumns) return false;
    if (!filter.number.empty() && row[kCaller].find(filter.number) == std::string::npos &&
        row[kDigits].find(filter.number) == std::string::npos)
        return false;
    // Local times compare as text; a shorter bound compares with as much of the start.
    const std::string& start = row[kStart];
    if (!filter.since.empty() && start.compare(0, filter.since.size(), filter.since) < 0) return false;
    if (!filter.until.empty() && start.compare(0, filter.until.size(), filter.until) > 0) return false;
    return true;
}

int print_calls(const std::string& folder, const CallFilter& filter, std::FILE* out) {
    const std::string path = platform::path_text(platform::fs_path(folder) / kCallLogName);
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(out, "no calls logged yet (%s does not exist)\n", path.c_str());
        return 0;
    }
    std::ostringstream text;
    text << in.rdbuf();
    const auto records = parse_csv(text.str());

    std::vector<std::vector<std::string>> table;
    table.push_back(call_log_columns());
    for (size_t i = 1; i < records.size(); ++i) {
        if (!call_matches(records[i], filter)) continue;
        std::vector<std::string> row(records[i].begin(), records[i].begin() + kColumns);
        row[kStart] = row[kStart].substr(0, kLocalTimeLength);
        row[kEnd] = row[kEnd].substr(0, kLocalTimeLength);
        for (auto& cell : row)
            if (cell.empty()) cell = "-";
        table.push_back(row);
    }

    std::vector<size_t> width(kColumns, 0);
    for (const auto& row : table)
        for (size_t c = 0; c < kColumns; ++c) width[c] = std::max(width[c], row[c].size());
    for (const auto& row : table) {
        std::string line;
        for (size_t c = 0; c < kColumns; ++c) {
            std::string cell = row[c];
            if (c + 1 < kColumns) cell.resize(width[c], ' ');
            line += (c ? kGap : "") + cell;
        }
        std::fprintf(out, "%s\n", line.c_str());
    }
    const size_t shown = table.size() - 1;
    std::fprintf(out, "%s call%s in %s\n", std::to_string(shown).c_str(), shown == 1 ? "" : "s", path.c_str());
    return 0;
}

}  // namespace host
