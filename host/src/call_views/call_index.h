// The call log as the console's views ask it: for every row, when the call started,
// which way it went, whether it was answered, how long it was talked, on which box and
// with whom (the other party's number key: the caller of a call that rang, the number
// dialled of one that went out). Kept up to date with the rows the log gains.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "call_log/call_log_reader.h"
#include "callers/number_key.h"

namespace host::call_views {

enum class CallKind : uint8_t { Answered, Missed, Outgoing };

// 24 bytes a call: a year of busy lines (a million calls) takes 24 MB.
struct IndexedCall {
    uint64_t key = 0;         // the party's number key, packed; 0 when none
    uint32_t since_2000 = 0;  // the start, local wall time in seconds since 2000; 0 when unreadable
    uint32_t seconds = 0;
    int32_t serial = 0;
    int16_t offset_min = 0;  // the start's offset east of UTC
    CallKind kind = CallKind::Answered;

    static constexpr int64_t k2000 = 946684800;  // 2000-01-01 in seconds since 1970
    // The start, local wall time in seconds since 1970; 0 when unreadable.
    int64_t local_s() const { return since_2000 ? k2000 + since_2000 : 0; }
    int64_t utc_s() const { return local_s() - int64_t{offset_min} * 60; }
    long day() const { return static_cast<long>(local_s() / 86400); }
    int hour() const { return static_cast<int>((local_s() - int64_t{day()} * 86400) / 3600); }
};

static_assert(sizeof(IndexedCall) == 24, "a million calls in 24 MB");

class CallIndex {
public:
    explicit CallIndex(callers::NumberPlan plan) : plan_(std::move(plan)) {}

    // Takes in the rows added since the last update (all again when the log was replaced).
    void update(const CallRows& rows);
    const IndexedCall& call(uint32_t row) const { return calls_[row]; }
    size_t size() const { return calls_.size(); }
    // Rows in the order the calls started; valid until the next update.
    const std::vector<uint32_t>& in_start_order() const { return *order_; }
    // Where in in_start_order() the first call that started on or after local day `day` is.
    size_t first_on_day(long day) const;
    // The packed key of a number as typed or received; 0 when it has none.
    uint64_t key_of(std::string_view number) const;
    // The rows with this party, newest first.
    std::vector<uint32_t> party_calls(uint64_t key) const;
    const callers::NumberPlan& plan() const { return plan_; }

private:
    callers::NumberPlan plan_;
    std::vector<IndexedCall> calls_;
    std::string last_start_;  // the start of the last row taken in, to see a replaced log
    const std::vector<uint32_t>* order_ = &kNone;
    static const std::vector<uint32_t> kNone;
};

// The row's other party as the log holds it: the caller, or the number dialled out.
std::string_view party_number(const CallRows& rows, uint32_t row);

// The start of a row as IndexedCall holds it: local seconds and the offset; false for
// any text but "YYYY-MM-DDTHH:MM:SS+HH:MM".
bool read_start(std::string_view text, int64_t* local_s, int16_t* offset_min);

}  // namespace host::call_views
