#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "call_log/time_text.h"
#include "test_files.h"
#include "unattended/child_process.h"
#include "unattended/event_programs.h"

using namespace host;
namespace fs = std::filesystem;

namespace {

// A shell script as the business's program: `body` runs with the event's variables.
std::string script(const std::string& folder, const std::string& body) {
    const std::string path = folder + "/program.sh";
    // Its output goes nowhere: one left running must not hold the test's own output open.
    std::ofstream(path) << "#!/bin/sh\nexec >/dev/null 2>&1\n" << body << "\n";
    fs::permissions(path, fs::perms::owner_all);
    return path;
}

CallEvent event(CallEventKind kind, const std::string& file = "") {
    CallEvent e;
    e.kind = kind;
    e.slot = 1;
    e.serial = 5001;
    e.caller = "13800138000";
    e.digits = "12#";
    e.file = file;
    return e;
}

struct Programs {
    const HostClock::WallTime wall = std::chrono::system_clock::now();
    HostClock clock{[] { return int64_t{1000}; }, [this] { return wall; }};
    std::vector<std::string> log;
    EventPrograms programs;
    Programs(const std::string& program, EventProgramLimits limits)
        : programs(program, clock, [this](const CallEvent& e) { log.push_back(e.note); }, limits) {}
    // Ticks until every program has ended or `ms` have passed.
    void run(int ms) {
        for (int waited = 0; waited < ms && (programs.running() || programs.waiting()); waited += 10) {
            programs.tick();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
};

}  // namespace

TEST(EventPrograms, TellsEachEventInTheEnvironmentAndNeverThroughAShell) {
    const std::string folder = host_test::fresh_folder();
    const std::string out = folder + "/events.txt";
    const std::string program = script(folder, "env | grep '^VORNIX_' | sort >> " + out + "; echo >> " + out);
    setenv("VORNIX_FILE", "stale", 1);  // the host's own would not reach the program
    Programs p(program, {1, 32, 30000});
    CallEvent ring = event(CallEventKind::Ring);
    ring.caller = "+86 138-0013$(touch pwned)`x`;&|<>^%!\"\x01\n";
    ring.caller_name = "张三 %PATH%\r\n& del *";  // as a phonebook may hold it
    ring.caller_company = "西湖水站";
    for (const CallEvent& e : {ring, event(CallEventKind::Digits), event(CallEventKind::HungUp, "rec/a.wav"),
                               event(CallEventKind::Cut), event(CallEventKind::Retired, "rec/b.wav")})
        p.programs.notice(e);
    p.run(10000);
    unsetenv("VORNIX_FILE");

    const std::string time = iso8601_local(p.wall);
    auto told = [&](const std::string& name, const std::string& caller, const std::string& digits,
                    const std::string& file, const std::string& who = "", const std::string& company = "") {
        return "VORNIX_CALLER=" + caller + "\nVORNIX_CALLER_ADDRESS=\nVORNIX_CALLER_COMPANY=" + company +
               "\nVORNIX_CALLER_NAME=" + who + "\nVORNIX_DIGITS=" + digits + "\nVORNIX_EVENT=" + name +
               "\nVORNIX_FILE=" + file + "\nVORNIX_SERIAL=5001\nVORNIX_SLOT=1\nVORNIX_TIME=" + time + "\n\n";
    };
    EXPECT_EQ(host_test::file_text(out), told("ring", "+86 138-0013touch pwnedx", "12#", "", "张三 PATH  del *", "西湖水站") +
                                             told("hung-up", "13800138000", "12#", "rec/a.wav") +
                                             told("recorded", "13800138000", "12#", "rec/a.wav"));
    EXPECT_FALSE(fs::exists("pwned"));
    EXPECT_TRUE(p.log.empty());
}

TEST(EventPrograms, BoundedQueueTimeLimitAndFailuresAreLoggedWithoutWaiting) {
    const std::string folder = host_test::fresh_folder();
    const std::string program = script(folder, "case $VORNIX_EVENT in ring) sleep 5;; missed) exit 3;; esac");
    Programs p(program, {1, 1, 1000});
    p.programs.notice(event(CallEventKind::Ring));
    p.programs.tick();
    for (auto kind : {CallEventKind::Missed, CallEventKind::Answered}) p.programs.notice(event(kind));
    p.run(10000);
    EXPECT_EQ(p.log, (std::vector<std::string>{"answered: not told: 1 events wait for the program already",
                                               "ring: program killed after 1 s", "missed: program failed: exit status 3"}));

    // A start that fails is tried once more, the later events behind it: one that then
    // starts tells its event, in order; one that fails again is said.
    const std::string late = folder + "/late.sh";
    const std::string told_file = folder + "/late.txt";
    Programs retried(late, {1, 8, 30000, 200});
    retried.programs.notice(event(CallEventKind::Ring));
    retried.programs.notice(event(CallEventKind::Missed));
    retried.programs.tick();
    EXPECT_EQ(retried.programs.waiting(), 2u);
    std::ofstream(late) << "#!/bin/sh\necho $VORNIX_EVENT >> '" << told_file << "'\n";
    fs::permissions(late, fs::perms::owner_all);
    retried.run(3000);
    EXPECT_TRUE(retried.log.empty());
    EXPECT_EQ(host_test::file_text(told_file), "ring\nmissed\n");

    Programs missing(folder + "/no such program", {1, 8, 30000, 200});
    missing.programs.notice(event(CallEventKind::Ring));
    missing.run(1000);
    EXPECT_EQ(missing.log, (std::vector<std::string>{"ring: program could not be started: No such file or directory"}));

    // At exit nothing is waited for: what runs goes on, what waits is dropped.
    Programs stopping(program, {1, 8, 30000});
    for (int i = 0; i < 3; ++i) stopping.programs.notice(event(CallEventKind::Ring));
    const auto before = std::chrono::steady_clock::now();
    stopping.programs.finish();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2));
    EXPECT_EQ(stopping.log, (std::vector<std::string>{"2 events not told: the recorder stopped",
                                                      "1 programs still running, left to finish"}));
}

TEST(EventPrograms, EnvironmentKeepsTheHostsVariablesAndReplacesSameNamedOnes) {
    const std::vector<std::string> current = {"=C:=C:\\calls", "Path=C:\\bin", "vornix_file=old", "VORNIX_FILE_X=1"};
    const std::vector<std::string> vars = {"VORNIX_FILE=new", "PATH=x"};
    EXPECT_EQ(merged_environment(current, vars, true),
              (std::vector<std::string>{"=C:=C:\\calls", "VORNIX_FILE_X=1", "VORNIX_FILE=new", "PATH=x"}));
    EXPECT_EQ(merged_environment(current, vars, false),
              (std::vector<std::string>{"=C:=C:\\calls", "Path=C:\\bin", "vornix_file=old", "VORNIX_FILE_X=1",
                                        "VORNIX_FILE=new", "PATH=x"}));
}
