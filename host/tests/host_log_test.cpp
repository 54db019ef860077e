#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
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

// host.log held open without delete sharing (a log viewer): its rename is refused.
// The old logs must all stay, and the rotation is tried again only now and then;
// once it is let go the next try rotates as usual.
TEST(HostLog, ARefusedRenameCostsNoOldLogAndIsTriedAgainLater) {
    const std::string folder = host_test::fresh_folder();
    const std::string log = folder + "/host.log";
    for (int k = 1; k <= HostLog::kKeep; ++k) std::ofstream(log + "." + std::to_string(k)) << "old " << k << "\n";
    bool held = true;
    int refused = 0;
    HostLog host_log(folder, 25, [&](const std::filesystem::path& from, const std::filesystem::path& to) {
        if (held && from == std::filesystem::path(log)) return ++refused, false;
        std::error_code ec;
        std::filesystem::rename(from, to, ec);
        return !ec;
    });
    const int lines = 2 * HostLog::kRetryAfterLines + 12;
    for (int n = 0; n < lines; ++n) host_log.write_line("line 0000");
    EXPECT_EQ(refused, 3);  // when it first grew too long, then every kRetryAfterLines lines
    for (int k = 1; k <= HostLog::kKeep; ++k)
        EXPECT_EQ(file_text(log + "." + std::to_string(k)), "old " + std::to_string(k) + "\n") << k;
    EXPECT_EQ(file_text(log).size(), 10u * lines);

    held = false;
    int more = 0;
    while (file_text(log + ".1") == "old 1\n" && more <= HostLog::kRetryAfterLines) host_log.write_line("line " + std::to_string(1000 + ++more));
    EXPECT_LE(more, HostLog::kRetryAfterLines);
    EXPECT_EQ(file_text(log + ".1").size(), 10u * (lines + more - 1));
    EXPECT_EQ(file_text(log), "line " + std::to_string(1000 + more) + "\n");
    for (int k = 2; k <= HostLog::kKeep; ++k)
        EXPECT_EQ(file_text(log + "." + std::to_string(k)), "old " + std::to_string(k - 1) + "\n") << k;
}
