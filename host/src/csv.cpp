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

std::vector<std::vector<std::string>> parse_csv(const std::string& text) {
    std::vector<std::vector<std::string>> records;
    std::vector<std::string> record;
    std::string field;
    bool quoted = false, any = false;
    auto end_field = [&] {
        record.push_back(field);
        field.clear();
    };
    auto end_record = [&] {
        end_field();
        records.push_back(record);
        record.clear();
        any = false;
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c != kQuote) {
                field += c;
            } else if (i + 1 < text.size() && text[i + 1] == kQuote) {
                field += kQuote;
                ++i;
            } else {
                quoted = false;
            }
            continue;
        }
        any = true;
        if (c == kQuote) {
            quoted = true;
        } else if (c == kComma) {
            end_field();
        } else if (c == '\n') {
            end_record();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            // the LF ends the record
        } else {
            field += c;
        }
    }
    if (any || quoted || !field.empty() || !record.empty()) end_record();
    return records;
}

}  // namespace host
