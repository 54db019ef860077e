// What the recorder knows of a caller: the card shown beside the number, from the
// phonebook or from the business database.
#pragma once
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace host::callers {

struct CallerCard {
    std::string name;      // all texts UTF-8
    std::string company;
    std::string address;
    std::string note;
    // Further columns of the phonebook or the query, for display: heading, value.
    std::vector<std::pair<std::string, std::string>> more;
    std::string source;    // the phonebook file it came from, or "database"
};

// A card's text as a program's environment variable (VORNIX_CALLER_NAME and the like):
// no control characters (a NUL would end the variable, a line break split it), none of
// the characters a command interpreter acts on when a batch file expands the variable
// (% ^ & | < > " !), and in the system's code page (Windows) or UTF-8.
std::string environment_value(std::string_view utf8);
// A card's text on the terminal and in host.log: no control characters (an escape
// sequence in a phonebook would steer the terminal), in the system's code page.
std::string screen_text(std::string_view utf8);

}  // namespace host::callers
