#include "settings_transfer.h"

#include <gtest/gtest.h>

#include "scrambler.h"
#include "settings_fakes.h"

namespace ostrand {
namespace {

const std::vector<std::string> kReadOrder = {"read DeptName", "read DataBase", "read Server",
                                             "read PassWord"};
const std::vector<std::string> kWriteOrder = {"write DeptName", "write DataBase",
                                              "write Server", "write PassWord"};

TEST(SaveSettingsTo, WritesEveryFieldScrambledInOrder) {
    FakeValueStore key;
    const FakeFields fields("\xCB\xAE\xD5\xBE", "water", " srv\\01 ", "");
    SaveSettingsTo(key, fields);

    EXPECT_EQ(key.log, kWriteOrder);
    EXPECT_EQ(key.values.size(), 4u);
    EXPECT_EQ(key.values["PassWord"], "");
    EXPECT_EQ(key.values["DataBase"].size(), 4 * 5 + 1u);
    EXPECT_EQ(key.values["DataBase"].find("water"), std::string::npos);
    EXPECT_EQ(DecodeSetting(key.values["DeptName"]), "\xCB\xAE\xD5\xBE");
    EXPECT_EQ(DecodeSetting(key.values["Server"]), " srv\\01 ");  // untrimmed
}

TEST(SaveSettingsTo, StopsAtTheFirstValueThatCannotBeWritten) {
    FakeValueStore key;
    key.unwritable = {"Server", "PassWord"};
    const FakeFields fields("dept", "db", "server", "pw");
    try {
        SaveSettingsTo(key, fields);
        FAIL() << "a failed write must not pass as saved";
    } catch (const SettingsWriteError& error) {
        EXPECT_STREQ(error.what(), "Failed to set data for 'Server'");
    }
    EXPECT_EQ(key.log, std::vector<std::string>(kWriteOrder.begin(), kWriteOrder.begin() + 3));
    EXPECT_EQ(key.values.count("Server"), 0u);
    EXPECT_EQ(DecodeSetting(key.values["DataBase"]), "db");  // earlier values stay written
}

TEST(SaveSettingsTo, NamesTheFirstValueWhenTheKeyIsUnwritable) {
    FakeValueStore key;
    key.unwritable = {"DeptName", "DataBase", "Server", "PassWord"};
    EXPECT_THROW(
        {
            try {
                SaveSettingsTo(key, FakeFields());
            } catch (const SettingsWriteError& error) {
                EXPECT_STREQ(error.what(), "Failed to set data for 'DeptName'");
                throw;
            }
        },
        SettingsWriteError);
}

TEST(LoadSettingsFrom, FillsEveryFieldInOrder) {
    FakeValueStore key;
    const FakeFields saved("\xCB\xAE", "db", "host\\inst", "p;w");
    SaveSettingsTo(key, saved);
    key.log.clear();

    FakeFields loaded("old", "old", "old", "old");
    EXPECT_TRUE(LoadSettingsFrom(key, loaded));
    EXPECT_EQ(key.log, kReadOrder);
    EXPECT_TRUE(loaded == saved);
}

TEST(LoadSettingsFrom, MissingValuesEmptyTheirFields) {
    FakeValueStore key;
    key.values["Server"] = EncodeSetting("host");
    FakeFields loaded("old", "old", "old", "old");
    EXPECT_TRUE(LoadSettingsFrom(key, loaded));
    EXPECT_TRUE(loaded == FakeFields("", "", "host", ""));
}

TEST(LoadSettingsFrom, StopsAtTheFirstUnreadableValue) {
    FakeValueStore key;
    SaveSettingsTo(key, FakeFields("dept", "db", "server", "pw"));
    key.log.clear();
    key.unreadable = {"DataBase", "PassWord"};

    FakeFields loaded("old1", "old2", "old3", "old4");
    EXPECT_FALSE(LoadSettingsFrom(key, loaded));
    EXPECT_EQ(key.log, std::vector<std::string>(kReadOrder.begin(), kReadOrder.begin() + 2));
    EXPECT_TRUE(loaded == FakeFields("dept", "old2", "old3", "old4"));
}

}  // namespace
}  // namespace ostrand
