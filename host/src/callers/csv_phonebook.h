// A phonebook saved as CSV by Excel or WPS (or exported from a mail program): a header
// row naming the columns, then one contact a row. Fields are quoted as RFC 4180 has it
// (a quoted field may hold separators, doubled quotes and line breaks); the separator
// is the one the header row uses most of ',', ';' and tab.
#pragma once
#include <string_view>
#include <vector>

#include "callers/contact.h"

namespace host::callers {

// A quoted field running over more line breaks than this is taken for a stray quote:
// the row it starts on is reported and reading goes on with the line after it.
constexpr int kMaxLinesInField = 10;

// The header row is the first row, among the first few, with a phone column (a title
// row above it is passed over). Rows before it are skipped; each row after it with a
// number goes to `sink`; lines that cannot be read (listed in `bad_lines` as not
// decoded, an unclosed quote, a number the spreadsheet turned into 1.38E+10) are
// reported and skipped.
void read_csv_contacts(std::string_view text, const std::vector<int>& bad_lines, const ContactSink& sink,
                       std::vector<LineReport>* reports);

}  // namespace host::callers
