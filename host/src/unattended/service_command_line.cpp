#include "unattended/service_command_line.h"

namespace host {

std::string quoted_argument(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
    std::string out = "\"";
    size_t backslashes = 0;
    for (const char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote, and the quote itself, are escaped.
        out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');  // before the closing quote
    return out + "\"";
}

std::string service_command_line(const std::string& program, const std::vector<std::string>& options,
                                 const std::string& absolute_folder) {
    std::string line = "\"" + program + "\" --service run";
    for (const std::string& option : options) line += " " + quoted_argument(option);
    return line + " --out " + quoted_argument(absolute_folder);
}

}  // namespace host
