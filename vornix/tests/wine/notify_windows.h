// The library's hidden notification windows, found the way a host would find them:
// top-level windows titled "Vornix_Notify_Window", limited to this process so that
// another Wine program on the same desktop does not count.
#pragma once
#include <windows.h>

#include <vector>

namespace vornix::winehost {

constexpr char kNotifyWindowTitle[] = "Vornix_Notify_Window";

// In Z order, topmost (the most recently created) first.
std::vector<HWND> notify_windows();

}  // namespace vornix::winehost
