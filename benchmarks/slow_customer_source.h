// For the benchmarks: a business database whose every answer takes 200 ms.
#pragma once
#include <chrono>
#include <string>
#include <thread>

#include "callers/customer_source.h"

class SlowCustomerSource : public host::callers::CustomerSource {
public:
    bool connect(std::string*) override { return true; }
    void disconnect() override {}
    bool query(const std::string&, host::callers::CustomerAnswer* answer, std::string*) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        answer->found = true;
        answer->card.name = "慢客户";
        return true;
    }
    void cancel() override {}
};
