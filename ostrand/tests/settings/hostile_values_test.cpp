// Stored values nobody meant to write: values of another type at each position of the
// load order, values of several megabytes, stored forms cut at every length and
// forms holding bytes outside printable ASCII. None of them may crash a load or a
// save, and each gives the text the reading rule says.
#include <gtest/gtest.h>

#include <string>

#include "scrambler.h"
#include "settings_fakes.h"
#include "settings_names.h"
#include "settings_transfer.h"

namespace ostrand {
namespace {

const FakeFields kBefore("old dept", "old db", "old server", "old pw");
const FakeFields kSaved("\xCB\xAE\xD5\xBE", "water", "srv\\01", "p@ss");

TEST(HostileValues, AValueOfAnotherTypeStopsTheLoadWhereverItStands) {
    for (int bad = 0; bad < kSettingCount; ++bad) {
        SCOPED_TRACE(SettingValueName(kSettingOrder[bad]));
        FakeValueStore key;
        SaveSettingsTo(key, kSaved);
        key.unreadable = {SettingValueName(kSettingOrder[bad])};
        key.log.clear();

        FakeFields fields = kBefore;
        EXPECT_FALSE(LoadSettingsFrom(key, fields));
        for (int i = 0; i < kSettingCount; ++i) {
            const Setting which = kSettingOrder[i];
            EXPECT_EQ(fields.field(which), (i < bad ? kSaved : kBefore).field(which)) << SettingValueName(which);
        }
        EXPECT_EQ(key.log.size(), static_cast<size_t>(bad + 1)) << "no value read after the failing one";
    }
}

TEST(HostileValues, HugeValuesSaveAndLoadWhole) {
    std::string big(1 << 18, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 131 + (i >> 8));
    const FakeFields fields(big, std::string(3 << 17, '\xFF'), "s", big.substr(1));

    FakeValueStore key;
    SaveSettingsTo(key, fields);
    EXPECT_EQ(key.values["DeptName"].size(), 4 * big.size() + 1);

    FakeFields loaded;
    ASSERT_TRUE(LoadSettingsFrom(key, loaded));
    EXPECT_TRUE(loaded == fields);

    // Megabytes of one filler character: every digit position reads as 0.
    key.values["Server"] = std::string((5 << 20) + 3, 'Z');
    ASSERT_TRUE(LoadSettingsFrom(key, loaded));
    EXPECT_EQ(loaded.field(Setting::Server), std::string((5 << 20) / 4, '\0'));
}

TEST(HostileValues, StoredFormsCutAtEveryLengthLoadByTheReadingRule) {
    // "ab" is stored as .2.6.1.6. (reversed digits of 61 62 behind fillers).
    const std::string whole = ".2.6.1.6.";
    const std::string expected[] = {"", "", "", "", "b", "b", "\x16", "\x16", "ab", "ab"};
    for (size_t length = 0; length <= whole.size(); ++length) {
        FakeValueStore key;
        for (const Setting which : kSettingOrder) key.values[SettingValueName(which)] = whole.substr(0, length);
        FakeFields fields = kBefore;
        ASSERT_TRUE(LoadSettingsFrom(key, fields));
        for (const Setting which : kSettingOrder)
            EXPECT_EQ(fields.field(which), expected[length]) << "stored form of length " << length;
    }
}

TEST(HostileValues, BytesOutsidePrintableAsciiReadAsZeroDigits) {
    struct Row {
        std::string stored;
        std::string text;
    };
    const Row rows[] = {
        {std::string("\x80\xFF\x80\xFF\x80", 5), std::string(1, '\0')},
        {std::string(".\0.\0.", 5), std::string(1, '\0')},           // NULs at the digit places
        {std::string("\xA1" "1" "\xA1" "2" "\xA1", 5), "\x21"},       // GBK lead bytes as fillers
        {std::string("\0" "1" "\0" "2" "\0", 5), "\x21"},             // NULs as fillers
        {std::string(".\xC1.\xB2.", 5), std::string(1, '\0')},       // high bytes at the digit places
    };
    for (const Row& row : rows) {
        FakeValueStore key;
        key.values["PassWord"] = row.stored;
        FakeFields fields = kBefore;
        ASSERT_TRUE(LoadSettingsFrom(key, fields));
        EXPECT_EQ(fields.field(Setting::PassWord), row.text);
        EXPECT_EQ(fields.field(Setting::DeptName), "") << "a missing value loads empty";
    }
}

}  // namespace
}  // namespace ostrand
