// Where the customer look-up gets its answers: the business database through ODBC, or
// a stand-in in tests. Used from one worker thread, except cancel().
#pragma once
#include <memory>
#include <string>

#include "callers/caller_card.h"
#include "callers/customer_db_config.h"

namespace host::callers {

struct CustomerAnswer {
    bool found = false;
    CallerCard card;
};

class CustomerSource {
public:
    virtual ~CustomerSource() = default;
    // False with the reason (never naming a password) when there is no connection.
    virtual bool connect(std::string* error) = 0;
    virtual void disconnect() = 0;
    // Runs the query with `number` bound to its parameter; the first row answers.
    // False with the reason when the database failed (the connection is then suspect).
    virtual bool query(const std::string& number, CustomerAnswer* answer, std::string* error) = 0;
    // From another thread: asks a query under way to stop (its query() then fails).
    virtual void cancel() = 0;
};

// The database through the system's ODBC (odbc32.dll on Windows, unixODBC elsewhere).
std::unique_ptr<CustomerSource> make_odbc_source(const CustomerDbConfig& config);

}  // namespace host::callers
