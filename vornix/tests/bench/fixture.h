// Common fixture: a fresh library on an empty bus for every test, and checks that
// every export leaves no device handle open.
#pragma once
#include <gtest/gtest.h>

#include <vector>

#include "bench.h"
#include "linebox_ioctl.h"

// How long one status poll serves every status query of its slot.
constexpr int kCacheMs = 600;
// A recovery hold-off outside Windows NT 5.1.
constexpr int kHoldOffMs = 1000;

class LineBoxTest : public ::testing::Test {
protected:
    void SetUp() override { bench::fresh_library(); }
    void TearDown() override { EXPECT_EQ(bus().counters().open_handles, 0) << "a device handle was left open"; }

    static vornix::sim::Bus& bus() { return bench::bus(); }
    static int requests(uint32_t code) { return bus().counters().requests_for(code); }

    // Status polls that reached a box, and re-initialisations.
    static int status_reads() { return requests(vornix::IOCTL_LINEBOX_READ_STATUS); }
    static int inits() { return requests(vornix::IOCTL_LINEBOX_INIT); }
    static int box_requests(int box_id, uint32_t code) {
        const auto& per_code = bus().box(box_id).counters.requests;
        auto it = per_code.find(code);
        return it == per_code.end() ? 0 : it->second;
    }

    // Plugs `n` boxes (silently: no window yet), opens the library and forgets the
    // requests SW_Init made.
    void open_with_boxes(int n) {
        for (int i = 0; i < n; ++i) ids.push_back(bus().plug_silently());
        ASSERT_EQ(SW_Init(), 1);
        bus().reset_counters();
    }

    // Starts a recovery hold-off now: the box at `slot` rejects one LED request.
    void start_holdoff(int slot = 0) {
        const int id = bus().box_at(slot);
        ASSERT_GE(id, 0) << "no box at slot " << slot;
        bus().set_fault(id, vornix::sim::Fault::RequestRejected, vornix::IOCTL_LINEBOX_LED_1, 1);
        ASSERT_EQ(SW_LED(slot, 1), 1);
    }

    // True when a guarded command on `slot` returns at once without touching any box,
    // i.e. a recovery hold-off is running. Ends an expired hold-off, like any guarded call.
    static bool held_off(int slot = 0) {
        const int before = bus().counters().open_attempts;
        const vx_bool result = SW_Reconnect(slot);
        return result == 1 && bus().counters().open_attempts == before;
    }

    std::vector<int> ids;
};
