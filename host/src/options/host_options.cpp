#include "options/host_options.h"

#include <cstdlib>
#include <cstring>

namespace host {

namespace {

bool to_int(const char* text, int low, int high, int* out) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (!*text || *end || v < low || v > high) return false;
    *out = static_cast<int>(v);
    return true;
}

bool to_speed(const char* text, double* out) {
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (!*text || *end || !(v >= 0.0) || v > 1e6) return false;
    *out = v;
    return true;
}

// YYYY-MM-DD, optionally followed by THH:MM or THH:MM:SS (a space also stands for T).
bool to_date(const char* text, std::string* out) {
    std::string d = text;
    static const std::string shape = "dddd-dd-ddTdd:dd:dd";
    if (d.size() > 10 && d[10] == ' ') d[10] = 'T';
    if (d.size() != 10 && d.size() != 16 && d.size() != 19) return false;
    for (size_t i = 0; i < d.size(); ++i) {
        const bool digit = d[i] >= '0' && d[i] <= '9';
        if (shape[i] == 'd' ? !digit : d[i] != shape[i]) return false;
    }
    *out = d;
    return true;
}

bool to_digits(const char* text, std::string* out) {
    constexpr size_t kMaxDigits = 32;
    const std::string d = text;
    if (d.empty() || d.size() > kMaxDigits || d.find_first_not_of("0123456789*#ABCD") != std::string::npos) return false;
    *out = d;
    return true;
}

// [ADDR:]PORT; ADDR an IPv4 address, localhost or [IPv6].
bool to_web_address(const std::string& text, std::string* address, int* port) {
    const auto colon = text.rfind(':');
    const std::string p = colon == std::string::npos ? text : text.substr(colon + 1);
    if (colon != std::string::npos) {
        *address = text.substr(0, colon);
        if (address->empty() || (address->find(':') != std::string::npos && address->front() != '[')) return false;
    }
    return to_int(p.c_str(), 0, 65535, port);
}

bool loopback(const std::string& address) {
    return address.rfind("127.", 0) == 0 || address == "localhost" || address == "[::1]";
}

}  // namespace

bool parse_options(int argc, const char* const* argv, bool with_sim, HostOptions* out,
                   std::string* error) {
    HostOptions o;
    int service_at = -1, service_end = -1;  // the arguments that asked for the service
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        // Accepts "--name value" and "--name=value".
        std::string name = arg;
        bool has_inline = false;
        if (arg.rfind("--", 0) == 0) {
            const auto eq = arg.find('=');
            if (eq != std::string::npos) {
                name = arg.substr(0, eq);
                has_inline = true;
            }
        }
        auto value = [&](const char** v) {
            if (has_inline) {
                *v = argv[i] + name.size() + 1;
                return true;
            }
            if (i + 1 >= argc) {
                *error = name + " needs a value";
                return false;
            }
            *v = argv[++i];
            return true;
        };
        const char* v = nullptr;
        if (name == "-h" || name == "--help" || name == "/?") {
            o.help = true;
        } else if (name == "-o" || name == "--out") {
            if (!value(&v)) return false;
            if (!*v) {
                *error = "--out needs a folder";
                return false;
            }
            o.folder = v;
        } else if (name == "--poll-ms") {
            if (!value(&v)) return false;
            if (!to_int(v, 1, 1000, &o.poll_ms)) {
                *error = "--poll-ms takes 1 to 1000";
                return false;
            }
        } else if (name == "--max-call-minutes") {
            if (!value(&v)) return false;
            if (!to_int(v, 1, 24 * 60, &o.max_call_minutes)) {
                *error = "--max-call-minutes takes 1 to 1440";
                return false;
            }
        } else if (name == "--ring-gap") {
            if (!value(&v)) return false;
            if (!to_int(v, 1, 600, &o.ring_gap_seconds)) {
                *error = "--ring-gap takes 1 to 600 seconds";
                return false;
            }
        } else if (name == "--stop-after") {
            if (!value(&v)) return false;
            if (!to_int(v, 1, 366 * 24 * 3600, &o.stop_after_seconds)) {
                *error = "--stop-after takes 1 to 31622400 seconds";
                return false;
            }
        } else if (name == "--min-free-mb") {
            if (!value(&v)) return false;
            if (!to_int(v, 0, 1000 * 1000, &o.min_free_mb)) {
                *error = "--min-free-mb takes 0 (no guard) to 1000000";
                return false;
            }
        } else if (name == "--keep-days") {
            if (!value(&v)) return false;
            if (!to_int(v, 1, 100 * 366, &o.keep_days)) {
                *error = "--keep-days takes 1 to 36600";
                return false;
            }
        } else if (name == "--keep-free-mb") {
            if (!value(&v)) return false;
            if (!to_int(v, 1, 1000 * 1000, &o.keep_free_mb)) {
                *error = "--keep-free-mb takes 1 to 1000000";
                return false;
            }
        } else if (name == "--on-event") {
            if (!value(&v)) return false;
            // A quote could not be given to the system as part of a program's name.
            if (!*v || std::strchr(v, '"')) {
                *error = "--on-event needs a program (without quotes in its name)";
                return false;
            }
            o.on_event = v;
        } else if (name == "--repair") {
            // Everything after it is a file or folder to repair.
            o.mode = HostOptions::Mode::Repair;
            for (++i; i < argc; ++i) o.repair_paths.push_back(argv[i]);
            if (o.repair_paths.empty()) {
                *error = "--repair needs the recordings or folders to repair";
                return false;
            }
        } else if (name == "--calls") {
            o.mode = HostOptions::Mode::Calls;
        } else if (name == "--number") {
            if (!value(&v)) return false;
            if (!to_digits(v, &o.number)) {
                *error = "--number takes 1 to 32 of 0-9 * # A-D";
                return false;
            }
        } else if (name == "--since" || name == "--until") {
            if (!value(&v)) return false;
            if (!to_date(v, name == "--since" ? &o.since : &o.until)) {
                *error = name + " takes a date, YYYY-MM-DD or YYYY-MM-DDTHH:MM[:SS]";
                return false;
            }
        } else if (name == "--web") {
            if (!value(&v)) return false;
            if (!to_web_address(v, &o.web_address, &o.web_port)) {
                *error = "--web takes [ADDRESS:]PORT, e.g. 8080 or 0.0.0.0:8080";
                return false;
            }
        } else if (name == "--web-password-file") {
            if (!value(&v)) return false;
            o.web_password_file = v;
        } else if (name == "--round-times") {
            o.round_times = true;
        } else if (!with_sim && name == "--service") {
            service_at = i;
            if (!value(&v)) return false;
            service_end = i;
            o.service = v;
            if (o.service == "install" || o.service == "remove" || o.service == "status") {
                o.mode = HostOptions::Mode::Service;
            } else if (o.service != "run") {
                *error = "--service takes install, remove or status";
                return false;
            }
        } else if (name == "--no-status") {
            o.live_status = false;
        } else if (with_sim && (name == "-s" || name == "--scenario")) {
            if (!value(&v)) return false;
            o.scenario = v;
        } else if (with_sim && name == "--speed") {
            if (!value(&v)) return false;
            if (!to_speed(v, &o.speed)) {
                *error = "--speed takes a number from 0 (no waiting) upwards";
                return false;
            }
        } else {
            *error = "unknown option " + arg;
            return false;
        }
    }
    if (o.mode != HostOptions::Mode::Calls && (!o.number.empty() || !o.since.empty() || !o.until.empty())) {
        *error = "--number, --since and --until go with --calls";
        return false;
    }
    // Retiring must make room before the guard stops recording, not after.
    if (o.keep_free_mb > 0 && o.keep_free_mb <= o.min_free_mb) {
        *error = "--keep-free-mb must be above --min-free-mb (" + std::to_string(o.min_free_mb) + ")";
        return false;
    }
    if (o.web_port >= 0 && !loopback(o.web_address) && o.web_password_file.empty()) {
        *error = "--web on " + o.web_address + " needs --web-password-file: other computers could listen in";
        return false;
    }
    if (o.mode == HostOptions::Mode::Service)
        for (int i = 1; i < argc; ++i)
            if (i < service_at || i > service_end) o.service_options.push_back(argv[i]);
    *out = o;
    return true;
}

std::string help_text(const char* program, bool with_sim) {
    std::string t = std::string("Usage: ") + program + " [options]\n\n";
    t += "Records every answered call on every line box: polls each box for ring, reads the\n"
         "caller ID, starts a WAV recording when the handset is lifted, collects the DTMF\n"
         "digits dialled during the call and finishes the file when the line disconnects.\n"
         "Prints one line per event (time, slot, event, caller, digits, file); on a terminal\n"
         "a live status line per box follows below. Ctrl+C finishes every open recording\n"
         "before the program ends.\n\n"
         "Options:\n"
         "  -o, --out DIR            folder for the recordings (default ./recordings);\n"
         "                           one file per call: <date>-<time>_slot<N>_<caller>.wav\n"
         "  --poll-ms N              pause between two rounds over the boxes, 1-1000 ms\n"
         "                           (default 50)\n"
         "  --max-call-minutes N     finish a recording after N minutes (default 60)\n"
         "  --ring-gap N             a ring not heard again within N seconds and not\n"
         "                           answered counts as missed (default 6)\n"
         "  --no-status              no live status lines, even on a terminal\n"
         "  --stop-after N           end after N seconds as Ctrl+C would, every open\n"
         "                           recording finished (default: run until stopped)\n"
         "  --min-free-mb N          start no recording while the folder's disk has less\n"
         "                           than N MB free; running ones are finished (default\n"
         "                           200, 0: no guard). Calls are still logged.\n"
         "  --keep-days N            retire (delete) recordings of calls that started\n"
         "                           more than N days ago (default: keep them)\n"
         "  --keep-free-mb N         while the disk has less than N MB free, retire the\n"
         "                           oldest recordings; N above --min-free-mb (default:\n"
         "                           off). Only recordings named in calls.csv are retired;\n"
         "                           their rows stay.\n"
         "  --on-event PROGRAM       run PROGRAM on every ring, caller ID, answer,\n"
         "                           hang-up, missed call and finished recording, the\n"
         "                           call in VORNIX_* environment variables (no shell)\n"
         "  --web [ADDR:]PORT        serve the web console (lines, calls, playback) on\n"
         "                           ADDR (default 127.0.0.1, this computer only)\n"
         "  --web-password-file FILE the console's password (first line of FILE); needed\n"
         "                           for any address but 127.0.0.1. Plain HTTP: anyone on\n"
         "                           the network can read what it carries\n"
         "  --round-times            at the end, how long the rounds over the boxes took\n"
         "                           (median, 99th percentile, longest)\n"
         "  -h, --help               this text\n"
         "\n"
         "Every call that ends gets a row in <folder>/calls.csv. On start, recordings that a\n"
         "crash or power cut left unfinished are repaired: their header is made to count\n"
         "all the audio they hold.\n"
         "\n"
         "Other jobs (the host does not record then):\n"
         "  --repair PATH...         repair the given recordings and folders, then exit\n"
         "  --calls                  print the call log of --out as a table, then exit:\n"
         "    --number DIGITS        only calls with DIGITS in the caller or dialled digits\n"
         "    --since DATE           only calls that started on or after DATE\n"
         "    --until DATE           only calls that started on or before DATE\n"
         "                           (DATE: YYYY-MM-DD or YYYY-MM-DDTHH:MM[:SS], local time)\n";
    if (!with_sim) {
        t += "  --service install [options]  make the recorder a Windows service, \"Vornix call\n"
             "                           recorder\", started with Windows, recording with these\n"
             "                           options (events in host.log of the folder)\n"
             "  --service remove         stop the service and take it away\n"
             "  --service status         say whether the service is installed and running\n";
    }
    if (with_sim) {
        t += "\nSimulated line boxes (this build runs on the simulated bus):\n"
             "  -s, --scenario FILE      scenario to play (default: the bundled two-box\n"
             "                           scenario, scenarios/default.scn); format in\n"
             "                           docs/simulator.md\n"
             "  --speed N                simulated seconds per real second (default 10;\n"
             "                           0 runs as fast as the machine can)\n"
             "The program ends when the scenario is over.\n";
    }
    return t;
}

}  // namespace host
