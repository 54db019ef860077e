#include <algorithm>
#include <cctype>

#include "unattended/child_process.h"

namespace host {

std::vector<std::string> merged_environment(std::vector<std::string> current, const std::vector<std::string>& vars,
                                            bool ignore_case) {
    // Windows keeps per-drive folders in entries named like "=C:": a name may start with '='.
    auto name_of = [](const std::string& entry) { return entry.substr(0, entry.find('=', 1)); };
    auto same = [&](const std::string& a, const std::string& b) {
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) {
                   return ignore_case ? std::toupper(static_cast<unsigned char>(x)) ==
                                            std::toupper(static_cast<unsigned char>(y))
                                      : x == y;
               });
    };
    auto replaced = [&](const std::string& entry) {
        return std::any_of(vars.begin(), vars.end(),
                           [&](const std::string& v) { return same(name_of(entry), name_of(v)); });
    };
    current.erase(std::remove_if(current.begin(), current.end(), replaced), current.end());
    current.insert(current.end(), vars.begin(), vars.end());
    return current;
}

}  // namespace host
