#include "callers/caller_directory.h"

namespace host::callers {

const PhonebookSnapshot* CallerDirectory::snapshot() {
    if (phonebook_ == nullptr) return nullptr;
    const uint32_t generation = phonebook_->generation();
    // Taken again only when a reload published a new one, and only if that can be done
    // without waiting; until then the one before serves. The one before is handed back
    // rather than freed here.
    if (generation != generation_ || !snapshot_) {
        if (retiring_) phonebook_->try_retire(&retiring_);
        std::shared_ptr<const PhonebookSnapshot> fresh;
        if (!retiring_ && phonebook_->try_snapshot(&fresh)) {
            retiring_ = std::move(snapshot_);
            snapshot_ = std::move(fresh);
            generation_ = generation;
        }
    }
    if (retiring_) phonebook_->try_retire(&retiring_);
    return snapshot_.get();
}

CallerLookup CallerDirectory::lookup(std::string_view number) {
    CallerLookup result;
    result.key = number_key(number, plan_);
    if (result.key.empty()) return result;
    if (const PhonebookSnapshot* book = snapshot()) {
        if (auto card = book->find(result.key)) {
            result.state = LookupState::Found;
            result.card = std::move(*card);
            return result;
        }
    }
    if (database_ == nullptr) return result;
    CustomerLookup asked = database_->lookup(result.key);
    result.state = asked.state;
    result.card = std::move(asked.card);
    return result;
}

void CallerDirectory::take_answers(std::vector<CustomerDbAnswer>* out) {
    if (database_ != nullptr) database_->take_answers(out);
}

std::vector<std::string> CallerDirectory::keys_named(std::string_view text, size_t limit) {
    const PhonebookSnapshot* book = snapshot();
    return book == nullptr ? std::vector<std::string>() : book->keys_named(text, limit);
}

}  // namespace host::callers
