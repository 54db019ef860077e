#include "callers/customer_db_config.h"

#include <vector>

#include "callers/contact.h"
#include "callers/text_codec.h"
#include "platform/whole_file.h"

namespace host::callers {

namespace {

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool ends_with(const std::string& s, std::string_view end) {
    return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

bool parse_timeout(std::string_view text, int* seconds) {
    if (text.empty() || text.size() > 4) return false;
    int v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    if (v < 1 || v > 600) return false;
    *seconds = v;
    return true;
}

}  // namespace

int parameter_count(std::string_view query) {
    int count = 0;
    char closing = 0;
    for (char c : query) {
        if (closing != 0) {
            if (c == closing) closing = 0;  // a doubled quote closes and opens again
        } else if (c == '\'' || c == '"') {
            closing = c;
        } else if (c == '[') {
            closing = ']';
        } else if (c == '?') {
            ++count;
        }
    }
    return count;
}

bool parse_customer_db_config(std::string_view text, CustomerDbConfig* config, std::string* error) {
    *config = CustomerDbConfig();
    const DecodedText decoded = decode_text(text);
    std::string_view rest = decoded.text;
    // Logical lines: a line starting with a blank goes on the one before.
    std::vector<std::pair<int, std::string>> lines;
    for (int number = 1; !rest.empty() || number == 1; ++number) {
        const size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const std::string_view t = trim(line);
        if (t.empty() || t[0] == '#') {
            if (end == std::string_view::npos) break;
            continue;
        }
        if ((line[0] == ' ' || line[0] == '\t') && !lines.empty()) lines.back().second += " " + std::string(t);
        else lines.emplace_back(number, std::string(t));
        if (end == std::string_view::npos) break;
    }
    bool have_connection = false, have_query = false;
    for (const auto& [number, line] : lines) {
        const auto where = [n = number] { return "line " + std::to_string(n) + ": "; };
        const size_t eq = line.find('=');
        if (eq == std::string::npos) {
            *error = where() + "name = value expected";
            return false;
        }
        const std::string name = lower(trim(std::string_view(line).substr(0, eq)));
        const std::string value(trim(std::string_view(line).substr(eq + 1)));
        if (name == "connection") {
            config->from_settings = lower(value) == "settings";
            config->connection = config->from_settings ? std::string() : value;
            have_connection = !value.empty();
        } else if (name == "query") {
            config->query = value;
            have_query = true;
        } else if (name == "timeout") {
            if (!parse_timeout(value, &config->timeout_s)) {
                *error = where() + "timeout: whole seconds from 1 to 600 expected";
                return false;
            }
        } else if (name == "number") {
            const std::string v = lower(value);
            if (v != "key" && v != "key local") {
                *error = where() + "number: \"key\" or \"key local\" expected";
                return false;
            }
            config->local_form = v == "key local";
        } else {
            *error = where() + "unknown setting \"" + name + "\" (connection, query, timeout, number)";
            return false;
        }
    }
    if (!have_connection) {
        *error = "no connection = ... line";
        return false;
    }
    if (!have_query) {
        *error = "no query = ... line";
        return false;
    }
    if (parameter_count(config->query) != 1) {
        *error = "the query must have exactly one ? where the number goes";
        return false;
    }
    return true;
}

bool read_customer_db_config(const std::string& path, CustomerDbConfig* config, std::string* error) {
    // A file of settings, not of data: anything past 64 KB is no such file.
    std::string bytes, why;
    switch (platform::read_whole_file(path, &bytes, &why, 65535)) {
        case platform::WholeFile::Read: break;
        case platform::WholeFile::TooLarge: *error = "too large for a connection file"; return false;
        default: *error = "cannot be read: " + why; return false;
    }
    return parse_customer_db_config(bytes, config, error);
}

std::string mask_secrets(std::string_view text) {
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        // An attribute name starts the text or follows ';' (blanks allowed).
        size_t name_at = i;
        while (name_at < text.size() && (text[name_at] == ' ' || text[name_at] == '\t')) ++name_at;
        const size_t eq = text.find('=', name_at);
        const size_t semi = text.find(';', name_at);
        if (eq == std::string_view::npos || (semi != std::string_view::npos && semi < eq)) {
            const size_t stop = semi == std::string_view::npos ? text.size() : semi + 1;
            out.append(text.substr(i, stop - i));
            i = stop;
            continue;
        }
        const std::string name = lower(trim(text.substr(name_at, eq - name_at)));
        const bool secret = ends_with(name, "pwd") || ends_with(name, "password");
        // The value: braced (with "}}" for a brace inside) or up to the next ';'.
        size_t v = eq + 1;
        while (v < text.size() && text[v] == ' ') ++v;
        size_t end = v;
        if (v < text.size() && text[v] == '{') {
            end = v + 1;
            while (end < text.size()) {
                if (text[end] == '}') {
                    if (end + 1 < text.size() && text[end + 1] == '}') { end += 2; continue; }
                    ++end;
                    break;
                }
                ++end;
            }
        }
        end = text.find(';', end);
        if (end == std::string_view::npos) end = text.size();
        out.append(text.substr(i, eq + 1 - i));
        out.append(secret ? "***" : std::string(text.substr(eq + 1, end - eq - 1)));
        if (end < text.size()) out += ';';
        i = end + 1;
    }
    return out;
}

}  // namespace host::callers
