// The console's views over one known call log: the call-backs opening and closing, the
// figures counted exactly, a caller's history, the spreadsheet file's bytes, the lines
// by box and name, and every new request refusing what it cannot use.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "call_log/call_log.h"
#include "call_log/csv.h"
#include "call_log/time_text.h"
#include "call_views/box_places.h"
#include "call_views/line_names.h"
#include "notes/call_notes.h"
#include "test_files.h"
#include "web/line_board.h"
#include "web/web_routes.h"

using namespace host;
using namespace host::web;
using json = nlohmann::json;
using Clock = std::chrono::system_clock;

namespace {
// Noon of a fixed day, local time; the calls count back from it.
Clock::time_point noon() {
    std::tm t{};
    t.tm_year = 2025 - 1900;
    t.tm_mon = 2;
    t.tm_mday = 14;
    t.tm_hour = 12;
    t.tm_isdst = -1;
    return Clock::from_time_t(std::mktime(&t));
}

struct Call {
    int minutes_before;  // before noon
    int serial;
    bool incoming;
    const char* number;  // the caller, or the digits dialled
    CallOutcome outcome;
    int seconds;
};

// Days ago 0 is today; 9 days ago is outside 7 days, 40 outside 30.
const Call kCalls[] = {
    {60 * 24 * 40, 5002, true, "13900000000", CallOutcome::Missed, 0},        // too old for 30 days
    {60 * 24 * 9, 5002, true, "13800138000", CallOutcome::Answered, 30},
    {180, 5002, true, "057188881234", CallOutcome::Missed, 0},                  // opens, closed by the call out
    {170, 5003, false, "0571-8888 1234", CallOutcome::Answered, 60},
    {120, 5002, true, "13800138000", CallOutcome::Missed, 0},                   // opens...
    {100, 5002, true, "+86 138 0013 8000", CallOutcome::Missed, 0},             // ...and again: one call-back
    {90, 5003, true, "02160012345", CallOutcome::Missed, 0},                     // closed by an answered call
    {80, 5003, true, "021-6001 2345", CallOutcome::Answered, 20},
    {70, 5002, true, "13700000000", CallOutcome::Missed, 0},                     // closed by hand
    {60, 5003, true, "", CallOutcome::Missed, 0},                                // no number: nobody to call
    {50, 5002, true, "13600000000", CallOutcome::Unplugged, 0},                  // rang, never talked: missed
};

class CallViews : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = host_test::fresh_folder();
        CallLog log(folder_);
        for (const Call& c : kCalls) {
            CallRecord r;
            r.start = noon() - std::chrono::minutes(c.minutes_before);
            r.end = r.start + std::chrono::seconds(c.seconds + 5);
            r.talk_ms = c.seconds * 1000;
            r.serial = c.serial;
            r.slot = c.serial - 5002;
            r.incoming = c.incoming;
            (c.incoming ? r.caller : r.digits) = c.number;
            r.outcome = c.outcome;
            ASSERT_TRUE(log.append(r));
        }
        call_views::LineNames names;
        std::string error;
        ASSERT_TRUE(names.read("5002=前台 8888 1234\n5003=送水部\n", &error)) << error;
        routes_ = std::make_unique<WebRoutes>(WebSite{folder_, "127.0.0.1", ""}, board_, [] { return int64_t{0}; });
        routes_->set_line_names(std::move(names));
        routes_->set_number_plan({"0571"});
        routes_->set_wall_clock([] { return noon(); });
        routes_->set_caller_names([](std::string_view number) -> std::optional<callers::CallerCard> {
            if (number.find("8888") == std::string_view::npos) return std::nullopt;
            callers::CallerCard card;
            card.name = "=王经理";
            return card;
        });
    }
    WebResponse get(const std::string& target) { return routes_->handle({"GET", target, "127.0.0.1", "", "", "", ""}); }
    json get_json(const std::string& target) {
        const WebResponse r = get(target);
        EXPECT_EQ(r.status, 200) << target << ": " << r.body;
        return json::parse(r.body);
    }
    std::string start_of(int call) const { return iso8601_local(noon() - std::chrono::minutes(kCalls[call].minutes_before)); }

    std::string folder_;
    LineBoard board_;
    std::unique_ptr<WebRoutes> routes_;
};
}  // namespace

TEST_F(CallViews, CallBacksOpenUntilAnsweredOrCalledBack) {
    auto open_numbers = [&] {
        std::vector<std::string> numbers;
        const json backs = get_json("/api/callbacks");
        for (const auto& o : backs["open"]) numbers.push_back(o["call"]["party"]);
        return numbers;
    };
    EXPECT_EQ(open_numbers(), (std::vector<std::string>{"13800138000", "13700000000", "13600000000"}));
    const json first = get_json("/api/callbacks")["open"][0];
    EXPECT_EQ(first["missed"], 2);
    EXPECT_EQ(first["waited"], 120 * 60);
    EXPECT_EQ(first["last"], start_of(5));
    const json second = get_json("/api/callbacks?per=1&page=1");
    EXPECT_EQ(second["count"], 3);
    ASSERT_EQ(second["open"].size(), 1u);
    EXPECT_EQ(second["open"][0]["call"]["party"], "13700000000");
    // Closed by hand: the call's identity handed in.
    auto closed = std::make_shared<call_views::ClosedByHand>();
    closed->insert(start_of(8) + "/5002");
    routes_->set_closed_by_hand([closed] { return closed; });
    EXPECT_EQ(open_numbers(), (std::vector<std::string>{"13800138000", "13600000000"}));
    // A call back to the number written another way closes it, as the log gains it.
    CallRecord back;
    back.start = back.end = noon();
    back.serial = 5003;
    back.digits = "+86 13800138000";
    ASSERT_TRUE(CallLog(folder_).append(back));
    EXPECT_EQ(open_numbers(), (std::vector<std::string>{"13600000000"}));
    EXPECT_EQ(get_json("/api/callbacks?days=1")["count"], 1);
}

// Without a source of its own the views take the calls the notes' marks close.
TEST_F(CallViews, ANoteThatNeedsNoCallBackClosesIt) {
    const NoteChange change{{start_of(10), "5002", ""}, start_of(10), "127.0.0.1", CallMark::NoCallBack, ""};
    ASSERT_TRUE(CallNotes(folder_).write(change));
    const json backs = get_json("/api/callbacks");
    EXPECT_EQ(backs["count"], 2);
    EXPECT_EQ(backs["open"][1]["call"]["party"], "13700000000");
}

TEST_F(CallViews, FiguresOfTheDays) {
    const json today = get_json("/api/stats");
    EXPECT_EQ(today["total"], json({{"answered", 1}, {"missed", 7}, {"outgoing", 1}}));
    EXPECT_EQ(today["by_hour"][9], json({{"answered", 0}, {"missed", 1}, {"outgoing", 1}}));
    EXPECT_EQ(today["by_hour"][10], json({{"answered", 1}, {"missed", 4}, {"outgoing", 0}}));
    EXPECT_EQ(today["talk_seconds"], 80);
    EXPECT_DOUBLE_EQ(today["average_seconds"].get<double>(), 40.0);
    EXPECT_DOUBLE_EQ(today["answer_rate"].get<double>(), 1.0 / 8);
    EXPECT_EQ(today["open_callbacks"], 3);
    EXPECT_EQ(today["lines"][0], json({{"serial", 5002}, {"name", "前台 8888 1234"}, {"calls", 5}}));
    // Equal counts: the party called last first, by the latest of its numbers' forms.
    EXPECT_EQ(today["callers"][0], json({{"number", "021-6001 2345"}, {"card", nullptr}, {"calls", 2}}));
    EXPECT_EQ(today["callers"][1]["number"], "+86 138 0013 8000");
    const json week = get_json("/api/stats?days=7"), month = get_json("/api/stats?days=30");
    EXPECT_EQ(week["total"]["answered"], 1);
    EXPECT_EQ(week["by_day"].size(), 7u);
    EXPECT_EQ(week["to"], start_of(10).substr(0, 10));
    EXPECT_EQ(month["total"]["answered"], 2);
    EXPECT_EQ(month["callers"][0]["calls"], 3);
    EXPECT_EQ(month["by_day"][20]["answered"], 1);  // 9 days before the 30th
}

TEST_F(CallViews, HistoryListAndSearchKnowThePartyHoweverWritten) {
    const json h = get_json("/api/history?number=0138-0013-8000");
    EXPECT_EQ(h["total"], 3);
    EXPECT_EQ(h["last"], start_of(5));
    EXPECT_EQ(h["calls"][0]["start"], start_of(5));  // newest first
    EXPECT_EQ(h["calls"][2]["start"], start_of(1));
    // The call dialled out, without the area code's dash, is found by the number typed.
    const json out = get_json("/api/calls?number=057188881234");
    ASSERT_EQ(out["total"], 2);
    EXPECT_EQ(out["calls"][0]["direction"], "outgoing");
    EXPECT_EQ(out["calls"][0]["party"], "0571-8888 1234");
    EXPECT_EQ(out["calls"][0]["line"], "送水部");
    EXPECT_EQ(out["calls"][0]["party_card"]["name"], "=王经理");
    EXPECT_EQ(get_json("/api/calls?line=5003")["total"], 4);
}

TEST_F(CallViews, ExportIsASpreadsheetFile) {
    const NoteChange change{{start_of(7), "5003", ""}, start_of(7), "127.0.0.1", CallMark::Order, "订了3桶，明早送"};
    ASSERT_TRUE(CallNotes(folder_).write(change));
    const WebResponse r = get("/api/calls.csv?line=5003&outcome=answered");
    ASSERT_EQ(r.status, 200);
    EXPECT_EQ(r.type, "text/csv; charset=utf-8");
    ASSERT_EQ(r.body.rfind("\xEF\xBB\xBF", 0), 0u);
    const auto rows = parse_csv(r.body.substr(3));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].size(), 11u);
    // Newest first; the number kept as text, a name that looks like a formula as text.
    const std::vector<std::string> want = {start_of(7).substr(0, 10) + " " + start_of(7).substr(11, 8),
                                           rows[1][1], rows[1][2], "送水部", "=\"021-6001 2345\"", "", rows[1][6], "20", "",
                                           "订水", "订了3桶，明早送"};
    EXPECT_EQ(rows[1], want);
    EXPECT_EQ(rows[2][4], "=\"0571-8888 1234\"");
    EXPECT_EQ(rows[2][5], "'=王经理");
    EXPECT_EQ(rows[2][9], "");  // a call nobody wrote about
    EXPECT_NE(rows[1][2], rows[2][2]);  // in and out are worded apart
}

TEST_F(CallViews, NewRequestsRefuseWhatTheyCannotUse) {
    for (const char* target :
         {"/api/stats?days=0", "/api/stats?days=367", "/api/stats?days=-1", "/api/stats?days=99999999999999999999",
          "/api/stats?days=7x", "/api/callbacks?days=", "/api/callbacks?days=1e3", "/api/callbacks?per=0",
          "/api/callbacks?per=201", "/api/history",
          "/api/history?number=", "/api/history?number=abc",
          "/api/history?number=1380013800013800138000138001380013800013800138000138001380013800138000",
          "/api/history?number=13800138000&per=0", "/api/history?number=13800138000&page=x",
          "/api/calls.csv?lang=fr", "/api/calls.csv?since=2025-02-30", "/api/calls?line=-1",
          "/api/calls?line=1234567890"})
        EXPECT_EQ(get(target).status, 400) << target;
}

TEST(LineNames, FileEntries) {
    struct Case {
        std::string text;
        const char* error;  // empty: read
        int serial;
        const char* name;
    };
    const Case cases[] = {
        {"5002=前台 8888 1234\r\n# note\n\n 5003 = 送水部 \n", "", 5003, "送水部"},
        {"\xEF\xBB\xBF" "5002=前台", "", 5002, "前台"},
        {"5002=\xCB\xCD\xCB\xAE\xB2\xBF\n", "", 5002, "送水部"},  // GBK
        {"5002=前台\n5002=后台\n", "line 2: box 5002 is named twice", 0, ""},
        {"front=5002\n", "line 1: not serial=name", 0, ""},
        {"5002=\n", "line 1: a name of 1 to", 0, ""},
        {"0=zero\n", "line 1: not serial=name", 0, ""},
        {"5002=" + std::string(200, 'x'), "line 1: a name of 1 to", 0, ""},
    };
    for (const Case& c : cases) {
        call_views::LineNames names;
        std::string error;
        EXPECT_EQ(names.read(c.text, &error), !*c.error) << c.text;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
        if (!*c.error) {
            EXPECT_EQ(names.name(c.serial), c.name);
        }
        EXPECT_EQ(names.name(7), "7");  // unnamed: its serial code
    }
}

// A box pulled out keeps its card; plugged in again elsewhere it is back in that card.
TEST(LineNames, ReplugKeepsTheCard) {
    call_views::LineNames names;
    std::string error;
    ASSERT_TRUE(names.read("5003=送水部\n", &error));
    call_views::BoxPlaces places(names);
    auto cards = [&](std::vector<int> slots) {
        std::vector<std::pair<int, int>> out;
        for (const auto& p : places.places(slots)) out.emplace_back(p.serial, p.slot);
        return out;
    };
    using V = std::vector<std::pair<int, int>>;
    EXPECT_EQ(cards({5001, 5002}), (V{{5003, -1}, {5001, 0}, {5002, 1}}));
    EXPECT_EQ(cards({5002}), (V{{5003, -1}, {5001, -1}, {5002, 0}}));
    EXPECT_EQ(cards({5002, 5003, 5001}), (V{{5003, 1}, {5001, 2}, {5002, 0}}));
}
