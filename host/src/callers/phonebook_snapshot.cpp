#include "callers/phonebook_snapshot.h"

#include <algorithm>
#include <limits>

namespace host::callers {

namespace {
constexpr size_t kMinKeyDigits = 3;  // 110, 119: nothing shorter calls

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool holds(std::string_view hay, std::string_view needle) {
    return std::search(hay.begin(), hay.end(), needle.begin(), needle.end(),
                       [](char a, char b) { return lower(a) == lower(b); }) != hay.end();
}
}  // namespace

uint64_t pack_key(std::string_view key) {
    if (key.empty() || key.size() > kMaxKeyDigits) return 0;
    uint64_t code = 1;
    for (char c : key) {
        if (c < '0' || c > '9') return 0;
        code = code * 10 + static_cast<uint64_t>(c - '0');
    }
    return code;
}
static_assert(kMaxKeyDigits == 18, "1 followed by 18 digits is the most a 64-bit code holds");

std::string unpack_key(uint64_t code) {
    std::string digits = std::to_string(code);
    return digits.substr(1);
}

ContactTable::Span ContactTable::put(std::string_view text) {
    Span s;
    s.at = static_cast<uint32_t>(text_.size());
    s.size = static_cast<uint32_t>(text.size());
    text_.append(text);
    return s;
}

bool ContactTable::add(const Contact& c, const NumberPlan& plan) {
    const size_t codes_at = codes_.size();
    for (const std::string& number : c.numbers) {
        const std::string key = number_key(number, plan);
        const uint64_t code = key.size() >= kMinKeyDigits ? pack_key(key) : 0;
        if (code != 0 && std::find(codes_.begin() + static_cast<std::ptrdiff_t>(codes_at), codes_.end(), code) == codes_.end())
            codes_.push_back(code);
    }
    const size_t codes = codes_.size() - codes_at;
    // A packed table stays below 4 GB of text and 65535 numbers or columns a contact.
    if (codes == 0 || codes > std::numeric_limits<uint16_t>::max() ||
        text_.size() > std::numeric_limits<uint32_t>::max() / 2) {
        codes_.resize(codes_at);
        return false;
    }
    Row row;
    row.codes_at = static_cast<uint32_t>(codes_at);
    row.codes = static_cast<uint16_t>(codes);
    row.name = put(c.name);
    row.company = put(c.company);
    row.address = put(c.address);
    row.note = put(c.note);
    row.more_at = static_cast<uint32_t>(more_.size());
    for (const auto& [heading, value] : c.more) {
        if (more_.size() - row.more_at == std::numeric_limits<uint16_t>::max()) break;
        // Headings repeat on every row of a file: the last few are kept once each.
        auto found = std::find(headings_.rbegin(), headings_.rend(), heading);
        uint32_t h = 0;
        if (found != headings_.rend()) {
            h = static_cast<uint32_t>(headings_.rend() - found - 1);
        } else {
            h = static_cast<uint32_t>(headings_.size());
            headings_.push_back(heading);
        }
        more_.push_back({h, put(value)});
    }
    row.more = static_cast<uint16_t>(more_.size() - row.more_at);
    rows_.push_back(row);
    return true;
}

void ContactTable::shrink() {
    text_.shrink_to_fit();
    rows_.shrink_to_fit();
    more_.shrink_to_fit();
    codes_.shrink_to_fit();
}

CallerCard ContactTable::card(uint32_t row) const {
    const Row& r = rows_[row];
    CallerCard card;
    card.name = text(r.name);
    card.company = text(r.company);
    card.address = text(r.address);
    card.note = text(r.note);
    for (uint32_t k = r.more_at; k < r.more_at + r.more; ++k)
        card.more.emplace_back(headings_[more_[k].heading], text(more_[k].value));
    card.source = source_;
    return card;
}

bool ContactTable::names_hold(uint32_t row, std::string_view needle) const {
    const Row& r = rows_[row];
    const std::string_view all(text_);
    return holds(all.substr(r.name.at, r.name.size), needle) || holds(all.substr(r.company.at, r.company.size), needle);
}

PhonebookSnapshot::PhonebookSnapshot(std::vector<std::shared_ptr<const ContactTable>> tables)
    : tables_(std::move(tables)) {
    size_t codes = 0;
    for (const auto& t : tables_) {
        contacts_ += t->size();
        for (uint32_t r = 0; r < t->size(); ++r) codes += static_cast<size_t>(t->codes_end(r) - t->codes_begin(r));
    }
    index_.reserve(codes);
    for (uint32_t ti = 0; ti < tables_.size(); ++ti) {
        const ContactTable& t = *tables_[ti];
        for (uint32_t r = 0; r < t.size(); ++r)
            for (const uint64_t* c = t.codes_begin(r); c != t.codes_end(r); ++c) index_.push_back({*c, ti, r});
    }
    // Entries went in in file and row order; the stable sort keeps the first of a key.
    std::stable_sort(index_.begin(), index_.end(), [](const Entry& a, const Entry& b) { return a.code < b.code; });
    index_.erase(std::unique(index_.begin(), index_.end(), [](const Entry& a, const Entry& b) { return a.code == b.code; }),
                 index_.end());
    index_.shrink_to_fit();
}

const PhonebookSnapshot::Entry* PhonebookSnapshot::lookup(std::string_view key) const {
    const uint64_t code = pack_key(key);
    if (code == 0) return nullptr;
    const auto it = std::lower_bound(index_.begin(), index_.end(), code,
                                     [](const Entry& e, uint64_t c) { return e.code < c; });
    return it != index_.end() && it->code == code ? &*it : nullptr;
}

std::optional<CallerCard> PhonebookSnapshot::find(std::string_view key) const {
    const Entry* e = lookup(key);
    if (e == nullptr) return std::nullopt;
    return tables_[e->table]->card(e->row);
}

bool PhonebookSnapshot::contains(std::string_view key) const { return lookup(key) != nullptr; }

std::vector<std::string> PhonebookSnapshot::keys_named(std::string_view text, size_t limit) const {
    std::vector<std::string> keys;
    if (text.empty()) return keys;
    for (uint32_t ti = 0; ti < tables_.size() && keys.size() < limit; ++ti) {
        const ContactTable& t = *tables_[ti];
        for (uint32_t r = 0; r < t.size() && keys.size() < limit; ++r) {
            if (!t.names_hold(r, text)) continue;
            for (const uint64_t* c = t.codes_begin(r); c != t.codes_end(r) && keys.size() < limit; ++c) {
                // Only the numbers this contact names in the merged index.
                const Entry* e = lookup(unpack_key(*c));
                if (e != nullptr && e->table == ti && e->row == r) keys.push_back(unpack_key(*c));
            }
        }
    }
    return keys;
}

}  // namespace host::callers
