// Reading the screen: PNG captures and recognising a message box's icon.
#pragma once
#include <windows.h>

#include <string>

namespace ostrand_ui {

bool SaveScreenPng(const std::wstring& path);

// The colour shown at a point of the screen.
COLORREF ScreenPixel(int x, int y);

// Which standard icon (IDI_INFORMATION, IDI_QUESTION, IDI_WARNING, IDI_ERROR) is shown
// in the given window, judged from the screen's pixels; nullptr when none matches.
LPCWSTR RecogniseStandardIcon(HWND icon_window);

}  // namespace ostrand_ui
