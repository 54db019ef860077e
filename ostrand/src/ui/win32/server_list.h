// The server box's list, filled from the SQL server enumeration component.
#pragma once
#include <windows.h>

namespace ostrand {

// True when the list was filled; any failure is silent and returns false.
bool FillServerList(HWND server_box);

}  // namespace ostrand
