// Caller names where people see them: on the ringing line's card as the loop publishes
// it (from the phonebook in the round the number comes, from the SQLite database over
// ODBC within a second), in the call list's search and in the --calls table.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "call_log/call_table.h"
#include "loop/caller_names.h"
#include "scenario_run.h"
#include "test_files.h"
#include "web/caller_search.h"
#include "web/line_board.h"

namespace {

using namespace host;

const char* kPhonebook =
    "姓名,公司,电话,地址,备注\n"
    "张三,西湖水站,138 0013 8000,杭州市文三路1号,\"送水 2 桶\"\n"
    "李四,本地商店,0571-8888 1234,,\n";

std::string write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

struct Source {
    const char* name;
    const char* caller;  // as the line reports it
    callers::CallerCard card;
};

void PrintTo(const Source& s, std::ostream* os) { *os << s.name; }

class NamesOnTheCard : public ::testing::TestWithParam<Source> {};

// The loop's rounds as host_loop runs them, paced so that the database's worker has
// real time to answer: how long after the number the card showed the name.
TEST_P(NamesOnTheCard, ComeSoonAfterTheNumber) {
    const Source& source = GetParam();
    const std::string dir = host_test::fresh_folder();
    HostOptions options;
    options.area_code = "0571";
    if (std::string(source.name) == "phonebook") {
        options.phonebooks = {write(dir + "/客户.csv", kPhonebook)};
    } else {
        const char* db = std::getenv("VORNIX_CALLERS_DB_DIR");
        if (db == nullptr) GTEST_SKIP() << "no SQLite ODBC driver registered for the tests";
        setenv("ODBCSYSINI", db, 1);
        setenv("ODBCINI", (std::string(db) + "/odbc.ini").c_str(), 1);
        options.customers_odbc = write(dir + "/customers.txt",
                                       "connection = DSN=vornix_customers\n"
                                       "query = SELECT name, address, note FROM Customers WHERE Phone = ?\n");
    }
    runner::fresh_library();
    vornix::sim::ScenarioPlayer player(
        runner::bus(),
        vornix::sim::parse_scenario("at 0 plug box1\nat 1.0 ring box1 caller " + std::string(source.caller) +
                                        "\nat 60 hangup box1\nat 61 end\n",
                                    "test"));
    player.start();
    const HostClock clock([&] { return player.now_ms(); });
    std::vector<CallEvent> faults;
    CallerNames names(options, clock, [&](const CallEvent& e) { faults.push_back(e); });
    std::string error;
    ASSERT_TRUE(names.start(&error)) << error;
    WatcherConfig config;
    config.folder = dir;
    LineWatcher watcher(config, clock, [&](const CallEvent&) {});
    web::LineBoard board;
    SW_Init();
    using Clock = std::chrono::steady_clock;
    Clock::time_point number_at{}, name_at{};
    web::LineView shown;
    while (!player.over() && name_at == Clock::time_point{}) {
        watcher.tick();
        names.tick(watcher.lines());
        web::publish_lines(board, watcher.lines(), names.cards(), clock);
        const auto snapshot = board.latest();
        if (!snapshot->lines.empty() && snapshot->lines[0].caller == source.caller) {
            const Clock::time_point now = Clock::now();
            if (number_at == Clock::time_point{}) number_at = now;
            if (!snapshot->lines[0].name.empty()) name_at = now, shown = snapshot->lines[0];
        }
        player.advance(50);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    SW_Free();
    ASSERT_NE(name_at, Clock::time_point{}) << "the card never showed a name";
    const auto late_ms = std::chrono::duration_cast<std::chrono::milliseconds>(name_at - number_at).count();
    EXPECT_LT(late_ms, 1000) << source.name;
    if (std::string(source.name) == "phonebook") {
        EXPECT_EQ(name_at, number_at);  // the same round
    }
    EXPECT_EQ(shown.name, source.card.name);
    EXPECT_EQ(shown.company, source.card.company);
    EXPECT_EQ(shown.address, source.card.address);
    EXPECT_EQ(shown.note, source.card.note);
    // The database's name came after the number's event line: it gets a line of its own.
    const bool database = std::string(source.name) == "database";
    ASSERT_EQ(faults.size(), database ? 1u : 0u) << faults[0].note;
    if (database) {
        EXPECT_EQ(faults[0].kind, CallEventKind::Named);
        EXPECT_EQ(faults[0].caller, source.caller);
        EXPECT_EQ(faults[0].caller_name, source.card.name);
    }
}

INSTANTIATE_TEST_SUITE_P(
    FromEitherSource, NamesOnTheCard,
    ::testing::Values(Source{"phonebook", "13800138000", {"张三", "西湖水站", "杭州市文三路1号", "送水 2 桶", {}, ""}},
                      Source{"database", "13900000002", {"客户2", "", "杭州市西湖区文三路2号", "桶装水 3 桶", {}, ""}}),
    [](const auto& info) { return std::string(info.param.name); });

// A connection file that cannot be used stops the start, its password unsaid.
TEST(CallerNames, AConnectionFileThatCannotBeUsedStopsTheStart) {
    const std::string dir = host_test::fresh_folder();
    HostOptions options;
    options.customers_odbc = write(dir + "/db.txt", "connection = DSN=x;PWD=geheim\nquery = SELECT 1\n");
    const HostClock clock([] { return int64_t{0}; });
    CallerNames names(options, clock, [](const CallEvent&) {});
    std::string error;
    EXPECT_FALSE(names.start(&error));
    EXPECT_NE(error.find("exactly one ?"), std::string::npos) << error;
    options.customers_odbc = write(dir + "/db2.txt", "connection = DSN=x;PWD=geheim\nquery = SELECT ?\ntimeout = 0\n");
    EXPECT_FALSE(names.start(&error));
    EXPECT_EQ(error.find("geheim"), std::string::npos) << error;
    options.customers_odbc = dir + "/missing.txt";
    EXPECT_FALSE(names.start(&error));
    EXPECT_NE(error.find("--customers-odbc"), std::string::npos) << error;
}

class CallListByCaller : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = host_test::fresh_folder();
        options_.area_code = "0571";
        options_.phonebooks = {write(dir_ + "/phonebook.csv", kPhonebook)};
        names_ = std::make_unique<CallerNames>(options_, clock_, [](const CallEvent&) {});
        std::string error;
        ASSERT_TRUE(names_->start(&error, 0)) << error;
        directory_ = std::make_unique<callers::CallerDirectory>(names_->plan(), names_->phonebook(), nullptr);
        for (const char* caller : kCallers) {
            std::vector<std::string> row(kCallColumns);
            row[0] = "2025-03-14T09:30:05+08:00";
            row[static_cast<size_t>(CallColumn::Caller)] = caller;
            ASSERT_TRUE(rows_.add(row));
            all_.push_back(static_cast<uint32_t>(all_.size()));
        }
    }
    std::vector<std::string> found(const std::string& who) {
        std::vector<std::string> callers;
        for (uint32_t row : web::calls_of_caller(rows_, all_, who, directory_.get(), names_->plan()))
            callers.emplace_back(rows_.field(row, CallColumn::Caller));
        return callers;
    }
    static constexpr const char* kCallers[] = {"88881234", "057188881234", "13800138000", "013800138000",
                                               "02160012345"};
    std::string dir_;
    HostOptions options_;
    const HostClock clock_{[] { return int64_t{0}; }};
    std::unique_ptr<CallerNames> names_;
    std::unique_ptr<callers::CallerDirectory> directory_;
    CallRows rows_;
    std::vector<uint32_t> all_;
};

TEST_F(CallListByCaller, FindsANameAndANumberWrittenOtherwise) {
    using V = std::vector<std::string>;
    const std::pair<const char*, V> cases[] = {
        {"0571-8888 1234", {"88881234", "057188881234"}},  // one key, though written apart
        {"+86 138 0013 8000", {"13800138000", "013800138000"}},
        {"8888", {"88881234", "057188881234"}},            // part of a number, as typed
        {"张三", {"13800138000", "013800138000"}},
        {"本地", {"88881234", "057188881234"}},            // the company
        {"王五", {}},
        {"12'3;4", {}},                                    // neither: no row, no harm
    };
    for (const auto& [who, want] : cases) EXPECT_EQ(found(who), want) << who;
}

TEST_F(CallListByCaller, TheCallsTableHasANameColumn) {
    CallLog log(dir_);
    CallRecord r;
    r.start = r.end = std::chrono::system_clock::now();
    r.caller = "13800138000";
    r.incoming = true;
    ASSERT_TRUE(log.append(r));
    r.caller = "02160012345";
    ASSERT_TRUE(log.append(r));
    const std::string out = dir_ + "/table.txt";
    std::FILE* f = std::fopen(out.c_str(), "w");
    ASSERT_EQ(print_calls(dir_, CallFilter(), f, {}, [&](std::string_view caller) { return names_->name_now(caller, 0); }),
              0);
    std::fclose(f);
    const std::string text = host_test::file_text(out);
    const size_t header_end = text.find('\n');
    const std::string header = text.substr(0, header_end);
    const size_t name_column = header.find("name");
    ASSERT_NE(name_column, std::string::npos) << text;
    EXPECT_LT(header.find("caller"), name_column);
    // The name stands in its column, the cells after it in theirs (a Chinese character
    // is two columns wide).
    const size_t row = text.find("13800138000");
    ASSERT_NE(row, std::string::npos);
    const std::string line = text.substr(text.rfind('\n', row) + 1, text.find('\n', row) - text.rfind('\n', row) - 1);
    EXPECT_EQ(line.find("张三 / 西湖水站"), name_column) << text;
    EXPECT_NE(text.find("02160012345  -  "), std::string::npos) << text;  // unknown: a dash
    EXPECT_EQ(host_test::file_text(log.path()).find("张三"), std::string::npos);  // calls.csv keeps its columns
}

}  // namespace
