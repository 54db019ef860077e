// The customer look-up without a database: its connection file, the password kept out
// of every message, the settings tool's saved connection, the cache, and the worker's
// conduct towards a database that answers, fails, hangs or comes back (a stand-in
// source steered by the test).
#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#endif

#include <atomic>
#include <map>

#include "callers/caller_directory.h"
#include "callers/customer_db.h"
#include "callers/settings_connection.h"
#include "customer_db_fixture.h"
#include "callers/text_codec.h"
#include "platform/platform.h"
#include "platform/platform_thread.h"
#include "settings_fakes.h"
#include "settings_names.h"
#include "settings_transfer.h"

namespace host::callers {
namespace {

TEST(CustomerDbConfig, FilesAsTheOfficeWritesThem) {
    struct Case {
        std::string text;
        const char* error;  // part of the message; nullptr: accepted
    };
    const Case cases[] = {
        {"# customers\nconnection = DSN=water;PWD=x\nquery = SELECT name FROM c WHERE tel = ?\n", nullptr},
        {"connection=DSN=w\r\nquery=SELECT a\r\n  FROM c\r\n\tWHERE t = ?\r\ntimeout=10\r\nnumber=key local\r\n", nullptr},
        {"connection = settings\nquery = SELECT name FROM c WHERE tel = '?' OR tel = ?", nullptr},
        {"\xEF\xBB\xBF" "connection = DSN=w\nquery = SELECT [a?] FROM c WHERE t = ?", nullptr},
        {"query = SELECT 1 WHERE ? = 1", "no connection"},
        {"connection = DSN=w", "no query"},
        {"connection = DSN=w\nquery = SELECT 1", "exactly one ?"},
        {"connection = DSN=w\nquery = SELECT 1 WHERE a = ? OR b = ?", "exactly one ?"},
        {"connection = DSN=w\nquery = SELECT ? \ntimeout = 0", "line 3: timeout"},
        {"connection = DSN=w\nquery = SELECT ?\ntimeout = 5s", "line 3: timeout"},
        {"connection = DSN=w\nquery = SELECT ?\nnumber = raw", "line 3: number"},
        {"connection = DSN=w\nquery = SELECT ?\npassword = x", "line 3: unknown setting"},
        {"connection: DSN\nquery = SELECT ?", "line 1: name = value"},
    };
    for (const Case& c : cases) {
        CustomerDbConfig config;
        std::string error;
        const bool ok = parse_customer_db_config(c.text, &config, &error);
        EXPECT_EQ(ok, c.error == nullptr) << c.text << " -> " << error;
        if (c.error != nullptr) {
            EXPECT_NE(error.find(c.error), std::string::npos) << error;
        }
    }
    CustomerDbConfig config;
    std::string error;
    ASSERT_TRUE(parse_customer_db_config(cases[1].text, &config, &error));
    EXPECT_EQ(config.connection, "DSN=w");
    EXPECT_EQ(config.query, "SELECT a FROM c WHERE t = ?");
    EXPECT_EQ(config.timeout_s, 10);
    EXPECT_TRUE(config.local_form);
    ASSERT_TRUE(parse_customer_db_config(cases[2].text, &config, &error));
    EXPECT_TRUE(config.from_settings);
    // GBK file: the query's Chinese names come out as UTF-8.
    ASSERT_TRUE(parse_customer_db_config("connection = DSN=w\nquery = SELECT \xC3\xFB\xB3\xC6 FROM c WHERE t = ?",
                                         &config, &error));
    EXPECT_EQ(config.query, "SELECT 名称 FROM c WHERE t = ?");
}

TEST(CustomerDbConfig, PasswordsAreMasked) {
    struct Case {
        const char* text;
        const char* masked;
    };
    const Case cases[] = {
        {"Driver={SQL Server};Server=s;UID=sa;PWD=secret;", "Driver={SQL Server};Server=s;UID=sa;PWD=***;"},
        {"DSN=w;Pwd = {se;cr}}et};Database=d", "DSN=w;Pwd =***;Database=d"},
        {"DSN=w;Password=abc", "DSN=w;Password=***"},
        {"Server=s; password=abc ;Trusted=no", "Server=s; password=***;Trusted=no"},
        {"cannot connect to DSN=w;PWD=abc: 08001 no server", "cannot connect to DSN=w;PWD=***"},
        {"no attributes here", "no attributes here"},
        {"UID=sa", "UID=sa"},
    };
    for (const Case& c : cases) {
        const std::string masked = mask_secrets(c.text);
        EXPECT_EQ(masked.find("secret"), std::string::npos) << masked;
        EXPECT_EQ(masked.find("abc"), std::string::npos) << masked;
        EXPECT_EQ(masked.rfind(c.masked, 0), 0u) << c.text << " -> " << masked;
    }
}

TEST(CustomerDbConfig, NumbersAsked) {
    CustomerDbConfig config;
    const NumberPlan hangzhou{"0571"};
    EXPECT_EQ(CustomerDb::asked_forms("057188881234", config, hangzhou), std::vector<std::string>{"057188881234"});
    config.local_form = true;
    EXPECT_EQ(CustomerDb::asked_forms("057188881234", config, hangzhou),
              (std::vector<std::string>{"057188881234", "88881234"}));
    EXPECT_EQ(CustomerDb::asked_forms("01088881234", config, hangzhou), std::vector<std::string>{"01088881234"});
    EXPECT_EQ(CustomerDb::asked_forms("13812345678", config, NumberPlan{}), std::vector<std::string>{"13812345678"});
}

TEST(SettingsConnection, TheSettingsToolsSavedValuesBuildTheConnection) {
    struct Case {
        const char* server;
        const char* database;
        const char* password;
        const char* connection;  // nullptr: refused
    };
    const Case cases[] = {
        {"OFFICE\\SQLEXPRESS", "water", "s3cret",
         "Driver={SQL Server};Server=OFFICE\\SQLEXPRESS;Database=water;UID=sa;PWD=s3cret;"},
        {"srv", "水站", "a;b}c", "Driver={SQL Server};Server=srv;Database=水站;UID=sa;PWD={a;b}}c};"},
        {"srv", "db", "", "Driver={SQL Server};Server=srv;Database=db;UID=sa;PWD={};"},
        {"srv", " db ", "p", "Driver={SQL Server};Server=srv;Database={ db };UID=sa;PWD=p;"},
        {"", "db", "p", nullptr},
        {"srv", "  ", "p", nullptr},
    };
    for (const Case& c : cases) {
        // Stored exactly as the settings tool stores them: in the system's code page,
        // scrambled by its own code.
        ostrand::FakeValueStore key;
        ostrand::SaveSettingsTo(key, ostrand::FakeFields(utf8_to_system("水站公司"), utf8_to_system(c.database),
                                                         utf8_to_system(c.server), utf8_to_system(c.password)));
        EXPECT_EQ(key.values["Server"].find(c.server[0] ? c.server : "\x01"), std::string::npos);
        std::string connection, error;
        const bool ok = connection_from_settings(key, &connection, &error);
        EXPECT_EQ(ok, c.connection != nullptr) << c.server << "/" << c.database;
        if (ok) {
            EXPECT_EQ(connection, c.connection);
        }
    }
    ostrand::FakeValueStore unreadable;
    unreadable.unreadable.insert("Server");
    std::string connection, error;
    EXPECT_FALSE(connection_from_settings(unreadable, &connection, &error));
    CustomerDbConfig plain;
    plain.connection = "DSN=w";
    EXPECT_TRUE(resolve_connection(&plain, &error));
    EXPECT_EQ(plain.connection, "DSN=w");
#ifndef _WIN32
    CustomerDbConfig from_settings;
    from_settings.from_settings = true;
    EXPECT_FALSE(resolve_connection(&from_settings, &error));
    EXPECT_FALSE(saved_settings_exist());
#endif
}

#ifdef _WIN32
TEST(SettingsConnection, FromTheCurrentUsersRegistry) {
    RegDeleteKeyA(HKEY_CURRENT_USER, ostrand::kSettingsKeyPath);
    std::string connection, error;
    EXPECT_FALSE(connection_from_saved_settings(&connection, &error));
    EXPECT_FALSE(saved_settings_exist());
    HKEY left = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, ostrand::kSettingsKeyPath, 0, KEY_READ, &left), ERROR_SUCCESS)
        << "the recorder created the settings tool's key";
    ostrand::SaveSettings(ostrand::FakeFields(utf8_to_system("水站公司"), utf8_to_system("水站"), "OFFICE\\SQLEXPRESS",
                                              "pa;ss"));
    ASSERT_TRUE(connection_from_saved_settings(&connection, &error)) << error;
    EXPECT_TRUE(saved_settings_exist());  // offered where a connection file has none
    EXPECT_EQ(connection, "Driver={SQL Server};Server=OFFICE\\SQLEXPRESS;Database=水站;UID=sa;PWD={pa;ss};");
    CustomerDbConfig config;
    config.from_settings = true;
    ASSERT_TRUE(resolve_connection(&config, &error)) << error;
    EXPECT_EQ(config.connection, connection);
    RegDeleteKeyA(HKEY_CURRENT_USER, ostrand::kSettingsKeyPath);
}
#endif

TEST(CustomerCache, RecentAnswersKeptTheLeastUsedGoFirst) {
    CustomerCache cache({3, 1000, 100});
    CustomerAnswer found;
    found.found = true;
    found.card.name = "A";
    cache.put("1", found, 0);
    cache.put("2", CustomerAnswer{}, 0);
    cache.put("3", found, 0);
    ASSERT_NE(cache.get("1", 10), nullptr);  // now the most recent
    cache.put("4", found, 10);               // "2" was the least recent
    EXPECT_EQ(cache.get("2", 10), nullptr);
    EXPECT_EQ(cache.size(), 3u);
    EXPECT_EQ(cache.get("1", 10)->card.name, "A");
    cache.put("5", CustomerAnswer{}, 10);
    EXPECT_NE(cache.get("5", 109), nullptr);
    EXPECT_EQ(cache.get("5", 110), nullptr);  // no row: stale sooner
    EXPECT_NE(cache.get("1", 999), nullptr);
    EXPECT_EQ(cache.get("1", 1000), nullptr);
}

// A database the test steers: rows, whether it is down, whether a query hangs.
struct Steering {
    platform::Mutex m;
    std::map<std::string, std::string> names;
    bool down = false;
    bool hang = false;
    bool ignore_cancel = false;
    std::vector<std::string> asked;
    std::vector<int64_t> connects;
    std::atomic<bool> cancelled{false};
    platform::Signal release;
};

class SteeredSource : public CustomerSource {
public:
    explicit SteeredSource(std::shared_ptr<Steering> s) : s_(std::move(s)) {}
    bool connect(std::string* error) override {
        s_->m.lock();
        s_->connects.push_back(platform::monotonic_ms());
        const bool down = s_->down;
        s_->m.unlock();
        if (down) *error = "cannot connect: DSN=w;PWD=hunter2";
        return !down;
    }
    void disconnect() override {}
    bool query(const std::string& number, CustomerAnswer* answer, std::string* error) override {
        s_->m.lock();
        s_->asked.push_back(number);
        const bool hang = s_->hang, down = s_->down;
        const auto it = s_->names.find(number);
        answer->found = it != s_->names.end();
        if (answer->found) answer->card.name = it->second;
        s_->m.unlock();
        if (hang) {
            s_->cancelled = false;
            while (!s_->release.wait_ms(20))
                if (s_->cancelled && !s_->ignore_cancel) break;
            *error = "interrupted";
            return false;
        }
        if (down) *error = "08S01 link failure";
        return !down;
    }
    void cancel() override { s_->cancelled = true; }

private:
    std::shared_ptr<Steering> s_;
};

class CustomerDbWorker : public CustomerDbFixture {
protected:
    void start(CustomerDbConfig config = {}) {
        CustomerDbLimits limits;
        limits.first_retry_ms = 50;
        limits.max_retry_ms = 200;
        limits.grace_ms = 300;
        limits.waiting = 4;
        limits.cache = {100, 60000, 300};
        config.timeout_s = 1;
        db_ = std::make_unique<CustomerDb>(std::make_unique<SteeredSource>(steer_), config, NumberPlan{"0571"},
                                           status_sink(), limits);
    }
    void set(bool* flag, bool value) {
        steer_->m.lock();
        *flag = value;
        steer_->m.unlock();
    }
    size_t asked() {
        steer_->m.lock();
        const size_t n = steer_->asked.size();
        steer_->m.unlock();
        return n;
    }

    std::shared_ptr<Steering> steer_ = std::make_shared<Steering>();
};

TEST_F(CustomerDbWorker, AnswersComeLaterAndAreKept) {
    steer_->names["13812345678"] = "张三";
    start();
    EXPECT_EQ(db_->lookup("13812345678").state, LookupState::Pending);
    const CustomerLookup found = settled("13812345678");
    EXPECT_EQ(found.state, LookupState::Found);
    EXPECT_EQ(found.card.name, "张三");
    EXPECT_EQ(settled("13900000000").state, LookupState::NotFound);
    std::vector<CustomerDbAnswer> answers;
    db_->take_answers(&answers);
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(answers[0].key, "13812345678");
    EXPECT_EQ(answers[0].state, LookupState::Found);
    EXPECT_EQ(answers[1].state, LookupState::NotFound);
    // Asked again: from the cache, no query; "no such customer" is asked again sooner.
    const size_t queries = asked();
    EXPECT_EQ(db_->lookup("13812345678").state, LookupState::Found);
    EXPECT_EQ(db_->lookup("13900000000").state, LookupState::NotFound);
    EXPECT_EQ(asked(), queries);
    platform::sleep_ms(350);
    EXPECT_EQ(db_->lookup("13812345678").state, LookupState::Found);
    EXPECT_EQ(db_->lookup("13900000000").state, LookupState::Pending);
    EXPECT_TRUE(statuses().empty());
}

TEST_F(CustomerDbWorker, TheDirectoryAsksTheDatabaseByTheNumbersKey) {
    steer_->names["13812345678"] = "张三";
    start();
    CallerDirectory directory(NumberPlan{"0571"}, nullptr, db_.get());
    const CallerLookup first = directory.lookup("+86 138-1234-5678");
    EXPECT_EQ(first.key, "13812345678");
    EXPECT_EQ(first.state, LookupState::Pending);
    std::vector<CustomerDbAnswer> answers;
    const int64_t deadline = platform::monotonic_ms() + 3000;
    while (answers.empty() && platform::monotonic_ms() < deadline) {
        platform::sleep_ms(5);
        directory.take_answers(&answers);
    }
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].key, first.key);
    EXPECT_EQ(answers[0].card.name, "张三");
    EXPECT_EQ(directory.lookup("013812345678").card.name, "张三");
    EXPECT_TRUE(directory.keys_named("张", 10).empty());  // no phonebook
}

TEST_F(CustomerDbWorker, TheLocalNumberIsAskedToo) {
    steer_->names["88881234"] = "本地";
    CustomerDbConfig config;
    config.local_form = true;
    start(config);
    EXPECT_EQ(settled("057188881234").card.name, "本地");
}

TEST_F(CustomerDbWorker, AFailingDatabaseIsToldOnceAndItsReturnOnce) {
    steer_->names["13812345678"] = "张三";
    start();
    ASSERT_EQ(settled("13812345678").state, LookupState::Found);
    set(&steer_->down, true);
    EXPECT_EQ(settled("13900000001").state, LookupState::Unavailable);
    platform::sleep_ms(600);  // several attempts to connect again, 50, 100, 200, 200 ms apart
    EXPECT_EQ(db_->lookup("13900000002").state, LookupState::Unavailable);
    EXPECT_EQ(db_->lookup("13812345678").state, LookupState::Found);  // the cache still serves
    set(&steer_->down, false);
    ASSERT_TRUE(wait_statuses(2));
    const std::vector<std::string> s = statuses();
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].rfind("fault: customer database: ", 0), 0u) << s[0];
    EXPECT_EQ(s[0].find("hunter2"), std::string::npos) << s[0];
    EXPECT_EQ(s[1], "back: customer database answers again");
    EXPECT_EQ(settled("13900000003").state, LookupState::NotFound);
    // The attempts backed off: the gaps grew and stayed within the limit.
    steer_->m.lock();
    const std::vector<int64_t> connects = steer_->connects;
    steer_->m.unlock();
    ASSERT_GE(connects.size(), 4u);
    for (size_t i = 3; i < connects.size(); ++i) {
        EXPECT_GE(connects[i] - connects[i - 1], 40) << i;
        EXPECT_LE(connects[i] - connects[i - 1], 200 + 1100) << i;
    }
    EXPECT_GE(connects[3] - connects[2], connects[2] - connects[1] - 10);
}

TEST_F(CustomerDbWorker, AHangingQueryIsCancelledAtItsTimeout) {
    start();
    set(&steer_->hang, true);
    const int64_t asked_at = platform::monotonic_ms();
    EXPECT_EQ(settled("13900000001", 5000).state, LookupState::Unavailable);
    const int64_t took = platform::monotonic_ms() - asked_at;
    EXPECT_GE(took, 900);
    EXPECT_LT(took, 2500);
    ASSERT_TRUE(wait_statuses(1));
    EXPECT_NE(statuses()[0].find("no answer within 1 s, the query was cancelled"), std::string::npos) << statuses()[0];
    set(&steer_->hang, false);
    ASSERT_TRUE(wait_statuses(2));
    EXPECT_EQ(settled("13900000002").state, LookupState::NotFound);
    EXPECT_EQ(statuses().size(), 2u);
}

TEST_F(CustomerDbWorker, AQueryThatIgnoresItsCancelIsGivenUpAndTheEndDoesNotWait) {
    start();
    steer_->m.lock();
    steer_->hang = steer_->ignore_cancel = true;
    steer_->m.unlock();
    db_->lookup("13900000001");
    for (int i = 0; i < 10; ++i) db_->lookup("1390000001" + std::to_string(i));  // more than may wait
    const int64_t asked_at = platform::monotonic_ms();
    EXPECT_EQ(settled("13900000001", 5000).state, LookupState::Unavailable);
    EXPECT_LT(platform::monotonic_ms() - asked_at, 2500);
    ASSERT_TRUE(wait_statuses(1));
    EXPECT_NE(statuses()[0].find("cancelling did not end it"), std::string::npos) << statuses()[0];
    const int64_t ending = platform::monotonic_ms();
    db_.reset();  // the worker is still inside the "driver"
    EXPECT_LT(platform::monotonic_ms() - ending, 3000);
    steer_->release.notify();  // let the left-behind worker go
}

TEST_F(CustomerDbWorker, NumbersBeyondTheWaitingLimitAreUnavailable) {
    start();
    set(&steer_->hang, true);
    std::vector<LookupState> states;
    for (int i = 0; i < 6; ++i) states.push_back(db_->lookup("1390000000" + std::to_string(i)).state);
    EXPECT_EQ(states, (std::vector<LookupState>{LookupState::Pending, LookupState::Pending, LookupState::Pending,
                                                LookupState::Pending, LookupState::Unavailable,
                                                LookupState::Unavailable}));
    EXPECT_EQ(db_->lookup("").state, LookupState::NotFound);
    set(&steer_->hang, false);
    steer_->release.notify();
}

}  // namespace
}  // namespace host::callers
