// Shared expectations of the UI tests: the tool's texts and geometry helpers.
#pragma once
#include <windows.h>

#include <ostream>
#include <string>

#include "ostrand_session.h"

namespace ostrand_ui {

inline const std::wstring kInformation = L"提示信息";
inline const std::wstring kInquiry = L"询问信息";
inline const std::wstring kError = L"错误信息";

// A control's rectangle relative to the client area of a window (left, top, w, h).
struct Box {
    int left, top, width, height;
    bool operator==(const Box& o) const {
        return left == o.left && top == o.top && width == o.width && height == o.height;
    }
};

inline Box BoxIn(HWND reference, HWND control, POINT origin = {0, 0}) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, reference, reinterpret_cast<POINT*>(&r), 2);
    return {r.left - origin.x, r.top - origin.y, r.right - r.left, r.bottom - r.top};
}

std::wstring ShotPath(const wchar_t* name);

// Expects a prompt with the given caption, text, icon and buttons, then answers it.
void ExpectPrompt(OstrandSession& tool, const std::wstring& caption, const std::wstring& text,
                  LPCWSTR icon, bool with_cancel = false, const wchar_t* shot = nullptr);

// Whether the shell holds the tool's tray icon (asked without changing it).
bool TrayIconPresent(HWND tray_window);
// Makes the shell drop the tool's icon, as a shell that crashes forgets it.
bool ForgetTrayIcon(HWND tray_window);

inline std::ostream& operator<<(std::ostream& os, const Box& b) {
    return os << "(" << b.left << ", " << b.top << ", " << b.width << " x " << b.height << ")";
}

}  // namespace ostrand_ui
