#include "callers/contact.h"

namespace host::callers {

void Contact::clear() {
    name.clear();
    company.clear();
    address.clear();
    note.clear();
    numbers.clear();
    more.clear();
    line = 0;
}

std::string_view trim(std::string_view text) {
    for (;;) {
        if (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\r' || text.front() == '\n'))
            text.remove_prefix(1);
        else if (text.substr(0, 3) == "\xE3\x80\x80")
            text.remove_prefix(3);
        else
            break;
    }
    for (;;) {
        if (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n'))
            text.remove_suffix(1);
        else if (text.size() >= 3 && text.substr(text.size() - 3) == "\xE3\x80\x80")
            text.remove_suffix(3);
        else
            break;
    }
    return text;
}

std::vector<std::string> split_numbers(std::string_view cell) {
    // '/', '|', '\n', ',', ';', and 、 ， ； (U+3001, U+FF0C, U+FF1B).
    static constexpr std::string_view kSeparators[] = {"/", "|", "\n", ",", ";", "\xE3\x80\x81", "\xEF\xBC\x8C",
                                                       "\xEF\xBC\x9B"};
    std::vector<std::string> numbers;
    size_t start = 0;
    for (size_t i = 0; i <= cell.size();) {
        size_t width = 0;
        if (i < cell.size())
            for (std::string_view sep : kSeparators)
                if (cell.substr(i, sep.size()) == sep) width = sep.size();
        if (i == cell.size() || width > 0) {
            const std::string_view part = trim(cell.substr(start, i - start));
            if (!part.empty()) numbers.emplace_back(part);
            if (i == cell.size()) break;
            i += width;
            start = i;
        } else {
            ++i;
        }
    }
    return numbers;
}

bool is_scientific_notation(std::string_view cell) {
    cell = trim(cell);
    size_t i = 0;
    const auto digits = [&] {
        const size_t from = i;
        while (i < cell.size() && cell[i] >= '0' && cell[i] <= '9') ++i;
        return i > from;
    };
    if (!digits()) return false;
    if (i < cell.size() && cell[i] == '.') {
        ++i;
        if (!digits()) return false;
    }
    if (i + 1 >= cell.size() || (cell[i] != 'E' && cell[i] != 'e') || cell[i + 1] != '+') return false;
    i += 2;
    return digits() && i == cell.size();
}

}  // namespace host::callers
