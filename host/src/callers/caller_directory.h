// Who is calling: the one place that asks the phonebook and the business database for
// a number, the phonebook first (it answers at once), the database when the phonebook
// does not know the number. One directory per thread that asks (the recording loop has
// its own, the web console its own): it keeps the phonebook snapshot it last took.
#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "callers/customer_db.h"
#include "callers/number_key.h"
#include "callers/phonebook.h"

namespace host::callers {

struct CallerLookup {
    std::string key;  // the number key; empty when the number holds none
    LookupState state = LookupState::NotFound;
    CallerCard card;  // when Found
};

class CallerDirectory {
public:
    // Either source may be null.
    CallerDirectory(NumberPlan plan, const Phonebook* phonebook, CustomerDb* database)
        : plan_(std::move(plan)), phonebook_(phonebook), database_(database) {}

    // `number` as the line, the phonebook or the person gave it. Never waits.
    CallerLookup lookup(std::string_view number);
    // Database answers that came since the last call, keyed like lookup()'s.
    void take_answers(std::vector<CustomerDbAnswer>* out);
    // The number keys of the phonebook's contacts whose name or company holds `text`.
    std::vector<std::string> keys_named(std::string_view text, size_t limit);

    const NumberPlan& plan() const { return plan_; }
    // Which of the phonebook's snapshots (its generation()) the look-ups read; 0 before
    // the first could be taken. Behind the phonebook's while a swap kept it from taking
    // the new one: a number asked then may be named once it catches up.
    uint32_t phonebook_generation() const { return snapshot_ ? generation_ : 0; }

private:
    const PhonebookSnapshot* snapshot();

    NumberPlan plan_;
    const Phonebook* phonebook_;
    CustomerDb* database_;
    std::shared_ptr<const PhonebookSnapshot> snapshot_;
    std::shared_ptr<const PhonebookSnapshot> retiring_;  // handed back to the phonebook when it can take it
    uint32_t generation_ = 0;
};

}  // namespace host::callers
