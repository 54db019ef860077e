#include "call_views/call_index.h"

#include <algorithm>

#include "call_log/time_text.h"
#include "callers/phonebook_snapshot.h"

namespace host::call_views {

const std::vector<uint32_t> CallIndex::kNone;

namespace {
bool digits_at(std::string_view s, size_t at, size_t n, int* out) {
    int v = 0;
    for (size_t i = at; i < at + n; ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        v = v * 10 + (s[i] - '0');
    }
    *out = v;
    return true;
}

CallKind kind_of(std::string_view direction, std::string_view outcome, uint32_t seconds) {
    if (direction == "outgoing") return CallKind::Outgoing;
    // A call that rang and was never talked on went unanswered, whatever ended it.
    return outcome == "answered" || seconds > 0 ? CallKind::Answered : CallKind::Missed;
}
}  // namespace

bool read_start(std::string_view t, int64_t* local_s, int16_t* offset_min) {
    // As the call log's own order reads it (the local time, years 2000 to 2132), so that
    // the two orders agree; the offset after it when there is one.
    static constexpr std::string_view shape = "dddd-dd-ddTdd:dd:dd";
    if (t.size() < shape.size()) return false;
    for (size_t i = 0; i < shape.size(); ++i)
        if (shape[i] != 'd' && t[i] != shape[i]) return false;
    int y, mo, d, h, mi, s, oh = 0, om = 0;
    if (!digits_at(t, 0, 4, &y) || !digits_at(t, 5, 2, &mo) || !digits_at(t, 8, 2, &d) || !digits_at(t, 11, 2, &h) ||
        !digits_at(t, 14, 2, &mi) || !digits_at(t, 17, 2, &s))
        return false;
    if (y < 2000 || y >= 2133 || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 60) return false;
    const bool offset = t.size() == 25 && (t[19] == '+' || t[19] == '-') && t[22] == ':' && digits_at(t, 20, 2, &oh) &&
                        digits_at(t, 23, 2, &om) && oh <= 14 && om <= 59;
    *local_s = static_cast<int64_t>(days_from_civil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d))) * 86400 +
               h * 3600 + mi * 60 + s;
    *offset_min = offset ? static_cast<int16_t>((t[19] == '-' ? -1 : 1) * (oh * 60 + om)) : 0;
    return true;
}

std::string_view party_number(const CallRows& rows, uint32_t row) {
    return rows.field(row, CallColumn::Direction) == "outgoing" ? rows.field(row, CallColumn::Digits)
                                                                : rows.field(row, CallColumn::Caller);
}

uint64_t CallIndex::key_of(std::string_view number) const {
    return callers::pack_key(callers::number_key(number, plan_));
}

void CallIndex::update(const CallRows& rows) {
    const size_t had = calls_.size();
    const bool replaced = rows.size() < had || (had > 0 && rows.field(had - 1, CallColumn::Start) != last_start_);
    if (replaced) calls_.clear();
    calls_.reserve(rows.size());
    for (uint32_t row = static_cast<uint32_t>(calls_.size()); row < rows.size(); ++row) {
        IndexedCall c;
        int64_t local_s = 0;
        if (read_start(rows.field(row, CallColumn::Start), &local_s, &c.offset_min))
            c.since_2000 = static_cast<uint32_t>(local_s - IndexedCall::k2000);
        int value = 0;
        const std::string_view seconds = rows.field(row, CallColumn::Seconds);
        if (seconds.size() <= 9 && digits_at(seconds, 0, seconds.size(), &value)) c.seconds = static_cast<uint32_t>(value);
        const std::string_view box = rows.field(row, CallColumn::Box);
        if (box.size() <= 9 && digits_at(box, 0, box.size(), &value)) c.serial = value;
        c.kind = kind_of(rows.field(row, CallColumn::Direction), rows.field(row, CallColumn::Outcome), c.seconds);
        c.key = key_of(party_number(rows, row));
        calls_.push_back(c);
    }
    if (!calls_.empty()) last_start_ = std::string(rows.field(calls_.size() - 1, CallColumn::Start));
    order_ = &rows.in_start_order();
}

size_t CallIndex::first_on_day(long day) const {
    const int64_t from = int64_t{day} * 86400;
    const auto& order = *order_;
    return static_cast<size_t>(
        std::partition_point(order.begin(), order.end(), [&](uint32_t row) { return calls_[row].local_s() < from; }) -
        order.begin());
}

std::vector<uint32_t> CallIndex::party_calls(uint64_t key) const {
    std::vector<uint32_t> found;
    if (key == 0) return found;
    for (uint32_t row = 0; row < calls_.size(); ++row)
        if (calls_[row].key == key) found.push_back(row);
    std::sort(found.begin(), found.end(), [this](uint32_t a, uint32_t b) {
        return calls_[a].since_2000 != calls_[b].since_2000 ? calls_[a].since_2000 > calls_[b].since_2000 : a > b;
    });
    return found;
}

}  // namespace host::call_views
