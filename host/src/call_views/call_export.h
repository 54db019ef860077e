// The call list as a spreadsheet file: CSV in UTF-8 with a byte-order mark (which Excel
// and WPS need to read it as UTF-8 when it is opened by a double click), the line by
// its name, the direction, the other party's number and name, and the call's mark and
// note where someone wrote them.
#pragma once
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "call_log/call_log_reader.h"
#include "call_views/caller_names.h"
#include "call_views/line_names.h"

namespace host::call_views {

// What the file's reader sees in words, in the console's language: the headings (one
// per column, in kExportColumns' order), the two directions and the outcomes by the
// log's names (an outcome without a word keeps the log's name).
struct ExportWords {
    std::vector<std::string> headings;
    std::string incoming, outgoing;
    std::map<std::string, std::string> outcomes;
};

// A call's mark, in words, and its note; the notes live beside the log, so the one who
// asks for the file hands them over by row.
struct ExportNote {
    std::string mark, note;
};
using ExportNotes = std::function<ExportNote(uint32_t row)>;

// The columns, in order, by the names the console's catalogue words them under.
extern const char* const kExportColumns[11];

std::string export_csv(const CallRows& rows, const std::vector<uint32_t>& found, const ExportWords& words,
                       const LineNames& lines, const CallerNames& names, const ExportNotes& notes);

// A cell a spreadsheet takes as it is: a number keeps its leading zeros and its digits
// (not 1.38E+10), a text that a spreadsheet would run as a formula stays text.
std::string export_cell(const std::string& value, bool number);

}  // namespace host::call_views
