// The console's language: which one a browser gets, that its catalogue is served before
// any login, and that every code the server sends the page has its words in both.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <algorithm>
#include <set>

#include "call_log/call_event.h"
#include "call_log/call_filter.h"
#include "notes/note_filter.h"
#include "test_files.h"
#include "web/line_board.h"
#include "web/page_files.h"
#include "web/page_language.h"
#include "web/web_routes.h"

using namespace host::web;

TEST(PageLanguage, ChosenElseAcceptLanguageElseChinese) {
    struct Case { const char* accept; const char* chosen; const char* want; };
    const Case cases[] = {
        {"", "", "zh-CN"},                               // no header: the office's own
        {"zh-CN,zh;q=0.9,en;q=0.8", "", "zh-CN"},
        {"zh-TW", "", "zh-CN"}, {"zh-Hans-CN", "", "zh-CN"}, {"ZH", "", "zh-CN"},
        {"en-US,en;q=0.9", "", "en"}, {"en", "", "en"}, {"EN-gb", "", "en"},
        {"en;q=0.5, zh;q=0.8", "", "zh-CN"},             // the higher q, not the first written
        {"zh;q=0.5, en", "", "en"},
        {"fr-FR,fr;q=0.9,en;q=0.7", "", "en"},           // the first the console has
        {"fr-FR,de", "", "zh-CN"}, {"*", "", "zh-CN"},
        {"en;q=0", "", "zh-CN"},                         // q=0: not wanted
        {"en;q=0.000, zh;q=0.001", "", "zh-CN"},
        {"en;q=2, zh;q=0.1", "", "zh-CN"}, {"en;q=abc", "", "zh-CN"}, {"en;q=.5", "", "zh-CN"},
        {"en ; q=0.7", "", "en"}, {"en-US;level=1;q=0.4", "", "en"},
        {",,;;q=,", "", "zh-CN"},
        {"en-US", "zh-CN", "zh-CN"}, {"zh-CN", "en", "en"},  // the switch's choice wins
        {"en-US", "xx", "en"}, {"en-US", "*", "en"},         // a choice the console lacks counts for nothing
    };
    for (const Case& c : cases) EXPECT_EQ(page_language(c.accept, c.chosen), c.want) << c.accept << " | " << c.chosen;
}

namespace {
nlohmann::json catalogue(const char* language) {
    const EmbeddedFile* file = page_file(catalogue_file(language));
    return file ? nlohmann::json::parse(file->text()) : nlohmann::json::object();
}
}  // namespace

// The login page needs its words before a session; the query, the cookie and the
// header choose in that order.
TEST(PageLanguage, CatalogueServedWithoutASession) {
    const std::string folder = host_test::fresh_folder();
    LineBoard board;
    WebRoutes routes({folder, "127.0.0.1", "secret"}, board, [] { return int64_t{0}; });
    struct Case { const char* target; const char* cookie; const char* accept; const char* want; };
    const Case cases[] = {
        {"/messages.json", "", "", "zh-CN"},
        {"/messages.json", "", "en-US,en;q=0.9", "en"},
        {"/messages.json", "a=1; vornix_lang=zh-CN", "en-US", "zh-CN"},
        {"/messages.json?lang=en", "vornix_lang=zh-CN", "zh", "en"},
    };
    for (const Case& c : cases) {
        WebRequest request{"GET", c.target, "127.0.0.1:8080", c.cookie, "", "", "127.0.0.1"};
        request.accept_language = c.accept;
        const WebResponse r = routes.handle(request);
        ASSERT_EQ(r.status, 200) << c.target;
        EXPECT_EQ(nlohmann::json::parse(r.body)["meta.lang"], c.want) << c.target << " " << c.cookie << " " << c.accept;
    }
    const WebResponse script = routes.handle({"GET", "/i18n.js", "127.0.0.1:8080", "", "", "", "127.0.0.1"});
    EXPECT_EQ(script.status, 200);
}

// The server sends codes; each has its words in both catalogues, and the two
// catalogues hold the same keys.
TEST(PageLanguage, EveryCodeTheServerSendsHasItsWords) {
    std::set<std::string> codes = {"error.failed"};  // the page's own, for a list it could not load
    // The login page's message, after a wrong password and after too many.
    const std::string folder = host_test::fresh_folder();
    LineBoard board;
    WebRoutes routes({folder, "127.0.0.1", "secret"}, board, [] { return int64_t{0}; });
    for (int status : {403, 429}) {
        const WebResponse r = routes.handle({"POST", "/login", "127.0.0.1:8080", "", "", "password=guess", "127.0.0.1"});
        EXPECT_EQ(r.status, status);
        const std::string mark = "class=\"message\" data-i18n=\"";
        const size_t at = r.body.find(mark);
        ASSERT_NE(at, std::string::npos) << r.body;
        const size_t from = at + mark.size();
        codes.insert(r.body.substr(from, r.body.find('"', from) - from));
    }
    for (host::CallOutcome o : host::kCallOutcomes) codes.insert(std::string("outcome.") + host::outcome_name(o));
    // The marks, the notes' filter's refusals and every refusal of a note written.
    codes.insert("mark.none");
    for (host::CallMark m : host::kCallMarks) codes.insert(std::string("mark.") + host::mark_code(m));
    for (const auto& [text, mark] : {std::pair<std::string, std::string>{std::string(501, 'x'), ""}, {"", "lost"}}) {
        host::NoteFilter filter;
        host::FilterRefusal refusal;
        ASSERT_FALSE(host::read_note_filter(text, mark, &filter, &refusal));
        codes.insert("error." + refusal.code);
    }
    for (const char* code : {"wrong-method", "no-session", "foreign-origin", "bad-token", "wrong-type", "too-large",
                             "note-too-long", "bad-json", "bad-call", "bad-mark", "bad-note", "no-call", "too-many",
                             "not-saved", "failed"})
        codes.insert(std::string("note.refused.") + code);
    const host::TypedFilter refused[] = {{"13x", "", "", ""}, {"", "2026-02-30", "", ""}, {"", "", "", "lost"}};
    for (const host::TypedFilter& typed : refused) {
        host::CallFilter filter;
        host::FilterRefusal refusal;
        ASSERT_FALSE(host::read_filter(typed, &filter, &refusal));
        codes.insert("error." + refusal.code);
    }
    const host::HostClock clock([] { return int64_t{1000}; });
    std::vector<host::LineState> lines(4);
    lines[1].phase = lines[2].phase = host::LineState::Phase::Ringing;
    lines[1].ring_heard = true;
    lines[3].phase = host::LineState::Phase::InCall;
    for (bool recorded : {false, true}) {
        lines[3].file = recorded ? "x.wav" : "";
        publish_lines(board, lines, clock);
        for (const LineView& l : board.latest()->lines) {
            std::string phase = l.phase;
            std::replace(phase.begin(), phase.end(), ' ', '-');  // as the page names it
            codes.insert("state." + phase);
        }
    }
    // none left out (the marks with "none", the notes' two refusals and 15 of a write)
    EXPECT_EQ(codes.size(), 3u + std::size(host::kCallOutcomes) + 3u + 5u + 1u + std::size(host::kCallMarks) + 2u + 15u);
    const nlohmann::json zh = catalogue("zh-CN"), en = catalogue("en");
    for (const std::string& code : codes) {
        EXPECT_TRUE(zh.contains(code)) << code;
        EXPECT_TRUE(en.contains(code)) << code;
    }
    EXPECT_EQ(zh.size(), en.size());
    for (const auto& [key, text] : zh.items()) EXPECT_TRUE(en.contains(key)) << key;
}
