// ShowPrompt: the one routine every user message of the tool goes through.
#pragma once
#include "prompt_kinds.h"

namespace ostrand {

// A modal message box owned by the active window, with the caption, icon and buttons
// of the kind. Returns the button pressed (IDOK, IDCANCEL).
int ShowPrompt(const char* text, PromptKind kind);

}  // namespace ostrand
