// What the customer look-up's tests share: the database under test, what it told of
// its faults, and its answers awaited.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "callers/customer_db.h"
#include "platform/platform.h"
#include "platform/platform_thread.h"

namespace host::callers {

class CustomerDbFixture : public ::testing::Test {
protected:
    // Hears the database's faults as "fault: ..." and "back: ...".
    CustomerDbStatusSink status_sink() {
        return [this](const CustomerDbStatus& s) {
            status_m_.lock();
            status_.push_back((s.fault ? "fault: " : "back: ") + s.message);
            status_m_.unlock();
        };
    }
    std::vector<std::string> statuses() {
        status_m_.lock();
        std::vector<std::string> s = status_;
        status_m_.unlock();
        return s;
    }
    bool wait_statuses(size_t n, int ms = 3000) {
        const int64_t deadline = platform::monotonic_ms() + ms;
        while (statuses().size() < n && platform::monotonic_ms() < deadline) platform::sleep_ms(5);
        return statuses().size() >= n;
    }
    bool wait_for_status(const char* start, int ms) {
        const int64_t deadline = platform::monotonic_ms() + ms;
        for (;;) {
            for (const std::string& s : statuses())
                if (s.rfind(start, 0) == 0) return true;
            if (platform::monotonic_ms() > deadline) return false;
            platform::sleep_ms(20);
        }
    }
    // Asks until the answer is no longer Pending.
    CustomerLookup settled(const std::string& key, int ms = 5000) {
        const int64_t deadline = platform::monotonic_ms() + ms;
        CustomerLookup l = db_->lookup(key);
        while (l.state == LookupState::Pending && platform::monotonic_ms() < deadline) {
            platform::sleep_ms(2);
            l = db_->lookup(key);
        }
        return l;
    }

    std::unique_ptr<CustomerDb> db_;

private:
    platform::Mutex status_m_;
    std::vector<std::string> status_;
};

}  // namespace host::callers
