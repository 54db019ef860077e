// Every option of the recorder's command line, described once: its spellings, what
// --help shows of it, which build has it, and what its value sets. The parser and the
// help text both read this table, so a new option is one entry in option_table.cpp.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "options/host_options.h"

namespace host {

// Where an option stands in --help; the sections come in this order.
enum class OptionSection {
    Recording,    // "Options:", what a recording run uses
    Jobs,         // "Other jobs", which do not record
    CallsFilter,  // under --calls, indented one step further
    Service,      // the Windows service (real boxes only)
    Simulated,    // the simulated boxes (native build only)
};

enum class OptionTakes {
    Nothing,  // a switch
    Value,    // "--name VALUE" or "--name=VALUE"
    Rest,     // every argument after it, also what looks like an option
};

// Which build knows the option.
enum class OptionBuild { Both, RealBoxes, Simulated };

struct OptionRow {
    const char* usage;  // left column of --help, e.g. "-o, --out DIR"
    const char* help;   // its lines, '\n' between them
};

// A whole number within bounds, for the many options that are one.
struct NumberValue {
    int HostOptions::*field = nullptr;
    int low = 0, high = 0;
    const char* refusal = nullptr;  // the error for any other value
};

// An option whose value names a file, a folder or a program: where it is in the
// options, and whether a name without a folder is a program found on the PATH. The
// service, which starts in the system folder, is given every such value absolute.
struct PathValue {
    std::string HostOptions::*field = nullptr;  // null: the value is no path (unless `list`)
    bool program = false;
    std::vector<std::string> HostOptions::*list = nullptr;  // a repeatable option's values
};

using ApplyOption = bool (*)(const char* value, const std::vector<std::string>& rest, HostOptions& o,
                            std::string* error);

struct OptionEntry {
    std::vector<const char*> spellings;  // every name the option is accepted by
    OptionTakes takes = OptionTakes::Nothing;
    OptionSection section = OptionSection::Recording;
    OptionBuild build = OptionBuild::Both;
    std::vector<OptionRow> rows;  // what --help shows; most options have one row
    // Sets what the option means in `o`. `value` is the option's value (Value), null
    // (Nothing), or unused (Rest: `rest` holds the arguments). False with the reason
    // in `error` when the value cannot be used.
    ApplyOption apply = nullptr;
    NumberValue number;  // instead of `apply`, for a number
    const char* path_needs = nullptr;  // instead of `apply`, for a path: "a file", "a folder"
    // Read by --calls too (the other jobs' own options are; a recording option is not).
    bool every_job = false;
    PathValue path;

    OptionEntry(std::vector<const char*> spellings_, OptionTakes takes_, OptionSection section_, OptionBuild build_,
               std::vector<OptionRow> rows_, ApplyOption apply_, bool every_job_ = false, PathValue path_ = {})
        : spellings(std::move(spellings_)), takes(takes_), section(section_), build(build_), rows(std::move(rows_)),
          apply(apply_), every_job(every_job_), path(path_) {}
    // A path option that needs only a value: the parser sets `path.field` from it, and
    // refuses an empty one ("--out needs a folder").
    OptionEntry(std::vector<const char*> spellings_, OptionSection section_, std::vector<OptionRow> rows_,
               const char* needs, bool every_job_, PathValue path_)
        : spellings(std::move(spellings_)), takes(OptionTakes::Value), section(section_), rows(std::move(rows_)),
          path_needs(needs), every_job(every_job_), path(path_) {}
    // A number option of every build.
    OptionEntry(std::vector<const char*> spellings_, OptionSection section_, std::vector<OptionRow> rows_,
               NumberValue number_)
        : spellings(std::move(spellings_)), takes(OptionTakes::Value), section(section_), rows(std::move(rows_)),
          number(number_) {}
};

const std::vector<OptionEntry>& option_table();

// Checks across options once every one is read; false with the reason in `error`.
bool check_option_combination(const HostOptions& o, std::string* error);

}  // namespace host
