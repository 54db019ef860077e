// A contact as the phonebook readers hand it on, before it is stored compactly, and
// what a reader says of a line it could not read.
#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace host::callers {

struct Contact {
    std::string name, company, address, note;  // UTF-8
    std::vector<std::string> numbers;          // as written, one number each
    std::vector<std::pair<std::string, std::string>> more;  // heading, value
    int line = 0;                              // where it starts in its file

    void clear();
};

using ContactSink = std::function<void(const Contact&)>;

struct LineReport {
    int line = 0;  // 1-based; 0 for the file as a whole
    std::string what;
};

// The numbers in one cell: people put several in one ("13812345678 / 0571-88881234",
// "13812345678、13987654321", one a line). Blanks inside a number are kept for the key.
std::vector<std::string> split_numbers(std::string_view cell);

// A spreadsheet shows a long number stored as a number in scientific notation
// (1.38123E+10) and saves it so: its digits are lost.
bool is_scientific_notation(std::string_view cell);

// ASCII blanks (and U+3000) off both ends.
std::string_view trim(std::string_view text);

}  // namespace host::callers
