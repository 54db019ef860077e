// The phonebook in memory: each file's contacts packed into one block of text, and one
// sorted index of number keys over all files. A snapshot never changes once built, so
// any thread may read it while a newer one is being built.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "callers/caller_card.h"
#include "callers/contact.h"
#include "callers/number_key.h"

namespace host::callers {

// The contacts of one file.
class ContactTable {
public:
    explicit ContactTable(std::string source) : source_(std::move(source)) {}

    // Stores `c` with the keys of its numbers (those that give one of 3 digits or more,
    // and that fit kMaxKeyDigits); a contact with no key is not stored. False then.
    bool add(const Contact& c, const NumberPlan& plan);
    void shrink();  // once the file is read

    size_t size() const { return rows_.size(); }
    const std::string& source() const { return source_; }
    CallerCard card(uint32_t row) const;
    // Ranges of the packed keys of a row.
    const uint64_t* codes_begin(uint32_t row) const { return codes_.data() + rows_[row].codes_at; }
    const uint64_t* codes_end(uint32_t row) const { return codes_begin(row) + rows_[row].codes; }
    // True when the name or the company holds `needle` (ASCII letters in any case).
    bool names_hold(uint32_t row, std::string_view needle) const;

private:
    struct Span {
        uint32_t at = 0, size = 0;
    };
    struct Row {
        Span name, company, address, note;
        uint32_t more_at = 0;
        uint32_t codes_at = 0;
        uint16_t more = 0;
        uint16_t codes = 0;
    };
    struct More {
        uint32_t heading;  // index into headings_
        Span value;
    };
    Span put(std::string_view text);
    std::string text(Span s) const { return text_.substr(s.at, s.size); }

    std::string source_;
    std::string text_;
    std::vector<Row> rows_;
    std::vector<More> more_;
    std::vector<std::string> headings_;
    std::vector<uint64_t> codes_;
};

// A key packed into 64 bits: "1" and its digits read as a number, so that leading
// zeros count. 0 when the key is empty, too long or not all digits.
uint64_t pack_key(std::string_view key);
std::string unpack_key(uint64_t code);

class PhonebookSnapshot {
public:
    PhonebookSnapshot() = default;
    // Tables in the order of the files: where two hold the same number, the earlier
    // file (and in it the earlier row) names it.
    explicit PhonebookSnapshot(std::vector<std::shared_ptr<const ContactTable>> tables);

    std::optional<CallerCard> find(std::string_view key) const;
    bool contains(std::string_view key) const;
    // Keys of the contacts whose name or company holds `text`, for a search by name;
    // at most `limit`.
    std::vector<std::string> keys_named(std::string_view text, size_t limit) const;

    size_t contacts() const { return contacts_; }
    size_t numbers() const { return index_.size(); }

private:
    struct Entry {
        uint64_t code;
        uint32_t table;
        uint32_t row;
    };
    const Entry* lookup(std::string_view key) const;

    std::vector<std::shared_ptr<const ContactTable>> tables_;
    std::vector<Entry> index_;
    size_t contacts_ = 0;
};

}  // namespace host::callers
