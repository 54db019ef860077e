#include "callers/csv_phonebook.h"

#include <algorithm>
#include <string>

#include "callers/column_names.h"

namespace host::callers {

namespace {

constexpr int kHeaderSearchRows = 5;

struct Row {
    std::vector<std::string> fields;
    int first_line = 1;
    int last_line = 1;
    bool broken = false;  // a quote that never closed (within kMaxLinesInField)
};

class CsvCursor {
public:
    CsvCursor(std::string_view text, char separator) : text_(text), separator_(separator) {}

    bool at_end() const { return pos_ >= text_.size(); }

    // The next record. A broken one leaves the cursor on the line after its start.
    void next(Row* row) {
        row->fields.assign(1, std::string());
        row->first_line = row->last_line = line_;
        row->broken = false;
        const size_t start = pos_;
        bool quoted = false;
        bool at_field_start = true;
        while (pos_ < text_.size()) {
            const char c = text_[pos_++];
            std::string& field = row->fields.back();
            if (quoted) {
                if (c == '"') {
                    if (pos_ < text_.size() && text_[pos_] == '"') {
                        field += '"';
                        ++pos_;
                    } else {
                        quoted = false;
                    }
                } else {
                    if (c == '\n' && ++line_ - row->first_line > kMaxLinesInField) break;
                    field += c;
                }
                continue;
            }
            if (c == '"' && at_field_start) {
                quoted = true;
                at_field_start = false;
            } else if (c == separator_) {
                row->fields.emplace_back();
                at_field_start = true;
            } else if (c == '\n') {
                ++line_;
                row->last_line = line_ - 1;
                if (!field.empty() && field.back() == '\r') field.pop_back();
                return;
            } else {
                field += c;  // a stray quote inside a field is taken as written
                at_field_start = false;
            }
        }
        if (!quoted) {
            row->last_line = line_;
            if (!row->fields.back().empty() && row->fields.back().back() == '\r') row->fields.back().pop_back();
            return;
        }
        row->broken = true;
        const size_t eol = text_.find('\n', start);
        pos_ = eol == std::string_view::npos ? text_.size() : eol + 1;
        line_ = row->first_line + 1;
        row->last_line = row->first_line;
    }

private:
    std::string_view text_;
    char separator_;
    size_t pos_ = 0;
    int line_ = 1;
};

char separator_of(std::string_view text) {
    const std::string_view first = text.substr(0, text.find('\n'));
    size_t counts[3] = {};
    const char kinds[3] = {',', ';', '\t'};
    bool quoted = false;
    for (char c : first) {
        if (c == '"') quoted = !quoted;
        for (int k = 0; k < 3; ++k)
            if (!quoted && c == kinds[k]) ++counts[k];
    }
    const size_t best = static_cast<size_t>(std::max_element(counts, counts + 3) - counts);
    return counts[best] > 0 ? kinds[best] : ',';
}

bool blank(const Row& row) {
    return std::all_of(row.fields.begin(), row.fields.end(), [](const std::string& f) { return trim(f).empty(); });
}

struct Layout {
    std::vector<Column> columns;
    std::vector<std::string> headings;
};

bool read_header(const Row& row, Layout* layout) {
    layout->columns.clear();
    layout->headings.clear();
    bool phone = false;
    for (const std::string& f : row.fields) {
        layout->headings.emplace_back(trim(f));
        layout->columns.push_back(column_of(f));
        phone = phone || layout->columns.back() == Column::Phone;
    }
    return phone;
}

void set_once(std::string* field, std::string_view value, const std::string& heading, Contact* c) {
    if (field->empty()) field->assign(value);
    else c->more.emplace_back(heading, std::string(value));
}

// False with the reason when the row cannot be taken.
bool fill_contact(const Row& row, const Layout& layout, Contact* c, std::string* why) {
    c->clear();
    c->line = row.first_line;
    std::string given, family;
    for (size_t i = 0; i < row.fields.size(); ++i) {
        const std::string_view value = trim(row.fields[i]);
        if (value.empty()) continue;
        const bool known = i < layout.columns.size();
        const Column column = known ? layout.columns[i] : Column::Other;
        const std::string heading = known ? layout.headings[i] : "#" + std::to_string(i + 1);
        switch (column) {
            case Column::Phone:
                if (is_scientific_notation(value)) {
                    *why = "the number " + std::string(value) +
                           " was saved in scientific notation and lost its digits (format the column as text)";
                    return false;
                }
                for (std::string& n : split_numbers(value)) c->numbers.push_back(std::move(n));
                break;
            case Column::Name: set_once(&c->name, value, heading, c); break;
            case Column::Company: set_once(&c->company, value, heading, c); break;
            case Column::Address: set_once(&c->address, value, heading, c); break;
            case Column::Note: set_once(&c->note, value, heading, c); break;
            case Column::GivenName: given = value; break;
            case Column::FamilyName: family = value; break;
            case Column::Other: c->more.emplace_back(heading, std::string(value)); break;
        }
    }
    if (c->name.empty() && !(given.empty() && family.empty())) {
        // Chinese names run family name first without a blank; Latin ones given name first.
        const bool latin = std::all_of(family.begin(), family.end(), [](char ch) { return static_cast<unsigned char>(ch) < 0x80; }) &&
                           std::all_of(given.begin(), given.end(), [](char ch) { return static_cast<unsigned char>(ch) < 0x80; });
        c->name = latin ? given + (given.empty() || family.empty() ? "" : " ") + family : family + given;
    }
    return true;
}

}  // namespace

void read_csv_contacts(std::string_view text, const std::vector<int>& bad_lines, const ContactSink& sink,
                       std::vector<LineReport>* reports) {
    CsvCursor cursor(text, separator_of(text));
    Layout layout;
    bool have_header = false;
    int rows_seen = 0;
    Row row;
    Contact contact;
    std::string why;
    auto bad = bad_lines.begin();
    while (!cursor.at_end()) {
        cursor.next(&row);
        while (bad != bad_lines.end() && *bad < row.first_line) ++bad;
        const bool undecoded = bad != bad_lines.end() && *bad <= row.last_line;
        if (row.broken) {
            reports->push_back({row.first_line, "a quoted field is not closed"});
            continue;
        }
        if (undecoded) {
            reports->push_back({*bad, "the bytes are not text of the file's encoding"});
            continue;
        }
        if (blank(row)) continue;
        if (!have_header) {
            have_header = read_header(row, &layout);
            if (!have_header && ++rows_seen >= kHeaderSearchRows) break;
            continue;
        }
        if (!fill_contact(row, layout, &contact, &why)) {
            reports->push_back({row.first_line, why});
            continue;
        }
        if (!contact.numbers.empty()) sink(contact);
    }
    if (!have_header)
        reports->push_back({0, "no header row with a phone column (电话, 手机, phone, tel) among the first rows"});
}

}  // namespace host::callers
