// The pixel layout of TfrmConSetGl; it does not scale with the system's DPI.
#pragma once
#include <windows.h>

namespace ostrand {

constexpr int kClientWidth = 296;
constexpr int kClientHeight = 244;

// Places every control, sizes the window to its client area and centres it on the
// screen. Called once when the dialog initialises, before it is shown.
void ApplyLayout(HWND dialog);

}  // namespace ostrand
