// The tool's generic error report, for errors no handler deals with.
#pragma once
#include <string>

namespace ostrand {

// A modal message box over the active window, captioned with the application title,
// with the error icon and an OK button. The text is in the ANSI code page.
void ShowErrorReport(const std::string& text);

}  // namespace ostrand
