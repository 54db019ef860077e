// RFC 4180 text: fields separated by commas, records ended by CRLF, a field holding a
// comma, a double quote, CR or LF enclosed in double quotes with its quotes doubled.
#pragma once
#include <string>
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

}  // namespace host
