// The command line the service manager starts the recorder with.
#pragma once
#include <string>
#include <vector>

namespace host {

// One argument as the C runtime splits a Windows command line: quoted where it holds a
// space, a tab or a quote (or is empty), backslashes doubled only before a quote.
std::string quoted_argument(const std::string& arg);

// The program, the hidden "--service run", the options given at install, and the
// recordings folder last and absolute (the last --out is the one the recorder takes):
// the service starts in the system folder, where a relative folder means nothing.
std::string service_command_line(const std::string& program, const std::vector<std::string>& options,
                                 const std::string& absolute_folder);

}  // namespace host
