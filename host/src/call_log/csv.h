// RFC 4180 text: fields separated by commas, records ended by CRLF, a field holding a
// comma, a double quote, CR or LF enclosed in double quotes with its quotes doubled.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace host {

// The field as it goes into a record: quoted when it has to be, and also when it holds
// a semicolon or a tab, which spreadsheets offer as separators of their own.
std::string csv_field(const std::string& value);

// One record, CRLF included.
std::string csv_record(const std::vector<std::string>& fields);

// Every record of `text`. Accepts LF as well as CRLF at the end of a record, and a last
// record without either; an unfinished quoted field runs to the end of the text.
std::vector<std::vector<std::string>> parse_csv(const std::string& text);

// The record that starts at `*pos`, read into `fields`, and `*pos` moved past it. When
// the text ends inside the record it is taken only `at_end`; otherwise false, `*pos`
// unchanged, so that a file still being written is read on from there later.
bool csv_next_record(std::string_view text, size_t* pos, bool at_end, std::vector<std::string>* fields);

}  // namespace host
