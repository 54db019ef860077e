#include "connection_string.h"

#include <gtest/gtest.h>

namespace ostrand {
namespace {

TEST(ConnectionString, OrdinaryValuesGiveTheStringByteForByte) {
    EXPECT_EQ(BuildConnectionString("secret", "water", "DBHOST"),
              "Provider = SQLOLEDB.1;Persist Security Info = true;User ID = sa; "
              "PassWord = secret; Initial CataLog = water; Data Source = DBHOST");
}

TEST(ConnectionString, EmptyPasswordLeavesNothingBetweenTheKeys) {
    EXPECT_NE(BuildConnectionString("", "db", "srv").find("PassWord = ; Initial CataLog = db"),
              std::string::npos);
}

struct QuotingCase {
    const char* typed;
    const char* passed;
};

class ConnectionValueQuoting : public ::testing::TestWithParam<QuotingCase> {};

TEST_P(ConnectionValueQuoting, QuotesOnlyWhatTheParserWouldMisread) {
    EXPECT_EQ(ConnectionValue(GetParam().typed), GetParam().passed);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ConnectionValueQuoting,
    ::testing::Values(QuotingCase{"plain", "plain"}, QuotingCase{"", ""},
                      QuotingCase{"in side", "in side"},
                      QuotingCase{"a=b", "a=b"},
                      QuotingCase{"pa;ss", "\"pa;ss\""},
                      QuotingCase{"it's", "\"it's\""},
                      QuotingCase{"say \"hi\"", "\"say \"\"hi\"\"\""},
                      QuotingCase{" lead", "\" lead\""},
                      QuotingCase{"trail\t", "\"trail\t\""},
                      // GBK "数据" with no separators inside stays as it is.
                      QuotingCase{"\xca\xfd\xbe\xdd", "\xca\xfd\xbe\xdd"}));

TEST(ConnectionString, InjectedAttributeStaysInsideThePassword) {
    const std::string s = BuildConnectionString("x;Data Source=evil", "db", "srv");
    EXPECT_NE(s.find("PassWord = \"x;Data Source=evil\"; Initial CataLog = db"), std::string::npos);
    EXPECT_EQ(s.substr(s.size() - 3), "srv");
}

}  // namespace
}  // namespace ostrand
