#include "options/host_options.h"

#include <cstring>

#include "options/option_table.h"
#include "options/option_values.h"

namespace host {

namespace {

bool in_build(const OptionEntry& entry, bool with_sim) {
    return entry.build == OptionBuild::Both || (entry.build == OptionBuild::Simulated) == with_sim;
}

const OptionEntry* find_option(const std::string& name, bool with_sim) {
    for (const OptionEntry& entry : option_table())
        if (in_build(entry, with_sim))
            for (const char* spelling : entry.spellings)
                if (name == spelling) return &entry;
    return nullptr;
}

// The option's name in `arg`, and the value it carries itself ("--name=value"), if any.
std::string option_name(const char* arg, const char** inline_value) {
    *inline_value = nullptr;
    const char* eq = std::strncmp(arg, "--", 2) == 0 ? std::strchr(arg, '=') : nullptr;
    if (!eq) return arg;
    *inline_value = eq + 1;
    return std::string(arg, static_cast<size_t>(eq - arg));
}

bool apply_value(const OptionEntry& entry, const char* value, const std::vector<std::string>& rest, HostOptions& o,
                 std::string* error) {
    if (entry.apply) return entry.apply(value, rest, o, error);
    if (entry.path_needs) {
        if (*value) {
            o.*entry.path.field = value;
            return true;
        }
        *error = std::string(entry.spellings.back()) + " needs " + entry.path_needs;
        return false;
    }
    if (to_int(value, entry.number.low, entry.number.high, &(o.*entry.number.field))) return true;
    *error = entry.number.refusal;
    return false;
}

// The text of a section in --help: what comes before its rows, and after them.
struct SectionText {
    OptionSection section;
    const char* before;
    const char* after;
};

const SectionText kSections[] = {
    {OptionSection::Recording,
     "Records every answered call on every line box: polls each box for ring, reads the\n"
     "caller ID, starts a WAV recording when the handset is lifted, collects the DTMF\n"
     "digits dialled during the call and finishes the file when the line disconnects.\n"
     "Prints one line per event (time, slot, event, caller, digits, file); on a terminal\n"
     "a live status line per box follows below. Ctrl+C finishes every open recording\n"
     "before the program ends.\n\n"
     "Options:\n",
     "\n"
     "Every call that ends gets a row in <folder>/calls.csv. On start, recordings that a\n"
     "crash or power cut left unfinished are repaired: their header is made to count\n"
     "all the audio they hold.\n"
     "\n"
     "Other jobs (the host does not record then):\n"},
    {OptionSection::Jobs, "", ""},
    {OptionSection::CallsFilter, "", ""},
    {OptionSection::Service, "", ""},
    {OptionSection::Simulated, "\nSimulated line boxes (this build runs on the simulated bus):\n",
     "The program ends when the scenario is over.\n"},
};

// "  usage    help", the help's lines one under the other from the same column.
void append_row(const OptionRow& row, bool nested, std::string* t) {
    constexpr size_t kHelpColumn = 27;
    std::string line = nested ? "    " : "  ";
    line += row.usage;
    line += line.size() < kHelpColumn ? std::string(kHelpColumn - line.size(), ' ') : "  ";
    for (const char* p = row.help; *p;) {
        const char* end = std::strchr(p, '\n');
        const size_t n = end ? static_cast<size_t>(end - p) : std::strlen(p);
        *t += line;
        t->append(p, n);
        *t += '\n';
        line.assign(kHelpColumn, ' ');
        p += n + (end ? 1 : 0);
    }
}

}  // namespace

bool parse_options(int argc, const char* const* argv, bool with_sim, HostOptions* out,
                   std::string* error) {
    HostOptions o;
    int service_at = -1, service_end = -1;  // the arguments that asked for the service
    std::string recording_option;           // the first one given that only recording reads
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        // Accepts "--name value" and "--name=value".
        const char* inline_value = nullptr;
        const std::string name = option_name(argv[i], &inline_value);
        const OptionEntry* entry = find_option(name, with_sim);
        if (!entry) {
            *error = "unknown option " + arg;
            return false;
        }
        const int at = i;
        const char* value = nullptr;
        std::vector<std::string> rest;
        if (entry->takes == OptionTakes::Value) {
            if (inline_value) {
                value = inline_value;
            } else if (i + 1 < argc) {
                value = argv[++i];
            } else {
                *error = name + " needs a value";
                return false;
            }
        } else if (entry->takes == OptionTakes::Rest) {
            for (++i; i < argc; ++i) rest.push_back(argv[i]);
        }
        if (!apply_value(*entry, value, rest, o, error)) return false;
        const bool jobs = entry->section == OptionSection::Jobs || entry->section == OptionSection::CallsFilter;
        if (!jobs && !entry->every_job && recording_option.empty()) recording_option = name;
        if (entry->section == OptionSection::Service) service_at = at, service_end = i;
    }
    // Said rather than left unread: the person meant something by it.
    if (o.mode == HostOptions::Mode::Calls && !recording_option.empty()) {
        *error = recording_option + " does not go with --calls";
        return false;
    }
    if (!check_option_combination(o, error)) return false;
    if (o.mode == HostOptions::Mode::Service)
        for (int i = 1; i < argc; ++i)
            if (i < service_at || i > service_end) o.service_options.push_back(argv[i]);
    *out = o;
    return true;
}

std::string help_text(const char* program, bool with_sim) {
    std::string t = std::string("Usage: ") + program + " [options]\n\n";
    for (const SectionText& section : kSections) {
        std::string rows;
        for (const OptionEntry& entry : option_table())
            if (entry.section == section.section && in_build(entry, with_sim))
                for (const OptionRow& row : entry.rows)
                    append_row(row, section.section == OptionSection::CallsFilter, &rows);
        if (rows.empty()) continue;
        t += section.before + rows + section.after;
    }
    return t;
}

bool arguments_with_absolute_paths(const HostOptions& o, const std::vector<std::string>& given, bool with_sim,
                                   const MakeAbsolute& absolute, std::vector<std::string>* out, std::string* error) {
    out->clear();
    for (size_t i = 0; i < given.size(); ++i) {
        const char* inline_value = nullptr;
        const OptionEntry* entry = find_option(option_name(given[i].c_str(), &inline_value), with_sim);
        if (entry && entry->takes == OptionTakes::Rest) {
            out->insert(out->end(), given.begin() + static_cast<std::ptrdiff_t>(i), given.end());
            break;
        }
        const bool path = entry && (entry->path.field || entry->path.list);
        const size_t values = entry && entry->takes == OptionTakes::Value && !inline_value ? 1 : 0;
        for (size_t k = 0; k <= values && i + k < given.size(); ++k)
            if (!path) out->push_back(given[i + k]);
        i += values;
    }
    for (const OptionEntry& entry : option_table()) {
        if (!in_build(entry, with_sim)) continue;
        std::vector<std::string> values;
        if (entry.path.field && !(o.*entry.path.field).empty()) values.push_back(o.*entry.path.field);
        if (entry.path.list) values = o.*entry.path.list;
        const std::string name = entry.spellings.back();  // the long one
        for (const std::string& value : values) {
            std::string made;
            if (!absolute(value, entry.path.program, &made, error)) {
                *error = name + " " + value + ": " + *error;
                return false;
            }
            out->push_back(name);
            out->push_back(made);
        }
    }
    return true;
}

}  // namespace host
