// The server box with the flat look of the edit fields beside it.
#pragma once
#include <windows.h>

namespace ostrand {

// A combo box paints a sunken edge of its own inside its client area, which no window
// style removes. From this call on, every paint of the box is followed by a flat one
// over that edge: the single line the edits' border is drawn with, the field's
// background inside it (as the parent colours the edit, WM_CTLCOLOREDIT) and a flat
// drop-down button.
void MakeComboFlat(HWND combo);

}  // namespace ostrand
