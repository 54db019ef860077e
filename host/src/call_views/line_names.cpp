#include "call_views/line_names.h"

#include <fstream>
#include <iterator>

#include "callers/text_codec.h"
#include "platform/platform.h"

namespace host::call_views {

namespace {
std::string_view trimmed(std::string_view s) {
    const size_t first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

bool serial_of(std::string_view text, int* serial) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string_view::npos) return false;
    *serial = std::stoi(std::string(text));
    return *serial > 0;
}

bool has_control(std::string_view s) {
    for (unsigned char c : s)
        if (c < 0x20 || c == 0x7F) return true;
    return false;
}
}  // namespace

bool LineNames::read(std::string_view bytes, std::string* error) {
    const callers::DecodedText decoded = callers::decode_text(bytes);
    names_.clear();
    order_.clear();
    std::string_view text = decoded.text;
    for (int line = 1; !text.empty(); ++line) {
        const size_t end = text.find('\n');
        const std::string_view raw = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        const std::string_view entry = trimmed(raw);
        if (entry.empty() || entry.front() == '#') continue;
        auto refuse = [&](const std::string& why) {
            *error = "line " + std::to_string(line) + ": " + why;
            names_.clear();
            order_.clear();
            return false;
        };
        for (int bad : decoded.bad_lines)
            if (bad == line) return refuse("not UTF-8 or GBK text");
        const size_t eq = entry.find('=');
        int serial = 0;
        if (eq == std::string_view::npos || !serial_of(trimmed(entry.substr(0, eq)), &serial))
            return refuse("not serial=name (e.g. 5002=前台)");
        const std::string_view name = trimmed(entry.substr(eq + 1));
        if (name.empty() || name.size() > kMostNameBytes || has_control(name))
            return refuse("a name of 1 to " + std::to_string(kMostNameBytes) + " bytes, on one line");
        if (names_.count(serial)) return refuse("box " + std::to_string(serial) + " is named twice");
        if (names_.size() == kMostEntries) return refuse("more than " + std::to_string(kMostEntries) + " boxes");
        names_.emplace(serial, std::string(name));
        order_.emplace(serial, order_.size());
    }
    return true;
}

std::string LineNames::name(int serial) const {
    const auto it = names_.find(serial);
    return it == names_.end() ? std::to_string(serial) : it->second;
}

bool read_line_names_file(const std::string& path, LineNames* names, std::string* error) {
    constexpr std::streamsize kMostFileBytes = 64 * 1024;
    std::ifstream in(platform::fs_path(path), std::ios::binary);
    if (!in) {
        *error = "cannot read the line names file " + path;
        return false;
    }
    std::string bytes(static_cast<size_t>(kMostFileBytes) + 1, '\0');
    in.read(&bytes[0], kMostFileBytes + 1);
    bytes.resize(static_cast<size_t>(in.gcount()));
    if (bytes.size() > static_cast<size_t>(kMostFileBytes)) {
        *error = "the line names file " + path + " is larger than 64 KB";
        return false;
    }
    std::string why;
    if (names->read(bytes, &why)) return true;
    *error = "the line names file " + path + ", " + why;
    return false;
}

}  // namespace host::call_views
