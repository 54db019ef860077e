// One phonebook file read whole: a vCard file (by its .vcf name or its first line) or
// a CSV file, in whatever encoding the office saved it.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "callers/contact.h"
#include "callers/number_key.h"
#include "callers/phonebook_snapshot.h"

namespace host::callers {

struct PhonebookFileResult {
    std::shared_ptr<ContactTable> table;  // null when the file could not be read at all
    std::vector<LineReport> reports;      // line 0: the file as a whole
};

// `path` as the system names files (ANSI code page on Windows). The table's source is
// the path as UTF-8.
PhonebookFileResult read_phonebook_file(const std::string& path, const NumberPlan& plan);

// The same on contents already read (tests, benchmarks); `name` tells vCard by its end.
PhonebookFileResult read_phonebook_bytes(const std::string& name, std::string_view bytes, const NumberPlan& plan);

}  // namespace host::callers
