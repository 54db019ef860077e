#include "loop/caller_names.h"

#include "callers/customer_db_config.h"
#include "callers/settings_connection.h"
#include "platform/platform.h"

namespace host {

namespace {
const callers::CallerCard kNoCard;
}  // namespace

CallerNames::CallerNames(const HostOptions& options, const HostClock& clock, CallEventSink events)
    : options_(options), clock_(clock), faults_(std::move(events)), plan_{options.area_code} {}

CallerNames::~CallerNames() {
    // The console's directory and the loop's are gone by now; the threads stop here.
    directory_.reset();
    database_.reset();
    phonebook_.reset();
}

bool CallerNames::start(std::string* error, int watch_ms, std::unique_ptr<callers::CustomerSource> source) {
    const std::shared_ptr<Reports> reports = reports_;
    auto report = [reports](CallEvent e) {
        reports->mutex.lock();
        if (reports->waiting.size() < 256) reports->waiting.push_back(std::move(e));
        reports->mutex.unlock();
    };
    if (!options_.customers_odbc.empty()) {
        callers::CustomerDbConfig config;
        std::string why;
        if (!callers::read_customer_db_config(options_.customers_odbc, &config, &why) ||
            (!source && !callers::resolve_connection(&config, &why))) {
            *error = "--customers-odbc " + options_.customers_odbc + ": " + callers::mask_secrets(why);
            // Offered, not taken unasked: the office may mean another database.
            if (config.connection.empty() && !config.from_settings && callers::saved_settings_exist())
                *error += " (the settings tool has a connection saved for this user: \"connection = settings\" uses it)";
            return false;
        }
        const std::string file = options_.customers_odbc;
        const HostClock* clock = &clock_;
        callers::CustomerDbStatusSink status = [report, file, clock](const callers::CustomerDbStatus& s) {
            CallEvent e;
            e.kind = CallEventKind::Fault;
            e.at_ms = clock->now_ms();
            e.file = file;
            e.note = s.message;
            report(std::move(e));
        };
        database_ = source ? std::make_unique<callers::CustomerDb>(std::move(source), config, plan_, status)
                           : std::make_unique<callers::CustomerDb>(config, plan_, status);
    }
    if (!options_.phonebooks.empty()) {
        const HostClock* clock = &clock_;
        phonebook_ = std::make_unique<callers::Phonebook>(
            options_.phonebooks, plan_, [report, clock](const callers::PhonebookReport& r) {
                CallEvent e;
                e.kind = CallEventKind::Fault;
                e.at_ms = clock->now_ms();
                e.file = r.line > 0 ? r.file + ":" + std::to_string(r.line) : r.file;
                e.note = r.what;
                report(std::move(e));
            });
        phonebook_->load();
        if (watch_ms > 0) phonebook_->watch(watch_ms);
    }
    directory_ = std::make_unique<callers::CallerDirectory>(plan_, phonebook_.get(), database_.get());
    take_reports();
    return true;
}

const callers::CallerCard& CallerNames::card(int slot) const {
    return slot >= 0 && static_cast<size_t>(slot) < cards_.size() ? cards_[static_cast<size_t>(slot)] : kNoCard;
}

bool CallerNames::ask(size_t slot, const std::string& number) {
    if (slot >= lines_.size()) {
        lines_.resize(slot + 1);
        cards_.resize(slot + 1);
    }
    Line& line = lines_[slot];
    if (number == line.number) return false;
    line = Line();
    line.number = number;
    const bool had = !cards_[slot].name.empty() || !cards_[slot].company.empty();
    cards_[slot] = callers::CallerCard();
    if (!number.empty()) {
        callers::CallerLookup found = directory_->lookup(number);
        line.key = std::move(found.key);
        line.state = found.state;
        if (found.state == callers::LookupState::Found) cards_[slot] = std::move(found.card);
    }
    return had || line.state == callers::LookupState::Found;
}

bool CallerNames::tick(const std::vector<LineState>& lines) {
    if (!directory_) return false;
    take_reports();
    bool changed = false;
    // A phonebook read again may name a caller differently, and one the directory could
    // not take yet (a swap under way) named none: every line is asked again until the
    // directory reads the phonebook's latest.
    if (phonebook_) {
        const uint32_t taken = directory_->phonebook_generation();
        if (taken != generation_ || taken != phonebook_->generation()) {
            generation_ = taken;
            for (Line& line : lines_) line.number.clear();
        }
    }
    for (size_t slot = 0; slot < lines.size(); ++slot) {
        const LineState& l = lines[slot];
        changed |= ask(slot, l.phase == LineState::Phase::Idle ? std::string() : l.caller);
    }
    answers_.clear();
    directory_->take_answers(&answers_);
    for (callers::CustomerDbAnswer& a : answers_)
        for (size_t slot = 0; slot < lines_.size(); ++slot) {
            Line& line = lines_[slot];
            if (line.state != callers::LookupState::Pending || line.key != a.key) continue;
            line.state = a.state;
            if (a.state != callers::LookupState::Found || slot >= lines.size()) continue;
            cards_[slot] = a.card;
            changed = true;
            // The number's line was printed without the name: the name gets one of its own.
            CallEvent e;
            e.kind = CallEventKind::Named;
            e.at_ms = clock_.now_ms();
            e.slot = static_cast<int>(slot);
            e.serial = lines[slot].serial;
            e.caller = lines[slot].caller;
            e.caller_name = a.card.name;
            e.caller_company = a.card.company;
            e.caller_address = a.card.address;
            faults_(e);
        }
    return changed;
}

void CallerNames::name(CallEvent* e) {
    if (!directory_ || e->slot < 0 || e->caller.empty()) return;
    ask(static_cast<size_t>(e->slot), e->caller);
    const callers::CallerCard& c = card(e->slot);
    e->caller_name = c.name;
    e->caller_company = c.company;
    e->caller_address = c.address;
}

std::string CallerNames::name_now(std::string_view number, int wait_ms) {
    if (!directory_) return std::string();
    const int64_t deadline = platform::monotonic_ms() + wait_ms;
    callers::CallerLookup l = directory_->lookup(number);
    while (l.state == callers::LookupState::Pending && platform::monotonic_ms() < deadline) {
        platform::sleep_ms(2);
        l = directory_->lookup(number);
    }
    take_reports();
    std::string who = l.card.name;
    if (!l.card.company.empty()) who += who.empty() ? l.card.company : " / " + l.card.company;
    return callers::screen_text(who);
}

void CallerNames::take_reports() {
    if (!reports_->mutex.try_lock()) return;
    std::vector<CallEvent> taken;
    taken.swap(reports_->waiting);
    reports_->mutex.unlock();
    for (const CallEvent& e : taken) faults_(e);
}

}  // namespace host
