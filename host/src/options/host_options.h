// The host's command line.
#pragma once
#include <functional>
#include <string>
#include <vector>

namespace host {

struct HostOptions {
    enum class Mode { Record, Repair, Calls, Service };
    Mode mode = Mode::Record;
    std::string folder = "recordings";
    int poll_ms = 50;              // pause between two rounds over the boxes
    int max_call_minutes = 60;
    int ring_gap_seconds = 6;
    bool live_status = true;       // only where stdout is a terminal
    int stop_after_seconds = 0;    // 0: run until Ctrl+C (or the scenario's end)
    int min_free_mb = 200;         // below this much free space nothing is recorded; 0: no guard
    int keep_days = 0;             // recordings of calls older than this are retired; 0: kept
    int keep_free_mb = 0;          // below this much free space the oldest are retired; 0: never
    std::string on_event;          // program told of every call event; empty: none
    // Who is calling: the office's phonebook files (in the order given; the first that
    // has a number names it), the business database's connection file, the office's
    // area code with its trunk 0 (empty: unknown).
    std::vector<std::string> phonebooks;
    std::string customers_odbc;
    std::string area_code;
    std::vector<std::string> repair_paths;  // --repair: files and folders
    // --calls: which rows to show, as typed (empty: no condition)
    std::string number;            // in the caller number or the digits dialled
    std::string since, until;      // local date (or date and time), both ends included
    std::string outcome;           // as the call log names it
    std::string note;              // in the call's note
    std::string mark;              // the call's mark, by its code
    // --web [ADDR:]PORT: the web console (port -1: none; 0: any free port)
    std::string web_address = "127.0.0.1";
    int web_port = -1;
    std::string web_password_file;  // needed for any address but the loopback
    std::string line_names_file;    // the console's names of the boxes; empty: serial codes
    bool round_times = false;      // print the loop's round times at the end
    bool help = false;
    // --service (Windows): "install", "remove" or "status" (Mode::Service), or "run" when
    // the service manager starts the recorder (Mode::Record).
    std::string service;
    std::vector<std::string> service_options;  // the other arguments, for "install"
    // Over the simulator DLL (Windows): the recorder moves the boxes' clock itself
    bool simulator_clock = false;
    // Simulated boxes (native build only)
    std::string scenario;          // empty: the bundled default scenario
    double speed = 10.0;           // simulated seconds per real second; 0 = no waiting
};

// Parses argv; false with a message in `error` for an unknown option or a bad value.
// `with_sim` admits the options of the simulated boxes.
bool parse_options(int argc, const char* const* argv, bool with_sim, HostOptions* out,
                   std::string* error);

std::string help_text(const char* program, bool with_sim);

// Makes a path absolute (`program`: a name without a folder is looked up as the system
// looks up a program); false with the reason when it cannot.
using MakeAbsolute =
    std::function<bool(const std::string& path, bool program, std::string* absolute, std::string* error)>;

// The arguments for a recorder started elsewhere than here (the service, in the system
// folder): `given` as they are, except every option whose value is a path, which comes
// at the end, once, with its value in `o` (also a default, such as the folder) made
// absolute. False with the reason when a path cannot be made absolute.
bool arguments_with_absolute_paths(const HostOptions& o, const std::vector<std::string>& given, bool with_sim,
                                   const MakeAbsolute& absolute, std::vector<std::string>* out, std::string* error);

}  // namespace host
