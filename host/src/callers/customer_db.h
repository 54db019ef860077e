// Callers looked up in the business database, beside the recording loop: a worker
// thread of its own asks the database, one number at a time, with the number bound to
// the query's parameter; a watchdog cancels a query past its time-out; recent answers
// are kept; a connection that failed is tried again after 1, 2, 4 ... 60 s. Whoever
// asks is never kept waiting: lookup() tells what is known now, and the answer comes
// later through take_answers() (or a later lookup()).
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "callers/caller_card.h"
#include "callers/customer_cache.h"
#include "callers/customer_db_config.h"
#include "callers/customer_source.h"
#include "callers/number_key.h"

namespace host::platform {
class Thread;
}

namespace host::callers {

enum class LookupState {
    Found,        // the card is the caller's
    NotFound,     // asked, and no such caller
    Pending,      // being asked (or the answers were busy): ask again, or take_answers()
    Unavailable,  // the database cannot be asked now (it is failing, or too many wait)
};

const char* lookup_state_name(LookupState state);

struct CustomerLookup {
    LookupState state = LookupState::NotFound;
    CallerCard card;  // when Found
};

struct CustomerDbAnswer {
    std::string key;
    LookupState state = LookupState::NotFound;  // Found, NotFound or Unavailable
    CallerCard card;
};

// A failing database is told once, as a fault, when the failure starts; its return is
// told once too. The password is never in the message.
struct CustomerDbStatus {
    bool fault = true;  // false: the database answers again
    std::string message;
};
using CustomerDbStatusSink = std::function<void(const CustomerDbStatus&)>;

struct CustomerDbLimits {
    CustomerCacheLimits cache;
    size_t waiting = 64;          // numbers waiting to be asked; more are Unavailable
    size_t answers = 256;         // answers kept for take_answers(); the oldest go
    int first_retry_ms = 1000;    // after a failure, doubled up to max_retry_ms
    int max_retry_ms = 60 * 1000;
    int grace_ms = 2000;          // after the time-out's cancel, before it is given up
    int exit_wait_ms = 2000;      // at the end, for a worker still inside the driver
};

class CustomerDb {
public:
    // Through ODBC with the configured connection (from_settings already resolved).
    CustomerDb(const CustomerDbConfig& config, NumberPlan plan, CustomerDbStatusSink status,
               CustomerDbLimits limits = {});
    // Through any source (tests).
    CustomerDb(std::unique_ptr<CustomerSource> source, const CustomerDbConfig& config, NumberPlan plan,
               CustomerDbStatusSink status, CustomerDbLimits limits = {});
    // Stops the threads; a worker that the driver does not give back within
    // exit_wait_ms is left behind rather than holding up the recorder's exit.
    ~CustomerDb();
    CustomerDb(const CustomerDb&) = delete;
    CustomerDb& operator=(const CustomerDb&) = delete;

    // What is known of the number key now; a key not known is queued for the worker.
    // Never waits (it only tries the lock, and says Pending when it is busy).
    CustomerLookup lookup(const std::string& key);
    // Appends the answers that came since the last call. Never waits: none when busy.
    void take_answers(std::vector<CustomerDbAnswer>* out);

    // What the worker binds for `key`: the key, then (number = key local) the local
    // number of a key in the office's own area.
    static std::vector<std::string> asked_forms(const std::string& key, const CustomerDbConfig& config,
                                                const NumberPlan& plan);

private:
    struct State;
    std::shared_ptr<State> state_;
    std::unique_ptr<platform::Thread> worker_, watchdog_;
};

}  // namespace host::callers
