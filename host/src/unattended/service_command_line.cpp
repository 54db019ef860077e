#include "unattended/service_command_line.h"

namespace host {

std::string quoted_argument(const std::string& arg, LeadByteTest lead_byte) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
    std::string out = "\"";
    size_t backslashes = 0;
    for (size_t i = 0; i < arg.size(); ++i) {
        const char c = arg[i];
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote, and the quote itself, are escaped.
        out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        out += c;
        if (lead_byte && lead_byte(static_cast<unsigned char>(c)) && i + 1 < arg.size()) out += arg[++i];
    }
    out.append(backslashes * 2, '\\');  // before the closing quote
    return out + "\"";
}

std::string service_command_line(const std::string& program, const std::vector<std::string>& args,
                                 LeadByteTest lead_byte) {
    std::string line = "\"" + program + "\" --service run";
    for (const std::string& arg : args) line += " " + quoted_argument(arg, lead_byte);
    return line;
}

}  // namespace host
