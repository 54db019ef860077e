// Recent answers of the business database, so that a customer who rings again (or
// whose card the console shows again) costs no query: the least recently used go
// first, and an answer grows stale, "no such customer" sooner than a name.
#pragma once
#include <cstdint>
#include <list>
#include <string>
#include <unordered_map>

#include "callers/customer_source.h"

namespace host::callers {

struct CustomerCacheLimits {
    size_t capacity = 2000;
    int64_t found_ms = 10 * 60 * 1000;   // a customer's card
    int64_t missing_ms = 60 * 1000;      // no row: the office may be adding the customer
};

class CustomerCache {
public:
    explicit CustomerCache(CustomerCacheLimits limits) : limits_(limits) {}

    // The answer for `key` while it is fresh at `now_ms`, else null (a stale one goes).
    const CustomerAnswer* get(const std::string& key, int64_t now_ms);
    void put(const std::string& key, CustomerAnswer answer, int64_t now_ms);
    size_t size() const { return map_.size(); }

private:
    struct Item {
        std::string key;
        CustomerAnswer answer;
        int64_t expires_ms;
    };
    CustomerCacheLimits limits_;
    std::list<Item> items_;  // most recently used first
    std::unordered_map<std::string, std::list<Item>::iterator> map_;
};

}  // namespace host::callers
