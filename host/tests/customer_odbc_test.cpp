// The customer look-up through real ODBC: unixODBC with the SQLite driver natively,
// and the Windows build under Wine, whose odbc32.dll hands the calls to the same
// unixODBC. The database (10,000 customers, customers_db.py) and the driver's and data
// source's registration are in the build tree; skipped where the driver is missing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "callers/customer_db.h"
#include "callers/number_key.h"
#include "platform/platform.h"
#include "platform/platform_thread.h"
#include "customer_db_fixture.h"

namespace host::callers {
namespace {

const NumberPlan kHangzhou{"0571"};

// As customers_db.py writes them.
struct Customer {
    std::string phone, name, address, note;
};
Customer customer(int i) {
    char phone[16];
    if (i % 2 == 0) std::snprintf(phone, sizeof phone, "139%08d", i);
    else std::snprintf(phone, sizeof phone, "0571%08d", 80000000 + i);
    return {phone, "客户" + std::to_string(i), "杭州市西湖区文三路" + std::to_string(i) + "号",
            "桶装水 " + std::to_string(i % 5 + 1) + " 桶"};
}

class CustomerOdbc : public CustomerDbFixture {
protected:
    void SetUp() override {
        const char* dir = std::getenv("VORNIX_CALLERS_DB_DIR");
        if (dir == nullptr) GTEST_SKIP() << "no SQLite ODBC driver registered for the tests";
        dir_ = dir;
#ifndef _WIN32
        // The driver and the data source of the build tree, not the user's own.
        setenv("ODBCSYSINI", dir, 1);
        setenv("ODBCINI", (dir_ + "/odbc.ini").c_str(), 1);
#endif
    }
    // The driver runs on the Linux side and takes the Linux path; the test's own file
    // work under Wine goes through the drive Wine maps to '/'.
    static std::filesystem::path local(const std::string& unix_path) {
#ifdef _WIN32
        std::string p = "Z:" + unix_path;
        for (char& c : p)
            if (c == '/') c = '\\';
        return platform::fs_path(p);
#else
        return unix_path;
#endif
    }
    std::string copy_of_database(const char* name) const {
        const std::string path = dir_ + "/" + name;
        // Removed first: MinGW's copy_file does not overwrite.
        std::filesystem::remove(local(path));
        std::filesystem::copy_file(local(dir_ + "/customers.db"), local(path));
        return path;
    }
    static CustomerDbConfig config(std::string connection, std::string query = kQuery) {
        CustomerDbConfig c;
        c.connection = std::move(connection);
        c.query = std::move(query);
        c.timeout_s = 1;
        return c;
    }
    void start(const CustomerDbConfig& c, CustomerDbLimits limits = {}) {
        db_ = std::make_unique<CustomerDb>(c, kHangzhou, status_sink(), limits);
    }

    static constexpr const char* kQuery = "SELECT name, address, note FROM Customers WHERE Phone = ?";
    std::string dir_;
};

TEST_F(CustomerOdbc, TenThousandCustomersFoundByTheirNumbersInAnyForm) {
    start(config("DSN=vornix_customers"));
    struct Asked {
        std::string written;
        int customer;  // -1: no such customer
    };
    std::vector<Asked> asked = {{"+86 139 0000 0042", 42},  {"0571-8000 4243", 4243}, {"57180004243", 4243},
                                {"0086 13900009998", 9998}, {"80009999", 9999},       {"13999999999", -1}};
    for (int i = 0; i < 200; ++i) asked.push_back({customer((i * 7919) % 10000).phone, (i * 7919) % 10000});
    for (const Asked& a : asked) {
        const CustomerLookup l = settled(number_key(a.written, kHangzhou));
        if (a.customer < 0) {
            EXPECT_EQ(l.state, LookupState::NotFound) << a.written;
            continue;
        }
        const Customer c = customer(a.customer);
        ASSERT_EQ(l.state, LookupState::Found) << a.written;
        EXPECT_EQ(l.card.name, c.name);
        EXPECT_EQ(l.card.address, c.address);
        EXPECT_EQ(l.card.note, c.note);
        EXPECT_EQ(l.card.source, "database");
    }
    EXPECT_TRUE(statuses().empty()) << statuses()[0];
}

TEST_F(CustomerOdbc, TheNumberIsBoundNeverPastedIn) {
    auto source = make_odbc_source(config("DSN=vornix_customers"));
    std::string error;
    ASSERT_TRUE(source->connect(&error)) << error;
    CustomerAnswer answer;
    ASSERT_TRUE(source->query("12'3;4", &answer, &error)) << error;
    EXPECT_TRUE(answer.found);
    EXPECT_EQ(answer.card.name, "引号客户");
    for (const char* hostile : {"x' OR '1'='1", "0'; DROP TABLE Customers; --", "13900000000' --"}) {
        ASSERT_TRUE(source->query(hostile, &answer, &error)) << hostile << ": " << error;
        EXPECT_FALSE(answer.found) << hostile;
    }
    ASSERT_TRUE(source->query("13900000000", &answer, &error)) << error;
    EXPECT_EQ(answer.card.name, "客户0");  // the table is still there
}

TEST_F(CustomerOdbc, ColumnsByTheirNamesAndTheLocalForm) {
    CustomerDbConfig c = config("DSN=vornix_customers",
                                "SELECT name AS 客户名称, address AS 送水地址, Phone AS 电话, note AS 户型 "
                                "FROM Customers WHERE Phone = ?");
    c.local_form = true;
    auto source = make_odbc_source(c);
    std::string error;
    ASSERT_TRUE(source->connect(&error)) << error;
    CustomerAnswer answer;
    ASSERT_TRUE(source->query("88881234", &answer, &error)) << error;
    EXPECT_EQ(answer.card.name, "本地客户");
    EXPECT_EQ(answer.card.address, "本地");
    EXPECT_EQ(answer.card.more, (std::vector<std::pair<std::string, std::string>>{{"户型", "kept without the area code"}}));
    start(c);
    EXPECT_EQ(settled("057188881234").card.name, "本地客户");
}

TEST_F(CustomerOdbc, AHangingQueryTimesOutAndIsToldOnce) {
    // A recursive count without end: the join needs its result first.
    start(config("DSN=vornix_customers",
                 "SELECT name, address, note FROM Customers, (WITH RECURSIVE r(n) AS (SELECT 1 UNION ALL "
                 "SELECT n + 1 FROM r) SELECT max(n) AS m FROM r) WHERE Phone = ?"));
    const int64_t asked_at = platform::monotonic_ms();
    EXPECT_EQ(settled("13900000042").state, LookupState::Unavailable);
    const int64_t took = platform::monotonic_ms() - asked_at;
    EXPECT_GE(took, 900);
    EXPECT_LT(took, 3000);
    ASSERT_TRUE(wait_for_status("fault: ", 1000));
    EXPECT_NE(statuses()[0].find("no answer within 1 s"), std::string::npos) << statuses()[0];
    // Connected again, the probe hangs as well: the outage goes on, told no more.
    platform::sleep_ms(2500);
    EXPECT_EQ(db_->lookup("13900000044").state, LookupState::Unavailable);
    EXPECT_EQ(statuses().size(), 1u);
}

TEST_F(CustomerOdbc, ADatabaseThatGoesAwayAndComesBack) {
    const std::string path = copy_of_database("away.db");
    CustomerDbLimits limits;
    limits.first_retry_ms = 100;
    limits.max_retry_ms = 400;
    start(config("Driver={VornixTestSQLite3};Database=" + path + ";NoCreat=1;PWD=hunter2"), limits);
    ASSERT_EQ(settled("13900000042").state, LookupState::Found);
    // Gone: moved away and emptied under the open connection.
    std::filesystem::rename(local(path), local(path + ".moved"));
    std::ofstream(local(path + ".moved"), std::ios::binary | std::ios::trunc).close();
    EXPECT_EQ(settled("13900000044").state, LookupState::Unavailable);
    ASSERT_TRUE(wait_for_status("fault: ", 1000));
    platform::sleep_ms(800);  // attempts to connect again find no file
    EXPECT_EQ(db_->lookup("13900000046").state, LookupState::Unavailable);
    EXPECT_FALSE(std::filesystem::exists(local(path)));  // and create none
    copy_of_database("away.db");
    ASSERT_TRUE(wait_for_status("back: ", 3000));
    EXPECT_EQ(settled("13900000046").card.name, "客户46");
    const std::vector<std::string> s = statuses();
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].find("hunter2"), std::string::npos) << s[0];
    db_.reset();
    std::filesystem::remove(local(path + ".moved"));
    std::filesystem::remove(local(path));
}

}  // namespace
}  // namespace host::callers
