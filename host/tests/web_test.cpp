// What the web console parses itself (query strings and forms, Range, cookies, Host),
// the download name of a recording, the password's slow-down, and the lines as the
// loop hands them over.
#include <gtest/gtest.h>

#include <fstream>

#include "test_files.h"
#include "web/http_text.h"
#include "web/line_board.h"
#include "web/web_auth.h"
#include "web/web_routes.h"

using namespace host::web;
using host::HostClock;

TEST(WebText, QueryStringsAndForms) {
    const auto q = parse_query("number=138%2000&since=2025-03-14&a+b=c+d&number=999&bad=%zz&half=%4&&flag");
    const std::map<std::string, std::string> want = {
        {"number", "138 00"}, {"since", "2025-03-14"}, {"a b", "c d"}, {"flag", ""}};
    EXPECT_EQ(q, want);
    std::string many;
    for (int i = 0; i < 100; ++i) many += "k" + std::to_string(i) + "=v&";
    EXPECT_EQ(parse_query(many).size(), 32u);  // bounded
}

TEST(WebText, RangeHeader) {
    struct Case { const char* header; RangeAsk ask; uint64_t first, last; };
    const Case cases[] = {
        {"", RangeAsk::Whole, 0, 0},
        {"bytes=0-", RangeAsk::Part, 0, 999},
        {"bytes=100-199", RangeAsk::Part, 100, 199},
        {"bytes=900-5000", RangeAsk::Part, 900, 999},
        {"bytes=-100", RangeAsk::Part, 900, 999},
        {"bytes=-5000", RangeAsk::Part, 0, 999},
        {"bytes=1000-", RangeAsk::Unsatisfiable, 0, 0},
        {"bytes=-0", RangeAsk::Unsatisfiable, 0, 0},
        {"bytes=5-4", RangeAsk::Whole, 0, 0},
        {"bytes=0-1,5-6", RangeAsk::Whole, 0, 0},
        {"items=0-1", RangeAsk::Whole, 0, 0},
        {"bytes=-", RangeAsk::Whole, 0, 0},
        {"bytes=+1-2", RangeAsk::Whole, 0, 0},
        {"bytes=99999999999999999999-", RangeAsk::Whole, 0, 0},
    };
    for (const Case& c : cases) {
        ByteRange r;
        EXPECT_EQ(parse_range(c.header, 1000, &r), c.ask) << c.header;
        if (c.ask == RangeAsk::Part) {
            EXPECT_TRUE(r.first == c.first && r.last == c.last) << c.header;
        }
    }
}

TEST(WebText, CookieAndHost) {
    EXPECT_EQ(cookie_value("a=1; vornix_session=abc ; b=2", "vornix_session"), "abc");
    EXPECT_EQ(cookie_value("xvornix_session=abc", "vornix_session"), "");
    struct Case { const char* host; bool allowed; };
    const Case cases[] = {
        {"localhost:8080", true}, {"LOCALHOST", true}, {"127.0.0.1:8080", true}, {"192.168.1.20:80", true},
        {"[::1]:8080", true},     {"recorder.lan:8080", true},  // the name given to --web
        {"evil.example:8080", false}, {"", false}, {"127.0.0.1:99999", false}, {"1.2.3.4.5", false},
        {"localhost.evil.example", false}, {"[::1", false}, {"[::1]x", false}, {"300.1.1.1", false},
    };
    for (const Case& c : cases) EXPECT_EQ(host_allowed(c.host, "recorder.lan"), c.allowed) << c.host;
}

TEST(WebText, DownloadName) {
    EXPECT_EQ(download_name("2025-03-14T09:30:05+08:00", "13800138000"), "2025-03-14 09-30-05 13800138000.wav");
    EXPECT_EQ(download_name("2025-03-14T09:30:05+08:00", ""), "2025-03-14 09-30-05 unknown.wav");
    EXPECT_EQ(download_name("../x\"", "1\"; a=/b"), "call 1.wav");
}

// The page reaches the browser byte for byte as host/web holds it; the login page is
// its file with an empty message; of the rest only the login page's style sheet and
// script come without a session.
TEST(WebPage, ServedAsTheFilesHoldIt) {
    const std::string folder = host_test::fresh_folder();
    LineBoard board;
    const std::vector<std::pair<const char*, const char*>> pages = {
        {"/", "index.html"}, {"/app.js", "app.js"}, {"/i18n.js", "i18n.js"}, {"/style.css", "style.css"},
        {"/login", "login.html"}};
    for (const char* password : {"", "secret"}) {
        WebRoutes routes({folder, "127.0.0.1", password}, board, [] { return int64_t{0}; });
        for (const auto& [path, file] : pages) {
            const WebResponse r = routes.handle({"GET", path, "127.0.0.1:8080", "", "", "", "127.0.0.1"});
            std::string want = host_test::file_text(std::string(HOST_WEB_DIR "/") + file);
            if (std::string(file) == "login.html") {
                if (!*password) continue;  // nothing to log in to: sent to the page
                want.replace(want.find("{{message}}"), 11, "");
            } else if (*password && std::string(file) != "style.css" && std::string(file) != "i18n.js") {
                EXPECT_EQ(r.status, 303) << path;  // behind the login
                continue;
            }
            EXPECT_EQ(r.status, 200) << path;
            EXPECT_EQ(r.body, want) << path;
        }
    }
}

TEST(WebAuthTest, WrongPasswordsWaitLongerEachTime) {
    WebAuth auth("secret");
    std::string session;
    EXPECT_EQ(auth.log_in("10.0.0.9", "guess", 0, &session), WebAuth::Try::Wrong);
    EXPECT_EQ(auth.log_in("10.0.0.9", "secret", 500, &session), WebAuth::Try::Wait);  // even the right one
    EXPECT_EQ(auth.log_in("10.0.0.7", "secret", 500, &session), WebAuth::Try::Right);  // another address
    EXPECT_TRUE(auth.valid(session, 600));
    EXPECT_EQ(auth.log_in("10.0.0.9", "guess", WebAuth::kFirstWaitMs, &session), WebAuth::Try::Wrong);
    EXPECT_EQ(auth.log_in("10.0.0.9", "secret", 2 * WebAuth::kFirstWaitMs, &session), WebAuth::Try::Wait);
    EXPECT_EQ(auth.log_in("10.0.0.9", "secret", 3 * WebAuth::kFirstWaitMs, &session), WebAuth::Try::Right);
    EXPECT_TRUE(auth.valid(session, 4000));
    EXPECT_FALSE(auth.valid(session, 4000 + WebAuth::kSessionMs + 1));
    EXPECT_FALSE(auth.valid("forged", 4000));
}

// Wrong passwords from many addresses share one budget for the whole console; the
// address forgotten first is the one that missed longest ago.
TEST(WebAuthTest, ManyAddressesShareOneBudget) {
    WebAuth auth("secret");
    std::string session;
    int wrong = 0;
    for (int i = 0; i < 40; ++i)
        wrong += auth.log_in("10.0.0." + std::to_string(i), "guess", 50 * i, &session) == WebAuth::Try::Wrong;
    EXPECT_EQ(wrong, static_cast<int>(WebAuth::kMissesPerMinute));
    EXPECT_EQ(auth.log_in("10.0.1.1", "secret", 2000, &session), WebAuth::Try::Wait);  // none tried within it
    EXPECT_EQ(auth.log_in("10.0.1.1", "secret", WebAuth::kMinuteMs, &session), WebAuth::Try::Right);

    WebAuth many("secret");
    // Past the bound of addresses kept, the one that missed longest ago is forgotten:
    // its next miss is a first one again.
    int64_t t = 0;
    many.log_in("9.9.9.9", "guess", t, &session);
    for (int i = 0; i < 4096; ++i)
        many.log_in("1.0." + std::to_string(i / 256) + "." + std::to_string(i % 256), "guess", t += 7000, &session);
    EXPECT_EQ(many.log_in("9.9.9.9", "guess", t += 7000, &session), WebAuth::Try::Wrong);
    EXPECT_EQ(many.log_in("9.9.9.9", "secret", t + WebAuth::kFirstWaitMs + 500, &session), WebAuth::Try::Right);
}

// The password file as editors write it: a UTF-8 mark is left off; UTF-16 and NUL bytes
// are refused with the file's name and what to do.
TEST(WebAuthTest, PasswordFileAsEditorsWriteIt) {
    const std::string folder = host_test::fresh_folder();
    struct Case { std::string bytes; const char* password; const char* error; };
    const std::vector<Case> cases = {
        {"  correct horse\r\nsecond line", "correct horse", ""},
        {"\xEF\xBB\xBFsecret\r\n", "secret", ""},
        {std::string("\xFF\xFEs\0e\0c\0\r\0\n\0", 12), "", "UTF-16"},
        {std::string("\xFE\xFF\0s\0e", 6), "", "UTF-16"},
        {std::string("sec\0ret", 7), "", "UTF-16"},
        {"\xEF\xBB\xBF \r\n", "", "no password"},
    };
    for (const Case& c : cases) {
        const std::string path = folder + "/password.txt";
        std::ofstream(path, std::ios::binary) << c.bytes;
        std::string password, error;
        EXPECT_EQ(read_password_file(path, &password, &error), !*c.error) << c.bytes;
        EXPECT_EQ(password, c.password);
        if (*c.error) {
            EXPECT_NE(error.find(c.error), std::string::npos) << error;
            EXPECT_NE(error.find(path), std::string::npos) << error;
        }
    }
}

// A round that changes nothing gives no new snapshot (the event stream sends on a new
// version); a phase that changes does.
TEST(WebLines, EveryChangeAndOnlyAChangeIsANewVersion) {
    LineBoard board;
    const HostClock clock([] { return int64_t{1000}; });
    std::vector<host::LineState> lines(2);
    lines[1].serial = 5002;
    publish_lines(board, lines, clock);
    const auto first = board.latest();
    ASSERT_EQ(first->lines.size(), 2u);
    publish_lines(board, lines, clock);
    EXPECT_EQ(board.latest()->version, first->version);
    lines[1].phase = host::LineState::Phase::InCall;
    lines[1].caller = "13800138000";
    lines[1].file = "x.wav";
    publish_lines(board, lines, clock);
    const auto second = board.latest();
    EXPECT_GT(second->version, first->version);
    EXPECT_EQ(second->lines[1].phase, "recording");
    EXPECT_EQ(second->lines[1].caller, "13800138000");
    EXPECT_EQ(second->lines[1].serial, 5002);
    EXPECT_EQ(first->lines[1].phase, "idle");  // a reader's copy stays as it was
}
