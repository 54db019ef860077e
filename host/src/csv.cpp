#include "csv.h"

namespace host {

namespace {
constexpr char kQuote = '"';
constexpr char kComma = ',';
constexpr const char* kRecordEnd = "\r\n";
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
    for (size_t i = *pos; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c != kQuote) {
                *field += c;
            } else if (i + 1 < text.size() && text[i + 1] == kQuote) {
                *field += kQuote;
                ++i;
            } else {
                quoted = false;
            }
        } else if (c == kQuote) {
            quoted = true;
        } else if (c == kComma) {
            field = &next_field();
        } else if (c == '\n') {
            fields->resize(count);
            *pos = i + 1;
            return true;
        } else if (c != '\r' || i + 1 >= text.size() || text[i + 1] != '\n') {
            *field += c;
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
