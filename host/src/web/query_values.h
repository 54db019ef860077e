// The values of a request's query, as the routes read them.
#pragma once
#include <algorithm>
#include <map>
#include <string>

namespace host::web {

using Query = std::map<std::string, std::string>;

inline std::string value(const Query& q, const char* name) {
    const auto it = q.find(name);
    return it == q.end() ? std::string() : it->second;
}

// The list's paging: what is not a number falls back, too much is cut to `most`.
inline size_t number_or(const Query& q, const char* name, size_t fallback, size_t most) {
    const auto it = q.find(name);
    if (it == q.end() || it->second.empty() || it->second.size() > 9 ||
        it->second.find_first_not_of("0123456789") != std::string::npos)
        return fallback;
    return std::min<size_t>(std::stoul(it->second), most);
}

// A number within [least, most], or `fallback` when absent; false for anything else.
inline bool bounded_number(const Query& q, const char* name, long least, long most, long fallback, long* out) {
    const auto it = q.find(name);
    if (it == q.end()) {
        *out = fallback;
        return true;
    }
    if (it->second.empty() || it->second.size() > 9 || it->second.find_first_not_of("0123456789") != std::string::npos)
        return false;
    *out = std::stol(it->second);
    return *out >= least && *out <= most;
}

}  // namespace host::web
