// The console's views over a year's call log (the web console benchmark's 1,000,000
// rows) with a phonebook of 100,000 contacts: how long the host takes to read and index
// the log, the 30-day figures, the open call-backs and a caller's history; then SQLite
// (indexed on start, caller and digits) asked the same two questions over the same rows,
// and how many times faster the views answer.
//
// usage: call_views_compare CALLS_CSV PHONEBOOK_CSV
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "call_log/call_log_reader.h"
#include "call_log/time_text.h"
#include "call_views/call_backs.h"
#include "call_views/call_index.h"
#include "call_views/call_stats.h"
#include "call_views/caller_names.h"
#include "callers/phonebook_file.h"

using namespace host;
using namespace host::call_views;
using Ms = std::chrono::duration<double, std::milli>;

namespace {
const callers::NumberPlan kPlan{"0571"};
constexpr int kRuns = 15;

double median_ms(const std::function<void()>& f) {
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        const auto t = std::chrono::steady_clock::now();
        f();
        times.push_back(Ms(std::chrono::steady_clock::now() - t).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

long rss_mb() {
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6)) / 1024;
    return 0;
}

void check(int rc, sqlite3* db, const char* what) {
    if (rc == SQLITE_OK || rc == SQLITE_DONE || rc == SQLITE_ROW) return;
    std::fprintf(stderr, "sqlite: %s: %s\n", what, sqlite3_errmsg(db));
    std::exit(1);
}

// The same rows in SQLite: the kind the views derive, the party's key in the caller's
// or the digits' column as the call went.
sqlite3* sqlite_copy(const CallRows& rows, const CallIndex& index, double* load_ms) {
    const auto t = std::chrono::steady_clock::now();
    sqlite3* db = nullptr;
    check(sqlite3_open(":memory:", &db), db, "open");
    check(sqlite3_exec(db,
                       "CREATE TABLE calls(start INTEGER, box INTEGER, kind INTEGER, caller TEXT, digits TEXT, "
                       "seconds INTEGER); BEGIN",
                       nullptr, nullptr, nullptr),
          db, "create");
    sqlite3_stmt* put = nullptr;
    check(sqlite3_prepare_v2(db, "INSERT INTO calls VALUES(?,?,?,?,?,?)", -1, &put, nullptr), db, "prepare");
    for (uint32_t row = 0; row < rows.size(); ++row) {
        const IndexedCall& c = index.call(row);
        const std::string key = c.key ? callers::unpack_key(c.key) : "";
        const bool out = c.kind == CallKind::Outgoing;
        sqlite3_bind_int64(put, 1, c.local_s());
        sqlite3_bind_int(put, 2, c.serial);
        sqlite3_bind_int(put, 3, static_cast<int>(c.kind));
        sqlite3_bind_text(put, 4, out ? "" : key.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(put, 5, out ? key.c_str() : "", -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(put, 6, static_cast<int>(c.seconds));
        check(sqlite3_step(put), db, "insert");
        sqlite3_reset(put);
    }
    sqlite3_finalize(put);
    check(sqlite3_exec(db,
                       "COMMIT; CREATE INDEX by_start ON calls(start); CREATE INDEX by_caller ON calls(caller, start); "
                       "CREATE INDEX by_digits ON calls(digits, start); ANALYZE",
                       nullptr, nullptr, nullptr),
          db, "index");
    *load_ms = Ms(std::chrono::steady_clock::now() - t).count();
    return db;
}

size_t sqlite_rows(sqlite3* db, const char* sql, int64_t from) {
    sqlite3_stmt* q = nullptr;
    check(sqlite3_prepare_v2(db, sql, -1, &q, nullptr), db, "prepare");
    sqlite3_bind_int64(q, 1, from);
    size_t n = 0;
    for (int rc; (rc = sqlite3_step(q)) == SQLITE_ROW;) ++n;
    sqlite3_finalize(q);
    return n;
}

// Answered 0, missed 1, out 2, as CallKind numbers them.
const char* const kSqlStats =
    "SELECT (start % 86400) / 3600 AS hour, kind, count(*) FROM calls WHERE start >= ?1 GROUP BY hour, kind";
const char* const kSqlCallBacks =
    "SELECT m.caller, min(m.start), count(*) FROM calls m WHERE m.start >= ?1 AND m.kind = 1 AND m.caller <> '' "
    "AND NOT EXISTS (SELECT 1 FROM calls c WHERE c.caller = m.caller AND c.start > m.start AND c.kind = 0) "
    "AND NOT EXISTS (SELECT 1 FROM calls c WHERE c.digits = m.caller AND c.start > m.start) "
    "GROUP BY m.caller ORDER BY min(m.start)";
}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: call_views_compare CALLS_CSV PHONEBOOK_CSV\n");
        return 2;
    }
    const std::string log_path = argv[1];
    const std::string folder = log_path.substr(0, log_path.find_last_of('/'));
    const auto began = std::chrono::steady_clock::now();
    const auto book = callers::read_phonebook_file(argv[2], kPlan);
    if (!book.table) return std::fprintf(stderr, "cannot read %s\n", argv[2]), 1;
    const callers::PhonebookSnapshot phonebook({book.table});
    const double book_ms = Ms(std::chrono::steady_clock::now() - began).count();
    CallLogReader log(folder);
    CallIndex index(kPlan);
    auto t = std::chrono::steady_clock::now();
    if (!log.refresh()) return std::fprintf(stderr, "no call log in %s\n", folder.c_str()), 1;
    const double read_ms = Ms(std::chrono::steady_clock::now() - t).count();
    t = std::chrono::steady_clock::now();
    index.update(log.rows());
    const double index_ms = Ms(std::chrono::steady_clock::now() - t).count();
    const CallRows& rows = log.rows();
    const CallerNames names = [&](std::string_view number) { return phonebook.find(callers::number_key(number, kPlan)); };

    // "Today" is the day of the last call the log holds.
    long today = 0;
    for (uint32_t row = 0; row < index.size(); ++row) today = std::max(today, index.call(row).day());
    const long from_day = today - 29;
    CallStats stats;
    size_t named = 0;
    const double stats_ms = median_ms([&] {
        stats = call_stats(index, today, 30, 10);
        for (const auto& c : stats.callers) named += names(party_number(rows, c.first)).has_value();
    });
    std::vector<OpenCallBack> backs;
    const double backs_ms = median_ms([&] { backs = open_call_backs(index, rows, from_day, nullptr); });
    const uint64_t frequent = index.call(stats.callers.at(0).first).key;
    std::vector<uint32_t> history;
    const double history_ms = median_ms([&] { history = index.party_calls(frequent); });

    double load_ms = 0;
    sqlite3* db = sqlite_copy(rows, index, &load_ms);
    const int64_t from_s = int64_t{from_day} * 86400;
    size_t sql_groups = 0, sql_backs = 0;
    const double sql_stats_ms = median_ms([&] { sql_groups = sqlite_rows(db, kSqlStats, from_s); });
    const double sql_backs_ms = median_ms([&] { sql_backs = sqlite_rows(db, kSqlCallBacks, from_s); });
    sqlite3_close(db);

    std::printf("call log: %zu rows, phonebook %zu contacts (read in %.0f ms)\n", rows.size(), phonebook.contacts(),
                book_ms);
    std::printf("read %.0f ms, indexed %.0f ms: ready %.2f s after the start; resident %ld MB with SQLite's copy gone\n",
                read_ms, index_ms, (read_ms + index_ms) / 1000, rss_mb());
    std::printf("30-day figures     %7.2f ms (%u calls, %zu of the top callers named)\n", stats_ms,
                stats.total.answered + stats.total.missed + stats.total.outgoing, named / kRuns);
    std::printf("open call-backs    %7.2f ms (%zu parties)\n", backs_ms, backs.size());
    std::printf("a caller's history %7.2f ms (%zu calls)\n", history_ms, history.size());
    std::printf("SQLite (loaded and indexed in %.0f ms): 30-day by hour and outcome %.2f ms (%zu groups), "
                "open call-backs %.2f ms (%zu parties)\n",
                load_ms, sql_stats_ms, sql_groups, sql_backs_ms, sql_backs);
    std::printf("views against SQLite: figures %.1fx, call-backs %.1fx faster\n", sql_stats_ms / stats_ms,
                sql_backs_ms / backs_ms);
    return sql_backs == backs.size() ? 0 : (std::fprintf(stderr, "the call-backs differ\n"), 1);
}
