// Common fixture: a fresh library on an empty bus for every test, and checks that
// every export leaves no device handle open.
#pragma once
#include <gtest/gtest.h>

#include "bench.h"
#include "linebox_ioctl.h"

class LineBoxTest : public ::testing::Test {
protected:
    void SetUp() override { bench::fresh_library(); }
    void TearDown() override { EXPECT_EQ(bus().counters().open_handles, 0) << "a device handle was left open"; }

    static vornix::sim::Bus& bus() { return bench::bus(); }
    static int requests(uint32_t code) { return bus().counters().requests_for(code); }

    // Plugs `n` boxes (silently: no window yet), opens the library and forgets the
    // requests SW_Init made.
    void open_with_boxes(int n) {
        for (int i = 0; i < n; ++i) ids.push_back(bus().plug_silently());
        ASSERT_EQ(SW_Init(), 1);
        bus().reset_counters();
    }

    std::vector<int> ids;
};
