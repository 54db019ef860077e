// Who is calling, for the recording loop: the phonebook's thread and the database's
// worker are started here, the loop's own directory asks them for each line's caller
// when the number comes and takes the database's answers as they come, and what the
// two report from their threads reaches the loop's event lines. Never waits.
#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "call_log/call_event.h"
#include "callers/caller_directory.h"
#include "lines/line_watcher.h"
#include "options/host_options.h"
#include "platform/platform_thread.h"

namespace host {

class CallerNames {
public:
    // `events` hears, on the loop's thread, of every phonebook line or file that cannot
    // be read, of the database failing and coming back (faults), and of a caller the
    // database named after the number came (named).
    CallerNames(const HostOptions& options, const HostClock& clock, CallEventSink events);
    ~CallerNames();

    // Reads the connection file and the phonebooks, then starts their threads (the
    // phonebook's, looking every `watch_ms`, only when above 0); false with the reason
    // when the connection file cannot be used. `source` (benchmarks) asks instead of
    // the file's connection.
    bool start(std::string* error, int watch_ms = 2000, std::unique_ptr<callers::CustomerSource> source = nullptr);
    bool any() const { return phonebook_ || database_; }
    // Once a round: the cards of new callers, the database's answers, the reports.
    // True when a line's card changed.
    bool tick(const std::vector<LineState>& lines);
    // The card of the caller on `slot`'s line as known now (empty when none).
    const callers::CallerCard& card(int slot) const;
    const std::vector<callers::CallerCard>& cards() const { return cards_; }
    // Puts the name, company and address of the event's caller into it, asking for a
    // number not asked yet.
    void name(CallEvent* e);

    // For a job that may wait (--calls): the name (and company) of `number` on the
    // screen, the database given up to `wait_ms` to answer.
    std::string name_now(std::string_view number, int wait_ms);

    // For the console's own directory, on its own thread.
    const callers::Phonebook* phonebook() const { return phonebook_.get(); }
    callers::CustomerDb* database() const { return database_.get(); }
    const callers::NumberPlan& plan() const { return plan_; }

private:
    struct Line {
        std::string number;  // the caller asked for
        std::string key;
        callers::LookupState state = callers::LookupState::NotFound;
    };
    // Asks for `number` on `slot` when it is not the number asked for already; true
    // when the card changed.
    bool ask(size_t slot, const std::string& number);
    void take_reports();

    const HostOptions& options_;
    const HostClock& clock_;
    CallEventSink faults_;
    callers::NumberPlan plan_;
    std::unique_ptr<callers::Phonebook> phonebook_;
    std::unique_ptr<callers::CustomerDb> database_;
    std::unique_ptr<callers::CallerDirectory> directory_;
    std::vector<Line> lines_;
    std::vector<callers::CallerCard> cards_;
    uint32_t generation_ = 0;  // the phonebook's, when the lines were last asked
    std::vector<callers::CustomerDbAnswer> answers_;

    // Filled by the other threads, emptied by the loop when it gets the lock at once.
    struct Reports {
        platform::Mutex mutex;
        std::vector<CallEvent> waiting;
    };
    std::shared_ptr<Reports> reports_ = std::make_shared<Reports>();
};

}  // namespace host
