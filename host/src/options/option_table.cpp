#include "options/option_table.h"

#include <cstring>

#include "options/option_values.h"

namespace host {

namespace {

using Rest = std::vector<std::string>;

const std::vector<OptionEntry>& table() {
    using S = OptionSection;
    using T = OptionTakes;
    using B = OptionBuild;
    constexpr bool kEveryJob = true;
    constexpr bool kRecordingOnly = false;
    static const std::vector<OptionEntry> options = {
        {{"-o", "--out"}, S::Recording,
         {{"-o, --out DIR", "folder for the recordings (default ./recordings);\n"
                            "one file per call: <date>-<time>_slot<N>_<caller>.wav"}},
         "a folder", kEveryJob, {&HostOptions::folder}},
        {{"--poll-ms"}, S::Recording,
         {{"--poll-ms N", "pause between two rounds over the boxes, 1-1000 ms\n"
                          "(default 50)"}},
         {&HostOptions::poll_ms, 1, 1000, "--poll-ms takes 1 to 1000"}},
        {{"--max-call-minutes"}, S::Recording,
         {{"--max-call-minutes N", "finish a recording after N minutes (default 60)"}},
         {&HostOptions::max_call_minutes, 1, 24 * 60, "--max-call-minutes takes 1 to 1440"}},
        {{"--ring-gap"}, S::Recording,
         {{"--ring-gap N", "a ring not heard again within N seconds and not\n"
                           "answered counts as missed (default 6)"}},
         {&HostOptions::ring_gap_seconds, 1, 600, "--ring-gap takes 1 to 600 seconds"}},
        {{"--no-status"}, T::Nothing, S::Recording, B::Both,
         {{"--no-status", "no live status lines, even on a terminal"}},
         [](const char*, const Rest&, HostOptions& o, std::string*) {
             o.live_status = false;
             return true;
         }},
        {{"--stop-after"}, S::Recording,
         {{"--stop-after N", "end after N seconds as Ctrl+C would, every open\n"
                             "recording finished (default: run until stopped)"}},
         {&HostOptions::stop_after_seconds, 1, 366 * 24 * 3600, "--stop-after takes 1 to 31622400 seconds"}},
        {{"--min-free-mb"}, S::Recording,
         {{"--min-free-mb N", "start no recording while the folder's disk has less\n"
                              "than N MB free; running ones are finished (default\n"
                              "200, 0: no guard). Calls are still logged."}},
         {&HostOptions::min_free_mb, 0, 1000 * 1000, "--min-free-mb takes 0 (no guard) to 1000000"}},
        {{"--keep-days"}, S::Recording,
         {{"--keep-days N", "retire (delete) recordings of calls that started\n"
                            "more than N days ago (default: keep them)"}},
         {&HostOptions::keep_days, 1, 100 * 366, "--keep-days takes 1 to 36600"}},
        {{"--keep-free-mb"}, S::Recording,
         {{"--keep-free-mb N", "while the disk has less than N MB free, retire the\n"
                               "oldest recordings; N above --min-free-mb (default:\n"
                               "off). Only recordings named in calls.csv are retired;\n"
                               "their rows stay."}},
         {&HostOptions::keep_free_mb, 1, 1000 * 1000, "--keep-free-mb takes 1 to 1000000"}},
        {{"--on-event"}, T::Value, S::Recording, B::Both,
         {{"--on-event PROGRAM", "run PROGRAM on every ring, caller ID, answer,\n"
                                 "hang-up, missed call and finished recording, the\n"
                                 "call in VORNIX_* environment variables (no shell)"}},
         [](const char* v, const Rest&, HostOptions& o, std::string* error) {
             // A quote could not be given to the system as part of a program's name.
             if (!*v || std::strchr(v, '"')) {
                 *error = "--on-event needs a program (without quotes in its name)";
                 return false;
             }
             o.on_event = v;
             return true;
         },
         kRecordingOnly, {&HostOptions::on_event, true}},
        {{"--phonebook"}, T::Value, S::Recording, B::Both,
         {{"--phonebook FILE", "name the callers from FILE, CSV or vCard (UTF-8 or\n"
                               "GBK); repeatable, the first that has a number names\n"
                               "it; read again when it changes"}},
         [](const char* v, const Rest&, HostOptions& o, std::string* error) {
             if (!*v) {
                 *error = "--phonebook needs a file";
                 return false;
             }
             o.phonebooks.push_back(v);
             return true;
         },
         kEveryJob, {nullptr, false, &HostOptions::phonebooks}},
        {{"--customers-odbc"}, S::Recording,
         {{"--customers-odbc FILE", "name the callers the phonebooks do not know from the\n"
                                    "business database: FILE holds \"connection = ...\"\n"
                                    "(\"settings\": as the settings tool saved it) and\n"
                                    "\"query = ...\" with one ? for the number"}},
         "a file", kEveryJob, {&HostOptions::customers_odbc}},
        {{"--area-code"}, T::Value, S::Recording, B::Both,
         {{"--area-code CODE", "the office's area code (e.g. 0571): a local number\n"
                               "and the same with the code are one caller"}},
         [](const char* v, const Rest&, HostOptions& o, std::string* error) {
             if (to_area_code(v, &o.area_code)) return true;
             *error = "--area-code takes an area code such as 0571 or 010";
             return false;
         },
         kEveryJob},
        {{"--web"}, T::Value, S::Recording, B::Both,
         {{"--web [ADDR:]PORT", "serve the web console (lines, calls, playback) on\n"
                                "ADDR (default 127.0.0.1, this computer only)"}},
         [](const char* v, const Rest&, HostOptions& o, std::string* error) {
             if (to_web_address(v, &o.web_address, &o.web_port)) return true;
             *error = "--web takes [ADDRESS:]PORT, e.g. 8080 or 0.0.0.0:8080";
             return false;
         }},
        {{"--web-password-file"}, T::Value, S::Recording, B::Both,
         {{"--web-password-file FILE", "the console's password (first line of FILE); needed\n"
                                       "for any address but 127.0.0.1. Plain HTTP: anyone on\n"
                                       "the network can read what it carries"}},
         [](const char* v, const Rest&, HostOptions& o, std::string*) {
             o.web_password_file = v;
             return true;
         },
         kRecordingOnly, {&HostOptions::web_password_file}},
        {{"--line-names"}, S::Recording,
         {{"--line-names FILE", "the console's names for the lines: one box a line,\n"
                                "serial=name (5002=front desk), UTF-8 or GBK; a box\n"
                                "without a name shows its serial code"}},
         "a file", kRecordingOnly, {&HostOptions::line_names_file}},
        {{"--round-times"}, T::Nothing, S::Recording, B::Both,
         {{"--round-times", "at the end, how long the rounds over the boxes took\n"
                            "(median, 99th percentile, longest)"}},
         [](const char*, const Rest&, HostOptions& o, std::string*) {
             o.round_times = true;
             return true;
         }},
        {{"--simulator-clock"}, T::Nothing, S::Recording, B::RealBoxes,
         {{"--simulator-clock", "over the simulator DLL only (tests, soaks): move its\n"
                                "clock by --poll-ms each round without waiting, play\n"
                                "its scenario as fast as the machine can, and end\n"
                                "with it"}},
         [](const char*, const Rest&, HostOptions& o, std::string*) {
             o.simulator_clock = true;
             return true;
         }},
        {{"-h", "--help", "/?"}, T::Nothing, S::Recording, B::Both,
         {{"-h, --help", "this text"}},
         [](const char*, const Rest&, HostOptions& o, std::string*) {
             o.help = true;
             return true;
         },
         kEveryJob},

        {{"--repair"}, T::Rest, S::Jobs, B::Both,
         {{"--repair PATH...", "repair the given recordings and folders, then exit"}},
         [](const char*, const Rest& rest, HostOptions& o, std::string* error) {
             o.mode = HostOptions::Mode::Repair;
             o.repair_paths = rest;
             if (!rest.empty()) return true;
             *error = "--repair needs the recordings or folders to repair";
             return false;
         }},
        {{"--calls"}, T::Nothing, S::Jobs, B::Both,
         {{"--calls", "print the call log of --out as a table, then exit:"}},
         [](const char*, const Rest&, HostOptions& o, std::string*) {
             o.mode = HostOptions::Mode::Calls;
             return true;
         }},
        // The filter's values are checked with the console's filter (call_log/call_filter).
        {{"--number"}, T::Value, S::CallsFilter, B::Both,
         {{"--number NUMBER", "only calls with NUMBER in the caller or dialled digits\n"
                              "(spaces, dashes, brackets, dots and +86 left out)"}},
         [](const char* v, const Rest&, HostOptions& o, std::string*) {
             o.number = v;
             return true;
         }},
        {{"--since"}, T::Value, S::CallsFilter, B::Both,
         {{"--since DATE", "only calls that started on or after DATE"}},
         [](const char* v, const Rest&, HostOptions& o, std::string*) {
             o.since = v;
             return true;
         }},
        {{"--until"}, T::Value, S::CallsFilter, B::Both,
         {{"--until DATE", "only calls that started on or before DATE\n"
                           "(DATE: YYYY-MM-DD or YYYY-MM-DDTHH:MM[:SS], local time)"}},
         [](const char* v, const Rest&, HostOptions& o, std::string*) {
             o.until = v;
             return true;
         }},
        {{"--outcome"}, T::Value, S::CallsFilter, B::Both,
         {{"--outcome OUTCOME", "only calls that ended so: answered, missed,\n"
                                "unplugged, moved, time-limit, stopped, no-space"}},
         [](const char* v, const Rest&, HostOptions& o, std::string*) {
             o.outcome = v;
             return true;
         }},
        // Checked with the console's note filter (notes/note_filter).
        {{"--note"}, T::Value, S::CallsFilter, B::Both,
         {{"--note TEXT", "only calls whose note holds TEXT (letters A-Z\n"
                          "of either case alike)"}},
         [](const char* v, const Rest&, HostOptions& o, std::string*) {
             o.note = v;
             return true;
         }},
        {{"--mark"}, T::Value, S::CallsFilter, B::Both,
         {{"--mark MARK", "only calls marked so: order, complaint, done, call_back,\n"
                          "no_call_back, called_back"}},
         [](const char* v, const Rest&, HostOptions& o, std::string*) {
             o.mark = v;
             return true;
         }},

        {{"--service"}, T::Value, S::Service, B::RealBoxes,
         {{"--service install [options]", "make the recorder a Windows service, \"Vornix call\n"
                                          "recorder\", started with Windows, recording with these\n"
                                          "options (events in host.log of the folder)"},
          {"--service remove", "stop the service and take it away"},
          {"--service status", "say whether the service is installed and running"}},
         [](const char* v, const Rest&, HostOptions& o, std::string* error) {
             // "run" is how the service manager starts the recorder: not for people.
             o.service = v;
             if (o.service == "install" || o.service == "remove" || o.service == "status") {
                 o.mode = HostOptions::Mode::Service;
                 return true;
             }
             if (o.service == "run") return true;
             *error = "--service takes install, remove or status";
             return false;
         }},

        {{"-s", "--scenario"}, T::Value, S::Simulated, B::Simulated,
         {{"-s, --scenario FILE", "scenario to play (default: the bundled two-box\n"
                                  "scenario, scenarios/default.scn); format in\n"
                                  "docs/simulator.md"}},
         [](const char* v, const Rest&, HostOptions& o, std::string*) {
             o.scenario = v;
             return true;
         },
         kRecordingOnly, {&HostOptions::scenario}},
        {{"--speed"}, T::Value, S::Simulated, B::Simulated,
         {{"--speed N", "simulated seconds per real second (default 10;\n"
                        "0 runs as fast as the machine can)"}},
         [](const char* v, const Rest&, HostOptions& o, std::string* error) {
             if (to_speed(v, &o.speed)) return true;
             *error = "--speed takes a number from 0 (no waiting) upwards";
             return false;
         }},
    };
    return options;
}

}  // namespace

const std::vector<OptionEntry>& option_table() { return table(); }

bool check_option_combination(const HostOptions& o, std::string* error) {
    if (o.mode != HostOptions::Mode::Calls &&
        (!o.number.empty() || !o.since.empty() || !o.until.empty() || !o.outcome.empty() || !o.note.empty() ||
         !o.mark.empty())) {
        *error = "--number, --since, --until, --outcome, --note and --mark go with --calls";
        return false;
    }
    // Retiring must make room before the guard stops recording, not after.
    if (o.keep_free_mb > 0 && o.keep_free_mb <= o.min_free_mb) {
        *error = "--keep-free-mb must be above --min-free-mb (" + std::to_string(o.min_free_mb) + ")";
        return false;
    }
    if (o.web_port >= 0 && !is_loopback(o.web_address) && o.web_password_file.empty()) {
        *error = "--web on " + o.web_address + " needs --web-password-file: other computers could listen in";
        return false;
    }
    return true;
}

}  // namespace host
