#include "call_log/csv.h"

namespace host {

namespace {
constexpr char kQuote = '"';
constexpr char kComma = ',';
constexpr const char* kRecordEnd = "\r\n";
constexpr std::string_view kSpecial = "\",\r\n";
}  // namespace

std::string csv_field(const std::string& value) {
    if (value.find_first_of(",\"\r\n;\t") == std::string::npos) return value;
    std::string out(1, kQuote);
    for (char c : value) {
        if (c == kQuote) out += kQuote;
        out += c;
    }
    out += kQuote;
    return out;
}

std::string csv_record(const std::vector<std::string>& fields) {
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i) line += kComma;
        line += csv_field(fields[i]);
    }
    return line + kRecordEnd;
}

bool csv_next_record(std::string_view text, size_t* pos, bool at_end, std::vector<std::string>* fields) {
    // The strings of `fields` are used again, so that reading a long file row by row
    // does not allocate for every field.
    size_t count = 0;
    auto next_field = [&]() -> std::string& {
        if (count == fields->size()) fields->emplace_back();
        std::string& f = (*fields)[count++];
        f.clear();
        return f;
    };
    std::string* field = &next_field();
    bool quoted = false;
    for (size_t i = *pos; i < text.size();) {
        if (quoted) {
            const size_t quote = text.find(kQuote, i);
            if (quote == std::string_view::npos) {
                field->append(text.substr(i));
                break;
            }
            field->append(text.substr(i, quote - i));
            quoted = quote + 1 < text.size() && text[quote + 1] == kQuote;
            if (quoted) *field += kQuote;  // a doubled quote stands for one; the field goes on
            i = quote + (quoted ? 2 : 1);
            continue;
        }
        // Whole runs of plain characters at a time: a long log is read at start.
        const size_t special = text.find_first_of(kSpecial, i);
        const size_t run_end = special == std::string_view::npos ? text.size() : special;
        field->append(text.substr(i, run_end - i));
        if (run_end == text.size()) break;
        const char c = text[run_end];
        i = run_end + 1;
        if (c == kQuote) {
            quoted = true;
        } else if (c == kComma) {
            field = &next_field();
        } else if (c == '\n') {
            fields->resize(count);
            *pos = i;
            return true;
        } else if (i >= text.size() || text[i] != '\n') {
            *field += c;  // a CR not before an LF is part of the field
        }
    }
    fields->resize(count);
    if (!at_end || *pos >= text.size()) return false;
    *pos = text.size();
    return true;
}

std::vector<std::vector<std::string>> parse_csv(const std::string& text) {
    std::vector<std::vector<std::string>> records;
    std::vector<std::string> record;
    for (size_t pos = 0; csv_next_record(text, &pos, true, &record);) records.push_back(record);
    return records;
}

}  // namespace host
