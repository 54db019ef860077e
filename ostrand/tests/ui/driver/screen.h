// Reading the screen: PNG captures and recognising a message box's icon.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ostrand_ui {

bool SaveScreenPng(const std::wstring& path);

// The colour shown at a point of the screen.
COLORREF ScreenPixel(int x, int y);
// What the screen shows in a rectangle, row by row (0x00RRGGBB).
std::vector<std::uint32_t> ScreenPixels(const RECT& area);

// Which standard icon (IDI_INFORMATION, IDI_QUESTION, IDI_WARNING, IDI_ERROR) is shown
// in the given window, judged from the screen's pixels; nullptr when none matches.
LPCWSTR RecogniseStandardIcon(HWND icon_window);

}  // namespace ostrand_ui
