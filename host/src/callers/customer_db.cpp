#include "callers/customer_db.h"

#include <algorithm>
#include <atomic>
#include <deque>

#include "platform/platform.h"
#include "platform/platform_thread.h"

namespace host::callers {

// Shared by the owner and the two threads, so that a worker left behind in the
// driver still has what it works on.
struct CustomerDb::State {
    State(std::unique_ptr<CustomerSource> s, const CustomerDbConfig& c, NumberPlan p, CustomerDbStatusSink st,
          CustomerDbLimits l)
        : source(std::move(s)), config(c), plan(std::move(p)), status(std::move(st)), limits(l), cache(l.cache) {}

    const std::unique_ptr<CustomerSource> source;
    const CustomerDbConfig config;
    const NumberPlan plan;
    const CustomerDbStatusSink status;
    const CustomerDbLimits limits;

    platform::Mutex mutex;  // everything below
    CustomerCache cache;
    std::deque<std::string> waiting;   // the first one is being asked
    std::deque<CustomerDbAnswer> answers;
    bool outage = false;               // a fault was told and no recovery yet
    int64_t query_started_ms = -1;     // -1: no query under way
    bool cancelled = false;            // the watchdog cancelled the query under way
    bool given_up = false;             // ... and it was past its grace too

    std::atomic<bool> stop{false};
    platform::Signal work, watch, worker_done;

    void tell(bool fault, const std::string& message) {
        // Once stopped, whoever listened may be gone (a worker left behind comes here).
        if (status && !stop) status({fault, mask_secrets(message)});
    }
    // Under the mutex: answers every waiting number as Unavailable.
    void drop_waiting() {
        for (const std::string& key : waiting) push_answer({key, LookupState::Unavailable, {}});
        waiting.clear();
    }
    void push_answer(CustomerDbAnswer a) {
        answers.push_back(std::move(a));
        while (answers.size() > limits.answers) answers.pop_front();
    }
    // The start of an outage is told once.
    void failed(const std::string& why) {
        mutex.lock();
        const bool first = !outage;
        outage = true;
        drop_waiting();
        mutex.unlock();
        if (first) tell(true, "customer database: " + why);
    }
    void answered() {
        mutex.lock();
        const bool back = outage;
        outage = false;
        mutex.unlock();
        if (back) tell(false, "customer database answers again");
    }
    bool run_query(const std::string& number, CustomerAnswer* answer, std::string* error);
    void worker();
    void watchdog();
};

namespace {
// A number no customer has: the query that tells whether a connection works again.
constexpr const char* kProbeNumber = "0";

// Workers that a driver did not give back at the end stay listed here until the
// process ends: reachable, and never joined.
void leave_behind(std::unique_ptr<platform::Thread> thread) {
    static auto* guard = new platform::Mutex;
    static auto* left = new std::vector<std::unique_ptr<platform::Thread>>;
    guard->lock();
    left->push_back(std::move(thread));
    guard->unlock();
}
}  // namespace

const char* lookup_state_name(LookupState state) {
    switch (state) {
        case LookupState::Found: return "found";
        case LookupState::NotFound: return "not found";
        case LookupState::Pending: return "pending";
        case LookupState::Unavailable: return "unavailable";
    }
    return "";
}

std::vector<std::string> CustomerDb::asked_forms(const std::string& key, const CustomerDbConfig& config,
                                                 const NumberPlan& plan) {
    std::vector<std::string> forms{key};
    const std::string& area = plan.area_code;
    if (config.local_form && !area.empty() && key.size() > area.size() && key.compare(0, area.size(), area) == 0) {
        const size_t local = key.size() - area.size();
        if (local == 7 || local == 8) forms.push_back(key.substr(area.size()));
    }
    return forms;
}

bool CustomerDb::State::run_query(const std::string& number, CustomerAnswer* answer, std::string* error) {
    mutex.lock();
    query_started_ms = platform::monotonic_ms();
    cancelled = given_up = false;
    mutex.unlock();
    const bool ok = source->query(number, answer, error);
    mutex.lock();
    query_started_ms = -1;
    const bool timed_out = cancelled;
    mutex.unlock();
    if (!ok && timed_out)
        *error = "no answer within " + std::to_string(config.timeout_s) + " s, the query was cancelled (" + *error + ")";
    return ok;
}

void CustomerDb::State::worker() {
    bool connected = false;
    int64_t next_attempt_ms = 0;
    int retry_ms = limits.first_retry_ms;
    const auto back_off = [&](const std::string& why) {
        source->disconnect();
        connected = false;
        failed(why);
        next_attempt_ms = platform::monotonic_ms() + retry_ms;
        retry_ms = std::min(retry_ms * 2, limits.max_retry_ms);
    };
    std::string error;
    while (!stop) {
        if (!connected) {
            const int64_t wait = next_attempt_ms - platform::monotonic_ms();
            if (wait > 0) {
                work.wait_ms(static_cast<int>(std::min<int64_t>(wait, 1000)));
                continue;
            }
            if (!source->connect(&error)) {
                back_off(error);
                continue;
            }
            connected = true;
            mutex.lock();
            const bool probe = outage;
            mutex.unlock();
            if (probe) {
                // Connecting is not answering: the outage ends with a query that works.
                CustomerAnswer unused;
                if (!run_query(kProbeNumber, &unused, &error)) {
                    back_off(error);
                    continue;
                }
                answered();
            }
            retry_ms = limits.first_retry_ms;
        }
        mutex.lock();
        const bool idle = waiting.empty();
        const std::string key = idle ? std::string() : waiting.front();
        mutex.unlock();
        if (idle) {
            work.wait_ms(1000);
            continue;
        }
        CustomerAnswer answer;
        bool ok = true;
        for (const std::string& form : CustomerDb::asked_forms(key, config, plan)) {
            ok = run_query(form, &answer, &error);
            if (!ok || answer.found) break;
        }
        if (!ok) {
            back_off(error);
            continue;
        }
        answered();
        mutex.lock();
        const int64_t now = platform::monotonic_ms();
        if (!waiting.empty() && waiting.front() == key) waiting.pop_front();
        push_answer({key, answer.found ? LookupState::Found : LookupState::NotFound, answer.card});
        cache.put(key, std::move(answer), now);
        mutex.unlock();
    }
    source->disconnect();
}

void CustomerDb::State::watchdog() {
    const int64_t limit_ms = static_cast<int64_t>(config.timeout_s) * 1000;
    while (!stop) {
        watch.wait_ms(100);
        mutex.lock();
        const int64_t started = query_started_ms;
        const int64_t late = started < 0 ? 0 : platform::monotonic_ms() - started - limit_ms;
        const bool cancel = late > 0 && !cancelled;
        const bool give_up = late > limits.grace_ms && !given_up;
        cancelled = cancelled || cancel;
        given_up = given_up || give_up;
        mutex.unlock();
        // The driver was told through the query's own time-out already; this is for
        // the drivers and servers that do not keep it.
        if (cancel) source->cancel();
        if (give_up) failed("no answer within " + std::to_string(config.timeout_s) + " s, and cancelling did not end it");
    }
}

CustomerDb::CustomerDb(const CustomerDbConfig& config, NumberPlan plan, CustomerDbStatusSink status,
                       CustomerDbLimits limits)
    : CustomerDb(make_odbc_source(config), config, std::move(plan), std::move(status), limits) {}

CustomerDb::CustomerDb(std::unique_ptr<CustomerSource> source, const CustomerDbConfig& config, NumberPlan plan,
                       CustomerDbStatusSink status, CustomerDbLimits limits)
    : state_(std::make_shared<State>(std::move(source), config, std::move(plan), std::move(status), limits)) {
    std::shared_ptr<State> s = state_;
    worker_ = std::make_unique<platform::Thread>([s] {
        s->worker();
        s->worker_done.notify();
    }, platform::Thread::Priority::Below);
    watchdog_ = std::make_unique<platform::Thread>([s] { s->watchdog(); });
}

CustomerDb::~CustomerDb() {
    state_->stop = true;
    state_->work.notify();
    state_->watch.notify();
    state_->source->cancel();
    watchdog_.reset();
    if (state_->worker_done.wait_ms(state_->limits.exit_wait_ms)) worker_.reset();
    else leave_behind(std::move(worker_));  // still inside the driver
}

CustomerLookup CustomerDb::lookup(const std::string& key) {
    CustomerLookup result;
    if (key.empty()) return result;
    State& s = *state_;
    if (!s.mutex.try_lock()) {
        result.state = LookupState::Pending;
        return result;
    }
    bool queued = false;
    if (const CustomerAnswer* a = s.cache.get(key, platform::monotonic_ms())) {
        result.state = a->found ? LookupState::Found : LookupState::NotFound;
        if (a->found) result.card = a->card;
    } else if (s.outage) {
        result.state = LookupState::Unavailable;
    } else if (std::find(s.waiting.begin(), s.waiting.end(), key) != s.waiting.end()) {
        result.state = LookupState::Pending;
    } else if (s.waiting.size() >= s.limits.waiting) {
        result.state = LookupState::Unavailable;
    } else {
        s.waiting.push_back(key);
        result.state = LookupState::Pending;
        queued = true;
    }
    s.mutex.unlock();
    if (queued) s.work.notify();
    return result;
}

void CustomerDb::take_answers(std::vector<CustomerDbAnswer>* out) {
    State& s = *state_;
    if (!s.mutex.try_lock()) return;
    for (CustomerDbAnswer& a : s.answers) out->push_back(std::move(a));
    s.answers.clear();
    s.mutex.unlock();
}

}  // namespace host::callers
