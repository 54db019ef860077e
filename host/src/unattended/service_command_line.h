// The command line the service manager starts the recorder with.
#pragma once
#include <string>
#include <vector>

namespace host {

// True for the first byte of a two-byte character in the system's code page (GBK on a
// Chinese system): its second byte may be 0x5C, which is no backslash.
using LeadByteTest = bool (*)(unsigned char byte);

// One argument as the C runtime splits a Windows command line: quoted where it holds a
// space, a tab or a quote (or is empty), backslashes doubled only before a quote.
std::string quoted_argument(const std::string& arg, LeadByteTest lead_byte = nullptr);

// The program, the hidden "--service run" and the arguments (every path among them
// made absolute by the caller: the service starts in the system folder).
std::string service_command_line(const std::string& program, const std::vector<std::string>& args,
                                 LeadByteTest lead_byte = nullptr);

}  // namespace host
