#include "server_names.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace ostrand {
namespace {

class ScriptedSource : public ServerNameSource {
public:
    explicit ScriptedSource(std::vector<std::string> names, long fail_at = -1)
        : names_(std::move(names)), fail_at_(fail_at) {}
    long count() override { return static_cast<long>(names_.size()); }
    std::string item(long index) override {
        ++calls_;
        if (index == fail_at_) throw std::runtime_error("item failed");
        return names_.at(static_cast<std::size_t>(index));
    }
    int calls_ = 0;

private:
    std::vector<std::string> names_;
    long fail_at_;
};

class RecordingList : public ServerNameList {
public:
    void clear() override { names.clear(); ++clears; }
    void append(const std::string& name) override { names.push_back(name); }
    std::vector<std::string> names{"stale"};
    int clears = 0;
};

TEST(FillNames, SkipsBlanksKeepsOrderDuplicatesAndSurroundingBlanks) {
    ScriptedSource source({"ALPHA", "", "  ", " BETA ", "\t\r\n", "ALPHA", "gamma\x01"});
    RecordingList list;
    FillNames(source, list);
    EXPECT_EQ(list.names, (std::vector<std::string>{"ALPHA", " BETA ", "ALPHA", "gamma\x01"}));
    EXPECT_EQ(list.clears, 1);
    EXPECT_EQ(source.calls_, 7 + 4);  // one look per index, a second for each name kept
}

TEST(FillNames, AllBlankListLeavesTheListEmpty) {
    ScriptedSource source({" ", "\t", ""});
    RecordingList list;
    FillNames(source, list);
    EXPECT_TRUE(list.names.empty());
}

TEST(FillNames, FailureKeepsTheNamesAddedSoFar) {
    ScriptedSource source({"ONE", "TWO", "THREE"}, 2);
    RecordingList list;
    EXPECT_THROW(FillNames(source, list), std::runtime_error);
    EXPECT_EQ(list.names, (std::vector<std::string>{"ONE", "TWO"}));
}

}  // namespace
}  // namespace ostrand
