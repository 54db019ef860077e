#include "notify_windows.h"

#include <cstring>

namespace vornix::winehost {

namespace {
BOOL CALLBACK collect(HWND hwnd, LPARAM found) {
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    if (process != GetCurrentProcessId()) return TRUE;
    char title[sizeof kNotifyWindowTitle + 1] = {};
    GetWindowTextA(hwnd, title, sizeof title);
    if (std::strcmp(title, kNotifyWindowTitle) == 0) reinterpret_cast<std::vector<HWND>*>(found)->push_back(hwnd);
    return TRUE;
}
}  // namespace

std::vector<HWND> notify_windows() {
    std::vector<HWND> found;
    EnumWindows(collect, reinterpret_cast<LPARAM>(&found));
    return found;
}

}  // namespace vornix::winehost
