// How the tray icon's hidden window is addressed: its class and the private callback
// message the notification area sends it (lParam = the mouse message).
#pragma once
#include <windows.h>

namespace ostrand {

constexpr char kTrayWindowClass[] = "OstrandTrayWindow";
constexpr UINT kTrayCallbackMessage = WM_APP + 1;
constexpr UINT kTrayIconId = 1;

}  // namespace ostrand
