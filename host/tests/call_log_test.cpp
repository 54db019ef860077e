// The call log's file: RFC 4180 quoting of unusual fields, rows appended after a row
// that a power cut left half-written, the --calls filter and the local time stamps.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/resource.h>

#include "call_log/call_log.h"
#include "call_log/call_log_reader.h"
#include "call_log/csv.h"
#include "call_log/time_text.h"
#include "platform/host_clock.h"
#include "test_files.h"

using namespace host;
using namespace host_test;
namespace fs = std::filesystem;

namespace {
CallRecord record(const std::string& caller, const std::string& digits) {
    CallRecord r;
    r.start = std::chrono::system_clock::now();
    r.end = r.start + std::chrono::seconds(75);
    r.talk_ms = 61500;
    r.slot = 3;
    r.serial = 5004;
    r.incoming = true;
    r.caller = caller;
    r.digits = digits;
    r.outcome = CallOutcome::TimeLimit;
    r.file = "some/folder/20250314-093005-120_slot3_0216.wav";
    return r;
}
}  // namespace

// Caller fields with separators (a spreadsheet's too), quotes and line breaks are quoted
// and come back exactly.
TEST(CallLogFile, UnusualFieldsAreQuotedAndReadBack) {
    const std::vector<std::pair<std::string, std::string>> fields = {
        {"02160012345", "02160012345"}, {"a,b", "\"a,b\""},  {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\r\nlines", "\"two\r\nlines\""},   {"lf\nonly", "\"lf\nonly\""}, {"", ""},
        {"*0#;9", "\"*0#;9\""},           {"tab\there", "\"tab\there\""}, {"\"", "\"\"\"\""},
    };
    std::vector<std::string> values;
    for (const auto& [value, field] : fields) {
        EXPECT_EQ(csv_field(value), field) << value;
        values.push_back(value);
    }
    CallRecord r = record(values[1] + values[2] + values[3], values[6]);
    const auto back = parse_csv(csv_record(values) + csv_record(call_row(r)));
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0], values);
    EXPECT_EQ(back[1][5], r.caller);
    EXPECT_EQ(back[1][6], r.digits);
}

// One header row; a half row left by a power cut (inside a quoted field) is closed off
// so that the rows after it are read whole.
TEST(CallLogFile, AppendsAfterTheHeaderAndAfterAHalfWrittenRow) {
    const std::string dir = fresh_folder();
    CallLog log(dir);
    ASSERT_TRUE(log.append(record("02160012345", "12#")));
    std::ofstream(log.path(), std::ios::binary | std::ios::app) << "2025-03-14T09:30:05+08:00,x,0,5001,incoming,\"a,\"\"b";
    ASSERT_TRUE(log.append(record("a \"b\", c", "")));

    const std::string text = file_text(log.path());
    EXPECT_EQ(text.rfind("start,end,slot,box,direction,caller,digits,outcome,seconds,file\r\n", 0), 0u);
    const auto rows = parse_csv(text);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], call_log_columns());
    for (size_t i : {1u, 3u}) {
        ASSERT_EQ(rows[i].size(), call_log_columns().size());
        EXPECT_EQ(rows[i][2], "3");
        EXPECT_EQ(rows[i][3], "5004");
        EXPECT_EQ(rows[i][4], "incoming");
        EXPECT_EQ(rows[i][7], "time-limit");
        EXPECT_EQ(rows[i][8], "62");  // whole seconds off-hook
        EXPECT_EQ(rows[i][9], "20250314-093005-120_slot3_0216.wav");
    }
    EXPECT_EQ(rows[1][5], "02160012345");
    EXPECT_EQ(rows[1][6], "12#");
    EXPECT_EQ(rows[3][5], "a \"b\", c");
    EXPECT_EQ(rows[3][6], "");
}

// A disk that fills in the middle of a row (here a file-size limit that cuts the write):
// the file goes back to where it was, and the next append writes each row once, whole.
TEST(CallLogFile, AnAppendCutShortLeavesTheFileAsItWas) {
    const std::string dir = fresh_folder();
    CallLog log(dir);
    ASSERT_TRUE(log.append(record("111", "")));
    const auto before = fs::file_size(log.path());
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);  // the write fails instead
    rlimit cut = saved;
    cut.rlim_cur = before + 20;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &cut), 0);
    const bool appended = log.append(record("222", ""));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, old_handler);
    EXPECT_FALSE(appended);
    EXPECT_EQ(fs::file_size(log.path()), before);

    ASSERT_TRUE(log.append(record("333", "")));
    const auto rows = parse_csv(file_text(log.path()));
    ASSERT_EQ(rows.size(), 4u);
    for (size_t i = 1; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].size(), call_log_columns().size());
        EXPECT_EQ(rows[i][5], std::string(3, static_cast<char>('0' + i)));
    }
}

// Rows the log cannot take go, all with one write, to the side file beside it, which
// gets the header row like the log.
TEST(CallLogFile, RowsTheLogCannotTakeAreSetAside) {
    const std::string dir = fresh_folder();
    CallLog log(dir);
    fs::create_directory(log.path());  // a log that cannot be opened for writing
    log.keep(record("555", ""));
    log.keep(record("666", "1#"));
    EXPECT_FALSE(log.flush());
    ASSERT_TRUE(log.set_aside());
    EXPECT_TRUE(log.unwritten().empty());
    EXPECT_EQ(fs::path(log.aside_path()).parent_path(), fs::path(log.path()).parent_path());
    const auto rows = parse_csv(file_text(log.aside_path()));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], call_log_columns());
    EXPECT_EQ(rows[1][5], "555");
    EXPECT_EQ(rows[2][6], "1#");
}

// Rows set aside come back into the log at the next start, in order and each once,
// whatever moment a kill interrupted an earlier try: before it wrote, in the middle of
// the rows, after the rows and before the side file was removed (or rows added by
// hand). A log that cannot be written keeps them aside for a later try.
TEST(CallLogFile, RowsSetAsideComeBackOnceWhereverAKillInterrupted) {
    const std::vector<std::string> aside = {csv_record(call_row(record("555", ""))), csv_record(call_row(record("666", "1#")))};
    const std::string earlier = csv_record(call_row(record("444", "")));
    const std::string header = csv_record(call_log_columns());
    struct Case { const char* when; std::string log; int added; };
    const Case cases[] = {
        {"before the rows were written", header + earlier, 2},
        {"in the middle of the rows", header + earlier + aside[0] + aside[1].substr(0, 30), 1},
        {"after the rows, before the side file went", header + earlier + aside[0] + aside[1], 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.when);
        const std::string dir = fresh_folder();
        CallLog log(dir);
        std::ofstream(log.path(), std::ios::binary) << c.log;
        std::ofstream(log.aside_path(), std::ios::binary) << header + aside[0] + aside[1];
        ASSERT_TRUE(log.aside_waiting());
        EXPECT_EQ(log.bring_back(), c.added);
        EXPECT_FALSE(fs::exists(log.aside_path()));
        EXPECT_FALSE(log.aside_waiting());
        std::vector<std::string> callers;
        for (const auto& row : parse_csv(file_text(log.path())))
            if (row.size() == kCallColumns) callers.push_back(row[5]);
        EXPECT_EQ(callers, (std::vector<std::string>{"caller", "444", "555", "666"}));
    }
    const std::string dir = fresh_folder();
    CallLog log(dir);
    fs::create_directory(log.path());  // a log that cannot be opened for writing
    std::ofstream(log.aside_path(), std::ios::binary) << header + aside[0];
    EXPECT_EQ(log.bring_back(), -1);
    EXPECT_TRUE(log.aside_waiting());
    EXPECT_EQ(file_text(log.aside_path()), header + aside[0]);
    fs::remove(log.path());
    EXPECT_EQ(log.bring_back(), 1);
    EXPECT_EQ(file_text(log.path()), header + aside[0]);
}

TEST(CallLogFile, FilterByNumberStartDateAndOutcome) {
    std::vector<std::string> call(kCallColumns);
    call[0] = "2025-03-14T09:30:05+08:00";
    call[5] = "02160012345";
    call[6] = "8001#";
    call[7] = "missed";
    CallRows rows;
    ASSERT_TRUE(rows.add(call));
    EXPECT_FALSE(rows.add({"too", "short"}));
    struct Case { CallFilter filter; bool matches; };
    const std::vector<Case> cases = {
        {{"", "", "", ""}, true},
        {{"6001", "", "", ""}, true},   {{"8001", "", "", ""}, true},  {{"999", "", "", ""}, false},
        {{"", "2025-03-14", "", ""}, true}, {{"", "2025-03-15", "", ""}, false},
        {{"", "", "2025-03-14", ""}, true}, {{"", "", "2025-03-13", ""}, false},
        {{"", "2025-03-14T09:30:06", "", ""}, false}, {{"", "", "2025-03-14T09:30", ""}, true},
        {{"", "", "", "missed"}, true}, {{"", "", "", "answered"}, false},
        {{"3458001", "", "", ""}, false},  // the caller's end and the digits' start
    };
    for (const Case& c : cases) {
        EXPECT_EQ(rows.matches(0, c.filter), c.matches)
            << c.filter.number << " " << c.filter.since << " " << c.filter.until << " " << c.filter.outcome;
        EXPECT_EQ(rows.matching(c.filter).size(), c.matches ? 1u : 0u) << c.filter.number;
    }
}

// What people type into --calls and the console's filter, checked the same for both.
TEST(CallLogFile, TypedFiltersAsPeopleWriteThem) {
    struct Case { TypedFilter typed; const char* refused; CallFilter want; };
    const std::vector<Case> cases = {
        {{"139 9398", "", "", ""}, "", {"1399398", "", "", ""}},
        {{"139-9398", "", "", ""}, "", {"1399398", "", "", ""}},
        {{"(0571) 8888", "", "", ""}, "", {"05718888", "", "", ""}},
        {{"+86 139 9398 1234", "", "", ""}, "", {"13993981234", "", "", ""}},
        {{"0086.21.6001", "", "", ""}, "", {"216001", "", "", ""}},
        {{"+1 555 0100", "", "", ""}, "", {"0015550100", "", "", ""}},
        {{"*12#d", "", "", ""}, "", {"*12#D", "", "", ""}},
        {{" - ", "", "", ""}, "", {"", "", "", ""}},
        {{"139x", "", "", ""}, "number", {}},
        {{std::string(33, '1'), "", "", ""}, "number", {}},
        {{"", "2026-02-28", "2024-02-29 23:59:59", "missed"}, "", {"", "2026-02-28", "2024-02-29T23:59:59", "missed"}},
        {{"", "2026-13-01", "", ""}, "since", {}},
        {{"", "2026-02-30", "", ""}, "since", {}},
        {{"", "2025-02-29", "", ""}, "since", {}},
        {{"", "", "2026-03-01T25:00", ""}, "until", {}},
        {{"", "", "2026-03-01T12:60", ""}, "until", {}},
        {{"", "garbage", "", ""}, "since", {}},
        {{"", "", "", "lost"}, "outcome", {}},
    };
    for (const Case& c : cases) {
        CallFilter got;
        FilterRefusal why;
        const bool read = read_filter(c.typed, &got, &why);
        const std::string what = c.typed.number + "|" + c.typed.since + "|" + c.typed.until + "|" + c.typed.outcome;
        EXPECT_EQ(read, !*c.refused) << what;
        if (!read) {
            EXPECT_EQ(why.field, c.refused) << what;
            EXPECT_EQ(why.code, std::string(*c.refused == 'n' ? "bad-number" : *c.refused == 'o' ? "bad-outcome"
                                                                                                  : "bad-date"));
        } else {
            EXPECT_TRUE(got.number == c.want.number && got.since == c.want.since && got.until == c.want.until &&
                        got.outcome == c.want.outcome) << what << " -> " << got.number << "|" << got.until;
        }
    }
}

// The log holds calls in the order they ended; they are listed in the order they
// started, also as the log grows and with a number looked for (few found or many).
TEST(CallLogFile, CallsComeInTheOrderTheyStarted) {
    const std::string dir = fresh_folder();
    auto row = [](const char* start, const char* caller) {
        std::vector<std::string> r(kCallColumns);
        r[0] = start;
        r[5] = caller;
        return csv_record(r);
    };
    const std::string log = dir + "/calls.csv";
    std::ofstream(log, std::ios::binary) << row("2026-03-14T13:51:49+08:00", "1001")  // ended first
                                         << row("2026-03-14T13:51:57+08:00", "1002")
                                         << row("2026-03-14T13:51:45+08:00", "1003")  // a long call
                                         << row("2026-03-14T13:51:57+08:00", "1004");  // same second: log order
    CallLogReader reader(dir);
    ASSERT_TRUE(reader.refresh());
    auto callers = [&](const CallFilter& f) {
        std::string out;
        for (uint32_t i : reader.rows().matching(f)) out += std::string(reader.rows().field(i, CallColumn::Caller)) + " ";
        return out;
    };
    EXPECT_EQ(callers({}), "1003 1001 1002 1004 ");
    std::ofstream(log, std::ios::binary | std::ios::app) << row("2026-03-14T13:51:50+08:00", "1005")
                                                         << row("2026-03-14T13:52:10+08:00", "1006")
                                                         << row("junk", "1007");
    ASSERT_TRUE(reader.refresh());
    EXPECT_EQ(callers({}), "1007 1003 1001 1005 1002 1004 1006 ");
    EXPECT_EQ(callers({"100", "", "", ""}), "1007 1003 1001 1005 1002 1004 1006 ");  // many found
    std::ofstream(log, std::ios::binary | std::ios::app) << [&] {
        std::string more;
        for (int i = 0; i < 100; ++i) more += row("2026-03-14T14:00:00+08:00", "2000");
        return more;
    }();
    ASSERT_TRUE(reader.refresh());
    EXPECT_EQ(callers({"100", "", "", ""}), "1007 1003 1001 1005 1002 1004 1006 ");  // few found
}

// The log read on as it grows: the header is no call, a row still being written is
// read once whole, a log replaced by a shorter one is read again from its start.
TEST(CallLogFile, ReaderFollowsTheGrowingLog) {
    const std::string dir = fresh_folder();
    CallLogReader reader(dir);
    EXPECT_FALSE(reader.refresh());
    CallLog log(dir);
    ASSERT_TRUE(log.append(record("1001", "")));
    ASSERT_TRUE(reader.refresh());
    ASSERT_EQ(reader.rows().size(), 1u);
    std::ofstream(log.path(), std::ios::binary | std::ios::app) << csv_record(call_row(record("1002", "")))
                                                                << "2025-03-14T09:30:05+08:00,\"half";
    ASSERT_TRUE(reader.refresh());
    ASSERT_EQ(reader.rows().size(), 2u);
    EXPECT_EQ(reader.rows().field(1, CallColumn::Caller), "1002");
    ASSERT_TRUE(log.append(record("1003", "")));
    ASSERT_TRUE(reader.refresh());
    ASSERT_EQ(reader.rows().size(), 3u);  // the half row, closed off, is too short for a call
    EXPECT_EQ(reader.rows().field(2, CallColumn::Caller), "1003");
    EXPECT_EQ(reader.rows().field(2, CallColumn::File), "20250314-093005-120_slot3_0216.wav");
    std::ofstream(log.path(), std::ios::binary | std::ios::trunc) << csv_record(call_row(record("1004", "")));
    ASSERT_TRUE(reader.refresh());
    ASSERT_EQ(reader.rows().size(), 1u);
    EXPECT_EQ(reader.rows().field(0, CallColumn::Caller), "1004");
}

#if !defined(_WIN32)
// Local time with the zone's offset, east and west, whole and half hours.
TEST(CallLogFile, TimesAreLocalWithTheirOffset) {
    const char* saved = std::getenv("TZ");
    const std::string old = saved ? saved : "";
    const auto t = std::chrono::system_clock::from_time_t(1741915805);  // 2025-03-14 01:30:05 UTC
    const std::vector<std::pair<const char*, const char*>> zones = {
        {"CST-8", "2025-03-14T09:30:05+08:00"}, {"UTC0", "2025-03-14T01:30:05+00:00"},
        {"NST3:30", "2025-03-13T22:00:05-03:30"},
    };
    for (const auto& [zone, text] : zones) {
        setenv("TZ", zone, 1);
        tzset();
        EXPECT_EQ(iso8601_local(t), text) << zone;
    }
    if (saved) setenv("TZ", old.c_str(), 1); else unsetenv("TZ");
    tzset();
}
#endif

// A performance counter's ticks in milliseconds, exactly: a day of the 3,579,545 Hz
// counter is a day, not 13 s more.
TEST(CallLogFile, CounterTicksGiveExactMilliseconds) {
    struct Case { int64_t ticks, per_second, ms; };
    const std::vector<Case> cases = {
        {3579545LL * 86400, 3579545, 86400000}, {3579545LL * 3600 + 3579544, 3579545, 3600999},
        {10000000LL * 7 + 5000, 10000000, 7000}, {int64_t{1} << 62, 10000000, 461168601842738},
    };
    for (const Case& c : cases) EXPECT_EQ(counter_ms(c.ticks, c.per_second), c.ms) << c.ticks << " / " << c.per_second;
}
