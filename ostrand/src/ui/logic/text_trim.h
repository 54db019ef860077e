// Trimming of field texts the way the dialog's checks see them.
#pragma once
#include <string>

namespace ostrand {

// Removes leading and trailing blanks and control characters (bytes 0..32). Bytes of
// GBK double-byte characters are all above 32, so they are never cut.
std::string TrimBlanks(const std::string& text);

// True when nothing but blanks and control characters is left.
bool IsBlank(const std::string& text);

}  // namespace ostrand
