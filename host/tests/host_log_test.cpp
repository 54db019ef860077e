#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "test_files.h"
#include "unattended/host_log.h"

using namespace host;
using host_test::file_text;

// Lines of 10 bytes into files of at most 25: two lines each. Twenty lines across a
// reopening fill host.log and the five it keeps; the oldest eight are gone.
TEST(HostLog, AppendsFlushedLinesAndKeepsFiveRotatedFiles) {
    const std::string folder = host_test::fresh_folder();
    const std::string log = folder + "/host.log";
    auto line = [](int n) { return "line " + std::string(n < 10 ? "000" : "00") + std::to_string(n); };
    {
        HostLog first(folder, 25);
        ASSERT_TRUE(first.is_open());
        first.write_line(line(1));
        EXPECT_EQ(file_text(log), line(1) + "\n");  // on the disk before the log closes
    }
    HostLog again(folder, 25);
    for (int n = 2; n <= 20; ++n) again.write_line(line(n));

    EXPECT_EQ(file_text(log), line(19) + "\n" + line(20) + "\n");
    for (int k = 1; k <= HostLog::kKeep; ++k) {
        const int first = 19 - 2 * k;
        EXPECT_EQ(file_text(log + "." + std::to_string(k)), line(first) + "\n" + line(first + 1) + "\n") << k;
    }
    EXPECT_FALSE(std::filesystem::exists(log + ".6"));
}

TEST(HostLog, IsNotOpenInAFolderThatIsNotThere) {
    EXPECT_FALSE(HostLog(host_test::fresh_folder() + "/missing").is_open());
}
