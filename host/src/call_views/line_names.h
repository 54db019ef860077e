// The office's names for its lines: a line is the box that carries it (its serial code),
// wherever it is plugged in. The names come from a text file of `serial=name` lines,
// UTF-8 or GBK like the phonebook ("5002=前台 8888 1234"); a box without one goes by its
// serial code.
#pragma once
#include <map>
#include <string>
#include <string_view>

namespace host::call_views {

class LineNames {
public:
    // The file's text, decoded; false with the first line that is no entry ("line 3: ...").
    bool read(std::string_view bytes, std::string* error);
    // The box's name, or its serial code as text.
    std::string name(int serial) const;
    // The boxes named, in the file's order.
    const std::map<int, size_t>& order() const { return order_; }
    size_t size() const { return names_.size(); }

    static constexpr size_t kMostNameBytes = 120;
    static constexpr size_t kMostEntries = 256;

private:
    std::map<int, std::string> names_;
    std::map<int, size_t> order_;  // serial: its place in the file
};

// Reads the file; false with the reason when it cannot be read or used.
bool read_line_names_file(const std::string& path, LineNames* names, std::string* error);

}  // namespace host::call_views
