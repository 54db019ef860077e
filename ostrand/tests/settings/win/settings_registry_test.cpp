#include <gtest/gtest.h>

#include "registry_test_support.h"
#include "scrambler.h"
#include "settings_fakes.h"
#include "settings_store.h"

namespace ostrand {
namespace {

// 水站 (water station) in GBK.
const std::string kGbkName = "\xCB\xAE\xD5\xBE";

class SettingsRegistry : public ::testing::Test {
protected:
    void SetUp() override { DeleteSettingsKey(); }
    void TearDown() override { DeleteSettingsKey(); }
};

TEST_F(SettingsRegistry, SavedSettingsLoadBackAndAreStoredScrambled) {
    const FakeFields saved(kGbkName, "water_db", "HOST\\SQL 2000", "p;w\t\x01");
    SaveSettings(saved);

    FakeFields loaded("old", "old", "old", "old");
    EXPECT_TRUE(LoadSettings(loaded));
    EXPECT_TRUE(loaded == saved);

    EXPECT_EQ(CountSettingsValues(), 4u);  // nothing beside the four values
    const RawValue dept = ReadRaw("DeptName");
    ASSERT_EQ(dept.status, ERROR_SUCCESS);
    EXPECT_EQ(dept.type, static_cast<DWORD>(REG_SZ));
    ASSERT_EQ(dept.data.size(), 4 * kGbkName.size() + 2);  // 4n+1 characters and the NUL
    EXPECT_EQ(dept.data.back(), '\0');
    EXPECT_EQ(DecodeSetting(dept.data.substr(0, dept.data.size() - 1)), kGbkName);
    EXPECT_EQ(ReadRaw("DataBase").data.find("water"), std::string::npos);
}

TEST_F(SettingsRegistry, EmptyFieldIsAnEmptyString) {
    SaveSettings(FakeFields("dept", "db", "server", ""));
    const RawValue password = ReadRaw("PassWord");
    ASSERT_EQ(password.status, ERROR_SUCCESS);
    EXPECT_EQ(password.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(password.data, std::string(1, '\0'));

    FakeFields loaded("old", "old", "old", "old");
    EXPECT_TRUE(LoadSettings(loaded));
    EXPECT_TRUE(loaded == FakeFields("dept", "db", "server", ""));
}

TEST_F(SettingsRegistry, MissingKeyIsCreatedAndLoadsEmpty) {
    ASSERT_FALSE(SettingsKeyExists());
    FakeFields loaded("old", "old", "old", "old");
    EXPECT_TRUE(LoadSettings(loaded));
    EXPECT_TRUE(loaded == FakeFields());
    EXPECT_TRUE(SettingsKeyExists());
    EXPECT_EQ(CountSettingsValues(), 0u);
}

TEST_F(SettingsRegistry, NonStringValueStopsTheLoad) {
    const DWORD number = 7;
    const std::string dword(reinterpret_cast<const char*>(&number), sizeof number);
    struct Case {
        const char* planted;
        DWORD type;
        std::string data;
        FakeFields expected;
    };
    const Case cases[] = {
        {"DataBase", REG_DWORD, dword, FakeFields("dept", "old", "old", "old")},
        {"PassWord", REG_BINARY, "\x01\x02", FakeFields("dept", "db", "server", "old")},
        {"DeptName", REG_MULTI_SZ, EncodeSetting("x") + std::string(2, '\0'),
         FakeFields("old", "old", "old", "old")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.planted);
        SaveSettings(FakeFields("dept", "db", "server", "pw"));
        ASSERT_TRUE(PutRaw(c.planted, c.type, c.data));
        FakeFields loaded("old", "old", "old", "old");
        EXPECT_FALSE(LoadSettings(loaded));
        EXPECT_TRUE(loaded == c.expected);
    }
}

TEST_F(SettingsRegistry, StringDataIsReadAsItStands) {
    ASSERT_TRUE(SetEnvironmentVariableA("OSTRAND_X", "4142"));
    struct Case {
        const char* note;
        DWORD type;
        std::string data;
        std::string text;
    };
    const Case cases[] = {
        {"expandable, not expanded", REG_EXPAND_SZ, std::string(".4%OSTRAND_X%1.") + '\0',
         DecodeSetting(".4%OSTRAND_X%1.")},
        {"up to the first NUL", REG_SZ, std::string(".3.6.2.6.1.6.\0.4.1.", 20), "abc"},
        {"no terminating NUL", REG_SZ, ".3.6.2.6.1.6.", "abc"},
        {"no data at all", REG_SZ, "", ""},
        {"empty but of another type", REG_BINARY, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.note);
        ASSERT_TRUE(PutRaw("Server", c.type, c.data));
        FakeFields loaded("old", "old", "old", "old");
        EXPECT_TRUE(LoadSettings(loaded));
        EXPECT_EQ(loaded.field(Setting::Server), c.text);
    }
    EXPECT_NE(DecodeSetting(".4%OSTRAND_X%1."), DecodeSetting(".441421."));
}

TEST_F(SettingsRegistry, SaveReplacesValuesOfAnotherType) {
    ASSERT_TRUE(PutRaw("Server", REG_BINARY, "\x01\x02\x03"));
    SaveSettings(FakeFields("dept", "db", "server", "pw"));
    EXPECT_EQ(ReadRaw("Server").type, static_cast<DWORD>(REG_SZ));

    FakeFields loaded;
    EXPECT_TRUE(LoadSettings(loaded));
    EXPECT_EQ(loaded.field(Setting::Server), "server");
}

}  // namespace
}  // namespace ostrand
