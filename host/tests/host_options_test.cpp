#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "options/host_options.h"
#include "recordings/recording_name.h"
#include "test_files.h"
#include "unattended/service_command_line.h"

using namespace host;

namespace {
bool parse(std::vector<const char*> args, bool with_sim, HostOptions* o, std::string* error) {
    args.insert(args.begin(), "vornix_host");
    return parse_options(static_cast<int>(args.size()), args.data(), with_sim, o, error);
}
}  // namespace

TEST(HostOptions, ReadsValuesInBothSpellings) {
    HostOptions o;
    std::string error;
    ASSERT_TRUE(parse({"--out=calls", "--poll-ms", "20", "--speed=0", "-s", "x.scn", "--no-status", "--stop-after=90",
                       "--keep-days", "90", "--keep-free-mb=500", "--on-event", "C:\\crm\\ring.exe"},
                      true, &o, &error))
        << error;
    EXPECT_EQ(o.keep_days, 90);
    EXPECT_EQ(o.keep_free_mb, 500);
    EXPECT_EQ(o.on_event, "C:\\crm\\ring.exe");
    EXPECT_EQ(o.folder, "calls");
    EXPECT_EQ(o.poll_ms, 20);
    EXPECT_EQ(o.speed, 0.0);
    EXPECT_EQ(o.scenario, "x.scn");
    EXPECT_FALSE(o.live_status);
    EXPECT_EQ(o.stop_after_seconds, 90);
    EXPECT_EQ(o.mode, HostOptions::Mode::Record);
    EXPECT_EQ(o.min_free_mb, 200);

    ASSERT_TRUE(parse({"--calls", "--number", "0216", "--since=2025-03-01", "--until", "2025-03-14 18:00"}, true, &o, &error))
        << error;
    EXPECT_EQ(o.mode, HostOptions::Mode::Calls);
    EXPECT_EQ(o.number, "0216");
    EXPECT_EQ(o.since, "2025-03-01");
    EXPECT_EQ(o.until, "2025-03-14 18:00");  // as typed: the call log's filter reads it

    // Everything after --repair is a path, also what looks like an option.
    ASSERT_TRUE(parse({"--min-free-mb", "0", "--repair", "a.wav", "--calls", "dir"}, false, &o, &error)) << error;
    EXPECT_EQ(o.mode, HostOptions::Mode::Repair);
    EXPECT_EQ(o.repair_paths, (std::vector<std::string>{"a.wav", "--calls", "dir"}));
    EXPECT_EQ(o.min_free_mb, 0);

    // The web console: the loopback by default; another address with a password.
    ASSERT_TRUE(parse({"--web", "8080"}, false, &o, &error)) << error;
    EXPECT_EQ(o.web_address, "127.0.0.1");
    EXPECT_EQ(o.web_port, 8080);
    ASSERT_TRUE(parse({"--web=0.0.0.0:80", "--web-password-file", "pw.txt", "--round-times"}, false, &o, &error))
        << error;
    EXPECT_EQ(o.web_address, "0.0.0.0");
    EXPECT_EQ(o.web_port, 80);
    EXPECT_EQ(o.web_password_file, "pw.txt");
    EXPECT_TRUE(o.round_times);
    ASSERT_TRUE(parse({"--web", "[::1]:0"}, false, &o, &error)) << error;
    EXPECT_EQ(o.web_address, "[::1]");

    // Caller names: phonebooks in the order given; also read by --calls for its names.
    for (const bool calls : {false, true}) {
        std::vector<const char*> args = {"--phonebook", "客户.csv", "--phonebook=b.vcf", "--customers-odbc", "db.txt",
                                         "--area-code", "571"};
        if (calls) args.push_back("--calls");
        ASSERT_TRUE(parse(args, false, &o, &error)) << error;
        EXPECT_EQ(o.phonebooks, (std::vector<std::string>{"客户.csv", "b.vcf"}));
        EXPECT_EQ(o.customers_odbc, "db.txt");
        EXPECT_EQ(o.area_code, "0571");
    }
    for (const auto& [given, code] : std::vector<std::pair<const char*, const char*>>{
             {"010", "010"}, {"21", "021"}, {"0755", "0755"}, {"0100", nullptr}, {"05", nullptr},
             {"0571x", nullptr}, {"13", nullptr}, {"", nullptr}}) {
        o = HostOptions();
        EXPECT_EQ(parse({"--area-code", given}, false, &o, &error), code != nullptr) << given;
        if (code) {
            EXPECT_EQ(o.area_code, code);
        }
    }
}

TEST(HostOptions, RefusesWhatItCannotUse) {
    const std::vector<std::vector<const char*>> bad = {
        {"--poll-ms", "0"}, {"--poll-ms", "5x"}, {"--max-call-minutes"}, {"--out="},
        {"--speed", "-1"},  {"--frobnicate"},    {"--ring-gap", "0"}, {"--stop-after", "0"},
        {"--repair"}, {"--min-free-mb", "-1"}, {"--number", "12"}, {"--outcome", "missed"},
        {"--keep-days", "0"}, {"--on-event", "a\"b"},
        {"--calls", "--web", "8080"}, {"--web=8080", "--calls"}, {"--calls", "--scenario", "x.scn"},  // not read then
        {"--keep-free-mb", "200"}, {"--min-free-mb", "300", "--keep-free-mb", "250"},
        {"--web", "65536"}, {"--web", "::1:80"},
        {"--web", ":80"}, {"--web", "0.0.0.0:8080"},  // another address without a password
        {"--service", "install"}, {"--phonebook", ""}, {"--customers-odbc="},
    };
    for (const auto& args : bad) {
        HostOptions o;
        std::string error;
        EXPECT_FALSE(parse(args, true, &o, &error)) << args[0];
        EXPECT_FALSE(error.empty());
    }
    // The simulator's options do not exist over real boxes.
    HostOptions o;
    std::string error;
    EXPECT_FALSE(parse({"--speed", "2"}, false, &o, &error));
    EXPECT_FALSE(parse({"--service", "start"}, false, &o, &error));
}

// The service is registered with the options given at install, every path among them
// (a default folder too) made absolute, each argument as the C runtime will split it
// again: a folder whose last two-byte character ends in 0x5C gets no second backslash.
TEST(HostOptions, ServiceInstallPassesTheOptionsOnWithEveryPathAbsolute) {
    const MakeAbsolute absolute = [](const std::string& path, bool program, std::string* made, std::string* error) {
        if (program && path == "missing") return *error = "no such program", false;
        *made = program ? "C:\\My Tools\\" + path : path.rfind("D:\\", 0) == 0 ? path : "C:\\here\\" + path;
        return true;
    };
    struct Case { std::vector<const char*> given; std::vector<std::string> args; };
    const Case cases[] = {
        {{"--poll-ms", "20", "-o", "rec", "--on-event", "ring.exe", "--web-password-file=pw.txt", "--web", "8080"},
         {"--poll-ms", "20", "--web", "8080", "--out", "C:\\here\\rec", "--on-event", "C:\\My Tools\\ring.exe",
          "--web-password-file", "C:\\here\\pw.txt"}},
        {{"--keep-days", "30"}, {"--keep-days", "30", "--out", "C:\\here\\recordings"}},
        {{"--out", "a", "--out=D:\\calls"}, {"--out", "D:\\calls"}},
        {{"--phonebook", "a.csv", "--area-code", "0571", "--phonebook=D:\\b.vcf", "--customers-odbc", "db.txt"},
         {"--area-code", "0571", "--out", "C:\\here\\recordings", "--phonebook", "C:\\here\\a.csv", "--phonebook",
          "D:\\b.vcf", "--customers-odbc", "C:\\here\\db.txt"}},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv = {"--service", "install"};
        argv.insert(argv.end(), c.given.begin(), c.given.end());
        HostOptions o;
        std::string error;
        ASSERT_TRUE(parse(argv, false, &o, &error)) << error;
        EXPECT_EQ(o.mode, HostOptions::Mode::Service);
        std::vector<std::string> args;
        ASSERT_TRUE(arguments_with_absolute_paths(o, o.service_options, false, absolute, &args, &error)) << error;
        EXPECT_EQ(args, c.args);
    }
    HostOptions o;
    std::string error;
    std::vector<std::string> args;
    ASSERT_TRUE(parse({"--service", "install", "--on-event", "missing"}, false, &o, &error));
    EXPECT_FALSE(arguments_with_absolute_paths(o, o.service_options, false, absolute, &args, &error));
    EXPECT_EQ(error, "--on-event missing: no such program");
    EXPECT_EQ(service_command_line("C:\\Program Files\\vornix_host.exe", {"--poll-ms", "20", "--out", "D:\\calls 2025"}),
              "\"C:\\Program Files\\vornix_host.exe\" --service run --poll-ms 20 --out \"D:\\calls 2025\"");
    ASSERT_TRUE(parse({"--service=run", "--out", "D:\\calls"}, false, &o, &error)) << error;
    EXPECT_EQ(o.mode, HostOptions::Mode::Record);
    EXPECT_EQ(o.service, "run");

    const LeadByteTest gbk = [](unsigned char b) { return b >= 0x81 && b <= 0xFE; };
    const std::vector<std::pair<std::string, std::string>> quoted = {
        {"C:\\calls", "C:\\calls"},                // backslashes alone are taken literally
        {"", "\"\""},
        {"a\tb", "\"a\tb\""},
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"C:\\a b\\", "\"C:\\a b\\\\\""},        // the last one would escape the closing quote
        {"x\\\"y", "\"x\\\\\\\"y\""},              // a backslash before a quote
        {"D:\\\xC2\xBC\xD2\xF4 \xDF\x5C", "\"D:\\\xC2\xBC\xD2\xF4 \xDF\x5C\""},  // "D:\录音 運", 運 = DF 5C
        {"D:\\a \xDF\x5C\\", "\"D:\\a \xDF\x5C\\\\\""},       // a backslash after it is one
    };
    for (const auto& [arg, want] : quoted) EXPECT_EQ(quoted_argument(arg, gbk), want) << arg;
}

// Every spelling people and scripts use, and the help word for word in both builds:
// the manual and the kits quote it.
TEST(HostOptions, EverySpellingAndTheHelpStayAsTheyAre) {
    const std::vector<std::pair<std::vector<const char*>, bool HostOptions::*>> switches = {
        {{"-h"}, &HostOptions::help}, {{"--help"}, &HostOptions::help}, {{"/?"}, &HostOptions::help},
        {{"--round-times"}, &HostOptions::round_times}};
    for (const auto& [args, field] : switches) {
        HostOptions o;
        std::string error;
        ASSERT_TRUE(parse(args, true, &o, &error)) << args[0] << ": " << error;
        EXPECT_TRUE(o.*field) << args[0];
    }
    HostOptions o;
    std::string error;
    ASSERT_TRUE(parse({"-o", "a", "-s", "b.scn"}, true, &o, &error)) << error;
    EXPECT_EQ(o.folder, "a");
    EXPECT_EQ(o.scenario, "b.scn");
    ASSERT_TRUE(parse({"--scenario=c.scn"}, true, &o, &error)) << error;
    EXPECT_EQ(o.scenario, "c.scn");
    ASSERT_TRUE(parse({"--out=c", "--calls=yes", "--outcome", "missed"}, true, &o, &error)) << error;
    EXPECT_EQ(o.mode, HostOptions::Mode::Calls);
    EXPECT_EQ(o.outcome, "missed");

    for (const auto& [with_sim, file] : {std::pair{true, "simulated.txt"}, std::pair{false, "real_boxes.txt"}})
        EXPECT_EQ(help_text("vornix_host", with_sim), host_test::file_text(std::string(HOST_TEST_DATA "/help/") + file))
            << file;
}

TEST(HostOptions, HelpNamesEveryOption) {
    const std::string help = help_text("vornix_host", true);
    for (const char* name : {"--out", "--poll-ms", "--max-call-minutes", "--ring-gap", "--no-status",
                             "--stop-after", "--help", "--scenario", "--speed",
                             "--min-free-mb", "--repair", "--calls", "--number", "--since", "--until", "--outcome",
                             "--keep-days", "--keep-free-mb", "--on-event", "--web", "--web-password-file",
                             "--phonebook", "--customers-odbc", "--area-code",
                             "--round-times"})
        EXPECT_NE(help.find(name), std::string::npos) << name;
    EXPECT_EQ(help_text("vornix_host", false).find("--speed"), std::string::npos);
    EXPECT_NE(help_text("vornix_host", false).find("--service"), std::string::npos);
}

TEST(RecordingName, FromTimeSlotAndCallerDigitsWithoutClashes) {
    const auto t = std::chrono::system_clock::now();
    const std::string name = recording_file_name(t, 3, "+86 138-0013");
    EXPECT_NE(name.find("_slot3_861380013.wav"), std::string::npos) << name;
    EXPECT_NE(recording_file_name(t, 0, "").find("_slot0_unknown.wav"), std::string::npos);
    // Characters a file system might choke on never reach the name.
    EXPECT_EQ(recording_file_name(t, 0, "../..\\x:*?").find_first_of("/\\:*?"), std::string::npos);

    const auto dir = std::filesystem::temp_directory_path() / "host_tests" / "names";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string first = unused_recording_path(dir.string(), "a.wav");
    std::ofstream(first).put('x');
    const std::string second = unused_recording_path(dir.string(), "a.wav");
    EXPECT_NE(first, second);
    EXPECT_NE(second.find("a-2.wav"), std::string::npos);
}
