// The calls' notes: the notes file read back whatever a crash or a full disk left of
// it, the last change of a call winning, the calls closed by hand; the write guard's
// refusals and budget; and every hostile write the console can be sent, refused with
// nothing written.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "call_log/call_log.h"
#include "notes/call_notes.h"
#include "test_files.h"
#include "web/web_routes.h"
#include "web/write_guard.h"

using namespace host;
namespace fs = std::filesystem;

namespace {
NoteChange change(const std::string& start, CallMark mark, const std::string& note, const std::string& file = "a.wav") {
    return {{start, "5001", file}, "2026-12-09T10:00:00+08:00", "127.0.0.1", mark, note};
}

std::string notes_path(const std::string& folder) { return (fs::path(folder) / kNotesName).string(); }

void put(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
}  // namespace

// Whatever a crash leaves at the file's end (or a hand in the middle), the whole records
// before it are read, the damaged one is left out, and the next append starts on a
// fresh line of its own.
TEST(NotesFile, DamageIsLeftOutAndNeverSpreads) {
    const std::string first = note_record(change("s1", CallMark::Order, "two \"big\" bottles,\r\nthird floor"));
    const std::string second = note_record(change("s2", CallMark::Done, "paid"));
    const std::string header = "start,box,file,written,by,mark,note,check\r\n";
    struct Case {
        const char* what;
        std::string text;
        size_t notes_before, damaged;  // read before the append
        size_t notes_after;            // and after it, the appended one among them
    };
    const Case cases[] = {
        {"none yet", "", 0, 0, 1},
        {"whole", header + first + second, 2, 0, 3},
        {"cut in an open quote", header + first + second.substr(0, second.size() - 8) + "\"x", 1, 1, 2},
        {"cut in a quoted note", header + first.substr(0, 40), 0, 1, 1},
        {"cut after the CR", header + first + second.substr(0, second.size() - 1), 1, 1, 3},
        {"no line end at all", header + first + second.substr(0, second.size() - 2), 1, 1, 3},
        {"a garbled line between", header + first + "garbage,\"\"\r\n" + second, 2, 1, 3},
        {"a field changed by hand", header + first + second.substr(0, 3) + "X" + second.substr(4), 1, 1, 2},
        {"an unknown mark", header + note_record(change("s3", CallMark::Done, "x")).replace(
                                     note_record(change("s3", CallMark::Done, "x")).find("done"), 4, "lost"),
         0, 1, 1},
    };
    for (const Case& c : cases) {
        const std::string folder = host_test::fresh_folder();
        if (!std::string(c.what).empty() && !c.text.empty()) put(notes_path(folder), c.text);
        CallNotes notes(folder);
        ASSERT_TRUE(notes.load()) << c.what;
        EXPECT_EQ(notes.size(), c.notes_before) << c.what;
        EXPECT_EQ(notes.damaged(), c.damaged) << c.what;
        ASSERT_TRUE(notes.write(change("s9", CallMark::CallBack, "new"))) << c.what;
        EXPECT_EQ(notes.size(), c.notes_after) << c.what;
        CallNotes again(folder);
        ASSERT_TRUE(again.load());
        EXPECT_EQ(again.size(), c.notes_after) << c.what;
        ASSERT_TRUE(again.find(CallKey{"s9", "5001", "a.wav"})) << c.what;
        EXPECT_EQ(again.find(CallKey{"s9", "5001", "a.wav"})->note, "new") << c.what;
        const std::string text = host_test::file_text(notes_path(folder));
        EXPECT_EQ(text.rfind(header, 0), 0u) << c.what;
        EXPECT_EQ(text.substr(text.size() - note_record(change("s9", CallMark::CallBack, "new")).size()),
                  note_record(change("s9", CallMark::CallBack, "new")))
            << c.what;
    }
}

TEST(NotesFile, LastChangeWinsAndMarksThatCloseACallBack) {
    const std::string folder = host_test::fresh_folder();
    CallNotes notes(folder);
    ASSERT_TRUE(notes.load());
    ASSERT_TRUE(notes.write(change("s1", CallMark::CallBack, "ring back after 5")));
    ASSERT_TRUE(notes.write(change("s2", CallMark::NoCallBack, "wrong number")));
    ASSERT_TRUE(notes.write(change("s3", CallMark::CalledBack, "")));
    ASSERT_TRUE(notes.write(change("s3", CallMark::Complaint, "late again")));
    ASSERT_TRUE(notes.write(change("s1", CallMark::CalledBack, "ordered 3 bottles")));
    ASSERT_TRUE(notes.write(change("s1", CallMark::Order, "", "")));  // another call: no recording
    CallNotes read(folder);
    ASSERT_TRUE(read.load());
    EXPECT_EQ(read.size(), 4u);
    EXPECT_EQ(read.find(CallKey{"s1", "5001", "a.wav"})->note, "ordered 3 bottles");
    EXPECT_EQ(read.find(CallKey{"s3", "5001", "a.wav"})->mark, CallMark::Complaint);
    EXPECT_FALSE(read.find(CallKey{"s1", "5002", "a.wav"}));
    std::vector<std::string> closed;
    for (const CallKey& k : read.closed_by_hand()) closed.push_back(k.start);
    std::sort(closed.begin(), closed.end());
    EXPECT_EQ(closed, (std::vector<std::string>{"s1", "s2"}));
    NoteFilter filter;
    FilterRefusal refusal;
    ASSERT_TRUE(read_note_filter("BOTTLES", "", &filter, &refusal));
    EXPECT_EQ(read.matching(filter).size(), 1u);
    ASSERT_TRUE(read_note_filter("", "order", &filter, &refusal));
    EXPECT_EQ(read.matching(filter).size(), 1u);
    EXPECT_FALSE(read_note_filter("", "lost", &filter, &refusal));
    EXPECT_EQ(refusal.code, "bad-mark");
    EXPECT_FALSE(read_note_filter(std::string(501, 'x'), "", &filter, &refusal));
    EXPECT_EQ(refusal.code, "bad-note");
}

TEST(NotesFile, AFileThatCannotBeWrittenChangesNothing) {
    const std::string folder = host_test::fresh_folder();
    fs::create_directory(notes_path(folder));  // in the way of the file
    CallNotes notes(folder);
    EXPECT_FALSE(notes.write(change("s1", CallMark::Done, "x")));
    EXPECT_EQ(notes.size(), 0u);
}

TEST(WriteGuard, RefusesEveryWriteButTheOwnPagesOwn) {
    using host::web::WriteAsk;
    const WriteAsk good{"POST", "127.0.0.1:8080", "http://127.0.0.1:8080", "", "application/json", "tok", 40, true, "tok"};
    struct Case {
        const char* what;
        WriteAsk ask;
        int status;
        const char* code;
    };
    auto with = [&](auto change) {
        WriteAsk a = good;
        change(a);
        return a;
    };
    const Case cases[] = {
        {"the page's own", good, 0, ""},
        {"charset given", with([](WriteAsk& a) { a.content_type = "application/json; charset=utf-8"; }), 0, ""},
        {"origin by Referer", with([](WriteAsk& a) { a.origin = ""; a.referer = "http://127.0.0.1:8080/?x"; }), 0, ""},
        {"host of another case", with([](WriteAsk& a) { a.host = "LocalHost:8080"; a.origin = "http://localhost:8080"; }), 0, ""},
        {"GET", with([](WriteAsk& a) { a.method = "GET"; }), 405, "wrong-method"},
        {"PUT", with([](WriteAsk& a) { a.method = "PUT"; }), 405, "wrong-method"},
        {"no session", with([](WriteAsk& a) { a.session = false; }), 401, "no-session"},
        {"foreign origin", with([](WriteAsk& a) { a.origin = "http://evil.example"; }), 403, "foreign-origin"},
        {"another port", with([](WriteAsk& a) { a.origin = "http://127.0.0.1:8081"; }), 403, "foreign-origin"},
        {"origin null", with([](WriteAsk& a) { a.origin = "null"; }), 403, "foreign-origin"},
        {"a longer name", with([](WriteAsk& a) { a.origin = "http://127.0.0.1:8080.evil.example"; }), 403, "foreign-origin"},
        {"neither origin nor referer", with([](WriteAsk& a) { a.origin = ""; }), 403, "foreign-origin"},
        {"foreign referer", with([](WriteAsk& a) { a.origin = ""; a.referer = "http://evil.example/127.0.0.1:8080/"; }), 403, "foreign-origin"},
        {"no token", with([](WriteAsk& a) { a.token = ""; }), 403, "bad-token"},
        {"wrong token", with([](WriteAsk& a) { a.token = "tox"; }), 403, "bad-token"},
        {"no token given out", with([](WriteAsk& a) { a.token = ""; a.session_token = ""; }), 403, "bad-token"},
        {"form", with([](WriteAsk& a) { a.content_type = "application/x-www-form-urlencoded"; }), 415, "wrong-type"},
        {"plain text", with([](WriteAsk& a) { a.content_type = "text/plain"; }), 415, "wrong-type"},
        {"json-like", with([](WriteAsk& a) { a.content_type = "application/jsonx"; }), 415, "wrong-type"},
        {"too large", with([](WriteAsk& a) { a.body_bytes = host::web::kMostWriteBytes + 1; }), 413, "too-large"},
    };
    for (const Case& c : cases) {
        const auto refused = host::web::guard_write(c.ask);
        EXPECT_EQ(refused ? refused->status : 0, c.status) << c.what;
        EXPECT_STREQ(refused ? refused->code : "", c.code) << c.what;
    }
}

TEST(WriteGuard, ABudgetPerSessionAMinuteLong) {
    host::web::WriteBudget budget;
    for (size_t i = 0; i < host::web::WriteBudget::kWritesPerMinute; ++i) EXPECT_TRUE(budget.take("a", 1000 + i));
    EXPECT_FALSE(budget.take("a", 30000));
    EXPECT_TRUE(budget.take("b", 30000));  // another session's own
    EXPECT_TRUE(budget.take("a", 1000 + host::web::WriteBudget::kMinuteMs));
    EXPECT_FALSE(budget.take("a", 1000 + host::web::WriteBudget::kMinuteMs));
}

namespace {
struct Console {
    std::string folder = host_test::fresh_folder();
    host::web::LineBoard board;
    int64_t now = 1000;
    std::unique_ptr<host::web::WebRoutes> routes;
    std::string cookie, token, start;

    explicit Console(const std::string& password) {
        CallRecord r;
        r.start = std::chrono::system_clock::now();
        r.end = r.start + std::chrono::seconds(30);
        r.serial = 5001;
        EXPECT_TRUE(CallLog(folder).append(r));
        routes = std::make_unique<host::web::WebRoutes>(host::web::WebSite{folder, "127.0.0.1", password}, board,
                                                        [this] { return now; });
        routes->read_log();
        if (!password.empty()) {
            auto r2 = ask("POST", "/login", "password=" + password, "application/x-www-form-urlencoded");
            for (const auto& [name, value] : r2.headers)
                if (name == "Set-Cookie") cookie = value.substr(0, value.find(';'));
        }
        token = nlohmann::json::parse(ask("GET", "/api/session").body)["token"];
        start = nlohmann::json::parse(ask("GET", "/api/calls").body)["calls"][0]["start"];
    }
    host::web::WebResponse ask(const std::string& method, const std::string& target, const std::string& body = "",
                               const std::string& type = "", const std::string& origin = "http://127.0.0.1:8080",
                               const std::string& with_token = "", const std::string& with_cookie = "") {
        host::web::WebRequest r;
        r.method = method;
        r.target = target;
        r.host = "127.0.0.1:8080";
        r.cookie = with_cookie.empty() ? cookie : with_cookie;
        r.body = body;
        r.address = "127.0.0.1";
        r.origin = origin;
        r.content_type = type;
        r.token = with_token;
        return routes->handle(r);
    }
    std::string note(const std::string& text, const std::string& mark = "order", int id = 1) const {
        return nlohmann::json{{"id", id}, {"start", start}, {"mark", mark}, {"note", text}}.dump();
    }
    std::string file() const { return host_test::file_text((fs::path(folder) / kNotesName).string()); }
};
}  // namespace

// Every hostile write is refused with its status and code, and the notes file stays as
// it was; what is let through is stored exactly as typed, markup too.
TEST(NoteWrites, HostileWritesAreRefusedWithNothingWritten) {
    Console c("sesame");
    const std::string json = "application/json", own = "http://127.0.0.1:8080";
    Console other("sesame");
    struct Case {
        const char* what;
        host::web::WebResponse answer;
        int status;
        const char* code;
    };
    const Case cases[] = {
        {"no session", c.ask("POST", "/api/notes", c.note("x"), json, own, c.token, "vornix_session=forged"), 401, "no-session"},
        {"foreign origin", c.ask("POST", "/api/notes", c.note("x"), json, "http://evil.example", c.token), 403, "foreign-origin"},
        {"no origin", c.ask("POST", "/api/notes", c.note("x"), json, "", c.token), 403, "foreign-origin"},
        {"no token", c.ask("POST", "/api/notes", c.note("x"), json, own, ""), 403, "bad-token"},
        {"wrong token", c.ask("POST", "/api/notes", c.note("x"), json, own, c.token + "0"), 403, "bad-token"},
        {"another session's token", c.ask("POST", "/api/notes", c.note("x"), json, own, other.token), 403, "bad-token"},
        {"GET", c.ask("GET", "/api/notes", "", json, own, c.token), 405, "wrong-method"},
        {"DELETE", c.ask("DELETE", "/api/notes", "", json, own, c.token), 405, "wrong-method"},
        {"a form", c.ask("POST", "/api/notes", "id=1", "application/x-www-form-urlencoded", own, c.token), 415, "wrong-type"},
        {"plain text", c.ask("POST", "/api/notes", c.note("x"), "text/plain", own, c.token), 415, "wrong-type"},
        {"a body too large", c.ask("POST", "/api/notes", std::string(5000, ' '), json, own, c.token), 413, "too-large"},
        {"a note too long", c.ask("POST", "/api/notes", c.note(std::string(501, 'x')), json, own, c.token), 413, "note-too-long"},
        {"501 characters of Chinese", c.ask("POST", "/api/notes", c.note([] { std::string s; for (int i = 0; i < 501; ++i) s += "水"; return s; }()), json, own, c.token), 413, "note-too-long"},
        {"not JSON", c.ask("POST", "/api/notes", "{", json, own, c.token), 400, "bad-json"},
        {"no call", c.ask("POST", "/api/notes", "{\"note\":\"x\"}", json, own, c.token), 400, "bad-call"},
        {"a call not in the log", c.ask("POST", "/api/notes", c.note("x", "order", 2), json, own, c.token), 404, "no-call"},
        {"another call's start", c.ask("POST", "/api/notes", "{\"id\":1,\"start\":\"2020-01-01T00:00:00+08:00\"}", json, own, c.token), 404, "no-call"},
        {"an unknown mark", c.ask("POST", "/api/notes", c.note("x", "urgent"), json, own, c.token), 400, "bad-mark"},
        {"a control character", c.ask("POST", "/api/notes", c.note("a\x1b[2Jb"), json, own, c.token), 400, "bad-note"},
        {"a note not text", c.ask("POST", "/api/notes", "{\"id\":1,\"start\":\"" + c.start + "\",\"note\":5}", json, own, c.token), 400, "bad-note"},
    };
    for (const Case& k : cases) {
        EXPECT_EQ(k.answer.status, k.status) << k.what;
        EXPECT_EQ(k.answer.body, std::string("{\"error\":\"") + k.code + "\"}") << k.what;
    }
    EXPECT_EQ(c.file(), "");

    const std::string markup = "<img src=x onerror=alert(1)>\n\"送水\" & <b>2</b>";
    const auto saved = c.ask("POST", "/api/notes", c.note(markup, "call_back"), json, own, c.token);
    ASSERT_EQ(saved.status, 200) << saved.body;
    const auto listed = nlohmann::json::parse(c.ask("GET", "/api/calls?mark=call_back").body)["calls"];
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0]["note"], markup);
    CallNotes read(c.folder);
    ASSERT_TRUE(read.load());
    EXPECT_EQ(read.all().begin()->second.note, markup);

    // A flood: the budget's writes go in, the rest are refused and not written.
    int saved_count = 1, refused = 0;
    for (int i = 0; i < 100; ++i) {
        const auto r = c.ask("POST", "/api/notes", c.note("n" + std::to_string(i)), json, own, c.token);
        saved_count += r.status == 200;
        refused += r.status == 429 && r.body == "{\"error\":\"too-many\"}";
    }
    EXPECT_EQ(saved_count, static_cast<int>(host::web::WriteBudget::kWritesPerMinute));
    EXPECT_EQ(refused, 100 - saved_count + 1);
    const std::string after_flood = c.file();
    EXPECT_EQ(c.ask("POST", "/api/notes", c.note("more"), json, own, c.token).status, 429);
    EXPECT_EQ(c.file(), after_flood);
    c.now += host::web::WriteBudget::kMinuteMs;
    EXPECT_EQ(c.ask("POST", "/api/notes", c.note("a minute later"), json, own, c.token).status, 200);
}

// Without a password the console's own page still writes only with the console's token.
TEST(NoteWrites, WithoutAPasswordTheTokenIsStillAsked) {
    Console c("");
    const std::string own = "http://127.0.0.1:8080";
    EXPECT_EQ(c.ask("POST", "/api/notes", c.note("x"), "application/json", own, "").status, 403);
    EXPECT_EQ(c.ask("POST", "/api/notes", c.note("x"), "application/json", own, c.token).status, 200);
    EXPECT_EQ(nlohmann::json::parse(c.ask("GET", "/api/calls?note=X").body)["total"], 1);
    EXPECT_EQ(c.ask("GET", "/api/calls?mark=lost").status, 400);
}

// A file far longer than what is read at a time: no record is lost or broken where the
// pieces meet.
TEST(NotesFile, ALongFileIsReadWhole) {
    const std::string folder = host_test::fresh_folder();
    std::string text = "start,box,file,written,by,mark,note,check\r\n";
    for (int i = 0; i < 12000; ++i)
        text += note_record(change("s" + std::to_string(i), CallMark::Order, std::string(200 + i % 37, '"')));
    put(notes_path(folder), text);
    CallNotes notes(folder);
    ASSERT_TRUE(notes.load());
    EXPECT_EQ(notes.size(), 12000u);
    EXPECT_EQ(notes.damaged(), 0u);
    EXPECT_EQ(notes.find(CallKey{"s11999", "5001", "a.wav"})->note, std::string(200 + 11999 % 37, '"'));
}
